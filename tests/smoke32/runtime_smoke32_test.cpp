// The 32-bit product's own registry view: it is the 32-bit one (Wow6432Node),
// which the x86_64 tests can only name explicitly. One emulated start.
#include <gtest/gtest.h>

#include "support/process.h"

using namespace testing_support;

namespace {

TEST(Product32Runtime, SearchesTheThirtyTwoBitViewAsItsDefault) {
    ASSERT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, L"Software\\JavaSoft"));
    ASSERT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, L"Software\\JavaSoft"));

    AppDir app(L"smoke32-runtime", L"app.exe", windowsPath(LAUNCHER32_EXE));
    app.writeIni(javaIni("com.example.App"));
    ASSERT_TRUE(app.ok());
    std::wstring jre32 = makeRuntimeFolder(app.file(L"jre32"), kClientVm);
    std::wstring jre64 = makeRuntimeFolder(app.file(L"jre64"), kServerVm);
    ASSERT_TRUE(app.registerRuntime(L"1.7.0_80", jre32, KEY_WOW64_32KEY));
    ASSERT_TRUE(app.registerRuntime(L"1.8.0_131", jre64, KEY_WOW64_64KEY));

    const Started s = app.start(L"", RunOptions::within(600000));
    ASSERT_FALSE(s.trace.empty()) << s.describe();
    EXPECT_TRUE(s.traced(narrow(L"runtime chosen (registry): " + jre32 + L"bin\\client\\jvm.dll"))) << s.trace;
    EXPECT_FALSE(s.traced(narrow(jre64))) << s.trace;
}

}  // namespace
