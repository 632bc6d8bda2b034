#pragma once
// A machine made of given facts for the runtime search: registry keys and
// values, files (folders exist where files lie below them), release files,
// PE images, environment variables, and the "JRE Path" writes it receives.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "runtime/probe.h"

struct FakeRuntimeProbe : RuntimeProbe {
    struct Image {
        uint16_t machine = 0;
        bool hasVersion = false;
        uint16_t version[4] = {0, 0, 0, 0};
    };
    struct Key {
        std::wstring name;  // the last part of its path, as written
        std::map<std::wstring, std::wstring> values;
    };
    // Keys by root, view and path (folded to lower case, as the registry compares them).
    std::map<std::tuple<RegistryRoot, RegistryView, std::wstring>, Key> keys;
    std::set<std::wstring> files;
    std::map<std::wstring, std::string> contents;
    std::map<std::wstring, Image> images;
    std::map<std::wstring, std::wstring> variables;
    std::wstring currentDirectory = L"C:\\cwd";
    std::wstring appData = L"C:\\Users\\u\\AppData\\Roaming";
    std::map<std::wstring, std::wstring> written;  // "JRE Path" by file

    static std::wstring folded(std::wstring text) {
        for (wchar_t& c : text) {
            if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
        }
        if (!text.empty() && text.back() == L'\\') text.pop_back();
        return text;
    }
    // HKEY_CURRENT_USER\Software is one key for both views; the default view is the 32-bit product's.
    static RegistryView viewOf(RegistryRoot root, RegistryView view) {
        if (root == RegistryRoot::CurrentUser) return RegistryView::Default;
        return view == RegistryView::Default ? RegistryView::Bits32 : view;
    }
    void setValue(RegistryRoot root, RegistryView view, const std::wstring& path, const std::wstring& name,
                  const std::wstring& value) {
        createKey(root, view, path);
        keys[{root, viewOf(root, view), folded(path)}].values[name] = value;
    }
    // The key and those on the way to it.
    void createKey(RegistryRoot root, RegistryView view, const std::wstring& path) {
        std::wstring written = path;
        if (!written.empty() && written.back() == L'\\') written.pop_back();
        for (size_t end = written.size(); end != std::wstring::npos && end > 0; end = written.rfind(L'\\', end - 1)) {
            const std::wstring prefix = written.substr(0, end);
            keys[{root, viewOf(root, view), folded(prefix)}].name = fileNameOf(prefix);
        }
    }
    void addFile(const std::wstring& path, const std::string& bytes = std::string()) {
        files.insert(path);
        contents[path] = bytes;
    }

    bool subkeyNames(RegistryRoot root, RegistryView view, const std::wstring& key,
                     std::vector<std::wstring>& names) const override {
        const std::wstring wanted = folded(key);
        if (!keys.count({root, viewOf(root, view), wanted})) return false;
        names.clear();
        for (const auto& entry : keys) {
            if (std::get<0>(entry.first) != root || std::get<1>(entry.first) != viewOf(root, view)) continue;
            const std::wstring& path = std::get<2>(entry.first);
            if (path.size() <= wanted.size() + 1 || path.compare(0, wanted.size() + 1, wanted + L"\\") != 0) continue;
            const std::wstring child = path.substr(wanted.size() + 1);
            if (child.find(L'\\') == std::wstring::npos) names.push_back(entry.second.name);
        }
        return true;
    }
    bool textValues(RegistryRoot root, RegistryView view, const std::wstring& key,
                    std::initializer_list<const wchar_t*> names, std::vector<std::wstring>& values) const override {
        values.clear();
        auto it = keys.find({root, viewOf(root, view), folded(key)});
        if (it == keys.end()) return false;
        const std::map<std::wstring, std::wstring>& stored = it->second.values;
        for (const wchar_t* name : names) {
            auto value = name ? stored.find(name) : stored.end();
            values.push_back(value == stored.end() ? std::wstring() : value->second);
        }
        return true;
    }
    bool exists(const std::wstring& path) const override {
        const std::wstring p = folded(path);
        for (const std::wstring& file : files) {
            const std::wstring f = folded(file);
            if (f == p || (f.size() > p.size() && f.compare(0, p.size() + 1, p + L"\\") == 0)) return true;
        }
        return false;
    }
    bool readFile(const std::wstring& path, size_t limit, std::string& bytes) const override {
        auto it = contents.find(path);
        if (it == contents.end()) return false;
        bytes = it->second.substr(0, limit);
        return true;
    }
    bool imageMachine(const std::wstring& path, uint16_t* machine) const override {
        auto it = images.find(path);
        if (it == images.end()) return false;
        if (machine) *machine = it->second.machine;
        return true;
    }
    bool imageProductVersion(const std::wstring& path, uint16_t version[4]) const override {
        auto it = images.find(path);
        if (it == images.end() || !it->second.hasVersion) return false;
        for (int i = 0; i < 4; ++i) version[i] = it->second.version[i];
        return true;
    }
    std::wstring environment(const std::wstring& name) const override {
        auto it = variables.find(name);
        return it == variables.end() ? std::wstring() : it->second;
    }
    std::wstring fullPath(const std::wstring& path) const override {
        return isAbsolutePath(path) ? path : currentDirectory + L"\\" + path;
    }
    std::wstring userConfigPath(const std::wstring& exePath, const std::wstring& productName,
                                const std::wstring& productCode) const override {
        return composeUserConfigPath(appData, productName, productCode, exePath, nullptr);
    }
    bool writeJrePath(const std::wstring& file, const std::wstring& folder, std::wstring&) const override {
        const_cast<FakeRuntimeProbe*>(this)->written[file] = folder;
        return true;
    }
};
