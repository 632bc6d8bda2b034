#pragma once
// Starting a program as Explorer does (no standard handles) and reading the
// message boxes it shows through their controls, from outside its process.
#include <windows.h>

#include <string>

#include "support/ui_support.h"

namespace ui_test {

// A process started without standard handles (or with `output` as standard
// output), on `desktop` ("station\desktop") when given. Ended by the
// destructor if it still runs.
class DetachedStart {
public:
    DetachedStart(const std::wstring& exe, const std::wstring& arguments, HANDLE output = nullptr,
                  const std::wstring& desktop = L"");
    ~DetachedStart();
    DetachedStart(const DetachedStart&) = delete;
    DetachedStart& operator=(const DetachedStart&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD processId() const { return processId_; }
    // Waits up to `timeoutMs` for the end; true with the exit code when it ended.
    bool wait(DWORD timeoutMs, DWORD& exitCode) const;

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

// A visible top-level window of process `processId`, waited for.
HWND waitForProcessWindow(DWORD processId, DWORD timeoutMs);

// What a message box shows, read through its window and controls.
struct MessageBoxView {
    std::wstring windowClass;
    std::wstring title;
    std::wstring text;           // the static control that is not the icon
    HWND owner = nullptr;
    HWND icon = nullptr;         // the static control with SS_ICON
    HWND ok = nullptr;           // the IDOK button
    int buttons = 0;             // every button of the box
};
MessageBoxView readMessageBox(HWND box);

// The share (0 to 1) of the pixels of control `child` in `shot` (a screenshot
// of `box`) that are plainly red, as in the system's error icon.
double redShare(const Image& shot, HWND box, HWND child);

}  // namespace ui_test
