#pragma once
// Which runtimes a search accepts and how it orders them, and the selection
// rules that need no platform: ordering and choice of registry candidates.
#include <cstddef>
#include <string>
#include <vector>

#include "runtime/candidates.h"
#include "runtime/java_version.h"

// Which VM library of a runtime is loaded ("JVM Type").
enum class JvmType { Default, Server, FavorServer };

// The search flags the configuration sets: "JVM Type", "JVM Source",
// "VM Provider" and the version constraints.
struct RuntimePolicy {
    JvmType jvmType = JvmType::Default;
    bool acceptJdk = false;
    bool acceptJre = false;
    bool favorSource = true;
    bool sunAllowed = true;
    bool sunFavored = true;
    bool jrockitAllowed = false;
    bool jrockitFavored = false;
    bool ibmAllowed = false;
    bool ibmFavored = false;
    JavaVersion minimumVersion;
    JavaVersion maximumVersion;
    std::vector<std::wstring> preferredVersions;

    // IBM runtimes must not see threads that called into the VM detach.
    bool keepsThreadsAttached() const { return ibmAllowed || ibmFavored; }
};

// "server" -> Server, "favor_server" -> FavorServer, anything else Default (exact words).
JvmType jvmTypeFromText(const std::wstring& value);
// Sets acceptJdk, acceptJre and favorSource from "JVM Source".
void applyJvmSource(RuntimePolicy& policy, const std::wstring& value);
// Sets the six vendor flags from "VM Provider" (words compared in any case).
void applyVmProvider(RuntimePolicy& policy, const std::wstring& value);

// Whether candidate b must come before candidate a: favoured first (only while
// "JVM Source" favours), then server first (only with "favor_server"), then newest.
bool comesBefore(const RuntimeCandidate& b, const RuntimeCandidate& a, const RuntimePolicy& policy);
// Sorts in place by n passes of exchanges of adjacent pairs; equal candidates
// keep their order of discovery.
void orderCandidates(std::vector<RuntimeCandidate>& list, const RuntimePolicy& policy);

// The candidate of a sorted, non-empty list to use: the first that matches the
// earliest preferred version that matches any, otherwise the first.
// `matchedPreferred` receives the index of that preferred text, or -1.
size_t chooseCandidate(const std::vector<RuntimeCandidate>& sorted, const std::vector<std::wstring>& preferred,
                       int* matchedPreferred = nullptr);
