#include <windows.h>

#include "launcher/launcher.h"
#include "launcher/paths.h"
#include "launcher/trace.h"
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

void redirect(Launcher& launcher, const std::wstring& file, bool append, JavaStream stream) {
    trace((stream == JavaStream::Output ? L"System.out -> " : L"System.err -> ") + file +
          (append ? L" (append)" : L" (truncate)"));
    ensureParentFolders(file);
    redirectJavaStream(launcher.jniEnv, file, append, stream);
}

}  // namespace

void applyOutputRedirection(Launcher& launcher) {
    const bool outputDated = launcher.outputFile.find(L'%') != std::wstring::npos;
    const bool errorDated = launcher.errorFile.find(L'%') != std::wstring::npos;
    if (outputDated || errorDated) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        if (outputDated) expandDateTimePattern(launcher.outputFile, now);
        if (errorDated) expandDateTimePattern(launcher.errorFile, now);
    }
    if (!launcher.outputFile.empty()) redirect(launcher, launcher.outputFile, launcher.outputAppend, JavaStream::Output);
    if (!launcher.errorFile.empty()) redirect(launcher, launcher.errorFile, launcher.errorAppend, JavaStream::Error);
}
