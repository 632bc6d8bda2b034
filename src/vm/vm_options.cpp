#include "vm/vm_options.h"

#include "base/paths.h"
#include "base/text.h"
#include "resources/resource.h"

namespace {

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

bool isPercentUnit(wchar_t c) { return c == L'P' || c == L'p' || c == L'T' || c == L't'; }

// The largest value a kilobyte count can take; larger results are held there.
constexpr uint64_t kMaxKilobytes = 0xFFFFFFFFull;

// The position of the space that ends the token starting at `pos`: spaces
// between double quotes do not count; a quote right after a closing quote is
// passed over; after an unclosed quote the next space ends the token.
size_t findParameterBreak(const std::wstring& text, size_t pos) {
    size_t i = pos;
    while (i < text.size()) {
        wchar_t c = text[i];
        if (c == L' ') return i;
        if (c == L'"') {
            size_t close = text.find(L'"', i + 1);
            if (close == std::wstring::npos) return text.find(L' ', i + 1);
            i = close + 1;
            if (i < text.size() && text[i] == L'"') ++i;
            continue;
        }
        ++i;
    }
    return std::wstring::npos;
}

}  // namespace

ColonNumbers parseColonNumbers(const std::wstring& text) {
    ColonNumbers result;
    size_t start = 0;
    while (start < text.size() && !isDigit(text[start]) && text[start] != L':') ++start;
    result.prefixLength = start;
    if (start >= text.size()) return result;
    result.numbers.push_back(0);
    for (size_t i = start; i + 1 < text.size(); ++i) {
        wchar_t c = text[i];
        if (isDigit(c)) {
            result.numbers.back() = result.numbers.back() * 10u + static_cast<uint32_t>(c - L'0');
        } else if (c == L':') {
            result.numbers.push_back(0);
        }
    }
    return result;
}

uint32_t unitMultiplier(const std::wstring& text) {
    if (text.empty()) return 1;
    switch (text.back()) {
        case L'G':
        case L'g':
            return 1073741824u;
        case L'M':
        case L'm':
            return 1048576u;
        case L'K':
        case L'k':
            return 1024u;
        default:
            return 1;
    }
}

uint32_t parseStackSize(const std::wstring& text) {
    ColonNumbers parsed = parseColonNumbers(text);
    if (parsed.prefixLength != 0 || parsed.numbers.size() != 1) return 0;
    uint32_t number = 0;
    for (wchar_t c : text) {
        if (isDigit(c)) number = number * 10u + static_cast<uint32_t>(c - L'0');
    }
    return number * unitMultiplier(text);
}

void rewriteMemoryOption(std::wstring& option, const MemoryStatus& memory) {
    if (option.empty()) return;
    ColonNumbers parsed = parseColonNumbers(option);
    auto number = [&](size_t i) -> uint64_t { return i < parsed.numbers.size() ? parsed.numbers[i] : 0; };
    const uint64_t percent = number(0);
    const uint64_t minimum = number(1) * 1024u;
    const uint64_t maximum = number(2) * 1024u;

    const wchar_t unit = option.back();
    const uint64_t baseBytes = (unit == L'T' || unit == L't') ? memory.availableVirtual : memory.totalPhysical;
    const double scaled = static_cast<double>(baseBytes >> 10) * (static_cast<double>(percent) / 100.0);
    uint64_t value = scaled >= static_cast<double>(kMaxKilobytes) ? kMaxKilobytes : static_cast<uint64_t>(scaled);
    if (maximum != 0 && value > maximum) value = maximum;
    if (minimum > value) value = minimum;  // the minimum wins over the maximum
    if (value > kMaxKilobytes) value = kMaxKilobytes;

    option = option.substr(0, parsed.prefixLength) + decimal(static_cast<long long>(value)) + L"K";
}

std::wstring unquoteVmParameter(const std::wstring& token) {
    std::wstring s = token;
    size_t from = 0;
    for (;;) {
        size_t open = s.find(L'"', from);
        if (open == std::wstring::npos) break;
        size_t close = s.find(L'"', open + 1);
        if (close == std::wstring::npos) break;  // an unpaired quote stays
        if (close + 1 < s.size() && s[close + 1] == L'"') ++close;
        s = s.substr(0, open) + s.substr(open + 1, close - open - 1) + s.substr(close + 1);
        from = close - 1;  // the end of the kept text
    }
    return s;
}

void processVmParameter(const std::wstring& token, const MemoryStatus& memory, uint32_t& threadStackSize,
                        std::vector<std::wstring>& options) {
    std::wstring option = unquoteVmParameter(token);
    const std::wstring head = option.substr(0, 4);
    const bool memoryOption = head == L"-Xms" || head == L"-Xmx" || head == L"-Xss";
    if (memoryOption && option.size() > 4 && isPercentUnit(option.back())) rewriteMemoryOption(option, memory);
    if (head == L"-Xss") threadStackSize = parseStackSize(option.substr(4));
    options.push_back(option);
}

void splitVmParameters(const std::wstring& text, const MemoryStatus& memory, uint32_t& threadStackSize,
                       std::vector<std::wstring>& options) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = findParameterBreak(text, pos);
        if (end == std::wstring::npos) end = text.size();
        // Spaces at the start would make empty options, which the VM rejects: they are skipped.
        if (end > pos) processVmParameter(text.substr(pos, end - pos), memory, threadStackSize, options);
        pos = end;
        while (pos < text.size() && text[pos] == L' ') ++pos;
    }
}

ClassPathSearch classPathSearchFor(const std::wstring& entry, const std::wstring& folderBare) {
    ClassPathSearch search;
    std::wstring directoryPart = entry.find(L'\\') == std::wstring::npos ? std::wstring() : folderWithSeparator(entry);
    if (isAbsolutePath(entry)) {
        search.pattern = entry;
        search.resultDirectory = directoryPart;
        return search;
    }
    // Relative entries name a place below the executable's folder; one that does
    // not start with a backslash gets one, so app.jar and lib\x.jar resolve there too.
    std::wstring separator = (!entry.empty() && entry[0] == L'\\') ? std::wstring() : std::wstring(L"\\");
    search.pattern = folderBare + separator + entry;
    search.resultDirectory = folderBare + separator + directoryPart;
    return search;
}

std::wstring buildClassPath(const std::wstring& configured, const std::wstring& folderBare, const ClassPathOps& ops) {
    std::wstring classPath;
    classPath.reserve(configured.size() + 1);
    // A VM reads an empty entry, and one after a trailing ';', as the current directory.
    auto add = [&classPath](const std::wstring& entry) {
        if (entry.empty()) return;
        if (!classPath.empty()) classPath += L';';
        classPath += entry;
    };
    for (std::wstring& entry : splitList(configured, L';')) {
        // Two passes, so that a reference whose value holds another one is
        // followed. Only the configured text is expanded: the names a search
        // finds are files, whatever characters they hold.
        ops.expand(entry);
        ops.expand(entry);
        if (entry.empty()) continue;  // would search the executable's folder itself
        if (entry.find(L'*') == std::wstring::npos && isAbsolutePath(entry)) {
            for (const std::wstring& piece : splitList(entry, L';')) add(piece);  // a variable's own list
            continue;
        }
        ClassPathSearch search = classPathSearchFor(entry, folderBare);
        for (const std::wstring& name : ops.findNames(search.pattern)) add(search.resultDirectory + name);
    }
    return classPath;
}

void splitMainModule(const std::wstring& value, std::wstring& module, std::wstring& mainClass) {
    const size_t slash = value.find(L'/');
    module = value.substr(0, slash);
    mainClass = slash == std::wstring::npos ? std::wstring() : replaceAll(value.substr(slash + 1), L'.', L'/');
}

Failure buildProgramPaths(const JavaCommand& command, const std::wstring& mainClass, const std::wstring& folderBare,
                          const std::wstring& executable, const ClassPathOps& ops, ProgramPaths& out) {
    out = ProgramPaths();
    out.entry.mainClass = mainClass;
    if (!command.mainModule.empty()) {
        std::wstring moduleClass;
        splitMainModule(command.mainModule, out.entry.mainModule, moduleClass);
        if (!moduleClass.empty()) out.entry.mainClass = moduleClass;
        out.modulePath = buildClassPath(command.modulePath, folderBare, ops);
    }
    std::wstring classPath = buildClassPath(command.classPath, folderBare, ops);
    if (command.embeddedJar) classPath = classPath.empty() ? executable : executable + L";" + classPath;
    if (!command.mainJar.empty() && out.entry.mainModule.empty()) {
        std::wstring jar = command.mainJar;
        ops.expand(jar);
        ops.expand(jar);
        const ClassPathSearch search = classPathSearchFor(jar, folderBare);
        const std::vector<std::wstring> names = ops.findNames(search.pattern);
        if (names.empty()) return Failure(IDS_MAIN_JAR_NOT_FOUND, {search.pattern});
        out.entry.mainJar = search.resultDirectory + names[0];
        classPath = classPath.empty() ? out.entry.mainJar : out.entry.mainJar + L";" + classPath;
    }
    if (classPath.empty() && out.entry.mainModule.empty()) return Failure(IDS_NO_CLASS_PATH);
    out.classPath = classPath;
    return Failure();
}

Failure checkMainModuleRuntime(const JavaCommand& command, const JavaVersion& runtimeVersion) {
    const int32_t major = runtimeVersion.fields[0] == 1 ? runtimeVersion.fields[1] : runtimeVersion.fields[0];
    if (command.mainModule.empty() || isUnset(runtimeVersion) || major >= 9) return Failure();
    return Failure(IDS_MODULE_NEEDS_JAVA_9, {toText(runtimeVersion)});
}

std::vector<std::wstring> programOptions(const ProgramPaths& paths) {
    std::vector<std::wstring> options;
    if (!paths.classPath.empty()) options.push_back(L"-Djava.class.path=" + paths.classPath);
    if (!paths.entry.mainModule.empty()) {
        if (!paths.modulePath.empty()) options.push_back(L"--module-path=" + paths.modulePath);
        options.push_back(L"-Djdk.module.main=" + paths.entry.mainModule);
    }
    return options;
}

NarrowPathList narrowPathList(const std::wstring& list, const std::function<bool(const std::wstring&)>& survives,
                              const std::function<std::wstring(const std::wstring&)>& shortName) {
    NarrowPathList out;
    size_t pos = 0;
    for (;;) {
        const size_t sep = list.find(L';', pos);
        const std::wstring entry = list.substr(pos, sep == std::wstring::npos ? std::wstring::npos : sep - pos);
        if (survives(entry)) {
            out.list += entry;
        } else {
            const std::wstring alias = shortName(entry);
            if (!alias.empty() && survives(alias)) {
                out.list += alias;
                out.shortened.push_back(entry);
            } else {
                out.list += entry;
                out.unrepresentable.push_back(entry);
            }
        }
        if (sep == std::wstring::npos) return out;
        out.list += L';';
        pos = sep + 1;
    }
}

std::wstring runtimeHomeOf(const std::wstring& jvmLibraryPath) { return folderWithSeparator(runtimeBinOf(jvmLibraryPath)); }

std::wstring runtimeBinOf(const std::wstring& jvmLibraryPath) {
    return cutAtLastSeparator(cutAtLastSeparator(jvmLibraryPath));
}

std::wstring jvmHomeFromLibrary(const std::wstring& libraryPath) {
    return cutAtLastSeparator(runtimeBinOf(libraryPath));
}

std::wstring libraryPathValue(const std::wstring& libraryPath, const std::wstring& moduleFolder,
                              const std::wstring& jvmLibraryPath) {
    std::wstring value = libraryPath;
    // Without a separator the configured path's last folder would run into the executable's.
    if (!endsWith(value, L';')) value += L";";
    value += moduleFolder;
    value += L";.";
    value += L";%Path%";
    value += L";" + runtimeHomeOf(jvmLibraryPath) + L"lib";
    return value;
}

std::wstring systemPathValue(const std::wstring& systemPath, const std::wstring& jvmLibraryPath) {
    std::wstring value;
    if (!systemPath.empty()) {
        value = systemPath;
        if (!endsWith(value, L';')) value += L";";
    }
    value += L"%Path%;";
    value += runtimeBinOf(jvmLibraryPath);
    return value;
}
