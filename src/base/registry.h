#pragma once
// The registry: keys opened and created through the one handle owner, values
// read into typed results (nothing when a value is missing or of another kind)
// and written with the system's error code as the result.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/handle.h"

// The registry roots the launcher reads and writes.
enum class RegistryRoot { LocalMachine, CurrentUser };

// A registry view: the process's own (for the 32-bit product on 64-bit Windows,
// the 32-bit one), or one named explicitly.
enum class RegistryView { Default, Bits32, Bits64 };

namespace registry {

// Opens `path` under `root` in `view` for reading; an empty owner when it cannot be opened.
platform::RegistryKey open(RegistryRoot root, const std::wstring& path, RegistryView view = RegistryView::Default);
// Opens `path` for setting values, creating the keys on the way; the system's
// error code in `error` when it cannot.
platform::RegistryKey create(RegistryRoot root, const std::wstring& path, unsigned long* error = nullptr);
// Deletes the key `path` (which must have no subkeys); the system's error code, 0 on success.
unsigned long remove(RegistryRoot root, const std::wstring& path);

// A value of any type as text: its bytes as UTF-16, up to the first zero.
// Nothing when the value is missing or cannot be read.
std::optional<std::wstring> text(const platform::RegistryKey& key, const wchar_t* name);
// A value's type and bytes, when it is there and has at most `maxBytes` bytes.
struct RawValue {
    uint32_t type = 0;
    std::string bytes;
};
std::optional<RawValue> raw(const platform::RegistryKey& key, const wchar_t* name, size_t maxBytes);
std::optional<uint32_t> dword(const platform::RegistryKey& key, const wchar_t* name);
// The subkey names in index order, up to the first that cannot be read.
std::vector<std::wstring> subkeyNames(const platform::RegistryKey& key);

// Sets a value; the system's error code, 0 on success.
unsigned long setExpandString(const platform::RegistryKey& key, const wchar_t* name, const std::wstring& value);
unsigned long setString(const platform::RegistryKey& key, const wchar_t* name, const std::wstring& value);
unsigned long setDword(const platform::RegistryKey& key, const wchar_t* name, uint32_t value);

}  // namespace registry
