#include <windows.h>

#include "base/files.h"
#include "runtime/discovery.h"

namespace {

bool releaseVersionIn(const std::wstring& folder, std::wstring& text) {
    std::string bytes;
    return !folder.empty() && readFileBytes(folder + L"release", bytes, 64 * 1024) && releaseFileVersion(bytes, text);
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
