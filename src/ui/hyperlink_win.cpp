#include "ui/hyperlink_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include "base/registry.h"
#include "ui/link_color.h"
#include "ui/placement.h"

namespace ui {

namespace {

// The window property through which the shared window procedure finds its object.
const wchar_t kObjectProperty[] = L"HyperlinkControl";

const UINT kFirstMouseMessage = 0x200;  // WM_MOUSEMOVE
const UINT kLastMouseMessage = 0x20D;   // WM_MOUSEHWHEEL

void readLinkColor(const platform::RegistryKey& key, const wchar_t* name, uint32_t& color) {
    // A value that does not fit keeps the colour.
    const std::optional<registry::RawValue> value = registry::raw(key, name, kLinkColorValueChars * sizeof(wchar_t));
    if (!value) return;
    uint32_t parsed = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(value->bytes.data());
    if (linkColorFromValue(value->type, bytes, value->bytes.size(), parsed)) color = parsed;
}

}  // namespace

void readLinkColors(uint32_t& linkColor, uint32_t& visitedColor) {
    // Reading needs no write access, and users without write rights to the
    // key must still get their colours.
    const platform::RegistryKey key =
        registry::open(RegistryRoot::CurrentUser, L"Software\\Microsoft\\Internet Explorer\\Settings");
    if (!key) return;
    readLinkColor(key, L"Anchor Color", linkColor);
    readLinkColor(key, L"Anchor Color Visited", visitedColor);
}

HyperlinkControl::~HyperlinkControl() { unbind(); }

bool HyperlinkControl::bind(HWND window, HFONT font) {
    if (window_ || !window) return false;
    if (!SetPropW(window, kObjectProperty, this)) return false;
    window_ = window;
    normalFont_ = font;
    previousProcedure_ =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&procedure)));
    if (!previousProcedure_) {
        RemovePropW(window, kObjectProperty);
        window_ = nullptr;
        return false;
    }

    // A static reports clicks only with SS_NOTIFY.
    wchar_t className[8] = {};
    if (GetClassNameW(window, className, 8) > 0 && lstrcmpiW(className, L"static") == 0) {
        LONG style = GetWindowLongW(window, GWL_STYLE);
        if (!(style & SS_NOTIFY)) SetWindowLongW(window, GWL_STYLE, style | SS_NOTIFY);
    }

    handCursor_ = LoadCursorW(nullptr, IDC_HAND);
    createLinkFont();

    // The tooltip class lives in the common controls, which register it on request.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    tooltip_.reset(CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, window, nullptr, nullptr, nullptr));

    int length = GetWindowTextLengthW(window);
    if (length > 0) {
        labelText_.assign(static_cast<size_t>(length) + 1, L'\0');
        int copied = GetWindowTextW(window, &labelText_[0], length + 1);
        labelText_.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    }
    layOut();

    url_ = labelText_;
    if (tooltip()) {
        SendMessageW(tooltip(), TTM_ACTIVATE, TRUE, 0);
        TOOLINFOW tool = {};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = 0;
        tool.hwnd = window;
        tool.uId = 1;
        tool.rect = labelRect_;
        tool.lpszText = &url_[0];
        SendMessageW(tooltip(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }

    uint32_t link = linkColor_;
    uint32_t visitedColor = visitedColor_;
    readLinkColors(link, visitedColor);
    linkColor_ = link;
    visitedColor_ = visitedColor;
    return true;
}

void HyperlinkControl::unbind() {
    if (!window_) return;
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window_, GWLP_WNDPROC)) == &procedure) {
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProcedure_));
    }
    RemovePropW(window_, kObjectProperty);
    window_ = nullptr;
}

void HyperlinkControl::open() {
    if (url_.empty()) return;
    INT_PTR result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", url_.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32) {
        visited_ = true;
        if (window_) InvalidateRect(window_, nullptr, TRUE);
    }
}

void HyperlinkControl::createLinkFont() {
    LOGFONTW font = {};
    HGDIOBJ source = normalFont_ ? static_cast<HGDIOBJ>(normalFont_) : GetStockObject(SYSTEM_FONT);
    if (GetObjectW(source, sizeof font, &font) == 0) {
        linkFont_.reset();
        return;
    }
    font.lfUnderline = TRUE;
    linkFont_.reset(CreateFontIndirectW(&font));
}

void HyperlinkControl::layOut() {
    RECT client = {0, 0, 0, 0};
    GetClientRect(window_, &client);
    labelRect_ = client;
    LONG style = GetWindowLongW(window_, GWL_STYLE);
    drawFormat_ = DT_WORDBREAK;
    if (style & SS_CENTER) {
        drawFormat_ |= DT_CENTER;
    } else if (style & SS_RIGHT) {
        drawFormat_ |= DT_RIGHT;
    }

    HDC dc = GetDC(window_);
    if (!dc) return;
    HGDIOBJ oldFont = linkFont_.get() ? SelectObject(dc, linkFont_.get()) : nullptr;
    RECT measured = client;
    DrawTextW(dc, labelText_.c_str(), static_cast<int>(labelText_.size()), &measured, DT_CALCRECT | drawFormat_);
    if (oldFont) SelectObject(dc, oldFont);
    ReleaseDC(window_, dc);

    labelRect_.left = client.left;
    labelRect_.top = client.top;
    labelRect_.right = client.left + (measured.right - measured.left);
    labelRect_.bottom = client.top + (measured.bottom - measured.top);
    OffsetRect(&labelRect_, alignmentOffset(static_cast<unsigned long>(style), client.right, labelRect_.right), 0);
}

void HyperlinkControl::paint(HDC dc) {
    RECT client = {0, 0, 0, 0};
    GetClientRect(window_, &client);
    HBRUSH brush = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(window_), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window_)));
    if (brush) FillRect(dc, &client, brush);

    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF color = !IsWindowEnabled(window_) ? GetSysColor(COLOR_GRAYTEXT) : visited_ ? visitedColor_ : linkColor_;
    COLORREF oldColor = SetTextColor(dc, color);
    HGDIOBJ oldFont = linkFont_.get() ? SelectObject(dc, linkFont_.get()) : nullptr;
    if (!labelText_.empty()) {
        RECT target = labelRect_;
        DrawTextW(dc, labelText_.c_str(), static_cast<int>(labelText_.size()), &target, drawFormat_);
    }
    if (GetFocus() == window_) DrawFocusRect(dc, &labelRect_);
    SetTextColor(dc, oldColor);
    if (oldFont) SelectObject(dc, oldFont);
    SetBkMode(dc, oldMode);
}

bool HyperlinkControl::pointInLabel(LPARAM lParam) const {
    POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return PtInRect(&labelRect_, p) != 0;
}

LRESULT HyperlinkControl::passOn(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(previousProcedure_, window_, message, wParam, lParam);
}

LRESULT CALLBACK HyperlinkControl::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<HyperlinkControl*>(GetPropW(window, kObjectProperty));
    if (!self || self->window_ != window) return DefWindowProcW(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT HyperlinkControl::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= kFirstMouseMessage && message <= kLastMouseMessage && tooltip()) {
        MSG relayed = {};
        relayed.hwnd = window_;
        relayed.message = message;
        relayed.wParam = wParam;
        relayed.lParam = lParam;
        relayed.time = static_cast<DWORD>(GetMessageTime());
        DWORD pos = GetMessagePos();
        relayed.pt.x = static_cast<short>(LOWORD(pos));
        relayed.pt.y = static_cast<short>(HIWORD(pos));
        SendMessageW(tooltip(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }

    switch (message) {
    case WM_DESTROY:
        tooltip_.reset();
        linkFont_.reset();
        return passOn(message, wParam, lParam);
    case WM_NCDESTROY: {
        HWND window = window_;
        WNDPROC previous = previousProcedure_;
        LRESULT result = CallWindowProcW(previous, window, message, wParam, lParam);
        unbind();
        return result;
    }
    case WM_SIZE:
        layOut();
        InvalidateRect(window_, nullptr, TRUE);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window_, nullptr, TRUE);
        return 0;
    case WM_ENABLE:
        InvalidateRect(window_, nullptr, TRUE);
        UpdateWindow(window_);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window_, &ps);
        if (dc) {
            paint(dc);
            EndPaint(window_, &ps);
        }
        return 0;
    }
    case WM_PRINTCLIENT:
        paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR: {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(window_, &p);
        if (PtInRect(&labelRect_, p)) return 1;
        return passOn(message, wParam, lParam);
    }
    case WM_SETFONT:
        normalFont_ = reinterpret_cast<HFONT>(wParam);
        createLinkFont();
        layOut();
        if (LOWORD(lParam)) {
            InvalidateRect(window_, nullptr, TRUE);
            UpdateWindow(window_);
        }
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(normalFont_);
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS;
    case WM_CHAR:
        if (wParam == VK_RETURN || wParam == VK_SPACE) open();
        return 0;
    case WM_MOUSEMOVE:
        if (pointInLabel(lParam)) {
            SetCursor(handCursor_);
            return 0;
        }
        return passOn(message, wParam, lParam);
    case WM_LBUTTONDOWN:
        if (pointInLabel(lParam)) {
            SetFocus(window_);
            SetCapture(window_);
        }
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == window_) {
            ReleaseCapture();
            if (pointInLabel(lParam)) open();
        }
        return 0;
    case WM_UPDATEUISTATE:
        return 0;
    default:
        return passOn(message, wParam, lParam);
    }
}

}  // namespace ui
