// app_host: the launcher's start of a Java program on Linux, to run every
// launch form on a real HotSpot.
//
//   app_host <INI file> <JDK home> [arguments...]
//
// The launcher's own code does the work: readSettings on the INI file
// (through IniFile), the class path, "Main JAR", "Main Module" and "Module
// Path" (buildProgramPaths, relative to the INI file's folder as the launcher
// resolves them relative to its executable's), "Virtual Machine Parameters",
// the start-up cache's rule, creating the VM on a thread of its own, the main
// class by form, the main method, the exception handling and the exit code.
// The host supplies what the Windows side does: the file search, %NAME%
// references, the memory figures, Linux separators (';' between entries
// becomes ':', '\' becomes '/'), loading <JDK home>/lib/server/libjvm.so
// and the VM thread. "JRE Path" and the runtime search, "Library Path",
// "System Path", the service, single instance and the paired executable are
// not the host's. The start-up cache's folder is that of the launcher
// under $LOCALAPPDATA (else $HOME/.cache). Exit code: the launcher's (-1 is 255 here).
#include <dlfcn.h>
#include <glob.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "base/ini_file.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/trace.h"
#include "host/cache_ops_posix.h"
#include "launcher/settings.h"
#include "resources/resource.h"
#include "vm/class_data_sharing.h"
#include "vm/java_calls.h"
#include "vm/vm_options.h"
#include "vm/vm_session.h"

namespace {

std::wstring linuxPath(const std::wstring& path) { return replaceAll(path, L'\\', L'/'); }
std::wstring linuxList(const std::wstring& list) { return replaceAll(linuxPath(list), L';', L':'); }

bool exists(const std::wstring& path) {
    struct stat s;
    return stat(toAnsi(linuxPath(path)).c_str(), &s) == 0;
}

// The INI file read by the portable reader; there is no per-user copy.
class HostSettingsFacts : public SettingsFacts {
public:
    std::unique_ptr<ProfileSource> open(const std::wstring& path) const override {
        return std::unique_ptr<ProfileSource>(new IniFile(IniFile::load(path)));
    }
    bool isWindowsNtFamily() const override { return false; }
    std::wstring userConfigPath(const std::wstring&, const std::wstring&, const std::wstring&) const override {
        return std::wstring();
    }
    bool fileFound(const std::wstring& path) const override { return exists(path); }
};

void expandHere(std::wstring& text) {
    text = expandReferences(text, [](const std::wstring& name, std::wstring& value) {
        const char* found = std::getenv(toAnsi(name).c_str());
        if (found) value = fromAnsi(found);
        return found != nullptr;
    });
}

// The names a search for the pattern (in the launcher's form) finds, as a file search lists them.
std::vector<std::wstring> findHere(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    glob_t found;
    if (glob(toAnsi(linuxPath(pattern)).c_str(), 0, nullptr, &found) == 0) {
        for (size_t i = 0; i < found.gl_pathc; ++i) {
            const std::wstring path = fromAnsi(found.gl_pathv[i]);
            names.push_back(path.substr(path.rfind(L'/') + 1));
        }
    }
    globfree(&found);
    return names;
}

MemoryStatus machineMemory() {
    MemoryStatus memory;
    struct sysinfo info;
    if (sysinfo(&info) == 0) memory.totalPhysical = static_cast<uint64_t>(info.totalram) * info.mem_unit;
    memory.availableVirtual = 1ull << 46;
    return memory;
}

std::wstring cacheFolderFor(const Settings& settings, const std::wstring& executable) {
    std::wstring local = fromAnsi(std::getenv("LOCALAPPDATA") ? std::getenv("LOCALAPPDATA") : "");
    if (local.empty() && std::getenv("HOME")) local = fromAnsi(std::getenv("HOME")) + L"/.cache";
    return linuxPath(composeCacheFolder(local, settings.productName, settings.productCode, executable));
}

// One start: what the VM thread is given and what it leaves.
struct Start {
    CreateJavaVmFunction create = nullptr;
    std::vector<std::string> options;
    bool filterVmOutput = false;
    ProgramEntry entry;
    std::vector<std::wstring> arguments;
    bool failureCheck = false;
    OutputRedirection redirection;
    JavaVM* vm = nullptr;
    std::atomic<bool> creating{false};
    Failure failure;
    int status = 1;
};

// The exit and abort hooks' target, as the launcher's ExitRelay.
class HostRelay : public ExitObserver {
public:
    HostRelay(const Start& start, const CachePlan& plan) : start_(start), plan_(plan) {}
    void onExit(int) override { finish(); }
    void onAbort() override {
        if (!start_.creating || start_.entry.mainModule.empty()) return;
        report(Failure(IDS_MODULE_NOT_RESOLVED, {start_.entry.mainModule}));
        std::fflush(stdout);
        _exit(255);
    }

    // After the program, once: the start-up cache's work.
    void finish() {
        if (!finished_.exchange(true)) finishClassDataSharing(plan_, posixCacheFileOps());
    }

private:
    const Start& start_;
    const CachePlan& plan_;
    std::atomic<bool> finished_{false};
};

void* vmThread(void* parameter) {
    Start& start = *static_cast<Start*>(parameter);
    JNIEnv* env = nullptr;
    start.creating = true;
    start.failure = createJavaVmWith(start.create, start.options, &start.vm, &env, start.filterVmOutput);
    start.creating = false;
    if (start.failure) return nullptr;
    const OutputRedirection& r = start.redirection;
    if (!r.outputFile.empty()) redirectJavaStream(env, r.outputFile, r.outputAppend, JavaStream::Output);
    if (!r.errorFile.empty()) redirectJavaStream(env, r.errorFile, r.errorAppend, JavaStream::Error);
    const bool ran =
        runJavaMainWith(start.vm, env, start.entry, start.arguments, start.failureCheck, MainThreadHooks(), start.failure);
    start.status = ran ? 0 : 1;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: app_host <INI file> <JDK home> [arguments...]\n");
        return 2;
    }
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::wstring iniPath = fromAnsi(argv[1]);
    const std::string home = argv[2];
    ModulePaths paths;
    const size_t slash = iniPath.rfind(L'/');
    paths.folderBare = slash == std::wstring::npos ? std::wstring(L".") : iniPath.substr(0, slash);
    paths.folder = paths.folderBare + L"/";
    // The executable the INI file would belong to.
    const size_t dot = iniPath.rfind(L'.');
    paths.exe = dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash) ? iniPath : iniPath.substr(0, dot);

    Settings settings;
    if (Failure failure = readSettings(iniPath, paths.exe, HostSettingsFacts(), settings)) {
        report(failure);
        return 255;
    }
    const JavaCommand& command = settings.command;
    const JavaVersion version = JavaVersion::parse(fromAnsi(releaseValue(home, "JAVA_VERSION")), 0);
    if (Failure failure = checkMainModuleRuntime(command, version)) {
        report(failure);
        return 255;
    }

    Start start;
    std::vector<std::wstring> options;
    size_t named = 0;
    uint32_t threadStackSize = 0;
    ProgramPaths program;
    const ClassPathOps ops{expandHere, findHere};
    Failure failure = buildProgramPaths(command, settings.mainClass, paths.folderBare, paths.exe, ops, program);
    report(failure);
    // As the launcher: an empty class path still starts the VM, which then finds no main class.
    if (failure && failure.id != IDS_NO_CLASS_PATH) return 255;
    CachePlan plan;
    start.entry = program.entry;
    start.entry.mainJar = linuxPath(program.entry.mainJar);
    if (!failure) {
        program.classPath = linuxList(program.classPath);
        program.modulePath = linuxList(program.modulePath);
        options = programOptions(program);
        named = options.size();
        splitVmParameters(command.vmParameters, machineMemory(), threadStackSize, options);
        for (size_t i = named; i < options.size(); ++i) expandHere(options[i]);
        if (!command.classDataSharing.empty()) {
            CacheInputs in;
            in.setting = command.classDataSharing;
            const std::wstring runtimeVersion = fromAnsi(releaseValue(home, "JAVA_RUNTIME_VERSION"));
            in.runtimeVersion = JavaVersion::parse(runtimeVersion, 0);
            in.runtimeIdentity = runtimeVersion;
            if (access((home + "/bin/java").c_str(), X_OK) == 0) in.javaCommand = fromAnsi(home + "/bin/java");
            in.classPath = program.classPath;
            in.classPathFiles = posixClassPathFiles(in.classPath);
            in.modulePath = program.modulePath;
            in.modulePathFiles = posixModulePathFiles(in.modulePath);
            in.mainModule = program.entry.mainModule;
            in.vmParameters.assign(options.begin() + static_cast<std::ptrdiff_t>(named), options.end());
            in.executable = paths.exe;
            in.cacheFolder = cacheFolderFor(settings, paths.exe);
            plan = prepareClassDataSharing(in, posixCacheFileOps());
            options.insert(options.begin() + static_cast<std::ptrdiff_t>(named), plan.vmOptions.begin(),
                           plan.vmOptions.end());
        }
        std::wstring file = command.outputFile;
        expandHere(file);
        start.redirection.outputFile = linuxPath(file);
        start.redirection.outputAppend = command.outputAppend;
        file = command.errorFile;
        expandHere(file);
        start.redirection.errorFile = linuxPath(file);
        start.redirection.errorAppend = command.errorAppend;
    }
    for (const std::wstring& option : options) {
        trace(L"VM option: " + option);
        start.options.push_back(toAnsi(option));
    }
    start.filterVmOutput = plan.filterVmOutput;
    start.failureCheck = settings.failureCheck;
    for (int i = 3; i < argc; ++i) start.arguments.push_back(fromAnsi(argv[i]));
    if (!failure) {
        std::wstring cmd = command.cmd;
        expandHere(cmd);
        for (const std::wstring& argument : splitCommandLine(cmd)) {
            if (!argument.empty()) start.arguments.push_back(argument);
        }
    }

    const std::string libjvm = home + "/lib/server/libjvm.so";
    void* library = dlopen(libjvm.c_str(), RTLD_NOW | RTLD_GLOBAL);
    start.create = library ? reinterpret_cast<CreateJavaVmFunction>(dlsym(library, "JNI_CreateJavaVM")) : nullptr;
    auto defaults =
        library ? reinterpret_cast<DefaultInitArgsFunction>(dlsym(library, "JNI_GetDefaultJavaVMInitArgs")) : nullptr;
    if (!start.create || !defaults) {
        std::fprintf(stderr, "app_host: cannot load %s: %s\n", libjvm.c_str(), library ? "no JNI exports" : dlerror());
        return 255;
    }
    HostRelay relay(start, plan);
    setExitObserver(&relay);
    if (threadStackSize == 0) threadStackSize = defaultThreadStackSizeWith(defaults);
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (threadStackSize) pthread_attr_setstacksize(&attributes, threadStackSize);
    pthread_t thread;
    if (pthread_create(&thread, &attributes, vmThread, &start) != 0) {
        vmThread(&start);
    } else {
        pthread_join(thread, nullptr);
    }
    pthread_attr_destroy(&attributes);
    report(start.failure);
    // The teardown: DestroyJavaVM waits for the program's non-daemon threads.
    if (start.vm) start.vm->DestroyJavaVM();
    relay.finish();
    setExitObserver(nullptr);
    return start.status == 0 ? 0 : 255;
}
