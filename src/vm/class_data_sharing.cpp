#include "vm/class_data_sharing.h"

#include "base/paths.h"
#include "base/text.h"
#include "base/trace.h"

namespace {

void traceCache(const std::wstring& line) { trace(L"Class Data Sharing: " + line); }

// Options with which the user runs the VM's sharing himself: the launcher then adds none.
bool isOwnSharingOption(const std::wstring& option) {
    static const wchar_t* const prefixes[] = {
        L"-Xshare",           L"-XX:SharedArchiveFile",     L"-XX:ArchiveClassesAtExit",
        L"-XX:+AutoCreateSharedArchive", L"-XX:-AutoCreateSharedArchive", L"-XX:AOT",
        L"-XX:+AOT",          L"-XX:-AOT",                  L"-XX:VMOptionsFile",
        L"-XX:Flags=",        L"-XX:+UseSharedSpaces",      L"-XX:-UseSharedSpaces",
    };
    for (const wchar_t* prefix : prefixes) {
        if (startsWith(option, prefix)) return true;
    }
    return false;
}

// Options with which the VM refuses to write an archive ("Cannot use the
// following option when dumping the shared archive", "CDS dumping does not
// support native JVMTI agent") and ends: a training start would fail.
bool preventsWriting(const std::wstring& option) {
    static const wchar_t* const prefixes[] = {
        L"--patch-module", L"--limit-modules", L"--upgrade-module-path",
        L"-javaagent:",    L"-agentlib:",      L"-agentpath:", L"-Xrun",
    };
    for (const wchar_t* prefix : prefixes) {
        if (startsWith(option, prefix)) return true;
    }
    return false;
}

// Why the option keeps the launcher from adding its own; null when it does not.
const wchar_t* conflictOf(const std::wstring& option) {
    if (isOwnSharingOption(option)) return L", which wins";
    if (preventsWriting(option)) return L", with which a VM writes no cache";
    return nullptr;
}

// The options of a variable such as JAVA_TOOL_OPTIONS, cut as the VM cuts
// them: at white space outside single or double quotes, the quotes removed.
std::vector<std::wstring> splitEnvironmentOptions(const std::wstring& text) {
    std::vector<std::wstring> options;
    std::wstring current;
    bool inToken = false;
    wchar_t quote = 0;
    for (wchar_t c : text) {
        if (quote) {
            if (c == quote) {
                quote = 0;
            } else {
                current += c;
            }
        } else if (c == L' ' || c == L'\t' || c == L'\n' || c == L'\r') {
            if (inToken) options.push_back(current);
            current.clear();
            inToken = false;
        } else {
            inToken = true;
            if (c == L'\'' || c == L'"') {
                quote = c;
            } else {
                current += c;
            }
        }
    }
    if (inToken) options.push_back(current);
    return options;
}

int majorVersion(const JavaVersion& v) { return v.fields[0] == 1 ? v.fields[1] : v.fields[0]; }

const wchar_t* extensionOf(CacheKind kind) { return kind == CacheKind::AotCache ? L".aot" : L".jsa"; }

const wchar_t* kindText(CacheKind kind) {
    switch (kind) {
        case CacheKind::ArchiveAtExit: return L"archive-at-exit";
        case CacheKind::AutoArchive: return L"auto-archive";
        case CacheKind::AotCache: return L"aot";
        case CacheKind::None: break;
    }
    return L"none";
}

// FNV-1a, 64 bits, over the UTF-16 units of each part and a 0 unit after it.
class Fingerprint {
public:
    void add(const std::wstring& part) {
        for (wchar_t c : part) unit(static_cast<uint16_t>(c));
        unit(0);
    }
    void add(uint64_t number) { add(decimal(static_cast<long long>(number))); }
    uint64_t value() const { return hash_; }

private:
    void unit(uint16_t u) {
        for (int shift = 0; shift < 16; shift += 8) {
            hash_ ^= (u >> shift) & 0xFFu;
            hash_ *= 0x100000001B3ull;
        }
    }
    uint64_t hash_ = 0xCBF29CE484222325ull;
};

std::wstring hexDigits(uint64_t value, int digits) {
    std::wstring text(static_cast<size_t>(digits), L'0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) text[static_cast<size_t>(i)] = L"0123456789abcdef"[value & 0xF];
    return text;
}

std::wstring lowerAscii(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

// The executable's file name without its extension, in letters, digits, '_'
// and '.' only (the digits after it tell executables apart).
std::wstring executableStem(const std::wstring& executable) {
    size_t slash = executable.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? executable : executable.substr(slash + 1);
    size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0) name.erase(dot);
    for (wchar_t& c : name) {
        bool plain = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_';
        if (!plain) c = L'_';
    }
    return name.empty() ? std::wstring(L"app") : name;
}

bool listed(const std::vector<std::wstring>& names, const std::wstring& name) {
    for (const std::wstring& n : names) {
        if (equalsIgnoreCase(n, name)) return true;
    }
    return false;
}

// A file this rule makes: <prefix><16 hex digits>.<one of its extensions>.
bool isCacheFileName(const std::wstring& name, const std::wstring& prefix) {
    if (name.size() < prefix.size() + 16 || !equalsIgnoreCase(name.substr(0, prefix.size()), prefix)) return false;
    const std::wstring rest = name.substr(prefix.size() + 16);
    for (const wchar_t* extension : {L".aot", L".jsa", L".aotconf", L".aotargs", L".tried"}) {
        if (equalsIgnoreCase(rest, extension)) return true;
    }
    return false;
}

// The user's parameters that the AOT assembly needs as well: all but logging,
// so that the child does not write over the program's own log files.
bool passedToAssembly(const std::wstring& option) {
    return !startsWith(option, L"-Xlog") && !startsWith(option, L"-Xloggc") && !startsWith(option, L"-verbose");
}

}  // namespace

bool cacheWanted(const CacheInputs& in, std::wstring& reason) {
    reason.clear();
    if (!equalsIgnoreCase(in.setting, L"auto")) {
        if (!in.setting.empty()) reason = L"the value \"" + in.setting + L"\" is not \"auto\": no cache options";
        return false;
    }
    if (isUnset(in.runtimeVersion)) {
        reason = L"the runtime's version is not known: no cache options";
        return false;
    }
    if (majorVersion(in.runtimeVersion) < 13) {
        reason = L"runtime " + toText(in.runtimeVersion) + L" is older than 13: no cache options";
        return false;
    }
    for (const std::wstring& option : in.vmParameters) {
        if (const wchar_t* why = conflictOf(option)) {
            reason = L"\"Virtual Machine Parameters\" give " + option + why + L": no cache options";
            return false;
        }
    }
    for (const EnvironmentOptions& variable : in.environmentOptions) {
        for (const std::wstring& option : splitEnvironmentOptions(variable.value)) {
            if (const wchar_t* why = conflictOf(option)) {
                reason = variable.name + L" gives " + option + why + L": no cache options";
                return false;
            }
        }
    }
    return true;
}

CacheKind chooseCacheKind(const CacheInputs& in, std::wstring& reason) {
    if (!cacheWanted(in, reason)) return CacheKind::None;
    for (const ClassPathFile& file : in.classPathFiles) {
        if (file.folder) {
            reason = L"the class path holds the folder " + file.path +
                     L" and a cache takes classes from JAR files only: no cache options";
            return CacheKind::None;
        }
    }
    if (in.cacheFolder.empty()) {
        reason = L"no folder for the cache: no cache options";
        return CacheKind::None;
    }
    if (in.elevated) {
        reason = L"the process runs elevated, and programs of the same account without elevation can write the "
                 L"cache folder: no cache options";
        return CacheKind::None;
    }
    const int major = majorVersion(in.runtimeVersion);
    if (major >= 25 && !in.javaCommand.empty()) return CacheKind::AotCache;
    if (major >= 19) return CacheKind::AutoArchive;
    return CacheKind::ArchiveAtExit;
}

std::wstring cacheNamePrefix(const std::wstring& executable) {
    Fingerprint path;
    path.add(lowerAscii(executable));
    return executableStem(executable) + L"-" + hexDigits(path.value(), 8) + L"-";
}

std::wstring cacheBaseName(const CacheInputs& in, CacheKind kind) {
    Fingerprint state;
    state.add(kindText(kind));
    state.add(lowerAscii(in.executable));
    state.add(in.runtimeIdentity);
    for (int32_t field : in.runtimeVersion.fields) state.add(static_cast<uint64_t>(static_cast<uint32_t>(field)));
    auto addFiles = [&state](const std::vector<ClassPathFile>& files) {
        for (const ClassPathFile& file : files) {
            state.add(file.path);
            state.add(file.found ? 1u : 0u);
            state.add(file.size);
            state.add(file.lastWrite);
        }
    };
    addFiles(in.classPathFiles);
    // Only then: the names of caches made without modules stay as they were.
    if (!in.mainModule.empty() || !in.modulePath.empty()) {
        state.add(L"modules");
        state.add(in.mainModule);
        state.add(in.modulePath);
        addFiles(in.modulePathFiles);
    }
    return cacheNamePrefix(in.executable) + hexDigits(state.value(), 16);
}

std::wstring commandLineArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    // Before the closing quote, too.
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

std::wstring composeCacheFolder(const std::wstring& localAppData, const std::wstring& productName,
                                const std::wstring& productCode, const std::wstring& executable) {
    if (localAppData.empty()) return std::wstring();
    std::wstring folder = localAppData;
    if (!endsWith(folder, L'\\')) folder += L'\\';
    const std::wstring name = cleanProductName(productName);
    const std::wstring code = cleanProductName(productCode);
    if (name.empty() && code.empty()) return folder + executableStem(executable) + L'\\';
    if (!name.empty()) folder += name + L'\\';
    if (!code.empty()) folder += code + L'\\';
    return folder;
}

std::wstring javaArgumentFileText(const std::vector<std::wstring>& arguments) {
    std::wstring text;
    for (const std::wstring& argument : arguments) {
        text += L'"';
        for (wchar_t c : argument) {
            switch (c) {
                case L'\\': text += L"\\\\"; break;
                case L'"': text += L"\\\""; break;
                case L'\n': text += L"\\n"; break;
                case L'\r': text += L"\\r"; break;
                default: text += c;
            }
        }
        text += L"\"\n";
    }
    return text;
}

CachePlan planCacheFiles(const CacheInputs& in, CacheKind kind, const std::vector<std::wstring>& folderNames) {
    CachePlan plan;
    if (kind == CacheKind::None) return plan;
    const std::wstring base = cacheBaseName(in, kind);
    const std::wstring cacheName = base + extensionOf(kind);
    const std::wstring& folder = in.cacheFolder;
    plan.cacheFile = folder + cacheName;
    plan.markerFile = folder + base + L".tried";
    if (kind == CacheKind::AotCache) plan.configFile = folder + base + L".aotconf";

    // The VM's messages about the cache go to standard output by default.
    const std::wstring quiet = kind == CacheKind::AotCache ? L"-Xlog:cds*=off,aot*=off" : L"-Xlog:cds*=off";
    const std::wstring version = L" (runtime " + toText(in.runtimeVersion) + L")";
    const bool hasCache = listed(folderNames, cacheName);
    const bool tried = listed(folderNames, base + L".tried");

    if (hasCache) {
        plan.kind = kind;
        if (kind == CacheKind::AotCache) {
            plan.vmOptions = {quiet, L"-XX:AOTCache=" + plan.cacheFile};
            plan.reason = L"AOT cache " + plan.cacheFile + L" is used" + version;
            // What the assembly read is no longer needed.
            for (const wchar_t* extension : {L".aotconf", L".aotargs"}) {
                if (listed(folderNames, base + extension)) plan.removeFiles.push_back(folder + base + extension);
            }
        } else {
            plan.vmOptions = {quiet, L"-XX:SharedArchiveFile=" + plan.cacheFile};
            plan.reason = L"archive " + plan.cacheFile + L" is used" + version;
        }
        return plan;
    }
    if (tried) {
        plan.reason = L"an earlier start trained for this runtime and class path and no cache came of it (" +
                      plan.markerFile + L"): not tried again, no cache options";
        return plan;
    }

    plan.kind = kind;
    plan.training = true;
    const std::wstring prefix = cacheNamePrefix(in.executable);
    // Old caches of this executable, and what an earlier training of this
    // very cache left (its marker was deleted to let it try once more).
    for (const std::wstring& name : folderNames) {
        if (isCacheFileName(name, prefix) && !equalsIgnoreCase(name, base + L".tried")) {
            plan.removeFiles.push_back(folder + name);
        }
    }
    switch (kind) {
        case CacheKind::AotCache: {
            plan.vmOptions = {quiet, L"-XX:AOTMode=record", L"-XX:AOTConfiguration=" + plan.configFile};
            plan.filterVmOutput = true;
            plan.reason = L"no AOT cache yet: this start records what the program loads into " + plan.configFile +
                          L", and " + cacheName + L" is made after it" + version;
            plan.javaCommand = in.javaCommand;
            plan.argumentsFile = folder + base + L".aotargs";
            std::vector<std::wstring> arguments{L"-XX:AOTMode=create", L"-XX:AOTConfiguration=" + plan.configFile,
                                                L"-XX:AOTCache=" + plan.cacheFile};
            // The program's classes as the training start named them.
            if (!in.classPath.empty()) arguments.push_back(L"-Djava.class.path=" + in.classPath);
            if (!in.modulePath.empty()) arguments.push_back(L"--module-path=" + in.modulePath);
            if (!in.mainModule.empty()) arguments.push_back(L"-Djdk.module.main=" + in.mainModule);
            for (const std::wstring& option : in.vmParameters) {
                if (passedToAssembly(option)) arguments.push_back(option);
            }
            plan.argumentsFileText = javaArgumentFileText(arguments);
            break;
        }
        case CacheKind::AutoArchive:
            plan.vmOptions = {quiet, L"-XX:SharedArchiveFile=" + plan.cacheFile, L"-XX:+AutoCreateSharedArchive"};
            plan.reason = L"no archive yet: the VM writes " + plan.cacheFile + L" when this start ends" + version;
            if (majorVersion(in.runtimeVersion) >= 25) plan.reason += L"; the runtime has no java command for an AOT cache";
            break;
        case CacheKind::ArchiveAtExit:
            plan.vmOptions = {quiet, L"-XX:ArchiveClassesAtExit=" + plan.cacheFile};
            plan.reason = L"no archive yet: the VM writes " + plan.cacheFile + L" when this start ends" + version;
            break;
        case CacheKind::None:
            break;
    }
    return plan;
}

CachePlan prepareClassDataSharing(const CacheInputs& in, const CacheFileOps& ops) {
    std::wstring reason;
    const CacheKind kind = chooseCacheKind(in, reason);
    if (kind == CacheKind::None) {
        if (!reason.empty()) traceCache(reason);
        CachePlan none;
        none.reason = reason;
        return none;
    }
    CachePlan plan = planCacheFiles(in, kind, ops.listFolder(in.cacheFolder));
    if (plan.training) {
        // The marker also proves that the folder takes new files: a VM that
        // cannot write its archive when the program ends fails the start.
        if (!ops.createFolder(in.cacheFolder) || !ops.createFile(plan.markerFile, std::wstring())) {
            CachePlan none;
            none.reason = L"cannot create " + plan.markerFile +
                          L" (the folder is not writable, or another start is training): no cache options";
            traceCache(none.reason);
            return none;
        }
    }
    for (const std::wstring& file : plan.removeFiles) {
        traceCache(L"removing " + file);
        ops.removeFile(file);
    }
    traceCache(plan.reason);
    if (!plan.vmOptions.empty()) {
        std::wstring added = L"options added:";
        for (const std::wstring& option : plan.vmOptions) added += L" " + option;
        traceCache(added);
    }
    return plan;
}

void finishClassDataSharing(const CachePlan& plan, const CacheFileOps& ops) {
    if (plan.javaCommand.empty()) return;
    if (!ops.exists(plan.configFile)) {
        traceCache(L"the training wrote no " + plan.configFile + L": no AOT cache, and " + plan.markerFile +
              L" keeps it from being tried again");
        return;
    }
    const ChildStart start = ops.startDetached(plan.javaCommand, plan.argumentsFile, plan.argumentsFileText);
    if (start == ChildStart::NoFile) {
        traceCache(plan.argumentsFile + L" exists already: the AOT cache is not made twice");
        return;
    }
    const bool started = start == ChildStart::Started;
    traceCache(std::wstring(started ? L"started " : L"could not start ") + plan.javaCommand + L" @" +
          plan.argumentsFile + L" to make " + plan.cacheFile);
}
