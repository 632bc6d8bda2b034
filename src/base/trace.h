#pragma once
#include <initializer_list>
#include <string>
#include <string_view>

// A readable trace of the launcher's decisions, appended to the file named by
// the environment variable QZ_LAUNCHER_LOG. Off (and free) when it is not set;
// it never changes what the launcher does.
bool traceEnabled();
void trace(const std::wstring& line);

// One trace line joined from its pieces (nothing is joined while the trace is off).
void traceLine(std::initializer_list<std::wstring_view> parts);
