// The paired executable started in place of a VM, in this process: a small
// program of the tests stands in for the pair and records what it was given.
#include <gtest/gtest.h>

#include "modes/pair_product.h"
#include "support/process.h"

using namespace testing_support;

namespace {

class PairProduct : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = workRoot() + L"\\win-pair";
        removeTree(dir_);
        makeFolders(dir_);
        record_ = dir_ + L"\\record.txt";
        SetEnvironmentVariableW(L"PAIR_CHILD_RECORD", record_.c_str());
    }
    void TearDown() override {
        for (const wchar_t* name : {L"PAIR_CHILD_RECORD", L"PAIR_CHILD_EXIT", L"PAIR_CHILD_SLEEPMS"})
            SetEnvironmentVariableW(name, nullptr);
    }
    std::string record() const {
        std::string text;
        readTextFile(record_, text);
        return text;
    }
    // Waits (bounded) until the child has written its last line.
    bool waitForEnd(const std::string& line) const {
        for (int i = 0; i < 200; ++i) {
            if (record().find(line) != std::string::npos) return true;
            Sleep(50);
        }
        return false;
    }

    std::wstring dir_;
    std::wstring record_;
};

TEST_F(PairProduct, WithPairReturnCodeTheChildsExitCodeAfterItEnds) {
    SetEnvironmentVariableW(L"PAIR_CHILD_EXIT", L"5");
    SetEnvironmentVariableW(L"PAIR_CHILD_SLEEPMS", L"300");
    Failure failure;
    EXPECT_EQ(relaunchPairProduct(windowsPath(PAIR_CHILD_EXE), true, failure), 5);
    // The child saw this process's command line, unchanged, and had ended.
    EXPECT_EQ(record(), "start " + narrow(GetCommandLineW()) + "\nend 5\n");
}

TEST_F(PairProduct, WithoutPairReturnCodeZeroAtOnce) {
    SetEnvironmentVariableW(L"PAIR_CHILD_EXIT", L"5");
    SetEnvironmentVariableW(L"PAIR_CHILD_SLEEPMS", L"1500");
    Failure failure;
    EXPECT_EQ(relaunchPairProduct(windowsPath(PAIR_CHILD_EXE), false, failure), 0);
    EXPECT_EQ(record().find("end"), std::string::npos);  // the child still runs
    EXPECT_TRUE(waitForEnd("end 5\n"));
    EXPECT_EQ(record().find("start " + narrow(GetCommandLineW()) + "\n"), 0u);
}

TEST_F(PairProduct, APairThatCannotStartFailsNamingTheFileAndTheError) {
    writeTextFile(dir_ + L"\\text.exe", "not a program");
    Failure failure;
    EXPECT_EQ(relaunchPairProduct(dir_ + L"\\text.exe", false, failure), -1);
    EXPECT_EQ(narrow(messageText(failure)),
              "Failed to start the paired executable: " + narrow(dir_) + "\\text.exe (errno = 193).\n");
    EXPECT_EQ(record(), "");
}

}  // namespace
