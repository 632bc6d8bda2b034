#pragma once
// A service's errors in the Windows Application event log. Once started, every
// text that printError writes is also reported as an error event under the
// current source: the executable's name until the service's name is known. The
// executable carries a message table (resources/event_messages.mc) whose one
// message is its single insert, and a source is registered with the executable
// as its message file before its first event, so that Event Viewer shows the
// text itself.
#include <cstdint>
#include <string>

namespace event_log {

// The message of the executable's message table: "%1".
constexpr uint32_t kErrorEventId = 1;

// What one error gives ReportEventW.
struct Entry {
    std::wstring source;
    uint16_t type = 0;     // EVENTLOG_ERROR_TYPE
    uint32_t eventId = 0;  // kErrorEventId
    std::wstring text;     // the single insert: the error's text in full
};

// Starts copying errors, under `source`; `messageFile` is the executable that
// carries the message table.
void start(const std::wstring& source, const std::wstring& messageFile);
// Errors from now on go under `source` (the service's name).
void setSource(const std::wstring& source);
// Stops copying errors.
void stop();

// Entries go to `writer` instead of ReportEventW (null: the event log again).
using Writer = void (*)(const Entry& entry);
void setWriter(Writer writer);

// The executable's name as a source: the file name without its extension.
std::wstring sourceNameFor(const std::wstring& exePath);
// The registry key of a source, below HKEY_LOCAL_MACHINE.
std::wstring sourceKeyFor(const std::wstring& source);
// Writes the source's key with EventMessageFile = `messageFile` and
// TypesSupported. False, and traced, when the key cannot be written, and when
// it exists without naming `messageFile`: another program's source is left alone.
bool registerSource(const std::wstring& source, const std::wstring& messageFile);

}  // namespace event_log
