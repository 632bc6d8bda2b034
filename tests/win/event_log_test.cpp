// A service's errors in the event log: what printError hands to ReportEventW
// (through the writer seam: Wine's event log keeps nothing to read back), the
// registration of each source in the registry, and the launcher's message
// table, which Event Viewer formats the entries with.
#include <gtest/gtest.h>

#include <vector>

#include "base/messages.h"
#include "modes/event_log.h"
#include "support/process.h"
#include "support/runtime_fixtures.h"

using namespace testing_support;

namespace {

std::vector<event_log::Entry> written;

void capture(const event_log::Entry& entry) { written.push_back(entry); }

// The registered message file and supported types of a source.
bool readSourceKey(const std::wstring& source, std::wstring& messageFile, DWORD& types) {
    const std::wstring key = event_log::sourceKeyFor(source);
    wchar_t buffer[MAX_PATH] = {};
    DWORD size = sizeof buffer;
    DWORD typesSize = sizeof types;
    bool ok = RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"EventMessageFile", RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                           nullptr, buffer, &size) == ERROR_SUCCESS &&
              RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"TypesSupported", RRF_RT_REG_DWORD, nullptr, &types,
                           &typesSize) == ERROR_SUCCESS;
    messageFile = buffer;
    return ok;
}

TEST(EventLog, ErrorsGoUnderTheExecutablesNameThenTheServicesEachSourceRegisteredWithTheExecutableUnlessAnothers) {
    const std::wstring id = std::to_wstring(GetCurrentProcessId());
    const std::wstring exe = L"C:\\Program Files\\Qz App\\qzevents" + id + L".exe";
    const std::wstring exeSource = event_log::sourceNameFor(exe);
    const std::wstring serviceSource = L"QzEventsService" + id;
    EXPECT_EQ(exeSource, L"qzevents" + id);

    written.clear();
    event_log::setWriter(capture);
    event_log::start(exeSource, exe);
    printError(L"Main class was not specified in INI file.");
    event_log::setSource(serviceSource);
    printError(L"Could not find the main class a/B.\n");
    event_log::stop();
    printError(L"not copied");
    event_log::setWriter(nullptr);

    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].source, exeSource);
    EXPECT_EQ(written[0].text, L"Main class was not specified in INI file.");
    EXPECT_EQ(written[1].source, serviceSource);
    EXPECT_EQ(written[1].text, L"Could not find the main class a/B.\n");
    for (const event_log::Entry& entry : written) {
        EXPECT_EQ(entry.type, EVENTLOG_ERROR_TYPE);
        EXPECT_EQ(entry.eventId, event_log::kErrorEventId);
    }

    for (const std::wstring& source : {exeSource, serviceSource}) {
        std::wstring messageFile;
        DWORD types = 0;
        EXPECT_TRUE(readSourceKey(source, messageFile, types)) << narrow(source);
        EXPECT_EQ(messageFile, exe);
        EXPECT_EQ(types, static_cast<DWORD>(EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE));
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, event_log::sourceKeyFor(source).c_str());
    }
    // A source of that name that another program registered is left as it is.
    const std::wstring other = L"C:\\Other\\x.dll";
    RegistryPlant plant;
    ASSERT_TRUE(plant.setRaw(HKEY_LOCAL_MACHINE, 0, event_log::sourceKeyFor(exeSource), L"EventMessageFile",
                             REG_EXPAND_SZ, other.c_str(), static_cast<DWORD>((other.size() + 1) * sizeof(wchar_t))));
    EXPECT_FALSE(event_log::registerSource(exeSource, exe));
    std::wstring messageFile;
    DWORD types = 0;
    EXPECT_FALSE(readSourceKey(exeSource, messageFile, types));  // no TypesSupported written either
    EXPECT_EQ(messageFile, other);
}

TEST(EventLog, TheLaunchersMessageTableShowsTheTextAsWritten) {
    HMODULE launcher = LoadLibraryExW(launcherExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(launcher, nullptr);
    const wchar_t* text = L"Could not find the main class a/B.\n 100% sure: %1 %s";
    const DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(text)};
    wchar_t* formatted = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY |
                                 FORMAT_MESSAGE_ALLOCATE_BUFFER,
                             launcher, event_log::kErrorEventId, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                             reinterpret_cast<wchar_t*>(&formatted), 0, reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(inserts)));
    ASSERT_GT(n, 0u) << GetLastError();
    EXPECT_EQ(std::wstring(formatted, n), text);
    LocalFree(formatted);
    FreeLibrary(launcher);
}

}  // namespace
