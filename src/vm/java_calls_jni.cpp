#include "vm/java_calls.h"

#include <atomic>
#include <cstring>
#include <string_view>

#include "base/messages.h"
#include "base/text.h"
#include "base/trace.h"
#include "resources/resource.h"
#include "vm/jni_support.h"
#include "vm/launch_forms.h"
#include "vm/vm_output.h"
#include "vm/vm_session.h"

namespace {

char kAbortOption[] = "abort";
char kExitOption[] = "exit";
char kOutputOption[] = "vfprintf";

// The target of the VM's exit and abort hooks: a plain atomic pointer, so
// that it needs no destruction and a hook that runs on any Java thread up to
// the end of the process finds either the observer or nothing.
std::atomic<ExitObserver*> exitObserver{nullptr};

// The hooks the VM calls through the "exit" and "abort" options.
void JNICALL exitHook(jint code) {
    if (ExitObserver* observer = exitObserver.load()) observer->onExit(static_cast<int>(code));
}

void JNICALL abortHook() {
    if (ExitObserver* observer = exitObserver.load()) observer->onAbort();
}

// The VM's own output on a training start of the AOT cache. HotSpot hands
// its console text to the hook as "%.*s" with the finished text: the line
// that reports the recorded configuration is held back, everything else (a
// refused option's reason above all) goes where the VM would have written it.
jint JNICALL outputHook(FILE* stream, const char* format, va_list arguments) {
    std::string_view text;
    if (std::strcmp(format, "%.*s") == 0) {
        va_list copy;
        va_copy(copy, arguments);
        const int length = va_arg(copy, int);
        const char* chars = va_arg(copy, const char*);
        va_end(copy);
        if (length > 0 && chars) text = std::string_view(chars, static_cast<size_t>(length));
    }
    if (text.find("AOTConfiguration recorded: ") != std::string_view::npos) return static_cast<jint>(text.size());
    const int written = passOnVmOutput(stream, format, arguments);
    // The stream's C runtime could not be reached: the trace keeps what the user would have read.
    if (written < 0 && !text.empty()) trace(L"VM output that could not be passed on: " + fromAnsi(std::string(text)));
    return written < 0 ? 0 : written;
}

// The JNI 1.1 initialisation record; only its version and its Java stack size are used.
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
    void* vfprintfHook;
    void* exitHook;
    void* abortHook;
    jint enableClassGC;
    jint enableVerboseGC;
    jint disableAsyncGC;
    jint verbose;
    jboolean debugging;
    jint debugPort;
};

unsigned reasonMessage(jint result) {
    switch (result) {
        case -1: return IDS_REASON_UNKNOWN;
        case -2: return IDS_REASON_DETACHED;
        case -3: return IDS_REASON_VERSION;
        case -4: return IDS_REASON_MEMORY;
        case -5: return IDS_REASON_EXISTS;
        case -6: return IDS_REASON_INVALID;
        default: return 0;
    }
}

// The common end of a failed step: a pending exception is described, the step gives false.
bool failedStep(JNIEnv* env) {
    if (exceptionPending(env)) env->ExceptionDescribe();
    return false;
}

// A new PrintStream on `target`; null on failure.
jobject newPrintStream(JNIEnv* env, jobject target) {
    LocalRef<jclass> cls(env, env->FindClass("java/io/PrintStream"));
    if (!cls) return nullptr;
    jmethodID init = env->GetMethodID(cls.get(), "<init>", "(Ljava/io/OutputStream;)V");
    if (!init) return nullptr;
    jobject stream = env->NewObject(cls.get(), init, target);
    if (exceptionPending(env) && stream) {
        env->DeleteLocalRef(stream);
        return nullptr;
    }
    return stream;
}

}  // namespace

std::wstring wideText(JNIEnv* env, jstring text) {
    const char* chars = env->GetStringUTFChars(text, nullptr);
    if (!chars) {
        // The VM ran out of memory and left an OutOfMemoryError pending, which
        // would make the caller's next JNI call a misuse.
        if (exceptionPending(env)) env->ExceptionClear();
        trace(L"the text of a Java string could not be read");
        return std::wstring();
    }
    std::wstring out = fromModifiedUtf8(chars);
    env->ReleaseStringUTFChars(text, chars);
    return out;
}

void setExitObserver(ExitObserver* observer) { exitObserver.store(observer); }

std::vector<JavaVMOption> vmOptionArray(const std::vector<std::string>& options, bool filterOutput) {
    std::vector<JavaVMOption> array;
    array.reserve(options.size() + 3);
    for (const std::string& option : options) {
        JavaVMOption entry;
        entry.optionString = const_cast<char*>(option.c_str());
        entry.extraInfo = nullptr;
        array.push_back(entry);
    }
    JavaVMOption abortEntry;
    abortEntry.optionString = kAbortOption;
    abortEntry.extraInfo = reinterpret_cast<void*>(&abortHook);
    array.push_back(abortEntry);
    JavaVMOption exitEntry;
    exitEntry.optionString = kExitOption;
    exitEntry.extraInfo = reinterpret_cast<void*>(&exitHook);
    array.push_back(exitEntry);
    if (filterOutput) {
        JavaVMOption outputEntry;
        outputEntry.optionString = kOutputOption;
        outputEntry.extraInfo = reinterpret_cast<void*>(&outputHook);
        array.push_back(outputEntry);
    }
    return array;
}

Failure createJavaVmWith(CreateJavaVmFunction entry, const std::vector<std::string>& options, JavaVM** vm,
                         JNIEnv** env, bool filterOutput) {
    std::vector<JavaVMOption> array = vmOptionArray(options, filterOutput);
    JavaVMInitArgs args;
    args.version = JNI_VERSION_1_2;
    args.nOptions = static_cast<jint>(array.size());
    args.options = array.data();
    args.ignoreUnrecognized = JNI_FALSE;

    JavaVM* createdVm = nullptr;
    JNIEnv* createdEnv = nullptr;
    jint result = entry(&createdVm, reinterpret_cast<void**>(&createdEnv), &args);
    if (result != JNI_OK) {
        unsigned reason = reasonMessage(result);
        return Failure(IDS_JNI_EXCEPTION_REASON,
                       {loadMessage(IDS_CREATE_VM_FAILED), reason ? loadMessage(reason) : std::wstring()});
    }
    *vm = createdVm;
    *env = createdEnv;
    return Failure();
}

uint32_t defaultThreadStackSizeWith(DefaultInitArgsFunction entry) {
    Jdk11InitArgs args = {};
    args.version = 0x00010001;
    entry(&args);  // the result does not matter: only the stack size is read
    return args.javaStackSize > 0 ? static_cast<uint32_t>(args.javaStackSize) : 0u;
}

jstring newJavaString(JNIEnv* env, const std::wstring& text) {
    // UTF-16 units: wchar_t is already UTF-16 on Windows; elsewhere it holds
    // code points, which are cut into surrogate pairs where needed.
    std::vector<jchar> units;
    units.reserve(text.size());
    for (wchar_t wc : text) {
        auto c = static_cast<uint32_t>(wc);
        if (sizeof(wchar_t) > 2 && c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            units.push_back(static_cast<jchar>(0xD800 + (c >> 10)));
            units.push_back(static_cast<jchar>(0xDC00 + (c & 0x3FF)));
        } else {
            units.push_back(static_cast<jchar>(c));
        }
    }

    LocalRef<jclass> cls(env, env->FindClass("java/lang/String"));
    if (!cls) return nullptr;
    jmethodID init = env->GetMethodID(cls.get(), "<init>", "([C)V");
    if (!init) return nullptr;
    const auto length = static_cast<jsize>(units.size());
    LocalRef<jcharArray> chars(env, env->NewCharArray(length));
    if (!chars) return nullptr;
    env->SetCharArrayRegion(chars.get(), 0, length, units.data());
    if (exceptionPending(env)) return nullptr;
    auto string = static_cast<jstring>(env->NewObject(cls.get(), init, chars.get()));
    if (exceptionPending(env) && string) {
        env->DeleteLocalRef(string);
        return nullptr;
    }
    return string;
}

jobjectArray newJavaStringArray(JNIEnv* env, const std::vector<std::wstring>& texts) {
    LocalRef<jclass> cls(env, env->FindClass("java/lang/String"));
    if (!cls) return nullptr;
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(texts.size()), cls.get(), nullptr);
    if (!array) return nullptr;
    for (size_t i = 0; i < texts.size(); ++i) {
        jstring element = newJavaString(env, texts[i]);
        if (!element) {
            env->DeleteLocalRef(array);
            return nullptr;
        }
        env->SetObjectArrayElement(array, static_cast<jsize>(i), element);
        env->DeleteLocalRef(element);
        if (exceptionPending(env)) {
            env->DeleteLocalRef(array);
            return nullptr;
        }
    }
    return array;
}

bool describePendingException(JNIEnv* env) {
    if (!exceptionPending(env)) return false;
    env->ExceptionDescribe();
    return true;
}

namespace {

// The trace text as a Java string; null when a step fails (its exception is described).
jstring renderThrowableText(JNIEnv* env, jthrowable throwable) {
    LocalRef<jclass> bytesClass(env, env->FindClass("java/io/ByteArrayOutputStream"));
    jmethodID bytesInit = bytesClass ? env->GetMethodID(bytesClass.get(), "<init>", "()V") : nullptr;
    jmethodID toString = bytesInit ? env->GetMethodID(bytesClass.get(), "toString", "()Ljava/lang/String;") : nullptr;
    if (!toString) {
        failedStep(env);
        return nullptr;
    }
    LocalRef<jobject> bytes(env, env->NewObject(bytesClass.get(), bytesInit));
    if (describePendingException(env) || !bytes) return nullptr;
    LocalRef<jobject> printer(env, newPrintStream(env, bytes.get()));
    if (!printer) {
        failedStep(env);
        return nullptr;
    }

    // printStackTrace is looked up on Throwable and dispatched to the throwable's own class.
    LocalRef<jclass> throwableClass(env, env->FindClass("java/lang/Throwable"));
    jmethodID printStackTrace =
        throwableClass ? env->GetMethodID(throwableClass.get(), "printStackTrace", "(Ljava/io/PrintStream;)V") : nullptr;
    if (!printStackTrace) {
        failedStep(env);
        return nullptr;
    }
    env->CallVoidMethod(throwable, printStackTrace, printer.get());
    if (describePendingException(env)) return nullptr;

    auto text = static_cast<jstring>(env->CallObjectMethod(bytes.get(), toString));
    if (describePendingException(env)) {
        if (text) env->DeleteLocalRef(text);
        return nullptr;
    }
    return text;
}

}  // namespace

std::wstring renderThrowable(JNIEnv* env, jthrowable throwable) {
    LocalRef<jstring> text(env, renderThrowableText(env, throwable));
    return text ? wideText(env, text.get()) : std::wstring();
}

std::wstring handleUncaughtException(JNIEnv* env) {
    LocalRef<jthrowable> throwable(env, env->ExceptionOccurred());
    if (!throwable) return std::wstring();
    // No other call is allowed while the exception is pending.
    env->ExceptionClear();
    std::wstring text = renderThrowable(env, throwable.get());
    trace(L"uncaught exception of main:\n" + text);
    // Nothing is shown to the user, so the trace would vanish: it is printed
    // on the program's own System.err, which follows "Error File".
    LocalRef<jclass> throwableClass(env, env->FindClass("java/lang/Throwable"));
    jmethodID printStackTrace = throwableClass ? env->GetMethodID(throwableClass.get(), "printStackTrace", "()V") : nullptr;
    if (printStackTrace) env->CallVoidMethod(throwable.get(), printStackTrace);
    describePendingException(env);
    return text;
}

bool redirectJavaStream(JNIEnv* env, const std::wstring& file, bool append, JavaStream stream) {
    LocalRef<jstring> name(env, newJavaString(env, file));
    LocalRef<jclass> fileClass(env, name ? env->FindClass("java/io/FileOutputStream") : nullptr);
    jmethodID fileInit = fileClass ? env->GetMethodID(fileClass.get(), "<init>", "(Ljava/lang/String;Z)V") : nullptr;
    if (!fileInit) return failedStep(env);
    // Opening the file is where a bad name or a locked file shows (FileNotFoundException).
    LocalRef<jobject> fileStream(env, env->NewObject(fileClass.get(), fileInit, name.get(),
                                                     static_cast<jboolean>(append ? JNI_TRUE : JNI_FALSE)));
    if (describePendingException(env) || !fileStream) return false;
    LocalRef<jobject> printer(env, newPrintStream(env, fileStream.get()));
    LocalRef<jclass> system(env, printer ? env->FindClass("java/lang/System") : nullptr);
    const char* setter = stream == JavaStream::Output ? "setOut" : "setErr";
    jmethodID set = system ? env->GetStaticMethodID(system.get(), setter, "(Ljava/io/PrintStream;)V") : nullptr;
    if (!set) return failedStep(env);
    env->CallStaticVoidMethod(system.get(), set, printer.get());
    return !describePendingException(env);
}

jclass findClassNamed(JNIEnv* env, jstring name, bool* converted) {
    const char* utf = env->GetStringUTFChars(name, nullptr);
    if (converted) *converted = utf != nullptr;
    if (!utf) {
        describePendingException(env);
        return nullptr;
    }
    jclass cls = env->FindClass(utf);
    env->ReleaseStringUTFChars(name, utf);
    return cls;
}

namespace {

// The class named in wide text, looked up as main's class is. Null when it
// cannot be found (a pending exception is left for the caller).
jclass findClassNamed(JNIEnv* env, const std::wstring& name) {
    LocalRef<jstring> text(env, newJavaString(env, name));
    return text ? findClassNamed(env, text.get()) : nullptr;
}

// Hands the exception that ended main to the thread's uncaught-exception
// handler, as the java command does (the default handler prints
// "Exception in thread "main" ..." on System.err; a program may have set its
// own). A VM without that interface gets the exception described instead.
// Nothing is pending afterwards.
void dispatchUncaughtException(JNIEnv* env) {
    LocalRef<jthrowable> throwable(env, env->ExceptionOccurred());
    env->ExceptionClear();
    bool dispatched = false;
    LocalRef<jclass> threads(env, env->FindClass("java/lang/Thread"));
    jmethodID current = threads ? env->GetStaticMethodID(threads.get(), "currentThread", "()Ljava/lang/Thread;") : nullptr;
    jmethodID handlerOf = current ? env->GetMethodID(threads.get(), "getUncaughtExceptionHandler",
                                                     "()Ljava/lang/Thread$UncaughtExceptionHandler;")
                                  : nullptr;
    LocalRef<jclass> handlers(env, handlerOf ? env->FindClass("java/lang/Thread$UncaughtExceptionHandler") : nullptr);
    jmethodID uncaught = handlers ? env->GetMethodID(handlers.get(), "uncaughtException",
                                                     "(Ljava/lang/Thread;Ljava/lang/Throwable;)V")
                                  : nullptr;
    if (uncaught) {
        LocalRef<jobject> thread(env, env->CallStaticObjectMethod(threads.get(), current));
        LocalRef<jobject> handler(env, thread && !exceptionPending(env) ? env->CallObjectMethod(thread.get(), handlerOf)
                                                                         : nullptr);
        if (handler && !exceptionPending(env)) {
            env->CallVoidMethod(handler.get(), uncaught, thread.get(), throwable.get());
            dispatched = true;
        }
    }
    // What the handler itself throws is ignored, as the VM ignores it.
    if (exceptionPending(env)) env->ExceptionClear();
    if (!dispatched) {
        env->Throw(throwable.get());
        env->ExceptionDescribe();
    }
}

// What became of the call of main.
enum class MainOutcome { NotCalled, Returned, Threw };

// Steps from the main class lookup to the return of main.
MainOutcome callMain(JNIEnv* env, const ProgramEntry& entry, const std::vector<std::wstring>& arguments,
                     bool failureCheck, const MainThreadHooks& hooks, Failure& failure) {
    std::wstring mainClass;
    LocalRef<jclass> cls(env, loadProgramClass(env, entry, mainClass, failure));
    if (!cls) return MainOutcome::NotCalled;
    if (hooks.mainClassFound) hooks.mainClassFound(mainClass);
    MainMethod main;
    if (!findMainMethod(env, cls.get(), mainClass, main, failure)) return MainOutcome::NotCalled;
    LocalRef<jobjectArray> args(env, newJavaStringArray(env, arguments));
    if (!args) {
        describePendingException(env);
        return MainOutcome::NotCalled;
    }
    if (hooks.signalReady) hooks.signalReady();
    invokeMainMethod(env, cls.get(), main, args.get());
    if (!exceptionPending(env)) return MainOutcome::Returned;
    // A main that ends with an exception fails the run, as it fails the java
    // command, and the exception is reported on the program's System.err
    // once: by the "Failure Check" handler, or here through the thread's
    // uncaught-exception handler (some VMs say nothing when the thread detaches
    // with it pending).
    if (failureCheck) {
        handleUncaughtException(env);
    } else {
        dispatchUncaughtException(env);
    }
    return MainOutcome::Threw;
}

}  // namespace

bool runJavaMainWith(JavaVM* vm, JNIEnv* env, const std::wstring& mainClass, const std::vector<std::wstring>& arguments,
                     bool failureCheck, const MainThreadHooks& hooks, Failure& failure) {
    return runJavaMainWith(vm, env, ProgramEntry{mainClass, std::wstring(), std::wstring()}, arguments, failureCheck,
                           hooks, failure);
}

bool runJavaMainWith(JavaVM* vm, JNIEnv* env, const ProgramEntry& entry, const std::vector<std::wstring>& arguments,
                     bool failureCheck, const MainThreadHooks& hooks, Failure& failure) {
    const MainOutcome outcome = callMain(env, entry, arguments, failureCheck, hooks, failure);
    if (outcome != MainOutcome::NotCalled && hooks.waitForever) hooks.waitForever();
    bool detached = vm->DetachCurrentThread() == JNI_OK;
    return outcome == MainOutcome::Returned && detached;
}

bool callAttached(JavaVM* vm, bool keepAttached, const std::function<void(JNIEnv*)>& work) {
    JNIEnv* env = nullptr;
    if (vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) return false;
    work(env);
    if (!keepAttached) vm->DetachCurrentThread();
    return true;
}

bool callStaticStop(JNIEnv* env, const std::wstring& mainClass) {
    bool called = false;
    LocalRef<jclass> cls(env, findClassNamed(env, mainClass));
    if (cls) {
        jmethodID stop = env->GetStaticMethodID(cls.get(), "stop", "()V");
        if (stop) {
            jvalue none[1] = {};
            env->CallStaticVoidMethodA(cls.get(), stop, none);
            called = true;
        }
    }
    describePendingException(env);
    return called;
}

bool callSecondaryMain(JNIEnv* env, const std::wstring& mainClass, const std::vector<std::wstring>& arguments,
                       const std::function<void(int)>& reply) {
    bool called = false;
    LocalRef<jclass> cls(env, findClassNamed(env, mainClass));
    if (cls) {
        bool returnsInt = false;
        jmethodID method = env->GetStaticMethodID(cls.get(), "secondaryMain", "([Ljava/lang/String;)V");
        if (exceptionPending(env)) env->ExceptionClear();
        if (!method) {
            method = env->GetStaticMethodID(cls.get(), "secondaryMain", "([Ljava/lang/String;)I");
            returnsInt = method != nullptr;
        }
        if (method) {
            LocalRef<jobjectArray> args(env, newJavaStringArray(env, arguments));
            if (args) {
                called = true;
                if (returnsInt) {
                    jint result = env->CallStaticIntMethod(cls.get(), method, args.get());
                    reply(static_cast<int>(result));
                } else {
                    reply(0);
                    env->CallStaticVoidMethod(cls.get(), method, args.get());
                }
            }
        }
    }
    describePendingException(env);
    return called;
}
