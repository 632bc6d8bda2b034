// Configuration values of any length through the rules that read them: the
// continuation of a key, the yes words, the "JVM Type", "JVM Source" and
// "VM Provider" word tables, "Main Class", and the messages that quote values.
// The input is "<plain value>\n<continued value>"; the first byte repeats the
// text up to 16 times, so values reach tens of thousands of characters. The
// raw bytes are also read as the modified UTF-8 that JNI hands back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_text.h"
#include "base/profile.h"
#include "launcher/settings.h"
#include "runtime/policy.h"
#include "base/messages.h"
#include "base/text.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

struct Flags {
    bool jrockitAllowed, jrockitFavored, sunAllowed, sunFavored, ibmAllowed, ibmFavored;
    explicit Flags(const RuntimePolicy& l)
        : jrockitAllowed(l.jrockitAllowed), jrockitFavored(l.jrockitFavored), sunAllowed(l.sunAllowed),
          sunFavored(l.sunFavored), ibmAllowed(l.ibmAllowed), ibmFavored(l.ibmFavored) {}
    bool operator==(const Flags& o) const {
        return jrockitAllowed == o.jrockitAllowed && jrockitFavored == o.jrockitFavored &&
               sunAllowed == o.sunAllowed && sunFavored == o.sunFavored && ibmAllowed == o.ibmAllowed &&
               ibmFavored == o.ibmFavored;
    }
};

void checkWords(const std::wstring& value) {
    check(isYesAnyCase(value) == equalsIgnoreCase(value, L"YES"));
    if (isYesExact(value)) check(value == L"yes" && isYesAnyCase(value));

    const JvmType type = jvmTypeFromText(value);
    check((type == JvmType::Server) == (value == L"server"));
    check((type == JvmType::FavorServer) == (value == L"favor_server"));

    RuntimePolicy launcher;
    applyJvmSource(launcher, value);
    static const wchar_t* const sourceWords[] = {L"favor_JDK", L"favor_JRE", L"only_JDK", L"only_JRE"};
    bool known = value.empty();
    for (const wchar_t* w : sourceWords) known = known || value == w;
    check(known == (launcher.acceptJdk || launcher.acceptJre));

    const Flags before(launcher);
    applyVmProvider(launcher, value);
    static const wchar_t* const providerWords[] = {L"jrockit", L"ibm", L"favor_sun", L"favor_jrockit", L"favor_ibm", L"any"};
    bool provider = false;
    for (const wchar_t* w : providerWords) provider = provider || equalsIgnoreCase(value, w);
    if (!provider) check(Flags(launcher) == before);
    if (provider) check(launcher.jrockitAllowed || launcher.sunAllowed || launcher.ibmAllowed);

    const std::wstring mainClass = mainClassFromConfig(value);
    check(mainClass.size() == value.size() && mainClass.find(L'.') == std::wstring::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const size_t repeats = size > 0 ? 1 + (data[0] & 15) : 1;
    const std::wstring once = fuzzText(data + (size > 0), size - (size > 0));
    std::wstring input;
    for (size_t i = 0; i < repeats; ++i) input += once;

    size_t newline = input.find(L'\n');
    const std::wstring plain = newline == std::wstring::npos ? input : input.substr(0, newline);
    const std::wstring continued = newline == std::wstring::npos ? std::wstring() : input.substr(newline + 1);

    const std::wstring value = continuationValue(plain, continued);
    if (!plain.empty()) {
        check(value == plain);
    } else if (continued.empty()) {
        check(value.empty());
    } else {
        check(value[0] == L' ' && value.size() - continued.size() <= 1);
        check(value.compare(value.size() - continued.size(), continued.size(), continued) == 0);
    }
    checkWords(plain);
    checkWords(value);

    // Values quoted in messages, and values as message texts themselves.
    const std::wstring quoted = formatMessage(L"Could not find the main class %s.", {MessageArg(value)});
    check(quoted.size() == value.size() + 31 && quoted.compare(30, value.size(), value) == 0);
    const std::wstring formatted = formatMessage(plain, {MessageArg(continued), MessageArg(-2147483647 - 1)});
    check(formatted.size() <= plain.size() / 2 * (continued.size() + 11) + plain.size());

    // Modified UTF-8 never yields more characters than it has bytes.
    check(fromModifiedUtf8(raw).size() <= raw.size());
    return 0;
}
