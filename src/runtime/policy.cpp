#include "runtime/policy.h"

#include "launcher/launcher.h"
#include "launcher/text.h"

bool comesBefore(const RuntimeCandidate& b, const RuntimeCandidate& a, const Launcher& l) {
    if (l.favorSource && a.isFavored != b.isFavored) return b.isFavored;
    if (l.jvmType == JvmType::FavorServer && a.isServer != b.isServer) return b.isServer;
    return compare(a.version, b.version) == -1;
}

void orderCandidates(std::vector<RuntimeCandidate>& list, const Launcher& l) {
    const size_t n = list.size();
    for (size_t pass = 0; pass < n; ++pass) {
        for (size_t i = 0; i + 1 < n; ++i) {
            if (comesBefore(list[i + 1], list[i], l)) std::swap(list[i], list[i + 1]);
        }
    }
}

size_t chooseCandidate(const std::vector<RuntimeCandidate>& sorted, const std::vector<std::wstring>& preferred,
                       int* matchedPreferred) {
    if (matchedPreferred) *matchedPreferred = -1;
    for (size_t p = 0; p < preferred.size(); ++p) {
        JavaVersion wanted = JavaVersion::parse(preferred[p], 0);
        for (size_t i = 0; i < sorted.size(); ++i) {
            if (matchesPreferred(wanted, sorted[i].version)) {
                if (matchedPreferred) *matchedPreferred = static_cast<int>(p);
                return i;
            }
        }
    }
    return 0;
}

std::wstring jvmHomeFromLibrary(const std::wstring& libraryPath) {
    std::wstring home = libraryPath;
    for (int i = 0; i < 3; ++i) {
        size_t sep = home.rfind(L'\\');
        if (sep != std::wstring::npos) home.resize(sep);
    }
    return home;
}

std::wstring withTrailingSeparator(const std::wstring& folder) {
    return endsWith(folder, L'\\') ? folder : folder + L'\\';
}
