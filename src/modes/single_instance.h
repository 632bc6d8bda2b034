#pragma once
// Single-instance forwarding between the processes of one executable: the
// first instance serves later starts' arguments to the Java program's
// "secondaryMain"; a later start hands its arguments over and waits for the
// answer. The object owns every shared object of the protocol; destroying it
// is the teardown.
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"

class VmSession;

class SingleInstance {
public:
    enum class Role { Off, First, Second };

    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Joins the instances of executable `exePath`. The first instance serves
    // requests by calling the static "secondaryMain" of `mainClass` in `vm` once
    // its main has been called; a second instance hands `arguments` to the first.
    // Any failure of the shared objects leaves the role Off (an ordinary start);
    // false only when a second instance could not hand its arguments over (with
    // `failure` to report when the request could not be delivered).
    bool join(const std::wstring& exePath, const std::vector<std::wstring>& arguments, VmSession& vm,
              const std::wstring& mainClass, Failure& failure);
    Role role() const;

    // A second instance's wait for the first instance's answer; gives the exit code.
    int waitForFirstInstance();

    struct State;  // the shared objects and the threads, in the platform code

private:
    std::unique_ptr<State> state_;
};
