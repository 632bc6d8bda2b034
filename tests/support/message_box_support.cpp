#include "support/message_box_support.h"

#include <vector>

namespace ui_test {

DetachedStart::DetachedStart(const std::wstring& exe, const std::wstring& arguments, HANDLE output,
                             const std::wstring& desktop) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    // Without STARTF_USESTDHANDLES the child would get this test's own handles.
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = output;
    std::wstring desktopName = desktop;
    if (!desktopName.empty()) si.lpDesktop = &desktopName[0];
    std::wstring command = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(0);
    PROCESS_INFORMATION pi = {};
    if (CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, output != nullptr, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        processId_ = pi.dwProcessId;
    }
}

DetachedStart::~DetachedStart() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 0xDEAD);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool DetachedStart::wait(DWORD timeoutMs, DWORD& exitCode) const {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(process_, &exitCode) != 0;
}

namespace {

struct ProcessWindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK visitTopLevel(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<ProcessWindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != s->processId || !IsWindowVisible(window)) return TRUE;
    s->found = window;
    return FALSE;
}

BOOL CALLBACK visitChild(HWND child, LPARAM param) {
    auto* view = reinterpret_cast<MessageBoxView*>(param);
    const std::wstring cls = windowClass(child);
    if (lstrcmpiW(cls.c_str(), L"Static") == 0) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            view->icon = child;
        } else {
            view->text = controlText(child);
        }
    } else if (lstrcmpiW(cls.c_str(), L"Button") == 0) {
        ++view->buttons;
        if (GetDlgCtrlID(child) == IDOK) view->ok = child;
    }
    return TRUE;
}

}  // namespace

HWND waitForProcessWindow(DWORD processId, DWORD timeoutMs) {
    return waitForWindow(
        [processId] {
            ProcessWindowSearch s = {processId, nullptr};
            EnumWindows(visitTopLevel, reinterpret_cast<LPARAM>(&s));
            return s.found;
        },
        timeoutMs);
}

MessageBoxView readMessageBox(HWND box) {
    MessageBoxView view;
    view.windowClass = windowClass(box);
    view.title = windowText(box);
    view.owner = GetWindow(box, GW_OWNER);
    EnumChildWindows(box, visitChild, reinterpret_cast<LPARAM>(&view));
    return view;
}

double redShare(const Image& shot, HWND box, HWND child) {
    RECT outer, inner;
    if (!GetWindowRect(box, &outer) || !GetWindowRect(child, &inner)) return 0;
    int total = 0;
    int red = 0;
    for (int y = inner.top - outer.top; y < inner.bottom - outer.top; ++y) {
        for (int x = inner.left - outer.left; x < inner.right - outer.left; ++x) {
            if (x < 0 || y < 0 || x >= shot.width || y >= shot.height) continue;
            const uint32_t p = shot.at(x, y);
            const unsigned r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            ++total;
            if (r >= 160 && g <= 96 && b <= 96) ++red;
        }
    }
    return total == 0 ? 0 : static_cast<double>(red) / total;
}

}  // namespace ui_test
