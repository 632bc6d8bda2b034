// The smallest program that runs a Java main through a VM library: it loads
// the library, creates the VM with the class path as its only option, calls
// main with no arguments and destroys the VM. The launcher's start-up is
// measured against it. It imports kernel32 only.
//
// Built twice: bare, and (HOST_THREAD) with what any host of a VM on Windows
// carries beside the VM: the VM on a thread of its own with a chosen stack
// size, and a manifest for version 6 of the common controls.
//
// Usage: minimal_host <jvm.dll> <class path> <main class, with slashes>
// Exit code: 0 when main returned without an exception, 1 when it threw, 2 to 5
// when the library, its entry point, the VM or the class or method is missing.
#include <windows.h>

#include <jni.h>

#include <string>

namespace {

using CreateJavaVm = jint(JNICALL*)(JavaVM**, void**, void*);

int runVm(char** argv) {
    HMODULE library = LoadLibraryA(argv[1]);
    if (!library) return 2;
    auto create = reinterpret_cast<CreateJavaVm>(reinterpret_cast<void*>(GetProcAddress(library, "JNI_CreateJavaVM")));
    if (!create) return 3;

    std::string classPath = std::string("-Djava.class.path=") + argv[2];
    JavaVMOption option;
    option.optionString = &classPath[0];
    option.extraInfo = nullptr;
    JavaVMInitArgs args;
    args.version = JNI_VERSION_1_2;
    args.nOptions = 1;
    args.options = &option;
    args.ignoreUnrecognized = JNI_FALSE;
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    if (create(&vm, reinterpret_cast<void**>(&env), &args) != JNI_OK) return 4;

    int result = 5;
    jclass mainClass = env->FindClass(argv[3]);
    jmethodID mainMethod = mainClass ? env->GetStaticMethodID(mainClass, "main", "([Ljava/lang/String;)V") : nullptr;
    jclass stringClass = mainMethod ? env->FindClass("java/lang/String") : nullptr;
    jobjectArray mainArgs = stringClass ? env->NewObjectArray(0, stringClass, nullptr) : nullptr;
    if (mainArgs) {
        env->CallStaticVoidMethod(mainClass, mainMethod, mainArgs);
        result = env->ExceptionCheck() ? 1 : 0;
    }
    if (env->ExceptionCheck()) env->ExceptionClear();
    vm->DetachCurrentThread();
    vm->DestroyJavaVM();
    return result;
}

#ifdef HOST_THREAD
char** threadArguments = nullptr;

DWORD WINAPI vmThread(void*) { return static_cast<DWORD>(runVm(threadArguments)); }
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return 2;
#ifdef HOST_THREAD
    threadArguments = argv;
    HANDLE thread = CreateThread(nullptr, 1310720, vmThread, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) return 6;
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 6;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return static_cast<int>(code);
#else
    return runVm(argv);
#endif
}
