#include "support/service.h"

#include "support/ui_support.h"

namespace testing_support {

RunResult systemTool(const std::wstring& tool, const std::wstring& arguments) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring exe = std::wstring(system) + L"\\" + tool + L".exe";
    RunOptions options;
    options.timeoutMs = 120000;
    return runProcess(exe, L"\"" + exe + L"\" " + arguments, options);
}

InstalledService::InstalledService(const std::wstring& prefix, const std::wstring& binPath) {
    static unsigned counter = 0;
    name_ = prefix + std::to_wstring(GetCurrentProcessId()) + L"x" + std::to_wstring(++counter);
    systemTool(L"sc", L"delete " + name_);  // left by an earlier run of the same process id
    installed_ = systemTool(L"sc", L"create " + name_ + L" binPath= \"" + binPath + L"\"").exitCode == 0;
    manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (installed_ && manager_) handle_ = OpenServiceW(manager_, name_.c_str(), SERVICE_QUERY_STATUS);
}

InstalledService::~InstalledService() {
    if (installed_) {
        if (state() != SERVICE_STOPPED) stop();
        systemTool(L"sc", L"delete " + name_);
    }
    if (handle_) CloseServiceHandle(handle_);
    if (manager_) CloseServiceHandle(manager_);
}

SERVICE_STATUS_PROCESS InstalledService::status() const {
    SERVICE_STATUS_PROCESS s = {};
    DWORD needed = 0;
    QueryServiceStatusEx(handle_, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&s), sizeof s, &needed);
    return s;
}

bool InstalledService::waitForState(DWORD wanted, DWORD timeoutMs) const {
    return ui_test::waitUntil([&] { return state() == wanted; }, timeoutMs);
}

RunResult InstalledService::start(const std::wstring& parameters) const {
    return systemTool(L"sc", L"start " + name_ + (parameters.empty() ? L"" : L" " + parameters));
}

RunResult InstalledService::stop() const { return systemTool(L"net", L"stop " + name_); }

}  // namespace testing_support
