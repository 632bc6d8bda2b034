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

#include "runtime/discovery.h"
#include "runtime/policy.h"
#include "base/messages.h"
#include "resources/resource.h"
#include "runtime/java_version.h"
#include "support/process.h"
#include "ui/jre_dialog.h"
#include "support/ui_support.h"

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
    JreDialogResult r = runJreNotFoundDialog(
        message, owner, [type](const std::wstring& folder) { return resolveJvmLibrary(systemRuntimeProbe(), folder, type); });
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
    bool selected = false;   // the tree showed the folder as selected before OK
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
    // The browser fills its tree after it shows: select until the tree shows the folder.
    std::wstring leaf = folder.substr(folder.find_last_of(L'\\') + 1);
    std::wstring drive = folder.substr(0, 2);
    for (int i = 0; i < 25 && !cancel; ++i) {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
        std::wstring item = selectedItem(browser);
        out.selected = leaf.empty() ? item.find(drive) != std::wstring::npos : item == leaf;
        if (out.selected) break;
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
    EXPECT_TRUE(browsed.selected);
    EXPECT_TRUE(browsed.closed);
    EXPECT_EQ(browsed.title, L"Browse for JRE folder");
    EXPECT_FALSE(browsed.newFolderButton);
    EXPECT_EQ(pathAfter, folder);
    EXPECT_TRUE(okAfter);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.chosenFolder, folder + L"\\");
    EXPECT_EQ(r.jvmLibrary, folder + L"\\bin\\client\\jvm.dll");
}

TEST_F(JreDialog, AServerTypeNeedsTheServerLibraryAndOkFollowsTheLatestFolder) {
    std::wstring client = root + L"\\client-jre";
    std::wstring server = root + L"\\server-jre";
    std::wstring empty = root + L"\\empty";
    BrowseOutcome first, second, third;
    std::wstring pathAfterClient, pathAfterEmpty;
    bool okAfterClient = true, okAfterServer = false, okAfterEmpty = true;
    bool openAfterOkCommand = false;
    JreDialogResult r = runScripted(JvmType::Server, L"server", nullptr, [&](HWND dialog) {
        first = browseTo(dialog, client);
        pathAfterClient = pathText(dialog);
        okAfterClient = okEnabled(dialog);
        second = browseTo(dialog, server);
        okAfterServer = okEnabled(dialog);
        third = browseTo(dialog, empty);
        pathAfterEmpty = pathText(dialog);
        okAfterEmpty = okEnabled(dialog);
        // An OK command without a library (from another program) does not end the dialog.
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        openAfterOkCommand = IsWindow(dialog) != 0;
        PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(first.selected && second.selected && third.selected);
    // Only bin\server\jvm.dll counts for a server VM: the path shows, OK stays off.
    EXPECT_EQ(pathAfterClient, client);
    EXPECT_FALSE(okAfterClient);
    EXPECT_TRUE(okAfterServer);
    // A later folder without a library switches OK off again.
    EXPECT_EQ(pathAfterEmpty, empty);
    EXPECT_FALSE(okAfterEmpty);
    EXPECT_TRUE(openAfterOkCommand);
    EXPECT_EQ(r.result, 2);
    EXPECT_EQ(r.chosenFolder, L"");
    EXPECT_EQ(r.jvmLibrary, L"");
}

TEST_F(JreDialog, CancellingTheBrowserKeepsTheLastChoice) {
    std::wstring server = root + L"\\server-jre";
    BrowseOutcome cancelled;
    std::wstring pathAfterCancel;
    bool okAfterCancel = false;
    JreDialogResult r = runScripted(JvmType::FavorServer, L"favour", nullptr, [&](HWND dialog) {
        browseTo(dialog, server);
        cancelled = browseTo(dialog, root + L"\\empty", true);
        pathAfterCancel = pathText(dialog);
        okAfterCancel = okEnabled(dialog);
        PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(cancelled.opened && cancelled.closed);
    EXPECT_EQ(pathAfterCancel, server);
    EXPECT_TRUE(okAfterCancel);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.chosenFolder, server + L"\\");
    EXPECT_EQ(r.jvmLibrary, server + L"\\bin\\server\\jvm.dll");
}

TEST_F(JreDialog, ADriveRootGetsNoSecondSeparator) {
    // C: of the test prefix becomes a runtime for this test.
    std::wstring library = L"C:\\bin\\client\\jvm.dll";
    ASSERT_FALSE(pathExists(L"C:\\bin")) << "C:\\bin is in the way";
    ASSERT_TRUE(writeTextFile(library, "stand-in"));
    BrowseOutcome browsed;
    std::wstring path;
    JreDialogResult r = runScripted(JvmType::Default, L"root", nullptr, [&](HWND dialog) {
        browsed = browseTo(dialog, L"C:\\");
        path = pathText(dialog);
        PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    });
    removeTree(L"C:\\bin");
    EXPECT_TRUE(browsed.selected);
    EXPECT_EQ(path, L"C:\\");
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.chosenFolder, L"C:\\");
    EXPECT_EQ(r.jvmLibrary, library);
}

// Presses a key the way a keyboard does: into the input queue of the active window.
void pressKey(WORD key) {
    INPUT input[2] = {};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = key;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

TEST_F(JreDialog, CancelEscapeAndTheCloseBoxAnswerTwo) {
    bool seen = false;
    JreDialogResult byButton = runScripted(JvmType::Default, L"m", nullptr, [&](HWND dialog) {
        PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    }, &seen);
    EXPECT_TRUE(seen);
    EXPECT_EQ(byButton.result, 2);

    bool wasForeground = false;
    JreDialogResult byEscape = runScripted(JvmType::Default, L"m", nullptr, [&](HWND dialog) {
        wasForeground = waitUntil([&] { return GetForegroundWindow() == dialog; }, 5000);
        pressKey(VK_ESCAPE);
    });
    EXPECT_TRUE(wasForeground);
    EXPECT_EQ(byEscape.result, 2);

    JreDialogResult byCloseBox = runScripted(JvmType::Default, L"m", nullptr, [&](HWND dialog) {
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(byCloseBox.result, 2);

    // Enter presses the default button, which is off until a runtime is chosen.
    bool openAfterEnter = false;
    JreDialogResult byEnter = runScripted(JvmType::Default, L"m", nullptr, [&](HWND dialog) {
        waitUntil([&] { return GetForegroundWindow() == dialog; }, 5000);
        pressKey(VK_RETURN);
        Sleep(300);
        openAfterEnter = IsWindow(dialog) != 0;
        pressKey(VK_ESCAPE);
    });
    EXPECT_TRUE(openAfterEnter);
    EXPECT_EQ(byEnter.result, 2);
}

// Where the dialog appears: on its owner, or on the monitor's work area.
RECT shownRect(HWND owner) {
    RECT rect = {};
    runScripted(JvmType::Default, L"m", owner, [&](HWND dialog) {
        GetWindowRect(dialog, &rect);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    return rect;
}

HWND makeOwner(int x, int y, int w, int h, bool visible) {
    HWND owner = CreateWindowExW(0, L"Static", L"owner", WS_OVERLAPPED | WS_CAPTION | (visible ? WS_VISIBLE : 0), x,
                                 y, w, h, nullptr, nullptr, nullptr, nullptr);
    return owner;
}

TEST_F(JreDialog, IsCentredOnItsOwnerOrOnTheWorkArea) {
    HMONITOR monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoW(monitor, &info));
    RECT work = info.rcWork;

    RECT alone = shownRect(nullptr);
    long width = alone.right - alone.left;
    long height = alone.bottom - alone.top;
    ASSERT_GT(width, 100);
    EXPECT_EQ(alone.left, (work.left + work.right) / 2 - width / 2);
    EXPECT_EQ(alone.top, (work.top + work.bottom) / 2 - height / 2);

    HWND owner = makeOwner(40, 60, 600, 500, true);
    RECT onOwner = shownRect(owner);
    EXPECT_EQ(onOwner.left, (40 + 640) / 2 - width / 2);
    EXPECT_EQ(onOwner.top, (60 + 560) / 2 - height / 2);
    // An owner in the bottom-right corner: the dialog stays inside the work area.
    SetWindowPos(owner, nullptr, work.right - 100, work.bottom - 80, 200, 160, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT inCorner = shownRect(owner);
    EXPECT_EQ(inCorner.right, work.right);
    EXPECT_EQ(inCorner.bottom, work.bottom);
    // A hidden owner does not count.
    ShowWindow(owner, SW_HIDE);
    RECT hiddenOwner = shownRect(owner);
    EXPECT_EQ(hiddenOwner.left, alone.left);
    EXPECT_EQ(hiddenOwner.top, alone.top);
    DestroyWindow(owner);
}

// The carried exception dialog: its template loads with its texts and buttons.
INT_PTR CALLBACK quietProcedure(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

TEST(JavaExceptionDialog, TemplateCarriesItsTextsAndButtons) {
    HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_JAVA_EXCEPTION), nullptr,
                                     quietProcedure, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(windowText(dialog), L"Java Exception");
    EXPECT_NE(findChildWithText(dialog, L"Uncaught Exception"), nullptr);
    EXPECT_NE(findChildWithText(dialog, L"The java process has thrown the following uncaught exception:"), nullptr);
    EXPECT_NE(findChildWithText(dialog, L"Press Ignore to continue and ignore the exception or press Stop to close "
                                        L"the application."),
              nullptr);
    EXPECT_NE(findChildWithText(dialog, L"WARNING: If you choose to Stop the application any unsaved data will be "
                                        L"lost."),
              nullptr);
    HWND trace = GetDlgItem(dialog, IDC_EXCEPTION_TEXT);
    ASSERT_NE(trace, nullptr);
    LONG style = GetWindowLongW(trace, GWL_STYLE);
    EXPECT_TRUE((style & ES_MULTILINE) && (style & WS_VSCROLL) && (style & WS_HSCROLL));
    EXPECT_EQ(windowText(GetDlgItem(dialog, IDOK)), L"Ignore");
    EXPECT_EQ(windowText(GetDlgItem(dialog, IDC_EXCEPTION_STOP)), L"Stop");
    EXPECT_EQ(LOWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0)), IDOK);
    DestroyWindow(dialog);
}

}  // namespace
