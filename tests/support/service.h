#pragma once
// Windows services of the test prefix, installed with Wine's service manager
// (sc create, sc start, net stop, sc delete). Wine keeps service processes only
// while some other process of the prefix runs: the test process is that process.
#include <windows.h>

#include <string>

#include "support/process.h"

namespace testing_support {

// Runs a system tool of the prefix (sc, net) with `arguments`.
RunResult systemTool(const std::wstring& tool, const std::wstring& arguments);

// A service of a unique name (`prefix`, process id, counter) whose command line
// is `binPath`; stopped and deleted when the object goes away, however the test ends.
class InstalledService {
public:
    InstalledService(const std::wstring& prefix, const std::wstring& binPath);
    ~InstalledService();
    InstalledService(const InstalledService&) = delete;
    InstalledService& operator=(const InstalledService&) = delete;

    bool installed() const { return installed_ && handle_; }
    const std::wstring& name() const { return name_; }

    SERVICE_STATUS_PROCESS status() const;
    DWORD state() const { return status().dwCurrentState; }
    bool waitForState(DWORD wanted, DWORD timeoutMs = 20000) const;

    RunResult start(const std::wstring& parameters = L"") const;  // sc start, with start parameters
    RunResult stop() const;  // net stop: it delivers the stop control under Wine

private:
    std::wstring name_;
    bool installed_ = false;
    SC_HANDLE manager_ = nullptr;
    SC_HANDLE handle_ = nullptr;
};

}  // namespace testing_support
