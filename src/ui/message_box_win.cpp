#include <windows.h>

#include "base/paths.h"
#include "base/trace.h"
#include "ui/message_box.h"
#include "ui/window_station.h"

namespace {

std::wstring productTitle;

bool serviceProcess = false;

// Whether this process's executable was linked for the GUI subsystem. Read from
// the image's own header, so that one library serves both executables.
bool windowedExecutable() {
    const auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleW(nullptr));
    if (!base) return false;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->Signature == IMAGE_NT_SIGNATURE && nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI;
}

// Standard output that whoever started the process handed over: a file, a pipe,
// or a character device that is not a console (NUL). A GUI process started from
// Explorer or a shortcut has none.
bool outputHandedOver() {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return false;
    switch (GetFileType(out)) {
    case FILE_TYPE_DISK:
    case FILE_TYPE_PIPE:
        return true;
    case FILE_TYPE_CHAR: {
        DWORD mode = 0;
        return !GetConsoleMode(out, &mode);
    }
    default:
        return false;
    }
}

std::wstring executableFileName() {
    ModulePaths paths;
    return readModulePaths(paths) ? fileNameOf(paths.exe) : std::wstring();
}

}  // namespace

void setMessageBoxContext(const std::wstring& productName, bool service) {
    productTitle = productName;
    serviceProcess = service;
}

bool showErrorBox(const std::wstring& text) {
    if (!windowedExecutable() || outputHandedOver()) return false;
    // A box on a window station that is not visible (a service's, a scheduled
    // task's without a logged-on user) would wait for an answer that never comes.
    if (serviceProcess || !windowStationVisible()) {
        trace(L"message printed: no visible desktop for a message box");
        return false;
    }
    // The console form ends most messages with a line break of their own; in a
    // box it would only add an empty line.
    std::wstring shown = text;
    while (!shown.empty() && (shown.back() == L'\n' || shown.back() == L'\r')) shown.pop_back();
    const std::wstring title = productTitle.empty() ? executableFileName() : productTitle;
    trace(L"message box \"" + title + L"\": " + shown);
    MessageBoxW(nullptr, shown.c_str(), title.c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return true;
}
