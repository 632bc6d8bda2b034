// The project's test VM: a jvm.dll that stands in for a Java runtime's in the
// Windows tests. Test code, not product. It exports JNI_CreateJavaVM,
// JNI_GetDefaultJavaVMInitArgs and JNI_GetCreatedJavaVMs (undecorated on x86),
// and links nothing beyond Windows' own DLLs.
//
// CREATION. JNI_CreateJavaVM runs on the calling thread, which becomes the
// attached, non-daemon thread "main". The JavaVMInitArgs version must be a JNI
// version from 1.2 on (else -3). Known options:
//   -D<name>=<value>   system property (also -Djava.class.path=, -Djava.library.path=)
//   -Xmx<size> -Xms<size> -Xss<size>   size = digits with an optional k/m/g/t unit (else -6)
//   -Xcheck:jni  -Xrs  -ea  -verbose  -verbose:<x>
//   -Xlog:<x>  -XX:<x>   logged, without effect (the start-up cache's options)
//   --module-path=<x>    logged, without effect (the launch forms: launch_forms.cpp)
//   abort, exit, vfprintf   hooks in extraInfo: abort void JNICALL(), exit void JNICALL(jint)
// Any other option fails creation with JNI_EINVAL (-6), whatever ignoreUnrecognized
// says, after "Unrecognized option: <text>" on standard error. The environment
// variable TESTVM_CREATE_RESULT=<n> (n != 0) makes creation fail with n once the
// options were accepted. A second creation after a successful one gives JNI_EEXIST
// (-5); a failed creation may be retried. -Dtestvm.createdelayms=<n> delays a
// successful creation by n ms. JNI_GetDefaultJavaVMInitArgs behaves as HotSpot's:
// for a JDK 1.1 record (version 0x10001) it sets javaStackSize to 1310720 and the
// version to 0x10002 and returns JNI_ERR (-1); for versions 1.2 and later JNI_OK.
//
// THE LOG. When TESTVM_LOG names a file, each event appends lines (UTF-8, each
// ended by "\n"; the file is opened, appended and closed per event, so processes
// and threads can share it; the lines of one event are written at once). The
// option -Dtestvm.log=<file> sets TESTVM_LOG in the process at creation, before
// the first line (for processes that do not inherit the test's environment):
//   create version=0x10002 options=<n> ignoreUnrecognized=<0|1>
//   option[<i>]=<optionString>     in order, read in the ANSI code page; abort, exit and vfprintf add
//                                  " extraInfo=set" or " extraInfo=null"
//   stack=<bytes>                  stack reservation of the creating thread
//   env Path=<value>  env QZ_JVM_PATH=<value>  env QZ_JVM_HOME=<value>  (empty when unset)
//   cwd=<current directory>
//   thread-acp=<ANSI code page of the creating thread's locale>
//   then one of: created | unrecognized option <text> + create failed -6 |
//   invalid option <text> + create failed -6 | create failed <n>
//   defaultInitArgs version=<hex>
//   FindClass <name>
//   GetStaticMethodID <class> <name> <signature>   GetMethodID <class> <name> <signature>
//   FileOutputStream <path> append=<0|1>[ failed=<win32 error>]
//   main args=<n|null>, then arg[<i>]=<text> per argument; main returned
//   main waiting                   (test/Service, test/Single, test/SingleInt)
//   secondaryMain void args=<n>    secondaryMain int args=<n>, then arg[<i>]=<text>
//   secondaryMain returned <n>     (int form)
//   stop                           each call of a scripted program's stop
//   non-daemon done
//   exit <code>, exit hook returned   (System.exit; the second after the hook returns)
//   abort, abort hook returned
//   ExceptionDescribe <class with dots>[: <message>]
//   uncaught <class with dots>[: <message>]   (DetachCurrentThread with a pending exception)
//   attach | attach daemon | attach again      detach
//   destroy begin, strings held=<n> (GetString(UTF)Chars not released), destroy end
//   error <text>                   every misuse detected, for example
//     error <function> called with a pending exception
//     error <function> called on a thread that is not attached
//     error <function> called with another thread's JNIEnv
//     error <function> called with a deleted reference
//     error DetachCurrentThread called on a thread that is not attached
//     error thread <id> ended attached: DestroyJavaVM would wait for ever   (exit code 98)
//     error unimplemented JNI function <index>            (exit code 99)
//     error unimplemented JNI invocation function <index> (exit code 99)
//
// THREADS. Every thread has its own JNIEnv and pending exception; local references
// belong to their thread and die when it detaches. DetachCurrentThread with a
// pending exception prints it as uncaught (like ExceptionDescribe) and clears it.
// DestroyJavaVM waits until every other non-daemon attached thread (attached with
// AttachCurrentThread, or a non-daemon Java thread) has detached; when one has
// ended without detaching it ends the process with 98 instead of hanging.
//
// PLATFORM CLASSES. java/lang/String ("<init>" "([C)V"); java/lang/System (setOut,
// setErr, exit "(I)V": logs, calls the exit hook, ends the process with the code);
// java/io/FileOutputStream ("<init>" "(Ljava/lang/String;Z)V", truncates or appends,
// FileNotFoundException "<path> (<system message>)" when it cannot open);
// java/io/PrintStream ("<init>" "(Ljava/io/OutputStream;)V", println, print);
// java/io/ByteArrayOutputStream ("()V", toString); java/lang/Throwable and its
// usual subclasses ("()V", "(Ljava/lang/String;)V", toString, getMessage,
// printStackTrace "(Ljava/io/PrintStream;)V" and "()V"). Text is written as UTF-8,
// lines end in "\r\n". System.out and System.err start as the process's standard
// output and error. ExceptionDescribe prints
//   Exception in thread "<thread name>" <class with dots>: <message>\r\n\tat <frame>\r\n
// to the current System.err and clears the exception. A method that does not exist
// leaves java/lang/NoSuchMethodError (message: its name) pending, unless
// -Dtestvm.methoderror=0; an unknown class leaves java/lang/NoClassDefFoundError
// (message: the name as given).
//
// SCRIPTED PROGRAMS (main class as passed to FindClass; see scripts.cpp):
//   test/Echo        prints arg[<i>]=<text> per argument to System.out, "stderr line" to System.err
//   test/Exit        System.exit(testvm.exit, default 3)
//   test/Throw       main ends with a pending java.lang.RuntimeException: boom
//   test/NonDaemon   starts a non-daemon thread that sleeps testvm.sleepms (1500) and logs
//   test/Service     main waits for stop (for the n-th call with testvm.stops=<n>); with
//                    testvm.stopexit=<n> the first stop calls System.exit(n)
//   test/Single      main waits for stop or testvm.runms (10000); secondaryMain "([Ljava/lang/String;)V"
//   test/SingleInt   as test/Single with secondaryMain "([Ljava/lang/String;)I" giving testvm.secondary (7)
//   test/NoMain      no methods
//   test/Abort       main calls the abort hook and returns
//   test/Return      main returns at once, writing nothing
//
// MEMORY. When TESTVM_PEAK_WS names a file, loading the library writes the
// process's peak working set so far to it, in bytes (decimal, no line end):
// what the host used before it loaded the VM library.
#define _JNI_IMPLEMENTATION_
#include "vm.h"

#include <psapi.h>

#include <cstdlib>

namespace testvm {
namespace {

bool vmCreated = false;
bool vmDestroyed = false;

JNIInvokeInterface_ makeInvokeTable();

JavaVM* theVm() {
    static const JNIInvokeInterface_ table = makeInvokeTable();
    static JavaVM vm{&table};
    return &vm;
}

bool supportedVersion(jint version) {
    switch (version) {
    case JNI_VERSION_1_2:
    case JNI_VERSION_1_4:
    case JNI_VERSION_1_6:
    case JNI_VERSION_1_8:
    case JNI_VERSION_9:
    case JNI_VERSION_10:
        return true;
    default:
        return version >= 0x000b0000 && version <= 0x00190000 && (version & 0xFFFF) == 0;
    }
}

// The stack reserved for the calling thread: its whole allocation.
unsigned long long stackReservation() {
    MEMORY_BASIC_INFORMATION info;
    if (!VirtualQuery(&info, &info, sizeof info)) return 0;
    void* base = info.AllocationBase;
    unsigned long long total = 0;
    char* p = static_cast<char*>(base);
    while (VirtualQuery(p, &info, sizeof info) && info.AllocationBase == base && info.RegionSize > 0) {
        total += info.RegionSize;
        p += info.RegionSize;
    }
    return total;
}

std::string environmentValue(const wchar_t* name) {
    DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return std::string();
    std::u16string value(n, u'\0');
    n = GetEnvironmentVariableW(name, reinterpret_cast<wchar_t*>(&value[0]), n);
    value.resize(n);
    return utf8(value);
}

std::string currentDirectory() {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::u16string value(n, u'\0');
    n = GetCurrentDirectoryW(n, reinterpret_cast<wchar_t*>(&value[0]));
    value.resize(n);
    return utf8(value);
}

std::string threadAnsiCodePage() {
    DWORD cp = 0;
    GetLocaleInfoW(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                   reinterpret_cast<wchar_t*>(&cp), sizeof(cp) / sizeof(wchar_t));
    return number(cp);
}

bool validSize(const std::string& text) {
    size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    if (digits == 0) return false;
    if (digits == text.size()) return true;
    return digits + 1 == text.size() && std::string("kKmMgGtT").find(text.back()) != std::string::npos;
}

enum class OptionCheck { Known, Unrecognized, Invalid };

OptionCheck checkOption(const std::string& o) {
    if (o.compare(0, 2, "-D") == 0) return o.size() > 2 && o[2] != '=' ? OptionCheck::Known : OptionCheck::Invalid;
    if (o.compare(0, 4, "-Xmx") == 0 || o.compare(0, 4, "-Xms") == 0 || o.compare(0, 4, "-Xss") == 0)
        return validSize(o.substr(4)) ? OptionCheck::Known : OptionCheck::Invalid;
    if (o == "-Xcheck:jni" || o == "-Xrs" || o == "-ea" || o == "-verbose" || o.compare(0, 9, "-verbose:") == 0 ||
        o.compare(0, 6, "-Xlog:") == 0 || (o.compare(0, 4, "-XX:") == 0 && o.size() > 4) || o == "abort" ||
        o.compare(0, 14, "--module-path=") == 0 ||
        o == "exit" || o == "vfprintf")
        return OptionCheck::Known;
    return OptionCheck::Unrecognized;
}

// What HotSpot prints on standard error before it refuses an option.
std::string problemText(const std::string& option) {
    if (option.compare(0, 4, "-Xmx") == 0) return "Invalid maximum heap size: ";
    if (option.compare(0, 4, "-Xms") == 0) return "Invalid initial heap size: ";
    if (option.compare(0, 4, "-Xss") == 0) return "Invalid thread stack size: ";
    if (option.compare(0, 2, "-D") == 0) return "Invalid system property: ";
    return "Unrecognized option: ";
}

jint failCreation(jint code) {
    log("create failed " + number(code));
    return code;
}

// ---------------------------------------------------------------- invocation interface

jint JNICALL DestroyJavaVM(JavaVM*) {
    log({"destroy begin", "strings held=" + number(static_cast<long long>(outstandingStringBuffers()))});
    {
        Lock lock;
        if (!vmCreated || vmDestroyed) {
            misuse("DestroyJavaVM called without a VM");
            return JNI_ERR;
        }
    }
    DWORD self = GetCurrentThreadId();
    for (;;) {
        std::vector<ThreadEnv*> waited = waitedThreads(self);
        if (waited.empty()) break;
        for (ThreadEnv* env : waited) {
            if (WaitForSingleObject(env->handle, 0) != WAIT_OBJECT_0) continue;
            Lock lock;  // a thread detaches before it ends: attached now means it never will
            if (env->attached)
                fatal("thread " + number(env->threadId) + " ended attached: DestroyJavaVM would wait for ever", 98);
        }
        Sleep(5);
    }
    ThreadEnv* current = currentEnv();
    if (current) detachThread(current);
    {
        Lock lock;
        vmDestroyed = true;
    }
    log("destroy end");
    return JNI_OK;
}

jint attach(void** penv, void* args, bool daemon) {
    if (!penv) {
        misuse("AttachCurrentThread called without a place for the JNIEnv");
        return JNI_EINVAL;
    }
    {
        Lock lock;
        if (!vmCreated || vmDestroyed) {
            misuse("AttachCurrentThread called without a VM");
            return JNI_ERR;
        }
    }
    if (ThreadEnv* env = currentEnv()) {
        log("attach again");
        *penv = jniEnv(env);
        return JNI_OK;
    }
    const char* name = args ? static_cast<JavaVMAttachArgs*>(args)->name : nullptr;
    std::string text = name ? utf8(fromModifiedUtf8(name)) : std::string();
    ThreadEnv* env = attachCurrentThread(name ? text.c_str() : nullptr, daemon);
    log(daemon ? "attach daemon" : "attach");
    *penv = jniEnv(env);
    return JNI_OK;
}

jint JNICALL AttachCurrentThread(JavaVM*, void** penv, void* args) { return attach(penv, args, false); }
jint JNICALL AttachCurrentThreadAsDaemon(JavaVM*, void** penv, void* args) { return attach(penv, args, true); }

jint JNICALL DetachCurrentThread(JavaVM*) {
    ThreadEnv* env = currentEnv();
    if (!env) {
        misuse("DetachCurrentThread called on a thread that is not attached");
        return JNI_OK;  // as HotSpot: a no-op
    }
    if (env->javaDepth > 0) {
        misuse("DetachCurrentThread called while Java code runs on the thread");
        return JNI_ERR;
    }
    ThrowableObject* pending = nullptr;
    {
        Lock lock;
        pending = env->pending;
        env->pending = nullptr;
    }
    if (pending) {  // the thread's uncaught exception, as a real VM prints it
        log("uncaught " + describe(pending));
        printStackTrace(pending, systemErr(), "Exception in thread \"" + env->name + "\" ");
    }
    detachThread(env);
    log("detach");
    return JNI_OK;
}

jint JNICALL GetEnv(JavaVM*, void** penv, jint version) {
    if (!penv) return JNI_EINVAL;
    *penv = nullptr;
    if (!supportedVersion(version)) return JNI_EVERSION;
    ThreadEnv* env = currentEnv();
    if (!env) return JNI_EDETACHED;
    *penv = jniEnv(env);
    return JNI_OK;
}

template <size_t Index>
void JNICALL unimplementedInvocation() {
    fatal("unimplemented JNI invocation function " + number(static_cast<long long>(Index)), 99);
}

JNIInvokeInterface_ makeInvokeTable() {
    JNIInvokeInterface_ t;
    t.reserved0 = reinterpret_cast<void*>(&unimplementedInvocation<0>);
    t.reserved1 = reinterpret_cast<void*>(&unimplementedInvocation<1>);
    t.reserved2 = reinterpret_cast<void*>(&unimplementedInvocation<2>);
    t.DestroyJavaVM = DestroyJavaVM;
    t.AttachCurrentThread = AttachCurrentThread;
    t.DetachCurrentThread = DetachCurrentThread;
    t.GetEnv = GetEnv;
    t.AttachCurrentThreadAsDaemon = AttachCurrentThreadAsDaemon;
    return t;
}

jint createJavaVm(JavaVM** pvm, void** penv, void* args) {
    if (!args || !pvm || !penv) {
        misuse("JNI_CreateJavaVM called without arguments");
        return JNI_EINVAL;
    }
    const auto* a = static_cast<const JavaVMInitArgs*>(args);
    std::vector<std::string> lines{"create version=" + hex(static_cast<unsigned long>(a->version)) +
                                   " options=" + number(a->nOptions) +
                                   " ignoreUnrecognized=" + (a->ignoreUnrecognized ? "1" : "0")};
    std::vector<std::string> texts;
    for (jint i = 0; i < a->nOptions && a->options; ++i) {
        const JavaVMOption& o = a->options[i];
        std::string text = o.optionString ? fromAnsi(o.optionString) : std::string();
        std::string line = "option[" + number(i) + "]=" + text;
        if (text == "abort" || text == "exit" || text == "vfprintf")
            line += o.extraInfo ? " extraInfo=set" : " extraInfo=null";
        lines.push_back(line);
        texts.push_back(text);
    }
    // -Dtestvm.log=<file> names the log for processes that do not inherit the
    // test's environment (services); it is set before the first line is written.
    for (const std::string& text : texts) {
        const std::string prefix = "-Dtestvm.log=";
        if (text.compare(0, prefix.size(), prefix) != 0) continue;
        std::u16string path = utf16(text.substr(prefix.size()));
        SetEnvironmentVariableW(L"TESTVM_LOG", reinterpret_cast<const wchar_t*>(path.c_str()));
    }
    lines.push_back("stack=" + number(static_cast<long long>(stackReservation())));
    for (const wchar_t* name : {L"Path", L"QZ_JVM_PATH", L"QZ_JVM_HOME"})
        lines.push_back("env " + utf8(reinterpret_cast<const char16_t*>(name)) + "=" + environmentValue(name));
    lines.push_back("cwd=" + currentDirectory());
    lines.push_back("thread-acp=" + threadAnsiCodePage());
    log(lines);

    {
        Lock lock;
        if (vmCreated) return failCreation(JNI_EEXIST);
    }
    if (!supportedVersion(a->version)) return failCreation(JNI_EVERSION);
    if (a->nOptions < 0 || (a->nOptions > 0 && !a->options)) {
        misuse("JNI_CreateJavaVM called with an invalid option array");
        return failCreation(JNI_EINVAL);
    }
    for (jint i = 0; i < a->nOptions; ++i) {
        if (!a->options[i].optionString) {
            misuse("JNI_CreateJavaVM called with option " + number(i) + " without text");
            return failCreation(JNI_EINVAL);
        }
        OptionCheck check = checkOption(texts[static_cast<size_t>(i)]);
        if (check == OptionCheck::Known) continue;
        const std::string& text = texts[static_cast<size_t>(i)];
        log((check == OptionCheck::Unrecognized ? "unrecognized option " : "invalid option ") + text);
        std::string message = problemText(text) + text + "\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), message.data(), static_cast<DWORD>(message.size()), &written, nullptr);
        return failCreation(JNI_EINVAL);
    }
    std::string forced = environmentValue(L"TESTVM_CREATE_RESULT");
    if (!forced.empty()) {
        long code = std::strtol(forced.c_str(), nullptr, 10);
        if (code != 0) return failCreation(static_cast<jint>(code));
    }

    // Accepted: the options take effect.
    for (jint i = 0; i < a->nOptions; ++i) {
        const std::string& text = texts[static_cast<size_t>(i)];
        void* extra = a->options[i].extraInfo;
        if (text.compare(0, 2, "-D") == 0) {
            size_t eq = text.find('=');
            if (eq == std::string::npos) setProperty(text.substr(2), "");
            else setProperty(text.substr(2, eq - 2), text.substr(eq + 1));
        } else if (text == "abort") {
            hooks().abortHook = reinterpret_cast<void(JNICALL*)()>(extra);
        } else if (text == "exit") {
            hooks().exitHook = reinterpret_cast<void(JNICALL*)(jint)>(extra);
        }
    }
    checkBootLayer();
    long delay = propertyNumber("testvm.createdelayms", 0);
    if (delay > 0) Sleep(static_cast<DWORD>(delay));
    initStandardStreams();
    stopEvent();
    ThreadEnv* env = attachCurrentThread("main", false);
    {
        Lock lock;
        vmCreated = true;
    }
    *pvm = theVm();
    *penv = jniEnv(env);
    log("created");
    return JNI_OK;
}

// The JDK 1.1 initialisation record, which current jni.h files no longer declare.
struct Jdk11InitArgs {
    jint version;
    char** properties;
    jint checkSource;
    jint nativeStackSize;
    jint javaStackSize;
    jint minHeapSize;
    jint maxHeapSize;
    jint verifyMode;
    char* classpath;
};

}  // namespace
}  // namespace testvm

using namespace testvm;

extern "C" {

JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** pvm, void** penv, void* args) { return createJavaVm(pvm, penv, args); }

JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void* args) {
    if (!args) return JNI_ERR;
    auto* record = static_cast<Jdk11InitArgs*>(args);
    log("defaultInitArgs version=" + hex(static_cast<unsigned long>(record->version)));
    if (record->version == JNI_VERSION_1_1) {
        // As HotSpot: the 1.1 record is filled and promoted, but 1.1 is not supported.
        record->version = JNI_VERSION_1_2;
        record->javaStackSize = 1310720;
        return JNI_ERR;
    }
    return supportedVersion(record->version) ? JNI_OK : JNI_EVERSION;
}

JNIEXPORT jint JNICALL JNI_GetCreatedJavaVMs(JavaVM** buffer, jsize length, jsize* count) {
    bool exists = false;
    {
        Lock lock;
        exists = vmCreated && !vmDestroyed;
    }
    if (count) *count = exists ? 1 : 0;
    if (exists && buffer && length > 0) buffer[0] = theVm();
    return JNI_OK;
}

// Records the host's peak working set at the moment the library is loaded.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"TESTVM_PEAK_WS", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return TRUE;
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return TRUE;
    std::string text = number(static_cast<long long>(counters.PeakWorkingSetSize));
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return TRUE;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return TRUE;
}

}  // extern "C"
