// The machine's own facts for the runtime search.
#include <windows.h>

#include "base/files.h"
#include "base/handle.h"
#include "base/paths.h"
#include "base/profile.h"
#include "base/registry.h"
#include "runtime/pe_image.h"
#include "runtime/probe.h"

namespace {

// Calls `read` with the bytes of the whole file, mapped read-only. False when
// the file cannot be opened or mapped (an empty file cannot be mapped).
template <typename Read>
bool readMappedFile(const std::wstring& path, Read read) {
    // Declared in this order, the owners release the view, the mapping object
    // and the file in that order. Sharing only reading keeps writers (and so
    // any change of the size) out while the file is open.
    platform::Handle file(CreateFileW(fileCallPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    platform::Handle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0) return false;
    if (static_cast<unsigned long long>(size.QuadPart) > static_cast<SIZE_T>(-1)) return false;
    platform::MappedView<unsigned char> view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return false;
    return read(view.get(), static_cast<size_t>(size.QuadPart));
}

class SystemRuntimeProbe : public RuntimeProbe {
public:
    constexpr SystemRuntimeProbe() = default;

    bool subkeyNames(RegistryRoot root, RegistryView view, const std::wstring& key,
                     std::vector<std::wstring>& names) const override {
        const platform::RegistryKey opened = registry::open(root, key, view);
        if (!opened) return false;
        names = registry::subkeyNames(opened);
        return true;
    }
    bool textValues(RegistryRoot root, RegistryView view, const std::wstring& key,
                    std::initializer_list<const wchar_t*> names, std::vector<std::wstring>& values) const override {
        values.clear();
        const platform::RegistryKey opened = registry::open(root, key, view);
        if (!opened) return false;
        // A null name asks for nothing (the system would read the key's default value).
        for (const wchar_t* name : names) values.push_back(name ? registry::text(opened, name).value_or(L"") : L"");
        return true;
    }
    bool exists(const std::wstring& path) const override { return fileExists(path); }
    bool readFile(const std::wstring& path, size_t limit, std::string& bytes) const override {
        return readFileBytes(path, bytes, limit);
    }
    bool imageMachine(const std::wstring& path, uint16_t* machine) const override {
        return readMappedFile(path, [machine](const unsigned char* data, size_t size) {
            return readImageMachine(data, size, machine);
        });
    }
    bool imageProductVersion(const std::wstring& path, uint16_t version[4]) const override {
        return readMappedFile(path, [version](const unsigned char* data, size_t size) {
            return readImageProductVersion(data, size, version);
        });
    }
    std::wstring environment(const std::wstring& name) const override { return environmentValue(name); }
    std::wstring fullPath(const std::wstring& path) const override { return ::fullPath(path); }
    std::wstring userConfigPath(const std::wstring& exePath, const std::wstring& productName,
                                const std::wstring& productCode) const override {
        return userConfigPathFor(exePath, productName, productCode, true);
    }
    bool writeJrePath(const std::wstring& file, const std::wstring& folder, std::wstring& note) const override {
        return writeProfileValue(file, L"Java Runtime Environment", L"JRE Path", folder, &note);
    }
};

const SystemRuntimeProbe systemProbe;

}  // namespace

const RuntimeProbe& systemRuntimeProbe() { return systemProbe; }
