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

#include "host/cache_ops_posix.h"
#include "base/messages.h"
#include "base/text.h"
#include "runtime/java_version.h"
#include "vm/class_data_sharing.h"
#include "vm/java_calls.h"
#include "vm/vm_options.h"

namespace {

// What the VM thread is given and what it leaves: the VM, destroyed by the teardown.
struct Start {
    CreateJavaVmFunction create = nullptr;
    std::vector<std::string> options;
    std::wstring mainClass;
    JavaVM* vm = nullptr;
    bool filterVmOutput = false;
    int result = 1;
};

void* vmThread(void* parameter) {
    Start& start = *static_cast<Start*>(parameter);
    JNIEnv* env = nullptr;
    if (!createJavaVmWith(start.create, start.options, &start.vm, &env, start.filterVmOutput)) {
        Failure failure;
        start.result = runJavaMainWith(start.vm, env, start.mainClass, {}, false, MainThreadHooks(), failure) ? 0 : 1;
        report(failure);
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
        start.create = reinterpret_cast<CreateJavaVmFunction>(dlsym(library, "JNI_CreateJavaVM"));
        auto defaults = reinterpret_cast<DefaultInitArgsFunction>(dlsym(library, "JNI_GetDefaultJavaVMInitArgs"));
        if (!start.create || !defaults) return 2;
        uint32_t threadStackSize = 0;

        MemoryStatus memory;
        struct sysinfo info;
        if (sysinfo(&info) == 0) memory.totalPhysical = static_cast<uint64_t>(info.totalram) * info.mem_unit;
        memory.availableVirtual = 1ull << 46;
        const std::wstring classPath = fromAnsi(argv[2]);
        std::vector<std::wstring> options{L"-Djava.class.path=" + classPath};
        splitVmParameters(argc > 6 ? fromAnsi(argv[6]) : std::wstring(), memory, threadStackSize, options);

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
        start.filterVmOutput = plan.filterVmOutput;
        for (const std::wstring& option : options) start.options.push_back(toAnsi(option));

        if (threadStackSize == 0) threadStackSize = defaultThreadStackSizeWith(defaults);
        start.mainClass = fromAnsi(argv[3]);
        pthread_attr_t attributes;
        pthread_attr_init(&attributes);
        if (threadStackSize) pthread_attr_setstacksize(&attributes, threadStackSize);
        pthread_t thread;
        if (pthread_create(&thread, &attributes, vmThread, &start) != 0) return 1;
        pthread_join(thread, nullptr);
        pthread_attr_destroy(&attributes);
        // The teardown: DestroyJavaVM waits for the program's non-daemon threads.
        if (start.vm) start.vm->DestroyJavaVM();
    }
    finishClassDataSharing(plan, posixCacheFileOps());
    return start.result;
}
