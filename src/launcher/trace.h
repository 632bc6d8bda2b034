#pragma once
#include <string>

// A readable trace of the launcher's decisions, appended to the file named by
// the environment variable QZ_LAUNCHER_LOG. Off (and free) when it is not set;
// it never changes what the launcher does.
bool traceEnabled();
void trace(const std::wstring& line);
