#include "support/runtime_fixtures.h"

#include <iterator>

#include "support/pe_builder.h"
#include "support/process.h"

namespace testing_support {

bool writeImageHeader(const std::wstring& path, unsigned short machine) {
    std::string image(0x200, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    image[0x3C] = static_cast<char>(0x80);
    image.replace(0x80, 4, std::string("PE\0\0", 4));
    image[0x84] = static_cast<char>(machine & 0xFF);
    image[0x85] = static_cast<char>(machine >> 8);
    return writeTextFile(path, image);
}

bool writeImage(const std::wstring& path, unsigned short machine, const unsigned short* productVersion) {
    return writeTextFile(path, peImage(machine, productVersion));
}

bool writeReleaseFile(const std::wstring& home, const std::string& javaVersion) {
    std::wstring folder = home;
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return writeTextFile(folder + L"release", "IMPLEMENTOR=\"Test\"\nJAVA_VERSION=\"" + javaVersion +
                                                  "\"\nJAVA_VERSION_DATE=\"2024-01-16\"\n");
}

std::wstring makeRuntimeFolder(const std::wstring& home, unsigned parts) {
    makeFolders(home);
    if (parts & kClientVm) writeTextFile(home + L"\\bin\\client\\jvm.dll", "");
    if (parts & kServerVm) writeTextFile(home + L"\\bin\\server\\jvm.dll", "");
    if (parts & kJavaDll) writeTextFile(home + L"\\bin\\java.dll", "");
    return home + L"\\";
}

RegistryPlant::~RegistryPlant() { removeAll(); }

HKEY RegistryPlant::openCreating(HKEY root, REGSAM view, const std::wstring& path) {
    // Create the path one level at a time so that each new key is remembered.
    HKEY key = nullptr;
    size_t start = 0;
    for (;;) {
        size_t sep = path.find(L'\\', start);
        std::wstring prefix = path.substr(0, sep);
        DWORD disposition = 0;
        if (key) RegCloseKey(key);
        key = nullptr;
        if (RegCreateKeyExW(root, prefix.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                            &disposition) != ERROR_SUCCESS) {
            return nullptr;
        }
        if (disposition == REG_CREATED_NEW_KEY) created_.push_back({root, view, prefix});
        if (sep == std::wstring::npos) return key;
        start = sep + 1;
    }
}

bool RegistryPlant::createKey(HKEY root, REGSAM view, const std::wstring& path) {
    HKEY key = openCreating(root, view, path);
    if (!key) return false;
    RegCloseKey(key);
    return true;
}

bool RegistryPlant::setRaw(HKEY root, REGSAM view, const std::wstring& path, const std::wstring& name, DWORD type,
                           const void* data, DWORD size) {
    HKEY key = openCreating(root, view, path);
    if (!key) return false;
    LONG rc = RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool RegistryPlant::set(HKEY root, REGSAM view, const std::wstring& path, const std::wstring& name,
                        const std::wstring& value) {
    return setRaw(root, view, path, name, REG_SZ, value.c_str(),
                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void RegistryPlant::remove(HKEY root, REGSAM view, const std::wstring& path) {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
        if (it->root == root && it->view == view && it->path == path) {
            RegDeleteKeyExW(root, path.c_str(), view, 0);
            created_.erase(std::next(it).base());
            return;
        }
    }
}

void RegistryPlant::removeAll() {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
        RegDeleteKeyExW(it->root, it->path.c_str(), it->view, 0);
    }
    created_.clear();
}

bool registryKeyExists(HKEY root, REGSAM view, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

}  // namespace testing_support
