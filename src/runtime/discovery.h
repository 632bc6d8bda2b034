#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/candidates.h"
#include "runtime/runtime_version.h"

struct RuntimePolicy;
enum class JvmType;

// The VM library of a runtime home (which ends in '\' or is empty): the full
// path of its jvm.dll, or empty text when it has none. `isServer` tells whether
// the library found is the one in bin\server. `exists` tests one path.
std::wstring resolveJvmLibraryWith(const std::wstring& home, JvmType type, bool* isServer,
                                   const std::function<bool(const std::wstring&)>& exists);

// The same against the file system.
std::wstring resolveJvmLibrary(const std::wstring& home, JvmType type, bool* isServer = nullptr);

// Whether folder + "bin\java.dll" exists.
bool hasJavaLibrary(const std::wstring& folder);

// The runtime shipped with the application in `executableFolder` (which ends
// in '\'): that folder when it holds bin\java.dll, otherwise its jre\ folder
// when that does, otherwise its runtime\ folder (what jlink and jpackage make)
// when that does, otherwise empty.
std::wstring findPrivateRuntime(const std::wstring& executableFolder);

// A registry view: the process's own (for the 32-bit product on 64-bit Windows,
// the 32-bit one), or one named explicitly.
enum class RegistryView { Default, Bits32, Bits64 };
const wchar_t* viewText(RegistryView view);

// The registry roots the families live under.
enum class RegistryRoot { LocalMachine, CurrentUser };

// Whom a registry pass looks for a runtime for. HKEY_CURRENT_USER\Software is
// one key for both registry views, so its runtimes may be of either processor:
// a pass for this process leaves those whose VM library is for another
// processor than this build's; a pass for the paired executable keeps them.
enum class PassFor { ThisProcess, Pair };

// Appends the qualifying runtimes of one family under `root` in `view` to `list`,
// in the order of the registry's subkeys. Each entry looked at is traced with
// the reason it was taken or left.
void collectFamily(const RuntimeFamily& family, RegistryRoot root, RegistryView view, const RuntimePolicy& policy,
                   std::vector<RuntimeCandidate>& list, PassFor passFor = PassFor::ThisProcess);

// Every candidate of one registry pass, in order of discovery: the classic
// families taking part; when they yield none, the modern layouts under
// HKEY_LOCAL_MACHINE and then HKEY_CURRENT_USER, one candidate per home.
std::vector<RuntimeCandidate> collectCandidates(const RuntimePolicy& policy, RegistryView view,
                                                PassFor passFor = PassFor::ThisProcess);

// The machine-type check of a VM library file (mapped read-only as a whole).
// False when the file cannot be opened or mapped or is no PE image.
bool readImageMachineOfFile(const std::wstring& path, uint16_t* machine);
bool isValidImage(const std::wstring& path);
bool isX86Image(const std::wstring& path);
// The product version of a VM library's version resource (readImageProductVersion).
bool readImageProductVersionOfFile(const std::wstring& path, uint16_t version[4]);

// JAVA_VERSION of the release file in `home`, or in the folder above a home
// named ...\jre\ (a JDK 8). False when neither has a readable one.
bool readReleaseVersion(const std::wstring& home, std::wstring& text);
// What can be read of the version of the runtime in `home` whose VM library is
// `library`: the release file's version; without one, the major version of the
// library's version resource (the text is then the resource's product version).
RuntimeVersion readRuntimeVersion(const std::wstring& home, const std::wstring& library);
