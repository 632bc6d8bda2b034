#pragma once
// A static text control turned into a hyperlink: drawn underlined in the
// browser's link colour, a hand pointer and a tooltip over the text, and the
// shell's "open" for its address on a click, Enter or Space.
#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

// Owns a GDI object (a font here).
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(HGDIOBJ h) : value_(h) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() { reset(); }
    HGDIOBJ get() const { return value_; }
    void reset(HGDIOBJ h = nullptr) {
        if (value_) DeleteObject(value_);
        value_ = h;
    }

private:
    HGDIOBJ value_ = nullptr;
};

// Owns a window that nobody else destroys (the tooltip). A window that is
// already gone is left alone.
class OwnedWindow {
public:
    OwnedWindow() = default;
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;
    ~OwnedWindow() { reset(); }
    HWND get() const { return value_; }
    void reset(HWND h = nullptr) {
        if (value_ && IsWindow(value_)) DestroyWindow(value_);
        value_ = h;
    }

private:
    HWND value_ = nullptr;
};

// Reads the current user's link colours ("Anchor Color", "Anchor Color
// Visited"); a colour that is missing or malformed keeps the value passed in.
void readLinkColors(uint32_t& linkColor, uint32_t& visitedColor);

class HyperlinkControl {
public:
    HyperlinkControl() = default;
    HyperlinkControl(const HyperlinkControl&) = delete;
    HyperlinkControl& operator=(const HyperlinkControl&) = delete;
    ~HyperlinkControl();

    // Subclasses `window` (a static control) with `font` as its normal font.
    // False when the control is already bound or cannot be subclassed.
    bool bind(HWND window, HFONT font);

    // Opens the address with the shell; on success the link turns visited.
    void open();

    HWND window() const { return window_; }
    HWND tooltip() const { return tooltip_.get(); }
    const std::wstring& url() const { return url_; }
    const RECT& labelRect() const { return labelRect_; }
    COLORREF linkColor() const { return linkColor_; }
    COLORREF visitedColor() const { return visitedColor_; }
    bool visited() const { return visited_; }
    HFONT linkFont() const { return static_cast<HFONT>(linkFont_.get()); }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT passOn(UINT message, WPARAM wParam, LPARAM lParam);
    void createLinkFont();
    void layOut();
    void paint(HDC dc);
    bool pointInLabel(LPARAM lParam) const;
    void unbind();

    HWND window_ = nullptr;
    WNDPROC previousProcedure_ = nullptr;
    std::wstring labelText_;
    std::wstring url_;
    HFONT normalFont_ = nullptr;
    GdiObject linkFont_;
    RECT labelRect_ = {0, 0, 0, 0};
    OwnedWindow tooltip_;
    HCURSOR handCursor_ = nullptr;
    COLORREF linkColor_ = RGB(0, 0, 255);
    COLORREF visitedColor_ = RGB(128, 0, 128);
    bool visited_ = false;
    UINT drawFormat_ = DT_WORDBREAK;
};

}  // namespace ui
