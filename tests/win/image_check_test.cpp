// The machine's facts as the runtime search sees them: the machine-type check
// of VM library files (real x86 and x86_64 images, and damaged copies of a
// real one), and the registry of both views.
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/pe_image.h"
#include "runtime/probe.h"
#include "support/process.h"
#include "support/runtime_fixtures.h"

using namespace testing_support;

namespace {

bool readImageMachineOfFile(const std::wstring& path, uint16_t* machine) {
    return systemRuntimeProbe().imageMachine(path, machine);
}
bool isValidImage(const std::wstring& path) { return readImageMachineOfFile(path, nullptr); }
bool isX86Image(const std::wstring& path) {
    uint16_t machine = 0;
    return readImageMachineOfFile(path, &machine) && machine == kMachineX86;
}

std::wstring systemFolder(bool wow64) {
    wchar_t buffer[MAX_PATH];
    UINT n = wow64 ? GetSystemWow64DirectoryW(buffer, MAX_PATH) : GetSystemDirectoryW(buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

// The 32-bit product, when the win32 build exists beside this one.
std::wstring product32() {
    std::wstring path = launcherExe();
    size_t at = path.find(L"\\build\\win64\\");
    if (at == std::wstring::npos) return std::wstring();
    path.replace(at, 13, L"\\build\\win32\\");
    return pathExists(path) ? path : std::wstring();
}

class ImageCheck : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = workRoot() + L"\\win-image-check";
        removeTree(folder_);
        makeFolders(folder_);
        ASSERT_TRUE(readTextFile(launcherExe(), image_));
        ASSERT_GT(image_.size(), 0x200u);
    }

    std::wstring writeCopy(const std::wstring& name, const std::string& bytes) {
        std::wstring path = folder_ + L"\\" + name;
        EXPECT_TRUE(writeTextFile(path, bytes));
        return path;
    }

    uint32_t ntOffset() const {
        uint32_t offset = 0;
        std::memcpy(&offset, image_.data() + 0x3C, 4);
        return offset;
    }

    std::wstring folder_;
    std::string image_;  // the x86_64 launcher of this build
};

TEST_F(ImageCheck, RealImagesOfBothMachines) {
    uint16_t machine = 0;
    EXPECT_TRUE(isValidImage(launcherExe()));
    EXPECT_FALSE(isX86Image(launcherExe()));
    ASSERT_TRUE(readImageMachineOfFile(launcherExe(), &machine));
    EXPECT_EQ(machine, 0x8664);

    // DLLs of the prefix: the native ones and the 32-bit ones of the WOW64 folder.
    std::wstring native = systemFolder(false) + L"\\kernel32.dll";
    EXPECT_TRUE(isValidImage(native)) << narrow(native);
    EXPECT_FALSE(isX86Image(native));
    std::wstring wow = systemFolder(true);
    ASSERT_FALSE(wow.empty());
    EXPECT_TRUE(isValidImage(wow + L"\\kernel32.dll"));
    EXPECT_TRUE(isX86Image(wow + L"\\kernel32.dll"));
    EXPECT_TRUE(isX86Image(wow + L"\\user32.dll"));

    std::wstring x86 = product32();
    if (x86.empty()) GTEST_SKIP() << "the win32 build is not there";
    EXPECT_TRUE(isValidImage(x86));
    EXPECT_TRUE(isX86Image(x86));
}

TEST_F(ImageCheck, AWholeCopyChecksLikeTheOriginal) {
    std::wstring copy = writeCopy(L"jvm.dll", image_);
    EXPECT_TRUE(isValidImage(copy));
    EXPECT_FALSE(isX86Image(copy));

    std::string patched = image_;
    patched[ntOffset() + 4] = 0x4C;  // Machine = 0x014C
    patched[ntOffset() + 5] = 0x01;
    EXPECT_TRUE(isX86Image(writeCopy(L"x86.dll", patched)));
}

TEST_F(ImageCheck, DamagedFilesAreNotValid) {
    EXPECT_FALSE(isValidImage(writeCopy(L"empty.dll", "")));
    EXPECT_FALSE(isValidImage(writeCopy(L"mz.dll", "MZ")));
    EXPECT_FALSE(isValidImage(writeCopy(L"dos-header-only.dll", image_.substr(0, 0x40))));
    EXPECT_FALSE(isValidImage(writeCopy(L"cut-in-signature.dll", image_.substr(0, ntOffset() + 2))));
    EXPECT_FALSE(isValidImage(writeCopy(L"cut-in-file-header.dll", image_.substr(0, ntOffset() + 10))));
    EXPECT_TRUE(isValidImage(writeCopy(L"cut-after-file-header.dll", image_.substr(0, ntOffset() + 24))));

    std::string pastEnd = image_;
    uint32_t offset = static_cast<uint32_t>(image_.size()) + 16;
    std::memcpy(&pastEnd[0x3C], &offset, 4);
    EXPECT_FALSE(isValidImage(writeCopy(L"offset-past-end.dll", pastEnd)));
    offset = 0xFFFFFFF0u;  // negative
    std::memcpy(&pastEnd[0x3C], &offset, 4);
    EXPECT_FALSE(isValidImage(writeCopy(L"offset-negative.dll", pastEnd)));

    std::string badSignature = image_;
    badSignature[ntOffset() + 1] = 'X';
    EXPECT_FALSE(isValidImage(writeCopy(L"pe-signature.dll", badSignature)));
    std::string badDos = image_;
    badDos[0] = 'Z';
    EXPECT_FALSE(isValidImage(writeCopy(L"dos-signature.dll", badDos)));

    EXPECT_FALSE(isValidImage(writeCopy(L"text.dll", "just some text, long enough to hold a DOS header? no")));
    EXPECT_FALSE(isValidImage(folder_ + L"\\missing.dll"));
    EXPECT_FALSE(isValidImage(folder_));  // a folder
}

TEST(SystemRuntimeProbe, ReadsTheRegistryOfEachViewAsText) {
    const RuntimeProbe& probe = systemRuntimeProbe();
    const std::wstring key = L"Software\\QzProbeTest\\";
    RegistryPlant plant;
    ASSERT_TRUE(plant.set(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, key + L"1.8\\Sub", L"JavaHome", L"D:\\deep"));
    ASSERT_TRUE(plant.set(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, key + L"1.7", L"JavaHome", L"D:\\j7"));
    ASSERT_TRUE(plant.createKey(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, key + L"1.9"));
    const wchar_t expandable[] = L"%SystemRoot%\\j";
    ASSERT_TRUE(plant.setRaw(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, key + L"21", L"JavaHome", REG_EXPAND_SZ, expandable,
                             sizeof expandable));

    std::vector<std::wstring> names;
    ASSERT_TRUE(probe.subkeyNames(RegistryRoot::LocalMachine, RegistryView::Bits32, key, names));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"1.7", L"1.8", L"1.9"}));
    ASSERT_TRUE(probe.subkeyNames(RegistryRoot::LocalMachine, RegistryView::Bits64, key, names));
    EXPECT_EQ(names, std::vector<std::wstring>{L"21"});
    EXPECT_FALSE(probe.subkeyNames(RegistryRoot::CurrentUser, RegistryView::Bits64, key, names));

    std::vector<std::wstring> values;
    ASSERT_TRUE(probe.textValues(RegistryRoot::LocalMachine, RegistryView::Bits64, key + L"21",
                                 {L"JavaHome", L"Missing", nullptr}, values));
    EXPECT_EQ(values, (std::vector<std::wstring>{expandable, L"", L""}));
    ASSERT_TRUE(probe.textValues(RegistryRoot::LocalMachine, RegistryView::Bits32, key + L"1.9", {L"JavaHome"}, values));
    EXPECT_EQ(values, std::vector<std::wstring>{L""});
    EXPECT_FALSE(probe.textValues(RegistryRoot::LocalMachine, RegistryView::Bits32, key + L"2.0", {L"JavaHome"}, values));
}

}  // namespace
