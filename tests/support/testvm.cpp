#include "support/testvm.h"

#include "support/process.h"

namespace testing_support {

std::wstring newTestVmLog(const std::wstring& name) {
    static unsigned counter = 0;
    std::wstring path = workRoot() + L"\\testvm-" + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(++counter) + L".log";
    DeleteFileW(path.c_str());
    return path;
}

std::wstring testVmCopy(const std::wstring& name) {
    std::wstring path = workRoot() + L"\\testvm-" + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L".dll";
    CopyFileW(testVmDll().c_str(), path.c_str(), FALSE);
    return path;
}

std::vector<std::string> testVmLog(const std::wstring& path) { return textLines(fileText(path)); }

std::vector<std::string> linesStartingWith(const std::vector<std::string>& log, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : log) {
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    }
    return out;
}

bool logValue(const std::vector<std::string>& log, const std::string& prefix, std::string& value) {
    for (const std::string& line : log) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            value = line.substr(prefix.size());
            return true;
        }
    }
    value.clear();
    return false;
}

size_t findLine(const std::vector<std::string>& log, const std::string& line, size_t from) {
    for (size_t i = from; i < log.size(); ++i) {
        if (log[i] == line) return i;
    }
    return log.size();
}

bool inOrder(const std::vector<std::string>& log, const std::vector<std::string>& lines) {
    size_t at = 0;
    for (const std::string& line : lines) {
        at = findLine(log, line, at);
        if (at == log.size()) return false;
        ++at;
    }
    return true;
}

std::vector<std::string> testVmOptions(const std::vector<std::string>& log) {
    std::vector<std::string> options;
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].compare(0, 15, "create version=") != 0) continue;
        options.clear();
        for (size_t j = i + 1; j < log.size() && log[j].compare(0, 7, "option[") == 0; ++j) {
            size_t eq = log[j].find("]=");
            if (eq != std::string::npos) options.push_back(log[j].substr(eq + 2));
        }
    }
    return options;
}

std::vector<std::vector<std::string>> testVmArguments(const std::vector<std::string>& log, const std::string& header) {
    std::vector<std::vector<std::string>> blocks;
    const std::string start = header + " args=";
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].compare(0, start.size(), start) != 0) continue;
        std::vector<std::string> args;
        for (size_t j = i + 1; j < log.size(); ++j) {
            const std::string prefix = "arg[" + std::to_string(args.size()) + "]=";
            if (log[j].compare(0, prefix.size(), prefix) != 0) break;
            args.push_back(log[j].substr(prefix.size()));
        }
        blocks.push_back(args);
    }
    return blocks;
}

std::vector<std::string> testVmErrors(const std::vector<std::string>& log) { return linesStartingWith(log, "error "); }

}  // namespace testing_support
