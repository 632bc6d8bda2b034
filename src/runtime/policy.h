#pragma once
// The selection rules that need no platform: ordering and choice of registry
// candidates, and the values derived from the chosen runtime.
#include <cstddef>
#include <string>
#include <vector>

#include "runtime/candidates.h"

class Launcher;

// Whether candidate b must come before candidate a: favoured first (only while
// "JVM Source" favours), then server first (only with "favor_server"), then newest.
bool comesBefore(const RuntimeCandidate& b, const RuntimeCandidate& a, const Launcher& launcher);
// Sorts in place by n passes of exchanges of adjacent pairs; equal candidates
// keep their order of discovery.
void orderCandidates(std::vector<RuntimeCandidate>& list, const Launcher& launcher);

// The candidate of a sorted, non-empty list to use: the first that matches the
// earliest preferred version that matches any, otherwise the first.
// `matchedPreferred` receives the index of that preferred text, or -1.
size_t chooseCandidate(const std::vector<RuntimeCandidate>& sorted, const std::vector<std::wstring>& preferred,
                       int* matchedPreferred = nullptr);

// QZ_JVM_HOME: the VM library path with its last three components cut
// (D:\jre\bin\server\jvm.dll -> D:\jre); a cut without '\' changes nothing.
std::wstring jvmHomeFromLibrary(const std::wstring& libraryPath);

// A folder with '\' appended when it does not end in one.
std::wstring withTrailingSeparator(const std::wstring& folder);
