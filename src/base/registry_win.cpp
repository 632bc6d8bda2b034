#include <windows.h>

#include "base/registry.h"

namespace {

HKEY rootKey(RegistryRoot root) { return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

REGSAM viewFlags(RegistryView view) {
    switch (view) {
    case RegistryView::Default: return 0;
    case RegistryView::Bits32: return KEY_WOW64_32KEY;
    case RegistryView::Bits64: return KEY_WOW64_64KEY;
    }
    return 0;
}

HKEY handleOf(const platform::RegistryKey& key) { return static_cast<HKEY>(key.get()); }

unsigned long setValue(const platform::RegistryKey& key, const wchar_t* name, DWORD type, const void* data, size_t size) {
    return static_cast<unsigned long>(
        RegSetValueExW(handleOf(key), name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)));
}

}  // namespace

namespace registry {

platform::RegistryKey open(RegistryRoot root, const std::wstring& path, RegistryView view) {
    platform::RegistryKey key;
    if (RegOpenKeyExW(rootKey(root), path.c_str(), 0, KEY_READ | viewFlags(view),
                      reinterpret_cast<HKEY*>(key.receive())) != ERROR_SUCCESS) {
        key.reset();
    }
    return key;
}

platform::RegistryKey create(RegistryRoot root, const std::wstring& path, unsigned long* error) {
    platform::RegistryKey key;
    const LONG result = RegCreateKeyExW(rootKey(root), path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE,
                                        nullptr, reinterpret_cast<HKEY*>(key.receive()), nullptr);
    if (result != ERROR_SUCCESS) key.reset();
    if (error) *error = static_cast<unsigned long>(result);
    return key;
}

unsigned long remove(RegistryRoot root, const std::wstring& path) {
    return static_cast<unsigned long>(RegDeleteKeyW(rootKey(root), path.c_str()));
}

std::optional<std::wstring> text(const platform::RegistryKey& key, const wchar_t* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (!key || RegQueryValueExW(handleOf(key), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    // Room for the value rounded up to whole characters, and a terminating zero.
    std::wstring buffer(size / sizeof(wchar_t) + 2, L'\0');
    DWORD got = size;
    if (size && RegQueryValueExW(handleOf(key), name, nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]), &got) !=
                    ERROR_SUCCESS) {
        return std::nullopt;
    }
    buffer.resize(size ? (got + sizeof(wchar_t) - 1) / sizeof(wchar_t) : 0);
    // A string value usually carries its terminating zero; the text ends at the first one.
    const size_t end = buffer.find(L'\0');
    if (end != std::wstring::npos) buffer.resize(end);
    return buffer;
}

std::optional<RawValue> raw(const platform::RegistryKey& key, const wchar_t* name, size_t maxBytes) {
    RawValue value;
    value.bytes.assign(maxBytes, '\0');
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(maxBytes);
    // A value that does not fit answers ERROR_MORE_DATA.
    if (!key || RegQueryValueExW(handleOf(key), name, nullptr, &type, reinterpret_cast<BYTE*>(&value.bytes[0]), &size) !=
                    ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.type = type;
    value.bytes.resize(size);
    return value;
}

std::optional<uint32_t> dword(const platform::RegistryKey& key, const wchar_t* name) {
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (!key || RegQueryValueExW(handleOf(key), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
                    ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value)) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

std::vector<std::wstring> subkeyNames(const platform::RegistryKey& key) {
    std::vector<std::wstring> names;
    if (!key) return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[MAX_PATH];
        DWORD length = MAX_PATH;
        if (RegEnumKeyExW(handleOf(key), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

unsigned long setExpandString(const platform::RegistryKey& key, const wchar_t* name, const std::wstring& value) {
    return setValue(key, name, REG_EXPAND_SZ, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
}

unsigned long setString(const platform::RegistryKey& key, const wchar_t* name, const std::wstring& value) {
    return setValue(key, name, REG_SZ, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
}

unsigned long setDword(const platform::RegistryKey& key, const wchar_t* name, uint32_t value) {
    const DWORD v = value;
    return setValue(key, name, REG_DWORD, &v, sizeof(v));
}

}  // namespace registry
