// The host of the start-up cache benchmark: a whole start as the launcher
// makes it, on Linux. It loads libjvm.so, assembles the options with the
// launcher's own rules (the class path option, "Virtual Machine Parameters"
// through splitVmParameters, then the start-up cache rule with the Linux file
// operations), creates the VM on a thread of its own with the VM's default
// stack size, calls main, destroys the VM and, after the program, lets the
// cache rule start what it needs. Built without sanitizers.
//
//   cache_bench_host <libjvm.so> <class path> <main class, with slashes> <setting> <cache folder> [parameters]
//
// Exit code: 0 when main ran, 1 when it did not, 2 on wrong use or a missing library.
#include <dlfcn.h>
#include <pthread.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../cache_ops_posix.h"
#include "launcher/launcher.h"
#include "launcher/text.h"
#include "runtime/java_version.h"
#include "vm/class_data_sharing.h"
#include "vm/java_calls.h"
#include "vm/vm_options.h"

namespace platform {
void closeKernelHandle(void*) {}
void unmapView(void*) {}
}  // namespace platform

namespace {

struct Start {
    Launcher* launcher;
    std::wstring mainClass;
    int result = 1;
};

void* vmThread(void* parameter) {
    Start& start = *static_cast<Start*>(parameter);
    Launcher& l = *start.launcher;
    if (createJavaVmWith(l.createJavaVmEntry, l.vmOptions, &l.javaVm, &l.jniEnv)) {
        start.result = runJavaMainWith(l.javaVm, l.jniEnv, start.mainClass, {}, false, MainThreadHooks()) ? 0 : 1;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr,
                     "usage: cache_bench_host <libjvm.so> <class path> <main class> <setting> <cache folder> [parameters]\n");
        return 2;
    }
    const std::string libjvm = argv[1];
    void* library = dlopen(libjvm.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!library) return 2;

    CachePlan plan;
    Start start;
    {
        Launcher launcher;
        launcher.createJavaVmEntry = reinterpret_cast<CreateJavaVmFunction>(dlsym(library, "JNI_CreateJavaVM"));
        launcher.defaultInitArgsEntry =
            reinterpret_cast<DefaultInitArgsFunction>(dlsym(library, "JNI_GetDefaultJavaVMInitArgs"));
        if (!launcher.createJavaVmEntry || !launcher.defaultInitArgsEntry) return 2;

        MemoryStatus memory;
        struct sysinfo info;
        if (sysinfo(&info) == 0) memory.totalPhysical = static_cast<uint64_t>(info.totalram) * info.mem_unit;
        memory.availableVirtual = 1ull << 46;
        const std::wstring classPath = fromAnsi(argv[2]);
        std::vector<std::wstring> options{L"-Djava.class.path=" + classPath};
        splitVmParameters(argc > 6 ? fromAnsi(argv[6]) : std::wstring(), memory, launcher.threadStackSize, options);

        const std::string home = libjvm.substr(0, libjvm.rfind("/lib/server/"));
        CacheInputs in;
        in.setting = fromAnsi(argv[4]);
        const std::wstring version = fromAnsi(releaseValue(home, "JAVA_RUNTIME_VERSION"));
        in.runtimeVersion = JavaVersion::parse(version, 0);
        in.runtimeIdentity = version;
        if (access((home + "/bin/java").c_str(), X_OK) == 0) in.javaCommand = fromAnsi(home + "/bin/java");
        in.classPath = classPath;
        in.classPathFiles = posixClassPathFiles(classPath);
        in.vmParameters.assign(options.begin() + 1, options.end());
        in.executable = fromAnsi(argv[0]);
        in.cacheFolder = fromAnsi(argv[5]);
        plan = prepareClassDataSharing(in, posixCacheFileOps());
        options.insert(options.begin() + 1, plan.vmOptions.begin(), plan.vmOptions.end());
        for (const std::wstring& option : options) launcher.vmOptions.push_back(toAnsi(option));

        if (launcher.threadStackSize == 0) launcher.threadStackSize = defaultThreadStackSizeWith(launcher.defaultInitArgsEntry);
        start.launcher = &launcher;
        start.mainClass = fromAnsi(argv[3]);
        pthread_attr_t attributes;
        pthread_attr_init(&attributes);
        if (launcher.threadStackSize) pthread_attr_setstacksize(&attributes, launcher.threadStackSize);
        pthread_t thread;
        if (pthread_create(&thread, &attributes, vmThread, &start) != 0) return 1;
        pthread_join(thread, nullptr);
        pthread_attr_destroy(&attributes);
    }  // the teardown destroys the VM
    finishClassDataSharing(plan, posixCacheFileOps());
    return start.result;
}
