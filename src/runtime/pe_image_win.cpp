#include <windows.h>

#include "base/handle.h"
#include "runtime/discovery.h"
#include "runtime/pe_image.h"

bool readImageMachineOfFile(const std::wstring& path, uint16_t* machine) {
    // Declared in this order, the owners release the view, the mapping object
    // and the file in that order. Sharing only reading keeps writers (and so
    // any change of the size) out while the file is open.
    platform::Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    // An empty file cannot be mapped; CreateFileMappingW fails for it.
    platform::Handle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0) return false;
    if (static_cast<unsigned long long>(size.QuadPart) > static_cast<SIZE_T>(-1)) return false;
    platform::MappedView<unsigned char> view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return false;
    return readImageMachine(view.get(), static_cast<size_t>(size.QuadPart), machine);
}

bool isValidImage(const std::wstring& path) { return readImageMachineOfFile(path, nullptr); }

bool isX86Image(const std::wstring& path) {
    uint16_t machine = 0;
    return readImageMachineOfFile(path, &machine) && machine == kMachineX86;
}
