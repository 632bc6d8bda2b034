// The 32-bit product's own registry view: it is the 32-bit one (Wow6432Node),
// which the x86_64 tests can only name explicitly. One emulated start.
#include <gtest/gtest.h>

#include "support/process.h"
#include "support/runtime_fixtures.h"

using namespace testing_support;

namespace {

TEST(Product32Runtime, SearchesTheThirtyTwoBitViewAsItsDefault) {
    const std::wstring jre = L"Software\\JavaSoft\\Java Runtime Environment\\";
    ASSERT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, L"Software\\JavaSoft"));
    ASSERT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, L"Software\\JavaSoft"));

    std::wstring dir = workRoot() + L"\\smoke32-runtime";
    removeTree(dir);
    makeFolders(dir);
    ASSERT_TRUE(CopyFileW(windowsPath(LAUNCHER32_EXE).c_str(), (dir + L"\\app.exe").c_str(), FALSE));
    writeTextFile(dir + L"\\app.ini", "[Java Runtime Environment]\r\nMain Class=com.example.App\r\n");
    std::wstring jre32 = makeRuntimeFolder(dir + L"\\jre32", kClientVm);
    std::wstring jre64 = makeRuntimeFolder(dir + L"\\jre64", kServerVm);

    RegistryPlant reg;
    ASSERT_TRUE(reg.set(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, jre + L"1.7.0_80", L"JavaHome", jre32));
    ASSERT_TRUE(reg.set(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, jre + L"1.8.0_131", L"JavaHome", jre64));

    RunOptions options;
    options.timeoutMs = 600000;
    options.env[L"QZ_LAUNCHER_LOG"] = dir + L"\\trace.log";
    options.env[L"JAVA_HOME"] = L"";
    std::wstring exe = dir + L"\\app.exe";
    runProcess(exe, L"\"" + exe + L"\"", options);

    std::string trace;
    ASSERT_TRUE(readTextFile(dir + L"\\trace.log", trace));
    EXPECT_NE(trace.find(narrow(L"runtime chosen (registry): " + jre32 + L"bin\\client\\jvm.dll")), std::string::npos)
        << trace;
    EXPECT_EQ(trace.find(narrow(jre64)), std::string::npos) << trace;
}

}  // namespace
