// Starting the paired executable in place of a VM in this process.
#include <windows.h>

#include <string>

#include "base/handle.h"
#include "base/text.h"
#include "base/trace.h"
#include "modes/pair_product.h"
#include "resources/resource.h"

int relaunchPairProduct(const std::wstring& path, bool returnCode, Failure& failure) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    // The child gets this process's command line as it is (its first token still
    // names this launcher). CreateProcessW may write into the buffer it is given,
    // so it gets a copy.
    std::wstring commandLine = GetCommandLineW();
    BOOL started = CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                                  nullptr, nullptr, &startup, &info);
    if (!started) {
        const DWORD error = GetLastError();
        trace(L"the paired executable could not be started: " + decimal(error));
        failure = Failure(IDS_PAIR_NOT_STARTED, {path, error});
        return -1;
    }
    platform::Handle process(info.hProcess);
    platform::Handle thread(info.hThread);
    if (!returnCode) return 0;

    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) code = 0;
    return static_cast<int>(code);
}
