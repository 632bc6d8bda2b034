#include "runtime/policy.h"

#include "base/text.h"

JvmType jvmTypeFromText(const std::wstring& value) {
    if (value == L"server") return JvmType::Server;
    if (value == L"favor_server") return JvmType::FavorServer;
    return JvmType::Default;
}

void applyJvmSource(RuntimePolicy& p, const std::wstring& value) {
    if (value.empty()) {
        p.acceptJdk = true;
        p.acceptJre = true;
    } else if (value == L"favor_JDK") {
        p.acceptJdk = true;
        p.acceptJre = false;
        p.favorSource = true;
    } else if (value == L"favor_JRE") {
        p.acceptJdk = false;
        p.acceptJre = true;
        p.favorSource = true;
    } else if (value == L"only_JDK") {
        p.acceptJdk = true;
        p.acceptJre = false;
        p.favorSource = false;
    } else if (value == L"only_JRE") {
        p.acceptJdk = false;
        p.acceptJre = true;
        p.favorSource = false;
    } else {
        p.acceptJdk = false;
        p.acceptJre = false;
        p.favorSource = false;
    }
}

void applyVmProvider(RuntimePolicy& p, const std::wstring& value) {
    struct Row {
        const wchar_t* name;
        bool jrockitAllowed, jrockitFavored, sunAllowed, sunFavored, ibmAllowed, ibmFavored;
    };
    static const Row rows[] = {
        {L"jrockit", true, true, false, false, false, false},
        {L"ibm", false, false, false, false, true, true},
        {L"favor_sun", true, false, true, true, true, false},
        {L"favor_jrockit", true, true, true, false, true, false},
        {L"favor_ibm", true, false, true, false, true, true},
        {L"any", true, false, true, false, true, false},
    };
    if (value.empty()) return;
    for (const Row& r : rows) {
        if (equalsIgnoreCase(value, r.name)) {
            p.jrockitAllowed = r.jrockitAllowed;
            p.jrockitFavored = r.jrockitFavored;
            p.sunAllowed = r.sunAllowed;
            p.sunFavored = r.sunFavored;
            p.ibmAllowed = r.ibmAllowed;
            p.ibmFavored = r.ibmFavored;
            return;
        }
    }
}

bool comesBefore(const RuntimeCandidate& b, const RuntimeCandidate& a, const RuntimePolicy& p) {
    if (p.favorSource && a.isFavored != b.isFavored) return b.isFavored;
    if (p.jvmType == JvmType::FavorServer && a.isServer != b.isServer) return b.isServer;
    return compare(a.version, b.version) == -1;
}

void orderCandidates(std::vector<RuntimeCandidate>& list, const RuntimePolicy& p) {
    const size_t n = list.size();
    for (size_t pass = 0; pass < n; ++pass) {
        for (size_t i = 0; i + 1 < n; ++i) {
            if (comesBefore(list[i + 1], list[i], p)) std::swap(list[i], list[i + 1]);
        }
    }
}

size_t chooseCandidate(const std::vector<RuntimeCandidate>& sorted, const std::vector<std::wstring>& preferred,
                       int* matchedPreferred) {
    if (matchedPreferred) *matchedPreferred = -1;
    for (size_t p = 0; p < preferred.size(); ++p) {
        JavaVersion wanted = preferredFromConfig(preferred[p]);
        for (size_t i = 0; i < sorted.size(); ++i) {
            if (matchesPreferred(wanted, sorted[i].version)) {
                if (matchedPreferred) *matchedPreferred = static_cast<int>(p);
                return i;
            }
        }
    }
    return 0;
}
