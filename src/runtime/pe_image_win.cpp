#include <windows.h>

#include "base/handle.h"
#include "base/paths.h"
#include "runtime/pe_image.h"

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

}  // namespace

bool readImageMachineOfFile(const std::wstring& path, uint16_t* machine) {
    return readMappedFile(path, [machine](const unsigned char* data, size_t size) {
        return readImageMachine(data, size, machine);
    });
}

bool readImageProductVersionOfFile(const std::wstring& path, uint16_t version[4]) {
    return readMappedFile(path, [version](const unsigned char* data, size_t size) {
        return readImageProductVersion(data, size, version);
    });
}
