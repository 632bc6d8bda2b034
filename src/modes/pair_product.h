#pragma once
#include <string>

#include "base/messages.h"

// Starts the paired executable `path` with this process's command line. Gives
// 0, or with `returnCode` the child's exit code once it has ended. When it
// cannot be started: -1, and the failure naming the file and the system error.
int relaunchPairProduct(const std::wstring& path, bool returnCode, Failure& failure);
