// Whole starts of the built launcher on a machine without any Java runtime:
// the "JRE Not Found" dialog appears, and a test standing in for the user
// drives it from outside the launcher's process, through the shell's folder
// browser, the way a person would.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "base/paths.h"
#include "resources/resource.h"
#include "support/process.h"
#include "support/runtime_fixtures.h"
#include "support/testvm.h"
#include "support/trace.h"
#include "support/ui_support.h"

using namespace testing_support;
using namespace ui_test;

namespace {

const DWORD kFailed = 0xFFFFFFFFu;  // exit code -1
const wchar_t kCaption[] = L"JRE Not Found";

// Memory inside another process, for messages that carry pointers.
class RemoteMemory {
public:
    explicit RemoteMemory(HWND window, SIZE_T size = 4096) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteMemory() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool valid() const { return address_ != nullptr; }
    char* at(size_t offset) const { return static_cast<char*>(address_) + offset; }
    bool write(size_t offset, const void* data, size_t size) const {
        return WriteProcessMemory(process_, at(offset), data, size, nullptr) != 0;
    }
    bool read(size_t offset, void* data, size_t size) const {
        return ReadProcessMemory(process_, at(offset), data, size, nullptr) != 0;
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

// The text of the item selected in the browser's folder tree.
std::wstring selectedItem(HWND tree, const RemoteMemory& memory) {
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) return L"";
    const size_t textAt = 1024;
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = reinterpret_cast<wchar_t*>(memory.at(textAt));
    tv.cchTextMax = 260;
    wchar_t text[260] = {};
    memory.write(textAt, text, sizeof text);
    memory.write(0, &tv, sizeof tv);
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(memory.at(0)));
    memory.read(textAt, text, sizeof text);
    text[259] = 0;
    return text;
}

// Presses "Browse..." in the launcher's dialog, selects `folder` in the shell's
// folder browser and presses its OK. True when the tree showed the folder selected.
bool browseTo(HWND dialog, const std::wstring& folder) {
    PostMessageW(GetDlgItem(dialog, IDC_BROWSE), BM_CLICK, 0, 0);
    HWND browser = waitForWindow([&] { return findOwnedDialog(dialog); }, 30000);
    if (!browser) return false;
    HWND tree = findChildOfClass(browser, L"SysTreeView32");
    RemoteMemory memory(browser);
    if (!tree || !memory.valid()) return false;
    const size_t pathAt = 2048;
    memory.write(pathAt, folder.c_str(), (folder.size() + 1) * sizeof(wchar_t));
    std::wstring leaf = folder.substr(folder.find_last_of(L'\\') + 1);
    bool selected = false;
    for (int i = 0; i < 50 && !selected; ++i) {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(memory.at(pathAt)));
        selected = selectedItem(tree, memory) == leaf;
        if (!selected) Sleep(200);
    }
    PostMessageW(GetDlgItem(browser, selected ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
    waitUntil([&] { return !IsWindow(browser); });
    return selected;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    return all;
}

class JreNotFound : public ::testing::Test {
protected:
    void SetUp() override {
        // Nothing may be registered: this machine has no Java runtime.
        for (const wchar_t* key : {L"Software\\JavaSoft", L"Software\\BEA Systems", L"Software\\IBM\\Java2 Runtime Environment"}) {
            ASSERT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, key)) << narrow(key);
            ASSERT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, key)) << narrow(key);
        }
    }

    // An application with a main class and no runtime of its own.
    static void configure(const AppDir& app) {
        app.writeIni("[Product Information]\r\nProduct Name=Picker\r\nProduct Code=P-1\r\n"
                     "[Java Runtime Environment]\r\nMain Class=test/Echo\r\nMinimum Version=1.8\r\n"
                     "[Application]\r\nPair Product=pair.exe\r\n");
    }

    // A start with the test VM's log and the trace, in the folder, driven from outside by the test.
    static RunOptions options(const AppDir& app) {
        RunOptions o = RunOptions::within(120000);
        o.currentDirectory = app.path();
        return app.startOptions(o);
    }
};

TEST_F(JreNotFound, TheUserPicksARuntimeFolderAndTheStartGoesOnWithIt) {
    AppDir app(L"jre-picked");
    configure(app);
    // Katakana, which the ANSI code page lacks; the paired product's file cannot be written (a folder has its name).
    std::wstring picked = app.file(L"runtimes\\\u30a2\u30d7");
    app.installTestVm(L"runtimes\\\u30a2\u30d7\\bin\\client\\jvm.dll");
    const std::string pairIni = narrow(app.file(L"appdata\\Picker\\P-1\\pair.ini"));
    makeFolders(widen(pairIni));
    const std::string iniBefore = fileText(app.ini());

    Background start(app, L"one two", options(app));
    HWND dialog = waitForWindow([&] { return findWindowOfExecutable(app.exe(), kCaption); }, 60000);
    ASSERT_NE(dialog, nullptr) << "no dialog";
    std::wstring message = controlText(GetDlgItem(dialog, IDC_MESSAGE));
    EXPECT_NE(message.find(L"Please  download and install a JRE (minimum version 1.8) from:"), std::wstring::npos)
        << narrow(message);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    Sleep(300);
    savePng(screenshotFolder() + L"\\launcher-jre-not-found.png", captureScreen(dialog));

    EXPECT_TRUE(browseTo(dialog, picked)) << "the browser did not select the folder";
    EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != 0; }));
    EXPECT_EQ(controlText(GetDlgItem(dialog, IDC_JRE_PATH)), picked);
    savePng(screenshotFolder() + L"\\launcher-jre-picked.png", captureScreen(dialog));
    PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    const RunResult& r = start.finish();
    std::string trace = joined(readTrace(app.tracePath()));

    // The choice is written to the per-user copy, with its final backslash, by the short name the file can hold.
    std::string userIni;
    ASSERT_TRUE(readTextFile(app.file(L"appdata\\Picker\\P-1\\app.ini"), userIni)) << "nothing written\n" << trace;
    EXPECT_NE(userIni.find("[Java Runtime Environment]"), std::string::npos) << userIni;
    const std::string stored = narrow(shortPathName(picked + L"\\"));
    EXPECT_NE(userIni.find("JRE Path=" + stored + "\r\n"), std::string::npos) << userIni;
    EXPECT_TRUE(inOrder(readTrace(app.tracePath()), {"runtime: could not write \"JRE Path\" to " + pairIni,
                                                     "runtime: the file is as it was, so the next start asks for a runtime again"}))
        << trace;
    EXPECT_EQ(fileText(app.ini()), iniBefore);

    // The start went on with the library of the picked folder: its VM ran the program.
    std::string library = narrow(picked) + "\\bin\\client\\jvm.dll";
    EXPECT_TRUE(traceHas(readTrace(app.tracePath()), "runtime chosen (picked by the user): " + library)) << trace;
    std::vector<std::string> log = app.vmLog();
    EXPECT_TRUE(inOrder(log, {"created", "main args=2", "arg[0]=one", "arg[1]=two", "main returned"})) << r.out;
    EXPECT_EQ(r.exitCode, 0u) << r.out << trace;
    EXPECT_FALSE(r.timedOut);

    // The next start finds the folder written back and asks nobody.
    DeleteFileW(app.tracePath().c_str());
    Background again(app, L"", options(app));
    bool asked = false;
    while (!again.done()) {
        if (HWND d = findWindowOfExecutable(app.exe(), kCaption)) {
            asked = true;
            PostMessageW(GetDlgItem(d, IDCANCEL), BM_CLICK, 0, 0);
        }
        Sleep(50);
    }
    again.finish();
    EXPECT_FALSE(asked) << "the dialog came again";
    EXPECT_TRUE(traceHas(readTrace(app.tracePath()), "  \"JRE Path\" = \"" + stored + "\""));
}

TEST_F(JreNotFound, CancelOrTheCloseBoxEndsTheStartWithMinusOneAndWritesNothing) {
    for (int closeBox = 0; closeBox < 2; ++closeBox) {
        AppDir app(closeBox ? L"jre-closed" : L"jre-cancelled");
        configure(app);
        const std::string iniBefore = fileText(app.ini());

        Background start(app, L"", options(app));
        HWND dialog = waitForWindow([&] { return findWindowOfExecutable(app.exe(), kCaption); }, 60000);
        ASSERT_NE(dialog, nullptr) << "no dialog";
        if (closeBox) {
            PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else {
            PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        }
        const RunResult& r = start.finish();
        EXPECT_EQ(r.exitCode, kFailed) << r.out;
        EXPECT_FALSE(r.timedOut);
        EXPECT_FALSE(pathExists(app.file(L"appdata\\Picker"))) << "something was written";
        EXPECT_EQ(fileText(app.ini()), iniBefore);
        EXPECT_TRUE(app.vmLog().empty()) << "a VM was loaded";
    }
}

}  // namespace
