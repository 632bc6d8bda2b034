#include <cstdio>
#include <cstdlib>

#include "base/text.h"
#include "base/trace.h"

bool traceEnabled() {
    const char* path = std::getenv("QZ_LAUNCHER_LOG");
    return path && *path;
}

void trace(const std::wstring& line) {
    const char* path = std::getenv("QZ_LAUNCHER_LOG");
    if (!path || !*path) return;
    if (FILE* f = std::fopen(path, "a")) {
        std::fprintf(f, "%s\n", toAnsi(line).c_str());
        std::fclose(f);
    }
}
