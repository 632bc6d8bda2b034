#include <windows.h>

#include "base/files.h"
#include "base/handle.h"
#include "base/paths.h"

bool readFileBytes(const std::wstring& path, std::string& bytes, size_t limit) {
    bytes.clear();
    platform::Handle file(CreateFileW(fileCallPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return false;
    const unsigned long long wanted = static_cast<unsigned long long>(size.QuadPart) < limit
                                          ? static_cast<unsigned long long>(size.QuadPart)
                                          : static_cast<unsigned long long>(limit);
    if (wanted > 0x7FFFFFFFull) return false;
    bytes.assign(static_cast<size_t>(wanted), '\0');
    DWORD got = 0;
    if (wanted && !ReadFile(file.get(), &bytes[0], static_cast<DWORD>(wanted), &got, nullptr)) return false;
    bytes.resize(got);
    return true;
}
