#include "launcher/settings.h"

#include "base/text.h"
#include "base/trace.h"
#include "resources/resource.h"

bool isYesAnyCase(const std::wstring& value) { return equalsIgnoreCase(value, L"Yes"); }

bool isYesExact(const std::wstring& value) { return value == L"yes"; }

std::wstring mainClassFromConfig(const std::wstring& value) { return replaceAll(value, L'.', L'/'); }

uint32_t secondsFromConfig(const std::wstring& value) {
    size_t i = value.find_first_not_of(L" \t");
    uint64_t seconds = 0;
    for (; i < value.size() && value[i] >= L'0' && value[i] <= L'9'; ++i) {
        seconds = seconds * 10 + static_cast<uint64_t>(value[i] - L'0');
        if (seconds > 0xFFFFFFFFu) return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(seconds);
}

namespace {

const wchar_t kProduct[] = L"Product Information";
const wchar_t kJre[] = L"Java Runtime Environment";
const wchar_t kApplication[] = L"Application";
const wchar_t kClassPath[] = L"Class Path";

// "Main Module", "Module Path" and "Main JAR" (extensions), traced only when set.
void readLaunchForm(const ProfileSource& config, bool tracing, JavaCommand& command) {
    const struct {
        const wchar_t* key;
        std::wstring JavaCommand::*value;
    } keys[] = {{L"Main Module", &JavaCommand::mainModule},
                {L"Module Path", &JavaCommand::modulePath},
                {L"Main JAR", &JavaCommand::mainJar}};
    for (const auto& k : keys) {
        std::wstring& value = command.*k.value;
        value = config.read(kJre, k.key);
        if (tracing && !value.empty()) trace(std::wstring(L"  \"") + k.key + L"\" = \"" + value + L"\"");
    }
}

}  // namespace

Failure readSettings(const std::wstring& configPath, const std::wstring& exePath, const SettingsFacts& facts,
                     Settings& s) {
    const std::unique_ptr<ProfileSource> file = facts.open(configPath);
    const ProfileSource& config = *file;
    const bool tracing = traceEnabled();
    if (tracing) trace(L"configuration: " + configPath);
    auto traced = [&](const wchar_t* key, const std::wstring& value) {
        if (tracing) trace(std::wstring(L"  \"") + key + L"\" = \"" + value + L"\"");
        return value;
    };
    RuntimePolicy& runtime = s.runtime;

    s.productCode = traced(L"Product Code", config.readPlain(kProduct, L"Product Code"));
    s.productName = traced(L"Product Name", config.readPlain(kProduct, L"Product Name"));
    runtime.minimumVersion = minimumFromConfig(traced(L"Minimum Version", config.read(kJre, L"Minimum Version")));
    runtime.maximumVersion = maximumFromConfig(traced(L"Maximum Version", config.read(kJre, L"Maximum Version")));

    s.isService = traced(L"Application Type", config.read(kApplication, L"Application Type")) == L"service";
    if (s.isService) {
        s.omitServiceName = !traced(L"Omit Service Name", config.read(kApplication, L"Omit Service Name")).empty();
        s.stopTimeoutSeconds = secondsFromConfig(traced(L"Stop Timeout", config.read(kApplication, L"Stop Timeout")));
    }

    runtime.preferredVersions = splitList(traced(L"Preferred versions", config.read(kJre, L"Preferred versions")), L';');

    if (facts.isWindowsNtFamily() && !s.isService) {
        std::wstring userPath = facts.userConfigPath(exePath, s.productName, s.productCode);
        if (!userPath.empty() && facts.fileFound(userPath)) {
            if (tracing) trace(L"per-user configuration: " + userPath);
            s.jrePath = traced(L"JRE Path", facts.open(userPath)->readPlain(kJre, L"JRE Path"));
        } else {
            if (tracing) trace(L"no per-user configuration: " + userPath);
            s.jrePath = traced(L"JRE Path", config.read(kJre, L"JRE Path"));
        }
    } else {
        s.jrePath = traced(L"JRE Path", config.read(kJre, L"JRE Path"));
    }

    runtime.jvmType = jvmTypeFromText(traced(L"JVM Type", config.read(kJre, L"JVM Type")));
    applyJvmSource(runtime, traced(L"JVM Source", config.read(kJre, L"JVM Source")));
    applyVmProvider(runtime, traced(L"VM Provider", config.read(kJre, L"VM Provider")));

    JavaCommand& command = s.command;
    readLaunchForm(config, tracing, command);
    std::wstring mainClass = traced(L"Main Class", config.read(kJre, L"Main Class"));
    // A main module or a main JAR names its main class itself.
    if (mainClass.empty() && command.mainModule.empty() && command.mainJar.empty()) return Failure(IDS_NO_MAIN_CLASS);
    s.mainClass = mainClassFromConfig(mainClass);

    s.failureCheck = isYesAnyCase(traced(L"Failure Check", config.read(kApplication, L"Failure Check")));
    s.overrideWorkingDir = isYesAnyCase(traced(L"Override WorkingDir", config.read(kApplication, L"Override WorkingDir")));
    command.systemPath = traced(L"System Path", config.read(kJre, L"System Path"));
    command.libraryPath = traced(L"Library Path", config.read(kJre, L"Library Path"));
    s.pairProductPath = traced(L"Pair Product", config.read(kApplication, L"Pair Product"));
    s.pairReturnCode = isYesAnyCase(traced(L"Pair Return Code", config.read(kApplication, L"Pair Return Code")));

    // The rest is used by the single-instance set-up and the run step.
    if (!s.isService) s.singleInstance = isYesExact(config.read(kApplication, L"Single Instance"));
    command.classPath = config.read(kClassPath, L"Class Path");
    command.embeddedJar = isYesAnyCase(config.read(kApplication, L"Embedded Jar"));
    command.vmParameters = config.read(kJre, L"Virtual Machine Parameters");
    command.outputFile = config.read(kApplication, L"Output File");
    command.outputAppend = isYesExact(config.read(kApplication, L"Output Append"));
    command.errorFile = config.read(kApplication, L"Error File");
    command.errorAppend = isYesExact(config.read(kApplication, L"Error Append"));
    command.cmd = config.read(kApplication, L"Cmd");
    command.classDataSharing = config.read(kJre, L"Class Data Sharing");
    return Failure();
}
