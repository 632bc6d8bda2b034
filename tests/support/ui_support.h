#pragma once
// Helpers for driving windows from a second thread or from another process,
// reading their pixels and writing screenshots.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/process.h"

namespace ui_test {

// Polls `find` every 20 ms until it gives a window or `timeoutMs` has passed.
HWND waitForWindow(const std::function<HWND()>& find, DWORD timeoutMs = 10000);
// Polls `condition` the same way; gives its last answer.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// A top-level window of `threadId` with the caption `caption`.
HWND findThreadWindow(DWORD threadId, const std::wstring& caption);
// A visible top-level window with the caption `caption` of a process started from `exePath`.
HWND findWindowOfExecutable(const std::wstring& exePath, const std::wstring& caption);
// A visible dialog (class #32770) owned by `owner`, other than `except`.
HWND findOwnedDialog(HWND owner, HWND except = nullptr);
// A child of `parent` (at any depth) whose text is `text`.
HWND findChildWithText(HWND parent, const std::wstring& text);
// A child of `parent` (at any depth) of the window class `className`.
HWND findChildOfClass(HWND parent, const std::wstring& className);

// The window class of a window.
std::wstring windowClass(HWND window);
// A caption (GetWindowText), and the text of a control, also in another process (WM_GETTEXT).
std::wstring windowText(HWND window);
std::wstring controlText(HWND control);

// A picture of a window, 32 bits a pixel, top row first.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Reads what the screen shows in the window's rectangle (under Xvfb, with
// Wine drawing the frames of unmanaged windows, the whole window).
Image captureScreen(HWND window);
// What the window's own painting draws into a bitmap (WM_PRINTCLIENT).
Image printClient(HWND window);
// The longest run of pixels of exactly `color` within one row of `r` (all of the
// image when `r` is null), and the row where it is.
int longestRun(const Image& image, uint32_t color, const RECT* r = nullptr, int* row = nullptr);
// Writes a PNG file (creating its folder).
bool savePng(const std::wstring& path, const Image& image);

// The folder for screenshots of this build (build/<name>/screenshots).
std::wstring screenshotFolder();

// A COLORREF (red in the low byte) as the image's 0x00RRGGBB.
inline uint32_t rgbOf(COLORREF c) {
    return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

// Sets or removes HKCU values for the length of a test and puts the old ones back.
class RegistryValueGuard {
public:
    RegistryValueGuard(const std::wstring& keyPath, const std::wstring& name);
    ~RegistryValueGuard();
    RegistryValueGuard(const RegistryValueGuard&) = delete;
    RegistryValueGuard& operator=(const RegistryValueGuard&) = delete;
    void setString(const std::wstring& value, DWORD type = REG_SZ);
    void setRaw(DWORD type, const void* data, DWORD size);
    void remove();

private:
    std::wstring keyPath_;
    std::wstring name_;
    bool hadValue_ = false;
    DWORD type_ = 0;
    std::vector<unsigned char> data_;
};

}  // namespace ui_test
