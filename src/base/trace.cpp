#include "base/trace.h"

void traceLine(std::initializer_list<std::wstring_view> parts) {
    if (!traceEnabled()) return;
    size_t length = 0;
    for (std::wstring_view part : parts) length += part.size();
    std::wstring line;
    line.reserve(length);
    for (std::wstring_view part : parts) line.append(part.data(), part.size());
    trace(line);
}
