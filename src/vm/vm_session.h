#pragma once
// The one owner of the Java VM in the process: the VM library's entry points,
// the VM, the VM thread that creates it and calls main, the calls other
// threads make into it (attached for the call, detached afterwards unless the
// runtime's threads must stay attached), and its destruction. Callers never
// see a JNI type.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/handle.h"
#include "base/messages.h"

struct JavaVM_;
struct JNIEnv_;

// Receives the VM's exit and abort notifications (service mode only).
class ExitObserver {
public:
    virtual void onExit(int exitCode) = 0;
    virtual void onAbort() = 0;

protected:
    ~ExitObserver() = default;
};

// Sets the process-wide target of the VM's "exit" and "abort" hooks (null: none).
// The observer must outlive every Java thread, that is the VM.
void setExitObserver(ExitObserver* observer);

// Where the Java program's standard streams go (names already expanded; a
// date pattern between '%' is filled in when the VM has been created).
struct OutputRedirection {
    std::wstring outputFile;
    bool outputAppend = false;
    std::wstring errorFile;
    bool errorAppend = false;
};

// Everything the VM thread is given.
struct JavaLaunch {
    std::vector<std::string> options;     // the VM options, in the thread's narrow form
    std::wstring mainClass;               // '/'-separated; empty: from the main JAR or the main module
    std::wstring mainJar;                 // "Main JAR" as found: its manifest names the main class
    std::wstring mainModule;              // "Main Module": the boot layer's root module
    std::vector<std::wstring> arguments;  // the elements of main's String[]
    bool failureCheck = false;            // "Failure Check"
    OutputRedirection redirection;
    uint32_t threadStackSize = 0;         // 0: the VM's default
    bool filterVmOutput = false;          // the start-up cache's line held back from the VM's output
};

class VmSession {
public:
    // `keepThreadsAttached`: threads that called into the VM stay attached, and
    // the VM thread sleeps for ever after main (IBM runtimes).
    explicit VmSession(bool keepThreadsAttached = false);
    ~VmSession();  // destroys the VM; the library stays loaded
    VmSession(const VmSession&) = delete;
    VmSession& operator=(const VmSession&) = delete;

    void setKeepThreadsAttached(bool keep) { keepAttached_ = keep; }
    // Called on the VM thread right before main (the single-instance ready event).
    void onMainCalled(std::function<void()> notify) { onMainCalled_ = std::move(notify); }

    // Loads the VM library and resolves its two exports (failures 222, 202/212).
    Failure load(const std::wstring& libraryPath);
    // Runs the VM thread and waits for it: creates the VM, redirects the Java
    // streams and calls main. Gives the thread's exit code (0 or 1) and, in
    // `failure`, what it could not do.
    int run(JavaLaunch launch, Failure& failure);

    // Whether the VM thread is creating the VM right now (a VM that ends the
    // process during its creation calls the abort hook first).
    bool creating() const { return creating_.load(); }
    // Blocks until the VM thread is about to call main.
    void waitUntilMainCalled() const;
    // Calls on the calling thread, attached to the VM once main has been called.
    // The class called is the main class the VM thread found (a main JAR's or
    // a main module's), else `mainClass`. False when there is no VM or the
    // thread could not attach.
    bool callStop(const std::wstring& mainClass);
    bool callSecondaryMain(const std::wstring& mainClass, const std::vector<std::wstring>& arguments,
                           const std::function<void(int)>& reply);

    // DestroyJavaVM, which waits for the Java program's non-daemon threads.
    // Threads still waiting for main are let go and find no VM.
    void destroy();

    // The body of the VM thread (public for the thread's entry function).
    uint32_t vmThreadBody();

private:
    bool callAttached(const std::function<void(JNIEnv_*)>& work);

    bool keepAttached_;
    std::function<void()> onMainCalled_;
    void* createEntry_ = nullptr;
    void* defaultsEntry_ = nullptr;
    std::atomic<JavaVM_*> vm_{nullptr};
    JNIEnv_* env_ = nullptr;
    platform::Handle ready_;  // set right before main: other threads may call in
    JavaLaunch launch_;
    std::atomic<bool> creating_{false};
    std::wstring programClass_;  // the main class found, written before main is called
    Failure threadFailure_;
};
