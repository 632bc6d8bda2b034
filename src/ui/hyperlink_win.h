#pragma once
// A static text control turned into a hyperlink: drawn underlined in the
// browser's link colour, a hand pointer and a tooltip over the text, and the
// shell's "open" for its address on a click, Enter or Space.
#include <windows.h>

#include <cstdint>
#include <string>

#include "base/handle.h"

namespace ui {

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
    HWND tooltip() const { return static_cast<HWND>(tooltip_.get()); }
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
    platform::GdiObject linkFont_;
    RECT labelRect_ = {0, 0, 0, 0};
    platform::OwnedWindow tooltip_;  // the tooltip, which nobody else destroys
    HCURSOR handCursor_ = nullptr;
    COLORREF linkColor_ = RGB(0, 0, 255);
    COLORREF visitedColor_ = RGB(128, 0, 128);
    bool visited_ = false;
    UINT drawFormat_ = DT_WORDBREAK;
};

}  // namespace ui
