// Runs one scenario of the launcher's JNI code against a real JDK: loads the
// given libjvm.so, creates the VM on a thread of its own with the launcher's
// option list (plus -Xcheck:jni), and drives the same calls the launcher makes.
// One scenario per process, because a process can create only one VM.
//
//   jvm_driver <libjvm.so> <classes folder> <scenario> [file...]
//
// "planted" runs Planted of the current directory [file 1], "Class Path" <classes folder> below [file 0].
// The scenario "cache" runs test/Echo with the start-up cache rule and the
// Linux file operations: [file...] are the "Class Data Sharing" value, the
// cache folder, a file for the VM's class loading log (which only the test
// adds, as its evidence of where classes came from) and another parameter.
#include <dlfcn.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "host/cache_ops_posix.h"
#include "runtime/java_version.h"
#include "vm/class_data_sharing.h"
#include "vm/java_calls.h"
#include "vm/vm_options.h"
#include "vm/vm_session.h"

namespace {

void say(const std::string& line) {
    std::printf("driver: %s\n", line.c_str());
    std::fflush(stdout);
}

class PrintingObserver : public ExitObserver {
public:
    void onExit(int code) override { say("onExit " + std::to_string(code)); }
    void onAbort() override { say("onAbort"); }
};

// Set once main is about to be called.
class ReadyFlag {
public:
    void set() {
        std::lock_guard<std::mutex> lock(mutex_);
        ready_ = true;
        changed_.notify_all();
    }
    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return ready_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ready_ = false;
};

struct Scenario {
    std::wstring mainClass;
    std::vector<std::wstring> arguments;
    bool failureCheck = false;
    std::wstring outputFile, errorFile;
    bool outputAppend = false, errorAppend = false;
};

MemoryStatus machineMemory() {
    MemoryStatus memory;
    struct sysinfo info;
    if (sysinfo(&info) == 0) memory.totalPhysical = static_cast<uint64_t>(info.totalram) * info.mem_unit;
    memory.availableVirtual = 1ull << 46;
    return memory;
}

// The VM of the run, destroyed at the end of the scenario as the launcher's teardown does.
struct Vm {
    CreateJavaVmFunction create = nullptr;
    DefaultInitArgsFunction defaults = nullptr;
    std::vector<std::string> options;
    uint32_t threadStackSize = 0;
    bool filterVmOutput = false;
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;

    bool createHere() {
        Failure failure = createJavaVmWith(create, options, &vm, &env, filterVmOutput);
        report(failure);
        return !failure;
    }
    ~Vm() {
        if (vm) vm->DestroyJavaVM();
    }
};

// What the launcher's VM thread does: create the VM, redirect the streams, run
// main; the run step then prints what failed.
int vmThreadBody(Vm& vm, const Scenario& s, const MainThreadHooks& hooks) {
    if (!vm.createHere()) return 1;
    if (!s.outputFile.empty()) redirectJavaStream(vm.env, s.outputFile, s.outputAppend, JavaStream::Output);
    if (!s.errorFile.empty()) redirectJavaStream(vm.env, s.errorFile, s.errorAppend, JavaStream::Error);
    Failure failure;
    const bool ran = runJavaMainWith(vm.vm, vm.env, s.mainClass, s.arguments, s.failureCheck, hooks, failure);
    report(failure);
    return ran ? 0 : 1;
}

// A thread of its own that attaches to the VM for one piece of work, as the
// service's stop threads and the single-instance request threads do.
template <typename Work>
void onAttachedThread(JavaVM* vm, Work work) {
    std::thread([vm, &work] {
        if (!callAttached(vm, false, [&work](JNIEnv* env) { work(env); })) {
            say("attach failed");
            return;
        }
        JNIEnv* env = nullptr;
        say(vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_2) == JNI_EDETACHED ? "detached"
                                                                                          : "still attached");
    }).join();
}

std::wstring wide(const char* text) { return fromAnsi(text); }

// The cache rule as the launcher applies it before creating the VM: its
// options go right after the class path option.
CachePlan prepareCache(const std::string& libjvm, const std::wstring& setting, const std::wstring& folder,
                       const char* driverPath, std::vector<std::wstring>& options) {
    const std::string home = libjvm.substr(0, libjvm.rfind("/lib/server/"));
    CacheInputs in;
    in.setting = setting;
    const std::wstring version = fromAnsi(releaseValue(home, "JAVA_RUNTIME_VERSION"));
    in.runtimeVersion = JavaVersion::parse(version, 0);
    in.runtimeIdentity = version;
    if (access((home + "/bin/java").c_str(), X_OK) == 0) in.javaCommand = fromAnsi(home + "/bin/java");
    in.classPath = options[0].substr(std::wstring(L"-Djava.class.path=").size());
    in.classPathFiles = posixClassPathFiles(in.classPath);
    in.vmParameters.assign(options.begin() + 1, options.end());
    in.executable = fromAnsi(driverPath);
    in.cacheFolder = folder;
    CachePlan plan = prepareClassDataSharing(in, posixCacheFileOps());
    options.insert(options.begin() + 1, plan.vmOptions.begin(), plan.vmOptions.end());
    return plan;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: jvm_driver <libjvm.so> <classes> <scenario> [file...]\n");
        return 2;
    }
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string name = argv[3];
    auto file = [&](int i) { return argc > 4 + i ? wide(argv[4 + i]) : std::wstring(); };

    void* library = dlopen(argv[1], RTLD_NOW | RTLD_GLOBAL);
    if (!library) {
        say(std::string("cannot load ") + argv[1] + ": " + dlerror());
        return 2;
    }

    int status = -1;
    CachePlan cachePlan;
    {
        // The observer outlives the VM, as the service host does in the launcher.
        PrintingObserver observer;
        setExitObserver(&observer);
        Vm launcher;
        launcher.create = reinterpret_cast<CreateJavaVmFunction>(dlsym(library, "JNI_CreateJavaVM"));
        launcher.defaults = reinterpret_cast<DefaultInitArgsFunction>(dlsym(library, "JNI_GetDefaultJavaVMInitArgs"));

        // The launcher's own kind of option list: class path, then the parameters
        // as splitVmParameters turns them out.
        std::wstring classPath = wide(argv[2]);
        if (name == "planted") {  // the launcher's rule, every search finding its name, read with '/' and ':'
            ClassPathOps ops{[](std::wstring&) {}, [](const std::wstring& p) { return std::vector<std::wstring>{fileNameOf(p)}; }};
            classPath = replaceAll(replaceAll(buildClassPath(classPath, file(0), ops), L'\\', L'/'), L';', L':');
            if (chdir(argv[5]) != 0) return 2;
        }
        std::vector<std::wstring> options{L"-Djava.class.path=" + classPath};
        std::wstring parameters = L"-Xcheck:jni -Xmx10:64:256p -Xss1m \"-Dtest.prop=a b\"";
        if (name == "create-fail") parameters += L" -Xbogus";
        if (name == "abort") parameters += L" -XX:-CreateCoredumpOnCrash -XX:ErrorFile=" + file(0);
        if (name == "cache") parameters += L" -Xlog:class+load=info:file=" + file(2) + L" " + file(3);
        splitVmParameters(parameters, machineMemory(), launcher.threadStackSize, options);
        if (name == "cache") cachePlan = prepareCache(argv[1], file(0), file(1), argv[0], options);
        launcher.filterVmOutput = cachePlan.filterVmOutput;
        for (const std::wstring& option : options) launcher.options.push_back(toAnsi(option));
        say("thread stack size " + std::to_string(launcher.threadStackSize));

        if (name == "default-stack") {
            say("default stack size " + std::to_string(defaultThreadStackSizeWith(launcher.defaults)));
            return 0;
        }

        Scenario s;
        s.mainClass = L"test/Echo";
        ReadyFlag ready;
        MainThreadHooks hooks;
        hooks.signalReady = [&ready] {
            say("ready");
            ready.set();
        };
        std::thread helper;

        if (name == "args") {
            s.arguments = {L"one", L"", L"two words", L"\u00e9\u20ac", L"\U0001D11E", L"tab\there"};
        } else if (name == "planted") {
            s.mainClass = L"Planted";
        } else if (name == "no-args") {
        } else if (name == "redirect" || name == "redirect-append") {
            s.arguments = {L"redirected"};
            s.outputFile = file(0);
            s.errorFile = file(1);
            s.outputAppend = s.errorAppend = name == "redirect-append";
        } else if (name == "redirect-bad") {
            s.outputFile = file(0);
        } else if (name == "throw-check" || name == "throw-nocheck") {
            s.mainClass = L"test/Throw";
            s.failureCheck = name == "throw-check";
            s.errorFile = file(0);
        } else if (name == "missing-class") {
            s.mainClass = L"test/Missing";
        } else if (name == "no-main") {
            s.mainClass = L"test/NoMain";
        } else if (name == "nondaemon") {
            s.mainClass = L"test/NonDaemon";
        } else if (name == "exit") {
            s.mainClass = L"test/Exit";
            s.arguments = {L"3"};
        } else if (name == "abort") {
            s.mainClass = L"test/Crash";
        } else if (name == "stop") {
            s.mainClass = L"test/Service";
            // As the service host's stop thread does.
            helper = std::thread([&] {
                ready.wait();
                onAttachedThread(launcher.vm, [&s](JNIEnv* env) {
                    say(callStaticStop(env, L"test/Echo") ? "Echo.stop called" : "Echo.stop not called");
                    say(callStaticStop(env, s.mainClass) ? "Service.stop called" : "Service.stop not called");
                });
            });
        } else if (name == "secondary" || name == "secondary-void") {
            s.mainClass = name == "secondary" ? L"test/Secondary" : L"test/SecondaryVoid";
            // As the single-instance request thread does.
            helper = std::thread([&] {
                ready.wait();
                const std::wstring cls = s.mainClass;
                onAttachedThread(launcher.vm, [&cls](JNIEnv* env) {
                    auto reply = [](int code) { say("reply " + std::to_string(code)); };
                    say(callSecondaryMain(env, L"test/Echo", {L"x"}, reply) ? "Echo called" : "Echo not called");
                    say(callSecondaryMain(env, cls, {L"a", L"b"}, reply) ? "called" : "not called");
                });
            });
        } else if (name == "named") {
            // A class named in other than ASCII letters, reached by every call.
            s.mainClass = L"test/\u0421\u043b\u0443\u0436\u0431\u0430";
            helper = std::thread([&] {
                ready.wait();
                onAttachedThread(launcher.vm, [&s](JNIEnv* env) {
                    auto reply = [](int code) { say("reply " + std::to_string(code)); };
                    say(callSecondaryMain(env, s.mainClass, {L"a"}, reply) ? "called" : "not called");
                    say(callStaticStop(env, s.mainClass) ? "stop called" : "stop not called");
                });
            });
        } else if (name == "render") {
            // The handler on its own: an exception made pending by a call of main.
            if (!launcher.createHere()) return 1;
            JNIEnv* env = launcher.env;
            jclass cls = env->FindClass("test/Throw");
            jmethodID main = env->GetStaticMethodID(cls, "main", "([Ljava/lang/String;)V");
            jobjectArray args = newJavaStringArray(env, {});
            env->CallStaticVoidMethod(cls, main, args);
            std::wstring trace = handleUncaughtException(env);
            jthrowable left = env->ExceptionOccurred();
            say(left ? "exception still pending" : "nothing pending");
            say("rendered<<" + toAnsi(trace) + ">>");
            env->DeleteLocalRef(args);
            env->DeleteLocalRef(cls);
            say(launcher.vm->DetachCurrentThread() == JNI_OK ? "detached" : "detach failed");
            return 0;  // the teardown destroys the VM
        } else if (name == "misuse") {
            // A JNI call with an exception pending, which -Xcheck:jni must report.
            if (!launcher.createHere()) return 1;
            JNIEnv* env = launcher.env;
            env->FindClass("test/Missing");
            jclass string = env->FindClass("java/lang/String");
            env->ExceptionClear();
            if (string) env->DeleteLocalRef(string);
            launcher.vm->DetachCurrentThread();
            return 0;
        } else if (name != "create-fail" && name != "cache") {
            say("unknown scenario " + name);
            return 2;
        }

        std::thread vmThread([&] { status = vmThreadBody(launcher, s, hooks); });
        vmThread.join();
        say("vm thread " + std::to_string(status));
        if (helper.joinable()) helper.join();
        say("destroying");
    }
    say("destroyed");
    // After the program: the AOT cache is assembled by a child of its own.
    finishClassDataSharing(cachePlan, posixCacheFileOps());
    return status;
}
