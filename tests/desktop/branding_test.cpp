// The executables' resources read back through the Windows resource functions:
// the launcher's own version resource in the default builds, and in the
// executables that scripts/brand.sh built for brand/sample.brand (the CTest
// fixture brand_command runs it and keeps the paths it printed) the sample's
// icon, version resource and execution level.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/process.h"

using namespace testing_support;

namespace {

std::string readFile(const std::wstring& path) {
    std::string content;
    EXPECT_TRUE(readTextFile(path, content)) << narrow(path);
    return content;
}

std::string leafOf(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }

// The machine and subsystem fields of a PE file's headers.
void imageKind(const std::string& image, uint16_t& machine, uint16_t& subsystem) {
    machine = subsystem = 0;
    if (image.size() < 0x40) return;
    const uint32_t pe = *reinterpret_cast<const uint32_t*>(image.data() + 0x3C);
    if (pe + 24 + 70 > image.size()) return;
    machine = *reinterpret_cast<const uint16_t*>(image.data() + pe + 4);
    subsystem = *reinterpret_cast<const uint16_t*>(image.data() + pe + 24 + 68);
}

struct VersionResource {
    bool present = false;
    VS_FIXEDFILEINFO fixed = {};
    std::vector<WORD> translation;
    std::vector<unsigned char> data;

    // A string of the US English, Unicode block; "<absent>" when there is none.
    std::wstring string(const wchar_t* name) const {
        void* value = nullptr;
        UINT length = 0;
        std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        if (!VerQueryValueW(data.data(), path.c_str(), &value, &length) || !value) return L"<absent>";
        return static_cast<const wchar_t*>(value);
    }
};

VersionResource readVersion(const std::wstring& file) {
    VersionResource v;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) return v;
    v.data.resize(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, v.data.data())) return v;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(v.data.data(), L"\\", &value, &length) || length != sizeof(VS_FIXEDFILEINFO)) return v;
    v.fixed = *static_cast<VS_FIXEDFILEINFO*>(value);
    if (VerQueryValueW(v.data.data(), L"\\VarFileInfo\\Translation", &value, &length)) {
        const WORD* words = static_cast<const WORD*>(value);
        v.translation.assign(words, words + length / sizeof(WORD));
    }
    v.present = true;
    return v;
}

// An executable loaded as a data file (either processor).
class ResourceFile {
public:
    explicit ResourceFile(const std::wstring& path) : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~ResourceFile() {
        if (module_) FreeLibrary(module_);
    }
    ResourceFile(const ResourceFile&) = delete;
    ResourceFile& operator=(const ResourceFile&) = delete;

    bool loaded() const { return module_ != nullptr; }
    HMODULE module() const { return module_; }
    // The bytes of a resource; false when it does not exist.
    bool bytes(const wchar_t* type, const wchar_t* name, std::string& out) const {
        HRSRC found = FindResourceW(module_, name, type);
        if (!found) return false;
        HGLOBAL loaded = LoadResource(module_, found);
        const void* data = loaded ? LockResource(loaded) : nullptr;
        if (!data) return false;
        out.assign(static_cast<const char*>(data), SizeofResource(module_, found));
        return true;
    }
    // Names of the icon groups in the order the system enumerates them.
    std::vector<std::wstring> iconGroups() const {
        std::vector<std::wstring> names;
        EnumResourceNamesW(
            module_, RT_GROUP_ICON,
            [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
                auto* list = reinterpret_cast<std::vector<std::wstring>*>(param);
                list->push_back(IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : name);
                return TRUE;
            },
            reinterpret_cast<LONG_PTR>(&names));
        return names;
    }

private:
    HMODULE module_;
};

std::string manifestWithLevel(const std::string& level) {
    std::string text = readFile(windowsPath(LAUNCHER_MANIFEST));
    const std::string from = "level=\"asInvoker\"";
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos);
    if (at != std::string::npos) text.replace(at, from.size(), "level=\"" + level + "\"");
    return text;
}

// "1.0.0" as the two version words.
void versionWords(const std::string& text, DWORD& high, DWORD& low) {
    DWORD parts[4] = {};
    size_t i = 0;
    for (size_t pos = 0; pos <= text.size() && i < 4; ++i) {
        size_t dot = text.find('.', pos);
        parts[i] = static_cast<DWORD>(std::stoul(text.substr(pos, dot - pos)));
        if (dot == std::string::npos) break;
        pos = dot + 1;
    }
    high = (parts[0] << 16) | parts[1];
    low = (parts[2] << 16) | parts[3];
}

void expectFixedFields(const VersionResource& v, DWORD fileHigh, DWORD fileLow, DWORD productHigh, DWORD productLow) {
    EXPECT_EQ(v.fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(v.fixed.dwFileVersionMS, fileHigh);
    EXPECT_EQ(v.fixed.dwFileVersionLS, fileLow);
    EXPECT_EQ(v.fixed.dwProductVersionMS, productHigh);
    EXPECT_EQ(v.fixed.dwProductVersionLS, productLow);
    EXPECT_EQ(v.fixed.dwFileFlagsMask, static_cast<DWORD>(VS_FFI_FILEFLAGSMASK));
    EXPECT_EQ(v.fixed.dwFileFlags, 0u);
    EXPECT_EQ(v.fixed.dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
    EXPECT_EQ(v.fixed.dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(v.fixed.dwFileSubtype, 0u);
    EXPECT_EQ(v.translation, (std::vector<WORD>{0x0409, 1200}));
}

TEST(DefaultVersionResource, EveryExecutableDescribesTheLauncherItself) {
    DWORD high = 0, low = 0;
    versionWords(LAUNCHER_VERSION_TEXT, high, low);
    const std::wstring version = widen(LAUNCHER_VERSION_TEXT);
    const std::wstring x86 = windowsPath(LAUNCHER32_SRC_DIR);
    const std::wstring exes[] = {launcherExe(), windowsPath(LAUNCHERW_EXE), x86 + L"\\launcher.exe",
                                 x86 + L"\\launcherw.exe"};
    for (const std::wstring& exe : exes) {
        SCOPED_TRACE(narrow(exe));
        const bool windowed = exe.find(L"launcherw.exe") != std::wstring::npos;
        VersionResource v = readVersion(exe);
        ASSERT_TRUE(v.present);
        expectFixedFields(v, high, low, high, low);
        EXPECT_EQ(v.string(L"FileVersion"), version);
        EXPECT_EQ(v.string(L"ProductVersion"), version);
        EXPECT_EQ(v.string(L"ProductName"), L"Java Launcher");
        EXPECT_EQ(v.string(L"FileDescription"), windowed ? L"Java launcher (windowed)" : L"Java launcher (console)");
        EXPECT_EQ(v.string(L"OriginalFilename"), windowed ? L"launcherw.exe" : L"launcher.exe");
        EXPECT_EQ(v.string(L"InternalName"), windowed ? L"launcherw" : L"launcher");
        EXPECT_EQ(v.string(L"CompanyName"), L"<absent>");
        EXPECT_EQ(v.string(L"LegalCopyright"), L"<absent>");

        ResourceFile file(exe);
        ASSERT_TRUE(file.loaded());
        EXPECT_TRUE(file.iconGroups().empty());
        std::string manifest;
        EXPECT_TRUE(file.bytes(RT_MANIFEST, MAKEINTRESOURCEW(1), manifest));
        EXPECT_EQ(manifest, manifestWithLevel("asInvoker"));
    }
}

// ICONDIR and ICONDIRENTRY of an .ico file, GRPICONDIR and GRPICONDIRENTRY of
// the resource: the same first twelve bytes of each entry, then the file's
// offset or the resource's RT_ICON id.
#pragma pack(push, 1)
struct IconDir {
    WORD reserved, type, count;
};
struct IconEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
};
#pragma pack(pop)

void expectIconFromFile(const ResourceFile& file, const std::string& ico) {
    EXPECT_EQ(file.iconGroups(), (std::vector<std::wstring>{L"#1"}));
    std::string group;
    ASSERT_TRUE(file.bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(1), group));
    const auto* fileDir = reinterpret_cast<const IconDir*>(ico.data());
    const auto* groupDir = reinterpret_cast<const IconDir*>(group.data());
    ASSERT_EQ(fileDir->count, 3u);
    ASSERT_EQ(group.size(), sizeof(IconDir) + fileDir->count * (sizeof(IconEntry) + 2));
    EXPECT_EQ(groupDir->reserved, 0u);
    EXPECT_EQ(groupDir->type, 1u);
    ASSERT_EQ(groupDir->count, fileDir->count);
    for (WORD i = 0; i < fileDir->count; ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        const char* f = ico.data() + sizeof(IconDir) + i * (sizeof(IconEntry) + 4);
        const char* g = group.data() + sizeof(IconDir) + i * (sizeof(IconEntry) + 2);
        const auto* fe = reinterpret_cast<const IconEntry*>(f);
        const auto* ge = reinterpret_cast<const IconEntry*>(g);
        EXPECT_EQ(ge->width, fe->width);
        EXPECT_EQ(ge->height, fe->height);
        EXPECT_EQ(ge->colors, fe->colors);
        EXPECT_EQ(ge->reserved, fe->reserved);
        EXPECT_EQ(ge->planes, fe->planes);
        EXPECT_EQ(ge->bitCount, fe->bitCount);
        EXPECT_EQ(ge->bytes, fe->bytes);
        const DWORD offset = *reinterpret_cast<const DWORD*>(f + sizeof(IconEntry));
        const WORD id = *reinterpret_cast<const WORD*>(g + sizeof(IconEntry));
        std::string image;
        ASSERT_TRUE(file.bytes(RT_ICON, MAKEINTRESOURCEW(id), image)) << "RT_ICON " << id;
        ASSERT_LE(offset + fe->bytes, ico.size());
        EXPECT_TRUE(image == ico.substr(offset, fe->bytes)) << "RT_ICON " << id << " differs from the file's image";
    }
}

TEST(BrandedBuild, CarriesTheApplicationsIconVersionAndExecutionLevel) {
    // What the command printed: the four executables, and nothing else.
    std::string printed = readFile(windowsPath(BRAND_LOG));
    std::vector<std::string> paths;
    for (size_t pos = 0; pos < printed.size();) {
        size_t end = printed.find('\n', pos);
        if (end == std::string::npos) end = printed.size();
        paths.push_back(printed.substr(pos, end - pos));
        pos = end + 1;
    }
    ASSERT_EQ(paths.size(), 4u) << printed;
    std::vector<std::string> kinds;
    for (const std::string& p : paths) {
        const std::string folder = p.substr(0, p.find_last_of('/'));
        kinds.push_back((leafOf(folder) == "x64" ? "x64/" : "") + leafOf(p));
    }
    std::sort(kinds.begin(), kinds.end());
    EXPECT_EQ(kinds, (std::vector<std::string>{"launcher.exe", "launcherw.exe", "x64/launcher.exe", "x64/launcherw.exe"}));

    const std::string ico = readFile(windowsPath(BRAND_ICO));
    ASSERT_GT(ico.size(), sizeof(IconDir));
    for (const std::string& p : paths) {
        SCOPED_TRACE(p);
        const std::wstring exe = windowsPath(p);
        uint16_t machine = 0, subsystem = 0;
        imageKind(readFile(exe), machine, subsystem);
        const bool x64 = p.find("/x64/") != std::string::npos;
        EXPECT_EQ(machine, x64 ? 0x8664 : 0x014C);
        EXPECT_EQ(subsystem, leafOf(p) == "launcherw.exe" ? IMAGE_SUBSYSTEM_WINDOWS_GUI : IMAGE_SUBSYSTEM_WINDOWS_CUI);

        VersionResource v = readVersion(exe);
        ASSERT_TRUE(v.present);
        expectFixedFields(v, (2u << 16) | 4u, (17u << 16) | 3u, (2u << 16) | 4u, 0u);
        EXPECT_EQ(v.string(L"FileVersion"), L"2.4.17.3");
        EXPECT_EQ(v.string(L"ProductVersion"), L"2.4");
        EXPECT_EQ(v.string(L"ProductName"), L"Sample Desk");
        EXPECT_EQ(v.string(L"CompanyName"), L"Example \"Quote\" & Co; Ltd");
        EXPECT_EQ(v.string(L"FileDescription"), L"Sample desktop application");
        EXPECT_EQ(v.string(L"LegalCopyright"), L"\u00A9 2024 Example [Tools]\\Ltd");
        EXPECT_EQ(v.string(L"OriginalFilename"), L"sampledesk.exe");
        EXPECT_EQ(v.string(L"InternalName"), L"sampledesk");

        ResourceFile file(exe);
        ASSERT_TRUE(file.loaded());
        expectIconFromFile(file, ico);
        std::string manifest;
        EXPECT_TRUE(file.bytes(RT_MANIFEST, MAKEINTRESOURCEW(1), manifest));
        EXPECT_EQ(manifest, manifestWithLevel("requireAdministrator"));
        // The launcher's own resources are still there.
        wchar_t text[128] = {};
        EXPECT_GT(LoadStringW(file.module(), 210, text, 128), 0);
        EXPECT_STREQ(text, L"Main class was not specified in INI file.");
    }
}

}  // namespace
