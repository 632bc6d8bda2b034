#pragma once
#include <functional>
#include <string>

enum class JvmType;

// The VM library of a runtime home (which ends in '\' or is empty): the full
// path of its jvm.dll, or empty text when it has none. `isServer` tells whether
// the library found is the one in bin\server. `exists` tests one path.
std::wstring resolveJvmLibraryWith(const std::wstring& home, JvmType type, bool* isServer,
                                   const std::function<bool(const std::wstring&)>& exists);

// The same against the file system.
std::wstring resolveJvmLibrary(const std::wstring& home, JvmType type, bool* isServer = nullptr);
