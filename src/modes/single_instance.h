#pragma once
// Single-instance forwarding between the processes of one executable: the
// first instance serves later starts' arguments to the Java program's
// "secondaryMain"; a later start hands its arguments over and waits for the
// answer. The object owns every shared object of the protocol; destroying it
// is the teardown.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"

// What a first instance asks of the program it serves.
struct InstanceProgram {
    // Blocks until the program's main has been called (or there is no program any more).
    std::function<void()> waitUntilMainCalled;
    // Calls the program's "secondaryMain" with a later start's arguments;
    // `reply` gets the answer for that start.
    std::function<void(const std::vector<std::wstring>& arguments, const std::function<void(int)>& reply)>
        secondaryMain;
};

class SingleInstance {
public:
    enum class Role { Off, First, Second };

    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Joins the instances of executable `exePath`. The first instance serves
    // requests through `program` once its main has been called; a second
    // instance hands `arguments` to the first.
    // Any failure of the shared objects leaves the role Off (an ordinary start);
    // false only when a second instance could not hand its arguments over (with
    // `failure` to report when the request could not be delivered).
    bool join(const std::wstring& exePath, const std::vector<std::wstring>& arguments, InstanceProgram program,
              Failure& failure);
    Role role() const;
    // The program's main is about to be called: other starts may see it from now on.
    void mainCalled();

    // A second instance's wait for the first instance's answer; gives the exit code.
    int waitForFirstInstance();

    struct State;  // the shared objects and the threads, in the platform code

private:
    std::unique_ptr<State> state_;
};
