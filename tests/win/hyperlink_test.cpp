// The hyperlink control on a static inside a plain window of this thread:
// binding, layout, link colours from the registry, the pointer, clicks and keys
// that open its address, painting, and the unbinding when the window goes.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "support/process.h"
#include "ui/hyperlink_win.h"
#include "ui/link_color.h"
#include "support/ui_support.h"

using namespace testing_support;
using namespace ui_test;

namespace {

const wchar_t kSettingsKey[] = L"Software\\Microsoft\\Internet Explorer\\Settings";

void pump(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

bool pumpUntil(const std::function<bool()>& condition, DWORD ms = 10000) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > ms) return false;
        pump(20);
    }
    return true;
}

LPARAM at(LONG x, LONG y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

// A window with one static text control, the way a dialog holds control 205.
class LinkHost {
public:
    LinkHost(const std::wstring& text, DWORD staticStyle = SS_LEFT, int width = 300) {
        static bool registered = false;
        if (!registered) {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = DefWindowProcW;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"LinkHostWindow";
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            RegisterClassW(&wc);
            registered = true;
        }
        host = CreateWindowExW(0, L"LinkHostWindow", L"link host", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 200, 200,
                               width + 60, 120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        label = CreateWindowExW(0, L"Static", text.c_str(), WS_CHILD | WS_VISIBLE | staticStyle, 10, 10, width, 30,
                                host, reinterpret_cast<HMENU>(205), GetModuleHandleW(nullptr), nullptr);
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetForegroundWindow(host);
        pump(50);
    }
    ~LinkHost() {
        if (IsWindow(host)) DestroyWindow(host);
        pump(10);
    }
    LinkHost(const LinkHost&) = delete;
    LinkHost& operator=(const LinkHost&) = delete;

    // Makes this window active and the link the focus, waiting for other windows to let go.
    bool focusLink() const {
        return pumpUntil([&] {
            SetForegroundWindow(host);
            SetFocus(label);
            pump(30);
            return GetForegroundWindow() == host && GetFocus() == label;
        }, 5000);
    }

    // The link's text rectangle in screen coordinates.
    POINT screenPoint(const RECT& labelRect, LONG dx, LONG dy) const {
        POINT p = {labelRect.left + dx, labelRect.top + dy};
        ClientToScreen(label, &p);
        return p;
    }

    HWND host = nullptr;
    HWND label = nullptr;
    HFONT font = nullptr;
};

int count(const Image& image, uint32_t color) {
    int n = 0;
    for (uint32_t p : image.pixels) n += p == color;
    return n;
}

// Link colours as the user's settings give them, put back after the test.
class ColourSettings {
public:
    ColourSettings() : anchor_(kSettingsKey, L"Anchor Color"), visited_(kSettingsKey, L"Anchor Color Visited") {
        anchor_.remove();
        visited_.remove();
    }
    RegistryValueGuard& anchor() { return anchor_; }
    RegistryValueGuard& visited() { return visited_; }

private:
    RegistryValueGuard anchor_;
    RegistryValueGuard visited_;
};

// A batch file that notes each time the shell opens it.
struct OpenTarget {
    OpenTarget() {
        static int n = 0;
        folder = workRoot() + L"\\link-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++n);
        removeTree(folder);
        marker = folder + L"\\opened.txt";
        script = folder + L"\\open.bat";
        writeTextFile(script, "@echo opened>>\"" + narrow(marker) + "\"\r\n");
    }
    ~OpenTarget() { removeTree(folder); }
    int opened() const {
        std::string text;
        if (!readTextFile(marker, text)) return 0;
        int lines = 0;
        for (char c : text) lines += c == '\n';
        return lines;
    }
    std::wstring folder, marker, script;
};

TEST(Hyperlink, BindSubclassesTheStaticAndAddsNotifyTheTooltipAndTheUnderlinedFont) {
    ColourSettings colours;
    LinkHost host(L"https://example.invalid/");
    WNDPROC staticProcedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(host.label, GWLP_WNDPROC));
    ASSERT_FALSE(GetWindowLongW(host.label, GWL_STYLE) & SS_NOTIFY);
    ui::HyperlinkControl link;
    ASSERT_TRUE(link.bind(host.label, host.font));
    EXPECT_FALSE(link.bind(host.label, host.font)) << "a second bind";

    EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(host.label, GWLP_WNDPROC)), staticProcedure);
    EXPECT_TRUE(GetWindowLongW(host.label, GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ(link.url(), L"https://example.invalid/");
    EXPECT_EQ(SendMessageW(host.label, WM_GETDLGCODE, 0, 0), DLGC_WANTCHARS);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(host.label, WM_GETFONT, 0, 0)), host.font);
    EXPECT_EQ(link.linkColor(), RGB(0, 0, 255));
    EXPECT_EQ(link.visitedColor(), RGB(128, 0, 128));
    EXPECT_FALSE(link.visited());

    LOGFONTW normal = {}, underlined = {};
    GetObjectW(host.font, sizeof normal, &normal);
    ASSERT_NE(link.linkFont(), nullptr);
    GetObjectW(link.linkFont(), sizeof underlined, &underlined);
    EXPECT_TRUE(underlined.lfUnderline);
    EXPECT_EQ(underlined.lfHeight, normal.lfHeight);
    EXPECT_STREQ(underlined.lfFaceName, normal.lfFaceName);

    // The text rectangle: measured at the top left, narrower than the static.
    RECT client;
    GetClientRect(host.label, &client);
    RECT label = link.labelRect();
    EXPECT_EQ(label.left, 0);
    EXPECT_EQ(label.top, 0);
    EXPECT_GT(label.right, 40);
    EXPECT_LT(label.right, client.right);
    EXPECT_GT(label.bottom, 5);

    // The tooltip (common controls): one tool over the text, showing the address.
    ASSERT_NE(link.tooltip(), nullptr);
    wchar_t className[32] = {};
    GetClassNameW(link.tooltip(), className, 32);
    EXPECT_STREQ(className, L"tooltips_class32");
    // The manifest asks for version 6 of the common controls: the side-by-side
    // assembly is the one loaded (Wine's copy reports 5.x from DllGetVersion).
    wchar_t controls[MAX_PATH] = {};
    GetModuleFileNameW(GetModuleHandleW(L"comctl32.dll"), controls, MAX_PATH);
    std::wstring controlsPath = controls;
    EXPECT_NE(controlsPath.find(L"common-controls_6595b64144ccf1df_6.0."), std::wstring::npos) << narrow(controlsPath);
    EXPECT_EQ(SendMessageW(link.tooltip(), TTM_GETTOOLCOUNT, 0, 0), 1);
    wchar_t tipText[80] = {};
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = host.label;
    tool.uId = 1;
    tool.lpszText = tipText;
    ASSERT_TRUE(SendMessageW(link.tooltip(), TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)));
    EXPECT_TRUE(EqualRect(&tool.rect, &label));
    EXPECT_STREQ(tipText, L"https://example.invalid/");
}

TEST(Hyperlink, CentredAndRightAlignedTextMovesItsRectangle) {
    ColourSettings colours;
    LinkHost centred(L"centred", SS_CENTER);
    LinkHost right(L"centred", SS_RIGHT);
    LinkHost left(L"centred", SS_LEFT);
    ui::HyperlinkControl c, r, l;
    ASSERT_TRUE(c.bind(centred.label, centred.font));
    ASSERT_TRUE(r.bind(right.label, right.font));
    ASSERT_TRUE(l.bind(left.label, left.font));
    RECT client;
    GetClientRect(centred.label, &client);
    long width = l.labelRect().right;
    EXPECT_EQ(c.labelRect().left, (client.right - width) / 2);
    EXPECT_EQ(c.labelRect().right - c.labelRect().left, width);
    EXPECT_EQ(r.labelRect().right, client.right);
    EXPECT_EQ(r.labelRect().left, client.right - width);
}

TEST(Hyperlink, ColoursComeFromTheUsersSettingsWhenWellFormed) {
    ColourSettings colours;
    colours.anchor().setString(L"0,128,0");
    colours.visited().setString(L"255,0,0");
    {
        LinkHost host(L"colours");
        ui::HyperlinkControl link;
        ASSERT_TRUE(link.bind(host.label, host.font));
        EXPECT_EQ(link.linkColor(), RGB(0, 128, 0));
        EXPECT_EQ(link.visitedColor(), RGB(255, 0, 0));
    }

    struct Case {
        const wchar_t* what;
        DWORD type;
        std::wstring text;
        bool terminated;
        bool oddLength;
        COLORREF expected;
    };
    const COLORREF blue = RGB(0, 0, 255);
    const Case cases[] = {
        {L"green", REG_SZ, L"0,128,0", true, false, RGB(0, 128, 0)},
        {L"one comma", REG_SZ, L"12,34", true, false, blue},
        {L"nothing after the second comma", REG_SZ, L"1,2,", true, false, blue},
        {L"11 characters", REG_SZ, L"255,255,255", true, false, RGB(255, 255, 255)},
        {L"12 characters", REG_SZ, L"255,255,0255", true, false, blue},
        {L"signs and spaces", REG_SZ, L" +1, -2,3", true, false, RGB(1, 254, 3)},
        {L"300 and -2", REG_SZ, L"300,-2,0", true, false, RGB(44, 254, 0)},
        {L"-1 in green", REG_SZ, L"0,-1,0", true, false, blue},
        {L"expandable, not expanded", REG_EXPAND_SZ, L"%A%,9,9", true, false, RGB(0, 9, 9)},
        {L"a number type", REG_DWORD, L"0,128,0", true, false, blue},
        {L"no terminator", REG_SZ, L"0,128,0", false, false, blue},
        {L"odd length", REG_SZ, L"0,128,0", true, true, blue},
        {L"empty", REG_SZ, L"", true, false, blue},
    };
    colours.visited().remove();
    for (const Case& c : cases) {
        std::vector<unsigned char> bytes;
        for (wchar_t ch : c.text) {
            bytes.push_back(static_cast<unsigned char>(ch & 0xFF));
            bytes.push_back(static_cast<unsigned char>(ch >> 8));
        }
        if (c.terminated) bytes.insert(bytes.end(), {0, 0});
        if (c.oddLength) bytes.push_back(0);
        // A character follows the data: the registry adds no terminator on its own then.
        DWORD size = static_cast<DWORD>(bytes.size());
        bytes.insert(bytes.end(), {'X', 0, 0, 0});
        colours.anchor().setRaw(c.type, bytes.data(), size);
        uint32_t link = kDefaultLinkColor, visited = kDefaultVisitedColor;
        ui::readLinkColors(link, visited);
        EXPECT_EQ(link, c.expected) << narrow(c.what);
        EXPECT_EQ(visited, kDefaultVisitedColor) << narrow(c.what);
    }
    // Both values missing: the defaults.
    colours.anchor().remove();
    uint32_t link = 1, visited = 2;
    ui::readLinkColors(link, visited);
    EXPECT_EQ(link, 1u);
    EXPECT_EQ(visited, 2u);
}

TEST(Hyperlink, ThePointerIsAHandOnlyOverTheText) {
    ColourSettings colours;
    LinkHost host(L"short");
    ui::HyperlinkControl link;
    ASSERT_TRUE(link.bind(host.label, host.font));
    HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    RECT label = link.labelRect();
    RECT client;
    GetClientRect(host.label, &client);
    ASSERT_LT(label.right + 20, client.right);

    // The real pointer, moved over the text and then over the static's empty part.
    POINT over = host.screenPoint(label, 2, 2);
    SetCursorPos(over.x, over.y);
    EXPECT_TRUE(pumpUntil([&] { return GetCursor() == hand; }, 3000)) << "no hand over the text";
    POINT beside = host.screenPoint(label, label.right - label.left + 15, 2);
    SetCursorPos(beside.x, beside.y);
    EXPECT_TRUE(pumpUntil([&] { return GetCursor() == arrow; }, 3000)) << "still a hand beside the text";

    // The same through the messages themselves.
    SetCursor(arrow);
    SendMessageW(host.label, WM_MOUSEMOVE, 0, at(label.left + 1, label.top + 1));
    EXPECT_EQ(GetCursor(), hand);
    SetCursor(arrow);
    SendMessageW(host.label, WM_MOUSEMOVE, 0, at(label.right + 10, label.top + 1));
    EXPECT_EQ(GetCursor(), arrow);
    // Over the text WM_SETCURSOR answers 1 and leaves the hand; beside it the static sets its arrow.
    SetCursorPos(over.x, over.y);
    SetCursor(hand);
    EXPECT_EQ(SendMessageW(host.label, WM_SETCURSOR, reinterpret_cast<WPARAM>(host.label), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
    EXPECT_EQ(GetCursor(), hand);
    SetCursorPos(beside.x, beside.y);
    SendMessageW(host.label, WM_SETCURSOR, reinterpret_cast<WPARAM>(host.label), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), arrow);
}

void typeKey(WORD key) {
    INPUT input[2] = {};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = key;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
    pump(100);
}

void click(POINT p, POINT release) {
    SetCursorPos(p.x, p.y);
    pump(50);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &input, sizeof input);
    pump(50);
    SetCursorPos(release.x, release.y);
    pump(50);
    input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
    pump(100);
}

TEST(Hyperlink, AClickOnTheTextOpensTheAddressAndSpaceOrEnterOpenItAgain) {
    ColourSettings colours;
    OpenTarget target;
    LinkHost host(target.script, SS_LEFT, 560);
    ui::HyperlinkControl link;
    ASSERT_TRUE(link.bind(host.label, host.font));
    HWND other = CreateWindowExW(0, L"Button", L"other", WS_CHILD | WS_VISIBLE, 10, 50, 60, 20, host.host, nullptr,
                                 nullptr, nullptr);
    SetFocus(other);
    RECT label = link.labelRect();
    RECT client;
    GetClientRect(host.label, &client);
    ASSERT_LT(label.right, client.right) << "the static needs room beside its text";

    // A press beside the text does nothing, not even take the focus.
    POINT beside = host.screenPoint(label, label.right - label.left + 5, 2);
    click(beside, beside);
    EXPECT_EQ(GetFocus(), other);
    // A press on the text takes the focus and the mouse; released outside it opens nothing.
    POINT over = host.screenPoint(label, 3, 3);
    SetCursorPos(over.x, over.y);
    pump(50);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &input, sizeof input);
    pump(100);
    EXPECT_EQ(GetFocus(), host.label);
    EXPECT_EQ(GetCapture(), host.label);
    SetCursorPos(beside.x, beside.y + 40);
    pump(50);
    input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
    pump(100);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(link.visited());

    // A click on the text opens the address: the shell runs the batch file.
    // (Waiting out the double-click time: a quick second press is a double click.)
    Sleep(GetDoubleClickTime() + 50);
    click(over, over);
    EXPECT_TRUE(link.visited());
    EXPECT_TRUE(pumpUntil([&] { return target.opened() == 1; })) << "the shell did not open the address";

    // Space and Enter typed while the link has the focus open it again; other keys do not.
    // (The shell's console for the batch file may take the activation for a moment.)
    ASSERT_TRUE(host.focusLink());
    typeKey('A');
    typeKey(VK_SPACE);
    EXPECT_TRUE(pumpUntil([&] { return target.opened() == 2; })) << "Space did not open it";
    ASSERT_TRUE(host.focusLink());
    typeKey(VK_RETURN);
    EXPECT_TRUE(pumpUntil([&] { return target.opened() == 3; })) << "Enter did not open it";
    pump(300);
    EXPECT_EQ(target.opened(), 3);
}

TEST(Hyperlink, AnAddressThatCannotBeOpenedStaysUnvisited) {
    ColourSettings colours;
    LinkHost host(workRoot() + L"\\no-such-folder\\nothing.xyz", SS_LEFT, 560);
    ui::HyperlinkControl link;
    ASSERT_TRUE(link.bind(host.label, host.font));
    RECT label = link.labelRect();
    SendMessageW(host.label, WM_LBUTTONDOWN, MK_LBUTTON, at(label.left + 2, label.top + 2));
    EXPECT_EQ(GetCapture(), host.label);
    SendMessageW(host.label, WM_LBUTTONUP, 0, at(label.left + 2, label.top + 2));
    EXPECT_EQ(GetCapture(), nullptr);
    pump(100);
    EXPECT_FALSE(link.visited());
}

TEST(Hyperlink, PaintsUnderlinedInTheLinkVisitedOrGreyColour) {
    ColourSettings colours;
    colours.anchor().setString(L"0,128,0");
    colours.visited().setString(L"200,0,0");
    OpenTarget target;
    LinkHost host(target.script, SS_LEFT, 560);
    ui::HyperlinkControl link;
    ASSERT_TRUE(link.bind(host.label, host.font));
    long textWidth = link.labelRect().right - link.labelRect().left;

    int row = -1;
    Image fresh = printClient(host.label);
    EXPECT_GE(longestRun(fresh, 0x008000, nullptr, &row), textWidth * 9 / 10) << "no underline in the link colour";
    EXPECT_GT(row, link.labelRect().bottom / 2);
    EXPECT_EQ(count(fresh, 0xC80000), 0);

    // What the screen shows (WM_PAINT) has the same underline.
    RedrawWindow(host.host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump(300);
    Image screen = captureScreen(host.label);
    EXPECT_GE(longestRun(screen, 0x008000), textWidth * 9 / 10) << "the painted link has no underline";

    link.open();
    ASSERT_TRUE(link.visited());
    Image visited = printClient(host.label);
    EXPECT_GE(longestRun(visited, 0xC80000), textWidth * 9 / 10);
    EXPECT_EQ(count(visited, 0x008000), 0);

    EnableWindow(host.label, FALSE);
    Image disabled = printClient(host.label);
    EXPECT_GE(longestRun(disabled, rgbOf(GetSysColor(COLOR_GRAYTEXT))), textWidth * 9 / 10);
    EXPECT_EQ(count(disabled, 0xC80000), 0);
    EnableWindow(host.label, TRUE);
    EXPECT_GE(longestRun(printClient(host.label), 0xC80000), textWidth * 9 / 10);
    pumpUntil([&] { return target.opened() == 1; });
}

TEST(Hyperlink, ANewFontIsUnderlinedAndMeasuredAgain) {
    ColourSettings colours;
    LinkHost host(L"font change");
    ui::HyperlinkControl link;
    ASSERT_TRUE(link.bind(host.label, host.font));
    RECT before = link.labelRect();
    LOGFONTW big = {};
    GetObjectW(host.font, sizeof big, &big);
    big.lfHeight = big.lfHeight < 0 ? big.lfHeight * 2 : -24;
    platform::GdiObject bigFont(CreateFontIndirectW(&big));
    SendMessageW(host.label, WM_SETFONT, reinterpret_cast<WPARAM>(bigFont.get()), TRUE);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(host.label, WM_GETFONT, 0, 0)), bigFont.get());
    LOGFONTW now = {};
    GetObjectW(link.linkFont(), sizeof now, &now);
    EXPECT_TRUE(now.lfUnderline);
    EXPECT_EQ(now.lfHeight, big.lfHeight);
    EXPECT_GT(link.labelRect().right, before.right);
    EXPECT_GT(link.labelRect().bottom, before.bottom);
}

// Records, right after each WM_NCDESTROY, which procedure the window then has.
HHOOK destroyHook = nullptr;
HWND watched = nullptr;
WNDPROC procedureAfterNcDestroy = nullptr;

LRESULT CALLBACK afterCall(int code, WPARAM wParam, LPARAM lParam) {
    auto* info = reinterpret_cast<CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && info->hwnd == watched && info->message == WM_NCDESTROY) {
        procedureAfterNcDestroy = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(info->hwnd, GWLP_WNDPROC));
    }
    return CallNextHookEx(destroyHook, code, wParam, lParam);
}

TEST(Hyperlink, DestroyingTheWindowFreesTheTooltipAndFontAndPutsTheProcedureBack) {
    ColourSettings colours;
    LinkHost host(L"going");
    WNDPROC staticProcedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(host.label, GWLP_WNDPROC));
    ui::HyperlinkControl link;
    ASSERT_TRUE(link.bind(host.label, host.font));
    HWND tooltip = link.tooltip();
    HFONT linkFont = link.linkFont();
    ASSERT_TRUE(IsWindow(tooltip));
    ASSERT_NE(GetObjectType(linkFont), 0u);

    watched = host.label;
    destroyHook = SetWindowsHookExW(WH_CALLWNDPROCRET, afterCall, nullptr, GetCurrentThreadId());
    ASSERT_NE(destroyHook, nullptr);
    DestroyWindow(host.label);
    UnhookWindowsHookEx(destroyHook);
    EXPECT_EQ(procedureAfterNcDestroy, staticProcedure);
    EXPECT_FALSE(IsWindow(tooltip));
    EXPECT_EQ(GetObjectType(linkFont), 0u);
    EXPECT_EQ(link.window(), nullptr);
}

TEST(Hyperlink, AControlDroppedBeforeItsWindowGivesTheWindowBack) {
    ColourSettings colours;
    LinkHost host(L"kept");
    WNDPROC staticProcedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(host.label, GWLP_WNDPROC));
    {
        ui::HyperlinkControl link;
        ASSERT_TRUE(link.bind(host.label, host.font));
    }
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(host.label, GWLP_WNDPROC)), staticProcedure);
    EXPECT_EQ(windowText(host.label), L"kept");
    RedrawWindow(host.label, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

}  // namespace
