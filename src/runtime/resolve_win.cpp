#include "base/paths.h"
#include "runtime/discovery.h"

std::wstring resolveJvmLibrary(const std::wstring& home, JvmType type, bool* isServer) {
    return resolveJvmLibraryWith(home, type, isServer, fileExists);
}
