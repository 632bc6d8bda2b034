// The start-up cache's Windows side on the real file system: the facts about
// the class path, the cache folder, and the steps before and after a start
// with a stand-in for the runtime's java.exe.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/text.h"
#include "support/process.h"
#include "vm/class_data_sharing_win.h"

using namespace testing_support;

namespace {

std::wstring freshFolder(const std::wstring& name) {
    std::wstring dir = workRoot() + L"\\cds-" + name;
    removeTree(dir);
    makeFolders(dir);
    return dir;
}

// Sets a variable of this process for one scope.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
        wchar_t buffer[4096];
        DWORD n = GetEnvironmentVariableW(name, buffer, 4096);
        had_ = n > 0 && n < 4096;
        if (had_) old_.assign(buffer, n);
        SetEnvironmentVariableW(name, value);
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name_.c_str(), had_ ? old_.c_str() : nullptr); }

private:
    std::wstring name_, old_;
    bool had_ = false;
};

std::string contentOf(const std::wstring& path) {
    std::string text;
    readTextFile(path, text);
    return text;
}

// Waits up to 20 s for a file to hold `part`.
bool waitFor(const std::wstring& path, const std::string& part) {
    for (int i = 0; i < 200; ++i) {
        if (contentOf(path).find(part) != std::string::npos) return true;
        Sleep(100);
    }
    return false;
}

TEST(StartupCache, ClassPathEntriesAreMeasuredAndFoldersRecognised) {
    const std::wstring dir = freshFolder(L"facts");
    writeTextFile(dir + L"\\app.jar", "0123456789");
    makeFolders(dir + L"\\lib");
    const std::wstring deep = dir + L"\\" + std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e') + L"\\x.jar";
    ASSERT_GE(deep.size(), static_cast<size_t>(MAX_PATH));
    makeFolders(L"\\\\?\\" + deep.substr(0, deep.rfind(L'\\')));
    HANDLE f = CreateFileW((L"\\\\?\\" + deep).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(f, "abc", 3, &written, nullptr);
    CloseHandle(f);

    // As a wildcard \lib\* lists them: "." and ".." name folders.
    std::vector<ClassPathFile> files =
        classPathFilesOf(dir + L"\\app.jar;" + dir + L"\\lib\\.;" + dir + L"\\missing.jar;;" + deep + L";");
    ASSERT_EQ(files.size(), 4u);
    EXPECT_TRUE(files[0].found && !files[0].folder);
    EXPECT_EQ(files[0].size, 10u);
    EXPECT_NE(files[0].lastWrite, 0u);
    EXPECT_TRUE(files[1].found && files[1].folder);
    EXPECT_FALSE(files[2].found);
    EXPECT_TRUE(files[3].found && !files[3].folder);
    EXPECT_EQ(files[3].size, 3u);
}

TEST(StartupCache, PrepareAndFinishAroundStartsOfAnAotRuntime) {
    const std::wstring dir = freshFolder(L"steps");
    ScopedVariable local(L"LOCALAPPDATA", (dir + L"\\local").c_str());
    writeTextFile(dir + L"\\jdk\\bin\\server\\jvm.dll", "not a real library");
    ASSERT_TRUE(CopyFileW(windowsPath(PAIR_CHILD_EXE).c_str(), (dir + L"\\jdk\\bin\\java.exe").c_str(), FALSE));
    writeTextFile(dir + L"\\my app\\app.jar", "version 1");

    StartupCacheRequest request;
    request.setting = L"no";
    request.runtimeVersion = JavaVersion::parse(L"25.0.1+8", 0);
    request.runtimeIdentity = L"25.0.1+8";
    request.jvmLibraryPath = dir + L"\\jdk\\bin\\server\\jvm.dll";
    request.classPath = dir + L"\\my app\\app.jar;";
    request.vmParameters = {L"-Xmx64m"};
    request.productName = L"Cache: Test";
    request.productCode = L"{1}";
    request.executable = dir + L"\\my app\\app.exe";
    EXPECT_TRUE(prepareStartupCache(request).vmOptions.empty());
    EXPECT_FALSE(pathExists(dir + L"\\local"));  // nothing is looked at or made without "auto"

    request.setting = L"auto";
    const CachePlan training = prepareStartupCache(request);
    const std::wstring folder = dir + L"\\local\\Cache Test\\{1}\\";
    ASSERT_EQ(training.vmOptions.size(), 3u);
    EXPECT_EQ(training.vmOptions[1], L"-XX:AOTMode=record");
    EXPECT_TRUE(training.filterVmOutput);
    EXPECT_EQ(training.configFile.substr(0, folder.size()), folder);
    EXPECT_TRUE(pathExists(training.markerFile));
    EXPECT_EQ(training.javaCommand, dir + L"\\jdk\\bin\\java.exe");

    // The training's VM wrote its configuration; the assembly child starts and
    // the launcher goes on. The child holds none of this process's handles: a
    // pipe whose write end only this process had is at its end while the child still runs.
    writeTextFile(training.configFile, "recorded");
    const std::wstring record = dir + L"\\child.txt";
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inheritable, 0));
    {
        ScopedVariable recordTo(L"PAIR_CHILD_RECORD", record.c_str());
        ScopedVariable sleep(L"PAIR_CHILD_SLEEPMS", L"4000");
        finishStartupCache(training);
    }
    ASSERT_TRUE(waitFor(record, "start ")) << "the assembly child did not start";
    // While the child runs, no other process can change or replace what it reads.
    EXPECT_FALSE(writeTextFile(training.argumentsFile, "-agentpath:x.dll"));
    EXPECT_FALSE(MoveFileExW(training.argumentsFile.c_str(), (dir + L"\\moved").c_str(), 0));
    CloseHandle(writeEnd);
    char byte;
    DWORD got = 0;
    EXPECT_FALSE(ReadFile(readEnd, &byte, 1, &got, nullptr));
    CloseHandle(readEnd);
    EXPECT_EQ(contentOf(record).find("end "), std::string::npos) << "the pipe stayed open until the child ended";
    ASSERT_TRUE(waitFor(record, "end 0"));
    EXPECT_EQ(contentOf(record), "start " + narrow(commandLineArgument(training.javaCommand)) + " \"@" +
                                     narrow(training.argumentsFile) + "\"\nend 0\n");
    EXPECT_EQ(contentOf(training.argumentsFile), toAnsi(training.argumentsFileText));

    // Until the cache is there, no start trains again.
    EXPECT_TRUE(prepareStartupCache(request).vmOptions.empty());
    // The cache came (read-only, as some runtimes write theirs): it is used, and what made it goes.
    writeTextFile(training.cacheFile, "cache");
    SetFileAttributesW(training.cacheFile.c_str(), FILE_ATTRIBUTE_READONLY);
    const CachePlan warm = prepareStartupCache(request);
    EXPECT_EQ(warm.vmOptions, (std::vector<std::wstring>{L"-Xlog:cds*=off,aot*=off", L"-XX:AOTCache=" + training.cacheFile}));
    EXPECT_FALSE(pathExists(training.configFile));
    EXPECT_FALSE(pathExists(training.argumentsFile));

    // A new build of the application is a new training, and the old cache goes.
    Sleep(20);
    writeTextFile(dir + L"\\my app\\app.jar", "version 22");
    const CachePlan retraining = prepareStartupCache(request);
    EXPECT_TRUE(retraining.training);
    EXPECT_NE(retraining.cacheFile, training.cacheFile);
    EXPECT_FALSE(pathExists(training.cacheFile));
    EXPECT_FALSE(pathExists(training.markerFile));
    EXPECT_TRUE(pathExists(retraining.markerFile));
}

TEST(StartupCache, TheFolderReachesTheVmInANameItsCodePageHolds) {
    // Katakana are not in code page 1252: the VM would read question marks.
    const std::wstring dir = freshFolder(L"\u30ab\u30bf");
    ScopedVariable local(L"LOCALAPPDATA", dir.c_str());
    writeTextFile(dir + L"\\app.jar", "jar");
    StartupCacheRequest request;
    request.setting = L"auto";
    request.runtimeVersion = JavaVersion::parse(L"21.0.5", 0);
    request.jvmLibraryPath = dir + L"\\jdk\\bin\\server\\jvm.dll";
    request.classPath = dir + L"\\app.jar;";
    request.productName = L"Tool";
    request.executable = dir + L"\\app.exe";
    const CachePlan plan = prepareStartupCache(request);
    ASSERT_EQ(plan.vmOptions.size(), 3u);
    const std::wstring& archive = plan.vmOptions[1];
    EXPECT_EQ(fromAnsi(toAnsi(archive)), archive);
    EXPECT_EQ(archive.find(L"\u30ab"), std::wstring::npos);
    EXPECT_TRUE(pathExists(plan.markerFile));
    EXPECT_TRUE(pathExists(dir + L"\\Tool"));

    // Without the variable (as in some services' environments) the shell names the account's folder.
    ScopedVariable none(L"LOCALAPPDATA", nullptr);
    const std::wstring shellFolder = startupCacheFolder(L"Tool", L"{1}", L"C:\\a\\app.exe");
    EXPECT_GT(shellFolder.size(), 12u);
    EXPECT_EQ(shellFolder.substr(shellFolder.size() - 10), L"\\Tool\\{1}\\");
}

}  // namespace
