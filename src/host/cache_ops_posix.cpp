#include "host/cache_ops_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "base/text.h"

extern char** environ;

namespace {

std::string narrowPath(const std::wstring& path) { return toAnsi(path); }

bool createFolders(const std::wstring& folder) {
    const std::string path = narrowPath(folder);
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
        mkdir(path.substr(0, at).c_str(), 0755);
    }
    mkdir(path.c_str(), 0755);
    struct stat s;
    return stat(path.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}

bool createNewFile(const std::wstring& file, const std::wstring& text) {
    int fd = open(narrowPath(file).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const std::string bytes = toAnsi(text);
    bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    close(fd);
    if (!ok) unlink(narrowPath(file).c_str());
    return ok;
}

// As the Windows side: output to /dev/null, nothing else inherited, a session
// of its own, not waited for.
bool startDetached(const std::wstring& program, const std::wstring& argument) {
    std::string p = narrowPath(program), a = toAnsi(argument);
    char* argv[] = {&p[0], &a[0], nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd < 3; ++fd) posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    int error = posix_spawn(&pid, p.c_str(), &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0;
}

ChildStart startWithArgumentsFile(const std::wstring& program, const std::wstring& file, const std::wstring& text) {
    if (!createNewFile(file, text)) return ChildStart::NoFile;
    return startDetached(program, L"@" + file) ? ChildStart::Started : ChildStart::NotStarted;
}

}  // namespace

CacheFileOps posixCacheFileOps() {
    CacheFileOps ops;
    ops.listFolder = [](const std::wstring& folder) {
        std::vector<std::wstring> names;
        const std::string path = narrowPath(folder);
        if (DIR* dir = opendir(path.c_str())) {
            while (dirent* entry = readdir(dir)) {
                struct stat s;
                if (stat((path + entry->d_name).c_str(), &s) == 0 && S_ISREG(s.st_mode)) names.push_back(fromAnsi(entry->d_name));
            }
            closedir(dir);
        }
        return names;
    };
    ops.createFolder = createFolders;
    ops.createFile = createNewFile;
    ops.exists = [](const std::wstring& file) { return access(narrowPath(file).c_str(), F_OK) == 0; };
    ops.removeFile = [](const std::wstring& file) { unlink(narrowPath(file).c_str()); };
    ops.startDetached = startWithArgumentsFile;
    return ops;
}

std::vector<ClassPathFile> posixClassPathFiles(const std::wstring& classPath) {
    std::vector<ClassPathFile> files;
    size_t start = 0;
    while (start <= classPath.size()) {
        size_t end = classPath.find(L':', start);
        if (end == std::wstring::npos) end = classPath.size();
        if (end > start) {
            ClassPathFile file;
            file.path = classPath.substr(start, end - start);
            struct stat s;
            if (stat(narrowPath(file.path).c_str(), &s) == 0) {
                file.found = true;
                file.folder = S_ISDIR(s.st_mode);
                file.size = static_cast<uint64_t>(s.st_size);
                file.lastWrite = static_cast<uint64_t>(s.st_mtim.tv_sec) * 1000000000ull + static_cast<uint64_t>(s.st_mtim.tv_nsec);
            }
            files.push_back(file);
        }
        start = end + 1;
    }
    return files;
}

std::vector<ClassPathFile> posixModulePathFiles(const std::wstring& modulePath) {
    std::wstring files;
    for (const std::wstring& entry : splitList(modulePath, L':')) {
        if (entry.empty()) continue;
        DIR* dir = opendir(narrowPath(entry).c_str());
        if (!dir) {
            files += entry + L":";
            continue;
        }
        std::vector<std::wstring> names;
        while (dirent* found = readdir(dir)) {
            if (found->d_name[0] != '.') names.push_back(fromAnsi(found->d_name));
        }
        closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::wstring& name : names) files += entry + L"/" + name + L":";
    }
    return posixClassPathFiles(files);
}

std::string releaseValue(const std::string& javaHome, const std::string& key) {
    std::ifstream release(javaHome + "/release");
    std::string line;
    while (std::getline(release, line)) {
        if (line.compare(0, key.size() + 1, key + "=") != 0) continue;
        std::string value = line.substr(key.size() + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        return value;
    }
    return std::string();
}
