#pragma once
// Runtime homes and their VM libraries, the runtime shipped with the
// application, the runtimes the registry lists, and what can be read of a
// runtime's version. The facts come from a RuntimeProbe.
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/candidates.h"
#include "runtime/probe.h"
#include "runtime/runtime_version.h"

struct RuntimePolicy;
enum class JvmType;

// The VM library of a runtime home (which ends in '\' or is empty): the full
// path of its jvm.dll, or empty text when it has none. `isServer` tells whether
// the library found is the one in bin\server.
std::wstring resolveJvmLibrary(const RuntimeProbe& probe, const std::wstring& home, JvmType type,
                               bool* isServer = nullptr);

// Whether folder + "bin\java.dll" exists.
bool hasJavaLibrary(const RuntimeProbe& probe, const std::wstring& folder);

// The runtime shipped with the application in `executableFolder` (which ends
// in '\'): that folder when it holds bin\java.dll, otherwise its jre\ folder
// when that does, otherwise its runtime\ folder (what jlink and jpackage make)
// when that does, otherwise empty.
std::wstring findPrivateRuntime(const RuntimeProbe& probe, const std::wstring& executableFolder);

// "default view", "32-bit view", "64-bit view".
const wchar_t* viewText(RegistryView view);

// Whom a registry pass looks for a runtime for. HKEY_CURRENT_USER\Software is
// one key for both registry views, so its runtimes may be of either processor:
// a pass for this process leaves those whose VM library is for another
// processor than this build's; a pass for the paired executable keeps them.
enum class PassFor { ThisProcess, Pair };

// Appends the qualifying runtimes of one family under `root` in `view` to `list`,
// in the order of the registry's subkeys. Each entry looked at is traced with
// the reason it was taken or left.
void collectFamily(const RuntimeProbe& probe, const RuntimeFamily& family, RegistryRoot root, RegistryView view,
                   const RuntimePolicy& policy, std::vector<RuntimeCandidate>& list,
                   PassFor passFor = PassFor::ThisProcess);

// Every candidate of one registry pass, in order of discovery: the classic
// families taking part; when they yield none, the modern layouts under
// HKEY_LOCAL_MACHINE and then HKEY_CURRENT_USER, one candidate per home.
std::vector<RuntimeCandidate> collectCandidates(const RuntimeProbe& probe, const RuntimePolicy& policy,
                                                RegistryView view, PassFor passFor = PassFor::ThisProcess);

// JAVA_VERSION of the release file in `home`, or in the folder above a home
// named ...\jre\ (a JDK 8). False when neither has a readable one.
bool readReleaseVersion(const RuntimeProbe& probe, const std::wstring& home, std::wstring& text);
// What can be read of the version of the runtime in `home` whose VM library is
// `library`: the release file's version; without one, the major version of the
// library's version resource (the text is then the resource's product version).
RuntimeVersion readRuntimeVersion(const RuntimeProbe& probe, const std::wstring& home, const std::wstring& library);
