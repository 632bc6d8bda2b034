#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include "base/handle.h"
#include "base/messages.h"
#include "base/paths.h"
#include "resources/resource.h"
#include "ui/hyperlink_win.h"
#include "ui/jre_dialog.h"
#include "ui/placement.h"

namespace {

Box toBox(const RECT& r) {
    Box b;
    b.left = r.left;
    b.top = r.top;
    b.right = r.right;
    b.bottom = r.bottom;
    return b;
}

class JreNotFoundDialog {
public:
    JreNotFoundDialog(const std::wstring& text, const LibraryResolver& resolver) : message(text), resolve(resolver) {}

    static INT_PTR CALLBACK procedure(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

    std::wstring message;
    const LibraryResolver& resolve;
    std::wstring chosenFolder;
    std::wstring jvmLibrary;
    ui::HyperlinkControl link;

private:
    void initialise();
    void browse();
    void centre();

    HWND dialog_ = nullptr;
};

INT_PTR CALLBACK JreNotFoundDialog::procedure(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<JreNotFoundDialog*>(lParam);
        SetLastError(0);
        if (!self || (!SetWindowLongPtrW(dialog, DWLP_USER, lParam) && GetLastError() != 0)) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            EndDialog(dialog, -1);
            return TRUE;
        }
        self->dialog_ = dialog;
        self->initialise();
        return FALSE;  // the focus has been taken care of
    }
    auto* self = reinterpret_cast<JreNotFoundDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self || msg != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        // OK is only ever enabled for a folder with a VM library; a command
        // that arrives without one (sent by another program) is ignored.
        if (self->jvmLibrary.empty()) return TRUE;
        EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case IDC_BROWSE:
        self->browse();
        return TRUE;
    default:
        return FALSE;
    }
}

void JreNotFoundDialog::initialise() {
    HWND linkWindow = GetDlgItem(dialog_, IDC_DOWNLOAD_LINK);
    link.bind(linkWindow, reinterpret_cast<HFONT>(SendMessageW(linkWindow, WM_GETFONT, 0, 0)));
    SetWindowTextW(GetDlgItem(dialog_, IDC_MESSAGE), message.c_str());
    HICON icon = LoadIconW(nullptr, IDI_HAND);
    SendMessageW(GetDlgItem(dialog_, IDC_ERROR_ICON), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    EnableWindow(GetDlgItem(dialog_, IDOK), FALSE);
    centre();
}

void JreNotFoundDialog::browse() {
    std::wstring title = loadMessage(IDS_BROWSE_TITLE);
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info = {};
    info.hwndOwner = dialog_;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
    info.lpfn = nullptr;
    platform::ComMemory item(SHBrowseForFolderW(&info));
    if (!item) return;  // cancelled: nothing changes

    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(item.get()), path)) path[0] = L'\0';
    SetWindowTextW(GetDlgItem(dialog_, IDC_JRE_PATH), path);
    chosenFolder = withTrailingSeparator(path);
    jvmLibrary = chosenFolder.empty() ? std::wstring() : resolve(chosenFolder);
    // OK follows the folder on show: a later pick without a VM library must
    // not leave OK pressable for a folder that cannot be started.
    EnableWindow(GetDlgItem(dialog_, IDOK), jvmLibrary.empty() ? FALSE : TRUE);
}

void JreNotFoundDialog::centre() {
    LONG style = GetWindowLongW(dialog_, GWL_STYLE);
    RECT dialogRect;
    GetWindowRect(dialog_, &dialogRect);
    long width = dialogRect.right - dialogRect.left;
    long height = dialogRect.bottom - dialogRect.top;
    Box centreBox;
    Box bounds;

    if (style & WS_CHILD) {
        HWND parent = GetParent(dialog_);
        RECT client;
        GetClientRect(parent, &client);  // already in the coordinates SetWindowPos takes
        centreBox = toBox(client);
        bounds = centreBox;
    } else {
        HWND reference = GetWindow(dialog_, GW_OWNER);
        if (reference && (!IsWindowVisible(reference) || IsIconic(reference))) reference = nullptr;
        HMONITOR monitor = MonitorFromWindow(reference ? reference : dialog_, MONITOR_DEFAULTTONEAREST);
        if (!monitor) return;
        MONITORINFO info = {};
        info.cbSize = sizeof info;
        if (!GetMonitorInfoW(monitor, &info)) return;
        bounds = toBox(info.rcWork);
        if (reference) {
            RECT referenceRect;
            GetWindowRect(reference, &referenceRect);
            centreBox = toBox(referenceRect);
        } else {
            centreBox = bounds;
        }
    }
    Point2 p = centredPosition(centreBox, bounds, width, height);
    SetWindowPos(dialog_, nullptr, static_cast<int>(p.x), static_cast<int>(p.y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

JreDialogResult runJreNotFoundDialog(const std::wstring& message, void* owner, const LibraryResolver& resolve) {
    // The folder browser's new style needs an apartment-threaded COM.
    platform::ComApartment com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);

    JreNotFoundDialog dialog(message, resolve);
    JreDialogResult r;
    INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_JRE_NOT_FOUND),
                                     static_cast<HWND>(owner), &JreNotFoundDialog::procedure,
                                     reinterpret_cast<LPARAM>(&dialog));
    r.result = static_cast<int>(result);
    if (r.result == IDOK) {
        r.chosenFolder = dialog.chosenFolder;
        r.jvmLibrary = dialog.jvmLibrary;
    }
    return r;
}
