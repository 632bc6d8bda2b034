#include <windows.h>

#include "base/handle.h"
#include "base/paths.h"
#include "runtime/discovery.h"

namespace {

// The first bytes of a small text file; false when it cannot be opened or read.
bool readSmallFile(const std::wstring& path, std::string& bytes) {
    const DWORD kLimit = 64 * 1024;  // a release file has some twenty short lines
    platform::Handle file(CreateFileW(fileCallPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    bytes.assign(kLimit, '\0');
    DWORD got = 0;
    if (!ReadFile(file.get(), &bytes[0], kLimit, &got, nullptr)) return false;
    bytes.resize(got);
    return true;
}

bool releaseVersionIn(const std::wstring& folder, std::wstring& text) {
    std::string bytes;
    return !folder.empty() && readSmallFile(folder + L"release", bytes) && releaseFileVersion(bytes, text);
}

}  // namespace

bool readReleaseVersion(const std::wstring& home, std::wstring& text) {
    return releaseVersionIn(home, text) || releaseVersionIn(jreParentFolder(home), text);
}

RuntimeVersion readRuntimeVersion(const std::wstring& home, const std::wstring& library) {
    RuntimeVersion v;
    if (readReleaseVersion(home, v.text)) {
        v.textOrigin = VersionOrigin::ReleaseFile;
        v.version = JavaVersion::parse(v.text, 0);
        if (v.version != JavaVersion()) {
            v.origin = VersionOrigin::ReleaseFile;
            return v;
        }
    }
    uint16_t product[4] = {0, 0, 0, 0};
    if (!library.empty() && readImageProductVersionOfFile(library, product)) {
        v.version = versionFromProductVersion(product);
        if (v.version != JavaVersion()) v.origin = VersionOrigin::VersionResource;
        if (v.text.empty()) {
            v.text = productVersionText(product);
            v.textOrigin = VersionOrigin::VersionResource;
        }
    }
    return v;
}
