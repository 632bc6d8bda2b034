#pragma once
#include <string>

// Starts the paired executable `path` with this process's command line. Gives
// 0, or with `returnCode` the child's exit code once it has ended.
int relaunchPairProduct(const std::wstring& path, bool returnCode);
