// The "JRE Not Found" dialog, shown by runJreNotFoundDialog on the test's
// main thread and driven from a helper thread the way a user would: the shell's
// folder browser is opened with "Browse...", a folder is selected in it and its
// OK pressed; then OK, Cancel, Esc or the close box of the dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <thread>

#include "launcher/launcher.h"
#include "launcher/messages.h"
#include "resources/resource.h"
#include "runtime/java_version.h"
#include "support/process.h"
#include "ui/jre_dialog.h"
#include "ui_support.h"

using namespace testing_support;
using namespace ui_test;

namespace {

const wchar_t kCaption[] = L"JRE Not Found";

// Runs the dialog on this thread while `script` drives it from another one.
// Whatever the script leaves open is cancelled, so a failing script cannot hang the test.
JreDialogResult runScripted(JvmType type, const std::wstring& message, HWND owner,
                            const std::function<void(HWND dialog)>& script, bool* dialogSeen = nullptr) {
    DWORD thread = GetCurrentThreadId();
    bool seen = false;
    std::thread helper([&] {
        HWND dialog = waitForWindow([&] { return findThreadWindow(thread, kCaption); });
        if (!dialog) return;
        seen = true;
        script(dialog);
        if (!waitUntil([&] { return !IsWindow(dialog); }, 10000)) {
            if (HWND browser = findOwnedDialog(dialog)) PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
    JreDialogResult r = runJreNotFoundDialog(type, message, owner);
    helper.join();
    if (dialogSeen) *dialogSeen = seen;
    return r;
}

// What the folder browser showed and did.
struct BrowseOutcome {
    bool opened = false;
    bool closed = false;
    std::wstring title;      // the text of the browser's title line (string 214)
    bool newFolderButton = false;
};

std::wstring selectedItem(HWND browser) {
    HWND tree = findChildOfClass(browser, L"SysTreeView32");
    if (!tree) return L"<no tree>";
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) return L"<none>";
    wchar_t text[260] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = 260;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return text;
}

// Presses "Browse...", selects `folder` in the shell's folder browser and
// presses its OK (or Cancel when `cancel` is set).
BrowseOutcome browseTo(HWND dialog, const std::wstring& folder, bool cancel = false) {
    BrowseOutcome out;
    PostMessageW(GetDlgItem(dialog, IDC_BROWSE), BM_CLICK, 0, 0);
    HWND browser = waitForWindow([&] { return findOwnedDialog(dialog); });
    if (!browser) return out;
    out.opened = true;
    out.title = findChildWithText(browser, loadMessage(IDS_BROWSE_TITLE)) ? loadMessage(IDS_BROWSE_TITLE) : L"";
    HWND newFolder = findChildWithText(browser, L"&Make New Folder");
    out.newFolderButton = newFolder && IsWindowVisible(newFolder);
    std::wstring leaf = folder.substr(folder.find_last_of(L'\\') + 1);
    for (int i = 0; i < 20 && !cancel; ++i) {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
        if (selectedItem(browser) == leaf) break;
        Sleep(200);
    }
    PostMessageW(GetDlgItem(browser, cancel ? IDCANCEL : IDOK), BM_CLICK, 0, 0);
    out.closed = waitUntil([&] { return !IsWindow(browser); });
    // The dialog handles the browser's answer before it reads messages again.
    SendMessageW(dialog, WM_NULL, 0, 0);
    return out;
}

bool okEnabled(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != 0; }
std::wstring pathText(HWND dialog) { return windowText(GetDlgItem(dialog, IDC_JRE_PATH)); }

class JreDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root = workRoot() + L"\\jre-dialog-" + std::to_wstring(GetCurrentProcessId());
        removeTree(root);
        writeTextFile(root + L"\\client-jre\\bin\\client\\jvm.dll", "stand-in");
        writeTextFile(root + L"\\server-jre\\bin\\server\\jvm.dll", "stand-in");
        makeFolders(root + L"\\empty");
    }
    static void TearDownTestSuite() { removeTree(root); }

    static std::wstring root;
};
std::wstring JreDialog::root;

TEST_F(JreDialog, BrowsingToARuntimeEnablesOkWhichReturnsTheFolderAndItsLibrary) {
    std::wstring folder = root + L"\\client-jre";
    bool okAtStart = true;
    std::wstring message;
    std::wstring pathAfter;
    bool okAfter = false;
    bool iconSet = false;
    BrowseOutcome browsed;
    JreDialogResult r = runScripted(JvmType::Default, L"the message", nullptr, [&](HWND dialog) {
        okAtStart = okEnabled(dialog);
        message = windowText(GetDlgItem(dialog, IDC_MESSAGE));
        iconSet = SendMessageW(GetDlgItem(dialog, IDC_ERROR_ICON), STM_GETICON, 0, 0) != 0;
        browsed = browseTo(dialog, folder);
        pathAfter = pathText(dialog);
        okAfter = okEnabled(dialog);
        PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_FALSE(okAtStart);
    EXPECT_EQ(message, L"the message");
    EXPECT_TRUE(iconSet);
    ASSERT_TRUE(browsed.opened);
    EXPECT_TRUE(browsed.closed);
    EXPECT_EQ(browsed.title, L"Browse for JRE folder");
    EXPECT_FALSE(browsed.newFolderButton);
    EXPECT_EQ(pathAfter, folder);
    EXPECT_TRUE(okAfter);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.chosenFolder, folder + L"\\");
    EXPECT_EQ(r.jvmLibrary, folder + L"\\bin\\client\\jvm.dll");
}

}  // namespace
