#include <cstdio>

#include "base/files.h"
#include "base/text.h"

bool readFileBytes(const std::wstring& path, std::string& bytes, size_t limit) {
    bytes.clear();
    FILE* file = std::fopen(utf8(path).c_str(), "rb");
    if (!file) return false;
    char buffer[65536];
    bool ok = true;
    while (bytes.size() < limit) {
        const size_t want = limit - bytes.size() < sizeof buffer ? limit - bytes.size() : sizeof buffer;
        const size_t got = std::fread(buffer, 1, want, file);
        bytes.append(buffer, got);
        if (got < want) {
            ok = !std::ferror(file);
            break;
        }
    }
    std::fclose(file);
    return ok;
}
