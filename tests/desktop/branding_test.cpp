// The executables' resources read back through the Windows resource functions:
// the launcher's own version resource in the default builds, and the sample's
// icon, version resource and execution level in the executables that
// scripts/brand.sh built for brand/sample.brand (the CTest fixture
// brand_command runs it and keeps what it printed).
#include <gtest/gtest.h>

#include <windows.h>

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
    v.data.resize(size);
    void* value = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoW(file.c_str(), 0, size, v.data.data()) ||
        !VerQueryValueW(v.data.data(), L"\\", &value, &length) || length != sizeof(VS_FIXEDFILEINFO)) {
        return v;
    }
    v.fixed = *static_cast<VS_FIXEDFILEINFO*>(value);
    if (VerQueryValueW(v.data.data(), L"\\VarFileInfo\\Translation", &value, &length)) {
        const WORD* words = static_cast<const WORD*>(value);
        v.translation.assign(words, words + length / sizeof(WORD));
    }
    v.present = true;
    return v;
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

// The bytes of a resource of an executable loaded as a data file; "" when absent.
std::string resource(HMODULE module, const wchar_t* type, const wchar_t* name) {
    HRSRC found = FindResourceW(module, name, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    return data ? std::string(static_cast<const char*>(data), SizeofResource(module, found)) : std::string();
}

// The icon groups in the order the system enumerates them (Explorer shows the first).
std::vector<std::wstring> iconGroups(HMODULE module) {
    std::vector<std::wstring> names;
    EnumResourceNamesW(
        module, RT_GROUP_ICON,
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR list) -> BOOL {
            reinterpret_cast<std::vector<std::wstring>*>(list)->push_back(
                IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : name);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&names));
    return names;
}

std::string manifestWithLevel(const std::string& level) {
    std::string text = readFile(windowsPath(LAUNCHER_MANIFEST));
    const std::string from = "level=\"asInvoker\"";
    return text.replace(text.find(from), from.size(), "level=\"" + level + "\"");
}

TEST(DefaultVersionResource, EveryExecutableDescribesTheLauncherItself) {
    const DWORD version[] = {LAUNCHER_VERSION_NUMBERS, 0, 0, 0};  // missing parts are 0
    const DWORD high = (version[0] << 16) | version[1], low = (version[2] << 16) | version[3];
    const std::wstring x86 = windowsPath(LAUNCHER32_SRC_DIR);
    for (const std::wstring& exe : {launcherExe(), windowsPath(LAUNCHERW_EXE), x86 + L"\\launcher.exe",
                                    x86 + L"\\launcherw.exe"}) {
        SCOPED_TRACE(narrow(exe));
        const bool windowed = exe.find(L"launcherw.exe") != std::wstring::npos;
        VersionResource v = readVersion(exe);
        ASSERT_TRUE(v.present);
        expectFixedFields(v, high, low, high, low);
        EXPECT_EQ(v.string(L"FileVersion"), widen(LAUNCHER_VERSION_TEXT));
        EXPECT_EQ(v.string(L"ProductVersion"), widen(LAUNCHER_VERSION_TEXT));
        EXPECT_EQ(v.string(L"ProductName"), L"Java Launcher");
        EXPECT_EQ(v.string(L"FileDescription"), windowed ? L"Java launcher (windowed)" : L"Java launcher (console)");
        EXPECT_EQ(v.string(L"OriginalFilename"), windowed ? L"launcherw.exe" : L"launcher.exe");
        EXPECT_EQ(v.string(L"InternalName"), windowed ? L"launcherw" : L"launcher");
        EXPECT_EQ(v.string(L"CompanyName"), L"<absent>");
        EXPECT_EQ(v.string(L"LegalCopyright"), L"<absent>");

        HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(module);
        EXPECT_TRUE(iconGroups(module).empty());
        EXPECT_EQ(resource(module, RT_MANIFEST, MAKEINTRESOURCEW(1)), manifestWithLevel("asInvoker"));
        FreeLibrary(module);
    }
}

// An .ico file's ICONDIRENTRY and the resource's GRPICONDIRENTRY share their
// first twelve bytes; then come the file's offset or the RT_ICON id.
#pragma pack(push, 1)
struct IconEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
};
#pragma pack(pop)

void expectIconOfFile(HMODULE module, const std::string& ico) {
    EXPECT_EQ(iconGroups(module), (std::vector<std::wstring>{L"#1"}));
    const std::string group = resource(module, RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    const WORD count = *reinterpret_cast<const WORD*>(ico.data() + 4);
    ASSERT_EQ(count, 3u);
    ASSERT_EQ(group.size(), 6u + count * 14u);
    EXPECT_EQ(group.substr(0, 6), ico.substr(0, 6));  // reserved, type 1, count
    for (WORD i = 0; i < count; ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        const char* f = ico.data() + 6 + i * 16;
        const char* g = group.data() + 6 + i * 14;
        const auto* fe = reinterpret_cast<const IconEntry*>(f);
        const auto* ge = reinterpret_cast<const IconEntry*>(g);
        EXPECT_EQ(ge->width, fe->width);
        EXPECT_EQ(ge->height, fe->height);
        EXPECT_EQ(ge->colors, fe->colors);
        EXPECT_EQ(ge->reserved, fe->reserved);
        EXPECT_EQ(ge->planes, fe->planes);
        EXPECT_EQ(ge->bitCount, fe->bitCount);
        EXPECT_EQ(ge->bytes, fe->bytes);
        const DWORD offset = *reinterpret_cast<const DWORD*>(f + 12);
        const WORD id = *reinterpret_cast<const WORD*>(g + 12);
        ASSERT_LE(offset + fe->bytes, ico.size());
        EXPECT_TRUE(resource(module, RT_ICON, MAKEINTRESOURCEW(id)) == ico.substr(offset, fe->bytes))
            << "RT_ICON " << id << " is not the file's image";
    }
}

TEST(BrandedBuild, CarriesTheApplicationsIconVersionAndExecutionLevel) {
    const std::string out = BRAND_OUT;
    EXPECT_EQ(readFile(windowsPath(BRAND_LOG)), out + "/launcher.exe\n" + out + "/x64/launcher.exe\n" + out +
                                                    "/launcherw.exe\n" + out + "/x64/launcherw.exe\n");
    const std::string ico = readFile(windowsPath(BRAND_ICO));
    ASSERT_GT(ico.size(), 6u);
    for (const char* name : {"launcher.exe", "x64/launcher.exe", "launcherw.exe", "x64/launcherw.exe"}) {
        SCOPED_TRACE(name);
        const std::wstring exe = windowsPath(out + "/" + name);
        // Each file is the executable of its processor and subsystem.
        const std::string image = readFile(exe);
        ASSERT_GT(image.size(), 0x200u);
        const uint32_t pe = *reinterpret_cast<const uint32_t*>(image.data() + 0x3C);
        EXPECT_EQ(*reinterpret_cast<const uint16_t*>(image.data() + pe + 4), name[0] == 'x' ? 0x8664 : 0x014C);
        EXPECT_EQ(*reinterpret_cast<const uint16_t*>(image.data() + pe + 24 + 68),
                  std::string(name).find("launcherw") != std::string::npos ? IMAGE_SUBSYSTEM_WINDOWS_GUI
                                                                           : IMAGE_SUBSYSTEM_WINDOWS_CUI);

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

        HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(module);
        expectIconOfFile(module, ico);
        EXPECT_EQ(resource(module, RT_MANIFEST, MAKEINTRESOURCEW(1)), manifestWithLevel("requireAdministrator"));
        // The launcher's own resources are still there.
        wchar_t text[128] = {};
        LoadStringW(module, 210, text, 128);
        EXPECT_STREQ(text, L"Main class was not specified in INI file.");
        FreeLibrary(module);
    }
}

}  // namespace
