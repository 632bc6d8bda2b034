#pragma once
// Reading the launcher's QZ_LAUNCHER_LOG trace in whole-process tests.
#include <string>
#include <vector>

namespace testing_support {

// The lines of a trace's text, or of its file, without their time and process prefix.
std::vector<std::string> traceLines(const std::string& text);
std::vector<std::string> readTrace(const std::wstring& path);
// Whether some line equals `line` exactly.
bool traceHas(const std::vector<std::string>& lines, const std::string& line);
// The lines that start with `prefix`.
std::vector<std::string> traceLinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix);

}  // namespace testing_support
