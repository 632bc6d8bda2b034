#include "launcher/config.h"

#include "launcher/launcher.h"
#include "launcher/text.h"

std::wstring continuationValue(const std::wstring& plain, const std::wstring& continued) {
    if (!plain.empty()) return plain;
    if (continued.empty()) return std::wstring();
    if (continued[0] == L' ') return continued;
    return L" " + continued;
}

bool isYesAnyCase(const std::wstring& value) { return equalsIgnoreCase(value, L"Yes"); }

bool isYesExact(const std::wstring& value) { return value == L"yes"; }

JvmType jvmTypeFromText(const std::wstring& value) {
    if (value == L"server") return JvmType::Server;
    if (value == L"favor_server") return JvmType::FavorServer;
    return JvmType::Default;
}

void applyJvmSource(Launcher& l, const std::wstring& value) {
    if (value.empty()) {
        l.acceptJdk = true;
        l.acceptJre = true;
    } else if (value == L"favor_JDK") {
        l.acceptJdk = true;
        l.acceptJre = false;
        l.favorSource = true;
    } else if (value == L"favor_JRE") {
        l.acceptJdk = false;
        l.acceptJre = true;
        l.favorSource = true;
    } else if (value == L"only_JDK") {
        l.acceptJdk = true;
        l.acceptJre = false;
        l.favorSource = false;
    } else if (value == L"only_JRE") {
        l.acceptJdk = false;
        l.acceptJre = true;
        l.favorSource = false;
    } else {
        l.acceptJdk = false;
        l.acceptJre = false;
        l.favorSource = false;
    }
}

void applyVmProvider(Launcher& l, const std::wstring& value) {
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
            l.jrockitAllowed = r.jrockitAllowed;
            l.jrockitFavored = r.jrockitFavored;
            l.sunAllowed = r.sunAllowed;
            l.sunFavored = r.sunFavored;
            l.ibmAllowed = r.ibmAllowed;
            l.ibmFavored = r.ibmFavored;
            return;
        }
    }
}

std::wstring mainClassFromConfig(const std::wstring& value) { return replaceAll(value, L'.', L'/'); }

bool nameListed(const std::vector<std::wstring>& names, const std::wstring& wanted) {
    for (const std::wstring& name : names) {
        if (equalsIgnoreCase(name, wanted)) return true;
        for (wchar_t c : name) {
            if (c > 0x7F) return true;
        }
    }
    return false;
}
