#pragma once
#include <cstddef>
#include <string>

// The first `limit` bytes of a file (all of it by default); false when it
// cannot be opened or read.
bool readFileBytes(const std::wstring& path, std::string& bytes, size_t limit = static_cast<size_t>(-1));
