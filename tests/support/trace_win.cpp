#include "support/trace.h"

#include "support/process.h"

namespace testing_support {

std::vector<std::string> traceLines(const std::string& text) {
    std::vector<std::string> lines = textLines(text);
    for (std::string& line : lines) {
        // "hh:mm:ss.mmm [pid] text"
        size_t close = line.find("] ");
        if (line.size() > 14 && line[12] == ' ' && line[13] == '[' && close != std::string::npos) {
            line = line.substr(close + 2);
        }
    }
    return lines;
}

std::vector<std::string> readTrace(const std::wstring& path) { return traceLines(fileText(path)); }

bool traceHas(const std::vector<std::string>& lines, const std::string& line) {
    for (const std::string& l : lines) {
        if (l == line) return true;
    }
    return false;
}

std::vector<std::string> traceLinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& l : lines) {
        if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
    }
    return out;
}

}  // namespace testing_support
