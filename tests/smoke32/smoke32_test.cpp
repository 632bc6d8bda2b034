// The real 32-bit product under 32-bit Wine. Each process takes about a minute
// of emulated start-up here, so every test is one start that checks much.
#include <gtest/gtest.h>

#include "support/process.h"

using namespace testing_support;

namespace {

std::wstring launcher32() { return windowsPath(LAUNCHER32_EXE); }

TEST(Product32, IsAnX86ConsoleExecutable) {
    std::string image;
    ASSERT_TRUE(readTextFile(launcher32(), image));
    ASSERT_GT(image.size(), 0x100u);
    uint32_t peOffset = *reinterpret_cast<const uint32_t*>(image.data() + 0x3C);
    ASSERT_LT(peOffset + 0x60, image.size());
    EXPECT_EQ(image.compare(peOffset, 4, std::string("PE\0\0", 4)), 0);
    EXPECT_EQ(*reinterpret_cast<const uint16_t*>(image.data() + peOffset + 4), 0x014C);  // x86
    // Optional header: subsystem 3 is the console.
    EXPECT_EQ(*reinterpret_cast<const uint16_t*>(image.data() + peOffset + 24 + 68), 3);
}

TEST(Product32, MissingMainClassPrintsMessage210AndExitsWithMinusOne) {
    AppDir app(L"smoke32-no-main-class", L"app.exe", launcher32());
    app.writeIni("[Java Runtime Environment]\r\nMinimum Version=1.6\r\n");
    RunResult r = app.run(L"x", RunOptions::within(600000));
    EXPECT_EQ(r.out, "Error: Main class was not specified in INI file. \r\n");
    EXPECT_EQ(r.exitCode, 0xFFFFFFFFu);
}

}  // namespace
