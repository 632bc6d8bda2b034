// The windowed executable (launcherw.exe, GUI subsystem) started as a whole
// process: its messages in message boxes under Xvfb, read back through the
// box's controls; with standard output redirected, the console executable's
// output and no box; no box where nobody could answer one.
#include <gtest/gtest.h>

#include <windows.h>

#include "support/message_box_support.h"
#include "support/process.h"
#include "support/ui_support.h"

using namespace testing_support;
using namespace ui_test;

namespace {

const DWORD kFailed = 0xFFFFFFFFu;  // exit code -1
const char kNoMainClassIni[] = "[Java Runtime Environment]\r\nMinimum Version=1.6\r\n";
const wchar_t kNoMainClass[] = L"Main class was not specified in INI file.";

std::wstring windowedLauncher() { return windowsPath(LAUNCHERW_EXE); }

// An application folder whose executable is the windowed launcher.
struct WindowedApp : AppDir {
    WindowedApp(const std::wstring& test, const std::wstring& exeName = L"app.exe") : AppDir(test, exeName) {
        CopyFileW(windowedLauncher().c_str(), exe().c_str(), FALSE);
    }
};

// A file opened for writing as a child's standard output.
HANDLE inheritableFile(const std::wstring& path) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Starts the app without standard handles, reads the one box it shows,
// presses OK and expects the process to end with -1 and no further box.
MessageBoxView showAndDismiss(const AppDir& app, const std::wstring& screenshot) {
    DetachedStart start(app.exe(), L"");
    EXPECT_TRUE(start.started());
    HWND box = waitForProcessWindow(start.processId(), 30000);
    EXPECT_TRUE(box) << "no window appeared";
    if (!box) return MessageBoxView();
    Sleep(300);  // let it finish painting
    const Image shot = captureScreen(box);
    EXPECT_TRUE(savePng(screenshotFolder() + L"\\" + screenshot, shot));
    MessageBoxView view = readMessageBox(box);
    EXPECT_TRUE(view.icon) << "no icon";
    // The system's error icon is a red disc; a warning or information icon has none of it.
    if (view.icon) {
        EXPECT_GT(redShare(shot, box, view.icon), 0.25);
    }
    EXPECT_TRUE(view.ok);
    if (view.ok) PostMessageW(view.ok, BM_CLICK, 0, 0);
    DWORD code = 0;
    EXPECT_TRUE(start.wait(20000, code)) << "still running after OK (another box?)";
    EXPECT_EQ(code, kFailed);
    return view;
}

TEST(WindowedMessageBox, ShowsTheMessageTitledWithTheProductNameOrTheFileName) {
    WindowedApp named(L"windowed-box-named");
    named.writeIni("[Product Information]\r\nProduct Name=Desk Sample\r\n\r\n" + std::string(kNoMainClassIni));
    MessageBoxView view = showAndDismiss(named, L"windowed-message-box.png");
    EXPECT_EQ(view.windowClass, L"#32770");
    EXPECT_EQ(view.title, L"Desk Sample");
    EXPECT_EQ(view.text, kNoMainClass);
    EXPECT_EQ(view.owner, nullptr);
    EXPECT_EQ(view.buttons, 1);

    // Without "Product Name" the box carries the executable's file name.
    WindowedApp unnamed(L"windowed-box-unnamed", L"Desk Tool.exe");
    unnamed.writeIni(kNoMainClassIni);
    view = showAndDismiss(unnamed, L"windowed-message-box-file-name.png");
    EXPECT_EQ(view.title, L"Desk Tool.exe");
    EXPECT_EQ(view.text, kNoMainClass);
}

// With standard output handed over, the windowed executable writes exactly what
// the console one writes; a box would keep the process from ending.
TEST(WindowedRedirected, WritesWhatTheConsoleBuildWritesAndShowsNoBox) {
    // The Java program's output on a pipe.
    WindowedApp app(L"windowed-pipe");
    app.writeIni(
        "[Java Runtime Environment]\r\nMain Class=test.Echo\r\n\r\n[Class Path]\r\nClass Path=\\lib\\*.jar\r\n");
    app.write(L"lib\\app.jar", "");
    app.installTestVm(L"jre\\bin\\client\\jvm.dll");
    app.write(L"jre\\bin\\java.dll", "");
    RunOptions options;
    options.timeoutMs = 30000;
    RunResult r = app.run(L"one \"two three\"", options);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.out, "arg[0]=one\r\narg[1]=two three\r\n");
    EXPECT_EQ(r.err, "stderr line\r\n");

    // The launcher's own message on a pipe and in a file, byte for byte as the
    // console executable writes it.
    const std::wstring exes[2] = {windowedLauncher(), launcherExe()};
    std::string onPipe[2], inFile[2];
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(narrow(exes[i]));
        AppDir failing(L"windowed-message");
        CopyFileW(exes[i].c_str(), failing.exe().c_str(), FALSE);
        failing.writeIni(kNoMainClassIni);
        r = failing.run(L"", options);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, kFailed);
        onPipe[i] = r.out;

        const std::wstring outFile = failing.file(L"out.txt");
        HANDLE out = inheritableFile(outFile);
        ASSERT_NE(out, INVALID_HANDLE_VALUE);
        DWORD code = 0;
        {
            DetachedStart start(failing.exe(), L"", out);
            CloseHandle(out);
            EXPECT_TRUE(start.wait(20000, code)) << "did not end";
        }
        EXPECT_EQ(code, kFailed);
        readTextFile(outFile, inFile[i]);
    }
    EXPECT_EQ(onPipe[0], "Error: Main class was not specified in INI file. \r\n");
    EXPECT_EQ(onPipe[0], onPipe[1]);
    EXPECT_EQ(inFile[0], onPipe[0]);
    EXPECT_EQ(inFile[0], inFile[1]);
}

// Where nobody could answer a box the message is printed (here to no handle at
// all) and the start goes on to its end, as the console executable's does.
TEST(WindowedWithoutDesktop, NeitherAServiceNorAnInvisibleWindowStationShowsABox) {
    WindowedApp app(L"windowed-no-desktop");
    const std::wstring trace = app.file(L"trace.log");
    SetEnvironmentVariableW(L"QZ_LAUNCHER_LOG", trace.c_str());
    auto startAndTrace = [&](const std::wstring& desktop) {
        DeleteFileW(trace.c_str());
        DWORD code = 0;
        DetachedStart start(app.exe(), L"", nullptr, desktop);
        EXPECT_TRUE(start.started());
        EXPECT_TRUE(start.wait(20000, code)) << "did not end";
        EXPECT_EQ(code, kFailed);
        std::string text;
        readTextFile(trace, text);
        return text;
    };
    const std::string printed = "message printed: no visible desktop for a message box";

    // A service (by its INI file), started on the visible desktop.
    app.writeIni("[Application]\r\nApplication Type=service\r\n\r\n" + std::string(kNoMainClassIni));
    std::string text = startAndTrace(L"");
    EXPECT_NE(text.find(printed), std::string::npos) << text;

    // A window station that is not visible.
    HWINSTA station = CreateWindowStationW(L"LauncherTestHidden", 0, WINSTA_ALL_ACCESS, nullptr);
    ASSERT_TRUE(station);
    USEROBJECTFLAGS flags = {};
    ASSERT_TRUE(GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr));
    ASSERT_EQ(flags.dwFlags & WSF_VISIBLE, 0u);
    HWINSTA own = GetProcessWindowStation();
    ASSERT_TRUE(SetProcessWindowStation(station));
    HDESK desktop = CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    SetProcessWindowStation(own);
    ASSERT_TRUE(desktop);
    app.writeIni(kNoMainClassIni);
    text = startAndTrace(L"LauncherTestHidden\\Default");
    EXPECT_NE(text.find(printed), std::string::npos) << text;
    SetEnvironmentVariableW(L"QZ_LAUNCHER_LOG", nullptr);
    CloseDesktop(desktop);
    CloseWindowStation(station);
}

}  // namespace
