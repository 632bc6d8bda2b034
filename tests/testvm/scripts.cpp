// The scripted Java programs of the test VM, one row of kScripts each. Their
// parameters come from system properties (-D options).
#include "vm.h"

#include <climits>

namespace testvm {
namespace {

using Strings = std::vector<std::u16string>;
using Body = void (*)(Frame& f, const Strings& args);

// test/Echo: prints its arguments to System.out and one line to System.err.
void echoMain(Frame&, const Strings& args) {
    for (size_t i = 0; i < args.size(); ++i)
        printLine(systemOut(), "arg[" + number(static_cast<long long>(i)) + "]=" + utf8(args[i]));
    printLine(systemErr(), "stderr line");
}

// -Dtestvm.hold=<name>: waits, at most a minute, until the test sets the named
// (manual-reset) event.
void waitForHold() {
    std::string name = property("testvm.hold", "");
    if (name.empty()) return;
    std::u16string wide = utf16(name);
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, reinterpret_cast<const wchar_t*>(wide.c_str()));
    if (!event) return;
    WaitForSingleObject(event, 60000);
    CloseHandle(event);
}

// test/Exit: System.exit(testvm.exit), once the hold (if any) is let go.
void exitMain(Frame&, const Strings&) {
    waitForHold();
    systemExit(static_cast<jint>(propertyNumber("testvm.exit", 3)));
}

// test/Throw: main ends with a pending RuntimeException.
void throwMain(Frame& f, const Strings&) { raise(f.env, "java/lang/RuntimeException", "boom", "test.Throw.main(Throw.java)"); }

// test/NonDaemon: a non-daemon thread outlives main by testvm.sleepms.
struct JavaThreadStart {
    ThreadEnv* env;
};

DWORD WINAPI nonDaemonThread(void* param) {
    auto* start = static_cast<JavaThreadStart*>(param);
    Sleep(static_cast<DWORD>(propertyNumber("testvm.sleepms", 1500)));
    log("non-daemon done");
    detachThread(start->env);
    delete start;
    return 0;
}

void nonDaemonMain(Frame&, const Strings&) {
    auto* start = new JavaThreadStart{nullptr};
    DWORD id = 0;
    HANDLE h = CreateThread(nullptr, 0, nonDaemonThread, start, CREATE_SUSPENDED, &id);
    if (!h) {
        delete start;
        return;
    }
    // Registered before it runs: from its start it is a Java thread that
    // DestroyJavaVM waits for. The environment keeps the handle.
    start->env = attachCreatedThread(id, h, nullptr, false);
    ResumeThread(h);
}

// test/Service, test/Single, test/SingleInt: main waits for "stop" (Single and
// SingleInt for at most testvm.runms).
void waitForStop(Frame&, const Strings&) {
    log("main waiting");
    WaitForSingleObject(stopEvent(), INFINITE);
}

void waitForStopOrTime(Frame&, const Strings&) {
    log("main waiting");
    WaitForSingleObject(stopEvent(), static_cast<DWORD>(propertyNumber("testvm.runms", 10000)));
}

// test/Return: main returns at once (start-up measurements).
void returnMain(Frame&, const Strings&) {}

// test/Abort: main calls the abort hook and returns.
void abortMain(Frame&, const Strings&) { callAbortHook(); }

void secondaryLog(Frame&, const Strings&) {}

void secondaryInt(Frame& f, const Strings&) {
    waitForHold();
    f.intResult = static_cast<jint>(propertyNumber("testvm.secondary", 7));
}

struct Script {
    const char* name;
    Body main;           // static main([Ljava/lang/String;)V, or none
    Body secondaryVoid;  // static secondaryMain([Ljava/lang/String;)V, or none
    Body secondaryInt;   // static secondaryMain([Ljava/lang/String;)I, or none
    bool stop;           // static stop()V
};

const Script kScripts[] = {
    {"test/Echo", echoMain, nullptr, nullptr, false},
    {"test/Exit", exitMain, nullptr, nullptr, false},
    {"test/Throw", throwMain, nullptr, nullptr, false},
    {"test/NonDaemon", nonDaemonMain, nullptr, nullptr, false},
    {"test/Service", waitForStop, nullptr, nullptr, true},
    {"test/Single", waitForStopOrTime, secondaryLog, nullptr, true},
    {"test/SingleInt", waitForStopOrTime, nullptr, secondaryInt, true},
    // "test/Служба": a name outside the western code pages, with stop and the int secondaryMain.
    {"test/\xd0\xa1\xd0\xbb\xd1\x83\xd0\xb6\xd0\xb1\xd0\xb0", waitForStopOrTime, nullptr, secondaryInt, true},
    {"test/NoMain", nullptr, nullptr, nullptr, false},
    {"test/Abort", abortMain, nullptr, nullptr, false},
    {"test/Return", returnMain, nullptr, nullptr, false},
};

const Script& scriptOf(const Frame& f) {
    for (const Script& s : kScripts) {
        if (f.method->owner->name == s.name) return s;
    }
    fatal("no script for " + f.method->owner->name, 97);
}

// Logs "<header> args=<n>" and "arg[<i>]=<text>" in one write.
Strings logArguments(const std::string& header, const Object* array) {
    bool isNull = false;
    Strings args = stringArray(array, isNull);
    std::vector<std::string> lines{header + " args=" + (isNull ? std::string("null") : number(static_cast<long long>(args.size())))};
    for (size_t i = 0; i < args.size(); ++i)
        lines.push_back("arg[" + number(static_cast<long long>(i)) + "]=" + utf8(args[i]));
    log(lines);
    return args;
}

void mainEntry(Frame& f) {
    Strings args = logArguments("main", f.objects[0]);
    scriptOf(f).main(f, args);
    log("main returned");
}

void secondaryVoidEntry(Frame& f) {
    Strings args = logArguments("secondaryMain void", f.objects[0]);
    scriptOf(f).secondaryVoid(f, args);
}

void secondaryIntEntry(Frame& f) {
    Strings args = logArguments("secondaryMain int", f.objects[0]);
    scriptOf(f).secondaryInt(f, args);
    log("secondaryMain returned " + number(f.intResult));
}

LONG stopCount = 0;

// main ends after testvm.stops calls (default 1); the first may exit instead.
void stopEntry(Frame&) {
    log("stop");
    LONG count = InterlockedIncrement(&stopCount);
    long code = propertyNumber("testvm.stopexit", LONG_MIN);
    if (count == 1 && code != LONG_MIN) systemExit(static_cast<jint>(code));
    if (count >= propertyNumber("testvm.stops", 1)) SetEvent(stopEvent());
}

}  // namespace

void defineScripts() {
    for (const Script& s : kScripts) {
        ClassInfo* c = defineClass(s.name, "java/lang/Object");
        if (s.main) defineMethod(c, "main", "([Ljava/lang/String;)V", true, mainEntry);
        if (s.secondaryVoid) defineMethod(c, "secondaryMain", "([Ljava/lang/String;)V", true, secondaryVoidEntry);
        if (s.secondaryInt) defineMethod(c, "secondaryMain", "([Ljava/lang/String;)I", true, secondaryIntEntry);
        if (s.stop) defineMethod(c, "stop", "()V", true, stopEntry);
    }
}

}  // namespace testvm
