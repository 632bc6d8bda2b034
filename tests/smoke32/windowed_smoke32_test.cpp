// The shipped 32-bit windowed launcher (launcherw.exe) under 32-bit Wine and
// Xvfb: one emulated start without standard handles shows message 210 in a
// message box, read back through the box's controls.
#include <gtest/gtest.h>

#include "support/message_box_support.h"
#include "support/process.h"

using namespace testing_support;
using namespace ui_test;

namespace {

TEST(Product32Windowed, ShowsMessage210InAMessageBoxNamedAfterTheExecutable) {
    AppDir app(L"smoke32-windowed", L"deskapp.exe");
    ASSERT_TRUE(CopyFileW(windowsPath(LAUNCHERW32_EXE).c_str(), app.exe().c_str(), FALSE)) << LAUNCHERW32_EXE;
    app.writeIni("[Java Runtime Environment]\r\nMinimum Version=1.6\r\n");

    DetachedStart start(app.exe(), L"x");
    ASSERT_TRUE(start.started());
    HWND box = waitForProcessWindow(start.processId(), 600000);
    ASSERT_TRUE(box) << "no window within ten minutes";
    Sleep(2000);  // painting is slow under emulation
    const Image shot = captureScreen(box);
    EXPECT_TRUE(savePng(screenshotFolder() + L"\\smoke32-windowed-message-box.png", shot));
    MessageBoxView view = readMessageBox(box);
    EXPECT_EQ(view.windowClass, L"#32770");
    EXPECT_EQ(view.title, L"deskapp.exe");
    EXPECT_EQ(view.text, L"Main class was not specified in INI file.");
    EXPECT_EQ(view.owner, nullptr);
    ASSERT_TRUE(view.icon);
    EXPECT_GT(redShare(shot, box, view.icon), 0.25);
    ASSERT_TRUE(view.ok);
    PostMessageW(view.ok, BM_CLICK, 0, 0);
    DWORD code = 0;
    EXPECT_TRUE(start.wait(120000, code)) << "still running after OK";
    EXPECT_EQ(code, 0xFFFFFFFFu);
}

}  // namespace
