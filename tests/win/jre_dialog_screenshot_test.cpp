// Pictures of the "JRE Not Found" dialog as the screen shows it, written to
// build/<name>/screenshots for a person to look at, and checked for what a
// person would look for: the requirement phrase in the message and the
// download address drawn underlined in the link colour.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <thread>

#include "runtime/discovery.h"
#include "runtime/policy.h"
#include "base/messages.h"
#include "resources/resource.h"
#include "runtime/java_version.h"
#include "support/process.h"
#include "ui/jre_dialog.h"
#include "ui/link_color.h"
#include "support/ui_support.h"

using namespace testing_support;
using namespace ui_test;

namespace {

const wchar_t kSettingsKey[] = L"Software\\Microsoft\\Internet Explorer\\Settings";

// What the screen showed of the dialog.
struct Shot {
    Image image;        // the whole dialog window
    RECT link = {};     // control 205 inside the image
    RECT message = {};  // control 203 inside the image
    std::wstring messageText;
    std::wstring linkText;
};

RECT placeIn(HWND dialog, HWND control) {
    RECT d, c;
    GetWindowRect(dialog, &d);
    GetWindowRect(control, &c);
    OffsetRect(&c, -d.left, -d.top);
    return c;
}

// Shows the dialog, lets `prepare` act on it, and takes its picture from the screen.
Shot takeShot(JvmType type, const std::wstring& message, const std::function<void(HWND)>& prepare = nullptr) {
    Shot shot;
    DWORD thread = GetCurrentThreadId();
    std::thread helper([&] {
        HWND dialog = waitForWindow([&] { return findThreadWindow(thread, L"JRE Not Found"); });
        if (!dialog) return;
        if (prepare) prepare(dialog);
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Sleep(300);  // the window surface reaches the X server shortly after painting
        shot.image = captureScreen(dialog);
        shot.link = placeIn(dialog, GetDlgItem(dialog, IDC_DOWNLOAD_LINK));
        shot.message = placeIn(dialog, GetDlgItem(dialog, IDC_MESSAGE));
        shot.messageText = windowText(GetDlgItem(dialog, IDC_MESSAGE));
        shot.linkText = windowText(GetDlgItem(dialog, IDC_DOWNLOAD_LINK));
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    runJreNotFoundDialog(message, nullptr,
                         [type](const std::wstring& folder) { return resolveJvmLibrary(systemRuntimeProbe(), folder, type); });
    helper.join();
    return shot;
}

// Pixels in `r` that are clearly darker than the dialog's face colour (text).
int darkPixels(const Image& image, const RECT& r) {
    int n = 0;
    for (int y = r.top; y < r.bottom && y < image.height; ++y) {
        for (int x = r.left; x < r.right && x < image.width; ++x) {
            uint32_t p = image.at(x, y);
            int sum = static_cast<int>(((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF));
            if (sum < 3 * 96) ++n;
        }
    }
    return n;
}

std::wstring notFoundMessage(unsigned id, const JavaVersion& minimum, const JavaVersion& maximum) {
    return formatMessage(loadMessage(id), {requirementPhrase(minimum, maximum)});
}

TEST(JreDialogScreenshot, MessageShowsTheRequirementAndTheLinkIsUnderlinedInTheLinkColour) {
    RegistryValueGuard anchor(kSettingsKey, L"Anchor Color");
    RegistryValueGuard visited(kSettingsKey, L"Anchor Color Visited");
    anchor.remove();
    visited.remove();

    std::wstring phrase = requirementPhrase(JavaVersion::parse(L"1.8", 65535), JavaVersion());
    ASSERT_FALSE(phrase.empty());
    std::wstring message = notFoundMessage(IDS_JRE_NOT_FOUND, JavaVersion::parse(L"1.8", 65535), JavaVersion());
    Shot shot = takeShot(JvmType::Default, message);
    ASSERT_GT(shot.image.width, 0);
    EXPECT_TRUE(savePng(screenshotFolder() + L"\\jre-not-found.png", shot.image));

    EXPECT_NE(shot.messageText.find(L"(" + phrase + L")"), std::wstring::npos) << narrow(shot.messageText);
    EXPECT_EQ(shot.messageText.find(L"Please  download"), 50u);
    EXPECT_GT(darkPixels(shot.image, shot.message), 100) << "the message is not drawn";

    // The underline: one row of the link colour most of the control wide, in its lower half.
    int row = -1;
    int run = longestRun(shot.image, rgbOf(kDefaultLinkColor), &shot.link, &row);
    long width = shot.link.right - shot.link.left;
    EXPECT_GE(run, width * 6 / 10) << "no underline in the link colour";
    EXPECT_GE(row, (shot.link.top + shot.link.bottom) / 2);
    EXPECT_EQ(shot.linkText.rfind(L"https://", 0), 0u);
}

TEST(JreDialogScreenshot, ServerWordingAndTheUsersLinkColour) {
    RegistryValueGuard anchor(kSettingsKey, L"Anchor Color");
    anchor.setString(L"0,128,0");
    JavaVersion minimum = JavaVersion::parse(L"1.6", 65535);
    JavaVersion maximum = JavaVersion::parse(L"1.7", 65535);
    std::wstring message = notFoundMessage(IDS_JRE_NOT_FOUND_SERVER, minimum, maximum);
    Shot shot = takeShot(JvmType::Server, message);
    ASSERT_GT(shot.image.width, 0);
    EXPECT_TRUE(savePng(screenshotFolder() + L"\\jre-not-found-server.png", shot.image));
    EXPECT_NE(shot.messageText.find(L"with a server JVM (" + requirementPhrase(minimum, maximum) + L")"),
              std::wstring::npos)
        << narrow(shot.messageText);
    long width = shot.link.right - shot.link.left;
    EXPECT_GE(longestRun(shot.image, 0x008000, &shot.link), width * 6 / 10) << "no green underline";
    EXPECT_EQ(longestRun(shot.image, rgbOf(kDefaultLinkColor), &shot.link), 0);
}

}  // namespace
