#include "runtime/discovery.h"
#include "runtime/policy.h"

std::wstring resolveJvmLibraryWith(const std::wstring& home, JvmType type, bool* isServer,
                                   const std::function<bool(const std::wstring&)>& exists) {
    static const wchar_t kServer[] = L"bin\\server\\jvm.dll";
    if (isServer) *isServer = false;
    if (type == JvmType::Server || type == JvmType::FavorServer) {
        std::wstring path = home + kServer;
        if (exists(path)) {
            if (isServer) *isServer = true;
            return path;
        }
        if (type == JvmType::Server) return std::wstring();
    }
    static const struct {
        const wchar_t* subPath;
        bool server;
    } order[] = {
        {L"bin\\client\\jvm.dll", false}, {L"bin\\classic\\jvm.dll", false}, {L"bin\\hotspot\\jvm.dll", false},
        {kServer, true},                  {L"bin\\jrockit\\jvm.dll", false},
    };
    for (const auto& entry : order) {
        std::wstring path = home + entry.subPath;
        if (exists(path)) {
            if (isServer) *isServer = entry.server;
            return path;
        }
    }
    return std::wstring();
}
