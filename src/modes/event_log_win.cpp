// A service's errors in the Application event log: the error listener, the
// source registration and the report.
#include <windows.h>

#include "base/handle.h"
#include "base/registry.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/trace.h"
#include "modes/event_log.h"

namespace event_log {
namespace {

const wchar_t kSourcesKey[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";

// A handle of RegisterEventSourceW.
struct EventSourceTraits : platform::NullIsNone {
    static void close(Value v) { DeregisterEventSource(v); }
};
using EventSource = platform::Owner<EventSourceTraits>;

// Errors may be printed on any thread, and the source changes on the
// service's thread. The state is never destroyed: a Java thread may print
// while the process ends.
struct State {
    SRWLOCK lock = SRWLOCK_INIT;
    std::wstring source;
    std::wstring messageFile;
    bool registered = false;  // the current source
    Writer writer = nullptr;
};

// Made before main, never freed.
State* const theState = new State;

State& state() { return *theState; }

class Locked {
public:
    Locked() : s_(state()) { AcquireSRWLockExclusive(&s_.lock); }
    ~Locked() { ReleaseSRWLockExclusive(&s_.lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    State* operator->() const { return &s_; }

private:
    State& s_;
};

void reportEvent(const Entry& entry) {
    EventSource source(RegisterEventSourceW(nullptr, entry.source.c_str()));
    const wchar_t* inserts[1] = {entry.text.c_str()};
    if (!source || !ReportEventW(source.get(), entry.type, 0, entry.eventId, nullptr, 1, 0, inserts, nullptr)) {
        DWORD error = GetLastError();
        traceLine({L"event log: the error could not be written under ", entry.source, L" (error ", decimal(error),
                   L")"});
    }
}

// Whether the source exists as another program's: its key names another
// message file, or none. Before the service's name is known a source is only
// the executable's name, which another product may have registered first.
bool foreignSource(const std::wstring& source, const std::wstring& messageFile, std::wstring& registered) {
    const platform::RegistryKey key = registry::open(RegistryRoot::LocalMachine, sourceKeyFor(source));
    if (!key) return false;
    registered = registry::text(key, L"EventMessageFile").value_or(L"");
    expandEnvironmentInPlace(registered);
    return !equalsIgnoreCase(registered, messageFile);
}

void copyError(const std::wstring& text) {
    Locked s;
    if (!s->registered) {
        registerSource(s->source, s->messageFile);
        s->registered = true;
    }
    Entry entry;
    entry.source = s->source;
    entry.type = EVENTLOG_ERROR_TYPE;
    entry.eventId = kErrorEventId;
    entry.text = text;
    (s->writer ? s->writer : reportEvent)(entry);
}

}  // namespace

void start(const std::wstring& source, const std::wstring& messageFile) {
    {
        Locked s;
        s->source = source;
        s->messageFile = messageFile;
        s->registered = false;
    }
    traceLine({L"event log: errors also go to the Application log, source ", source});
    setErrorListener(copyError);
}

void setSource(const std::wstring& source) {
    Locked s;
    if (s->source == source) return;
    s->source = source;
    s->registered = false;
    traceLine({L"event log: source ", source});
}

void stop() { setErrorListener(nullptr); }

void setWriter(Writer writer) {
    Locked s;
    s->writer = writer;
}

std::wstring sourceNameFor(const std::wstring& exePath) {
    const std::wstring name = fileNameOf(exePath);
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos || dot == 0 ? name : name.substr(0, dot);
}

std::wstring sourceKeyFor(const std::wstring& source) { return kSourcesKey + source; }

bool registerSource(const std::wstring& source, const std::wstring& messageFile) {
    std::wstring registered;
    if (foreignSource(source, messageFile, registered)) {
        traceLine({L"event log: the source ", source, L" is another program's (message file ",
                   registered.empty() ? std::wstring_view(L"none") : std::wstring_view(registered),
                   L"): left as it is"});
        return false;
    }
    unsigned long result = 0;
    const platform::RegistryKey key = registry::create(RegistryRoot::LocalMachine, sourceKeyFor(source), &result);
    if (key) result = registry::setExpandString(key, L"EventMessageFile", messageFile);
    if (key && result == 0) {
        result = registry::setDword(key, L"TypesSupported",
                                    EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE);
    }
    // Writing HKEY_LOCAL_MACHINE needs an administrator or LocalSystem; the
    // event is written all the same, only Event Viewer then lacks its text.
    if (result == ERROR_SUCCESS) {
        traceLine({L"event log: registered the source ", source, L" with ", messageFile});
    } else {
        traceLine({L"event log: could not register the source ", source, L" (error ", decimal(static_cast<long long>(result)), L")"});
    }
    return result == ERROR_SUCCESS;
}

}  // namespace event_log
