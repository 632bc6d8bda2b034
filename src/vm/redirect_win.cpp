#include <windows.h>

#include "base/paths.h"
#include "base/trace.h"
#include "vm/date_pattern.h"
#include "vm/java_calls.h"
#include "vm/redirect.h"

void expandDateTimePattern(std::wstring& name, const SYSTEMTIME& time) {
    expandDateTimePatternWith(name, time.wMilliseconds, [&time](const std::wstring& picture) {
        // A result has to fit MAX_PATH; longer pictures are not handed to the
        // platform at all (Wine overruns its own stack buffer on them).
        if (picture.size() >= MAX_PATH) return std::wstring();
        wchar_t timeText[MAX_PATH];
        if (!GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, picture.c_str(), timeText, MAX_PATH)) return std::wstring();
        wchar_t dateText[MAX_PATH];
        if (!GetDateFormatW(LOCALE_USER_DEFAULT, 0, &time, timeText, dateText, MAX_PATH)) return std::wstring();
        return std::wstring(dateText);
    });
}

namespace {

void redirect(JNIEnv* env, const std::wstring& file, bool append, JavaStream stream) {
    trace((stream == JavaStream::Output ? L"System.out -> " : L"System.err -> ") + file +
          (append ? L" (append)" : L" (truncate)"));
    ensureParentFolders(file);
    redirectJavaStream(env, file, append, stream);
}

}  // namespace

void applyOutputRedirection(JNIEnv* env, OutputRedirection& r) {
    const bool outputDated = r.outputFile.find(L'%') != std::wstring::npos;
    const bool errorDated = r.errorFile.find(L'%') != std::wstring::npos;
    if (outputDated || errorDated) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        if (outputDated) expandDateTimePattern(r.outputFile, now);
        if (errorDated) expandDateTimePattern(r.errorFile, now);
    }
    if (!r.outputFile.empty()) redirect(env, r.outputFile, r.outputAppend, JavaStream::Output);
    if (!r.errorFile.empty()) redirect(env, r.errorFile, r.errorAppend, JavaStream::Error);
}
