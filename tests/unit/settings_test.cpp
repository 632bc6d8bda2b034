// The configuration reader on INI text, through the portable reader.
#include <gtest/gtest.h>

#include <map>

#include "base/ini_file.h"
#include "launcher/settings.h"
#include "resources/resource.h"

namespace {

// Files by path; the per-user file is where the facts say it is.
struct TextFacts : SettingsFacts {
    std::map<std::wstring, std::string> files;
    bool ntFamily = true;
    std::unique_ptr<ProfileSource> open(const std::wstring& path) const override {
        auto it = files.find(path);
        return std::unique_ptr<ProfileSource>(new IniFile(IniFile::fromBytes(it == files.end() ? "" : it->second)));
    }
    bool isWindowsNtFamily() const override { return ntFamily; }
    std::wstring userConfigPath(const std::wstring&, const std::wstring& name, const std::wstring& code) const override {
        return L"U\\" + name + L"\\" + code + L"\\app.ini";
    }
    bool fileFound(const std::wstring& path) const override { return files.count(path) != 0; }
};

Settings read(const TextFacts& facts, Failure* failure = nullptr) {
    Settings s;
    Failure f = readSettings(L"app.ini", L"C:\\a\\app.exe", facts, s);
    if (failure) *failure = f;
    return s;
}

TEST(Settings, EveryKeyWithItsRuleAndTheContinuationSections) {
    TextFacts facts;
    facts.files[L"app.ini"] =
        "[Product Information]\r\nProduct Name=Tool\r\nProduct Code=7\r\n"
        "[Java Runtime Environment]\r\nMinimum Version=1.8\r\nMaximum Version=any\r\nMain Class=\r\n"
        "JVM Type=favor_server\r\nJVM Source=only_JDK\r\nVM Provider=FAVOR_IBM\r\nPreferred versions=11;;17\r\n"
        "Library Path=lib\r\nVirtual Machine Parameters=\"-Dx=a b\"\r\n"
        "[Java Runtime Environment+]\r\nMain Class=com.example.App\r\n"
        "[Application]\r\nFailure Check=YES\r\nOverride WorkingDir=Yes!\r\nPair Return Code=yes\r\n"
        "Single Instance=Yes\r\nOutput Append=yes\r\nError Append=Yes\r\nOmit Service Name=x\r\nStop Timeout=5\r\n"
        "[Application+]\r\nPair Product=pair.exe\r\n[Class Path]\r\nClass Path=\\lib\\*.jar\r\n";
    Failure failure;
    Settings s = read(facts, &failure);
    EXPECT_FALSE(failure);
    EXPECT_EQ(s.productName + L"/" + s.productCode, L"Tool/7");
    EXPECT_EQ(s.runtime.minimumVersion, JavaVersion(1, 8, 0, 0));
    EXPECT_EQ(s.runtime.maximumVersion, JavaVersion(65535, 65535, 65535, 65535));
    EXPECT_EQ(s.mainClass, L" com/example/App");  // from the continuation section, with its space
    EXPECT_EQ(s.runtime.jvmType, JvmType::FavorServer);
    EXPECT_TRUE(s.runtime.acceptJdk && !s.runtime.acceptJre && !s.runtime.favorSource && s.runtime.ibmFavored);
    EXPECT_EQ(s.runtime.preferredVersions, (std::vector<std::wstring>{L"11", L"", L"17"}));
    EXPECT_TRUE(s.failureCheck && !s.overrideWorkingDir && s.pairReturnCode);  // "Yes" in any case, exactly
    EXPECT_EQ(s.pairProductPath, L" pair.exe");
    // "Single Instance" is exactly "yes"; the service's keys are read for a service only.
    EXPECT_TRUE(!s.singleInstance && !s.isService && !s.omitServiceName && s.stopTimeoutSeconds == 0u);
    EXPECT_EQ(s.command.libraryPath, L"lib");
    EXPECT_EQ(s.command.vmParameters, L"-Dx=a b");  // one pair of enclosing quotes goes, as the system reads it
    EXPECT_EQ(s.command.classPath, L"\\lib\\*.jar");
    EXPECT_TRUE(s.command.outputAppend && !s.command.errorAppend);

    // A service reads its own keys and never "Single Instance".
    facts.files[L"app.ini"] =
        "[Java Runtime Environment]\r\nMain Class=a.B\r\n"
        "[Application]\r\nApplication Type=service\r\nOmit Service Name=No\r\nStop Timeout= 12s\r\n"
        "Single Instance=yes\r\n";
    s = read(facts);
    EXPECT_TRUE(s.isService && s.omitServiceName && !s.singleInstance);
    EXPECT_EQ(s.stopTimeoutSeconds, 12u);
}

TEST(Settings, NoMainClassIsFailure210AndStopsTheReading) {
    TextFacts facts;
    facts.files[L"app.ini"] = "[Application]\r\nFailure Check=Yes\r\n";
    Failure failure;
    Settings s = read(facts, &failure);
    EXPECT_EQ(failure.id, static_cast<unsigned>(IDS_NO_MAIN_CLASS));
    EXPECT_FALSE(s.failureCheck);
    // A missing file reads as empty keys.
    facts.files.clear();
    read(facts, &failure);
    EXPECT_EQ(failure.id, static_cast<unsigned>(IDS_NO_MAIN_CLASS));
    // A main module or a main JAR names its main class itself.
    for (const char* key : {"Main Module=app\r\nModule Path=\\mods", "Main JAR=\\app.jar"}) {
        facts.files[L"app.ini"] = std::string("[Java Runtime Environment]\r\n") + key + "\r\n[Application]\r\nFailure Check=Yes\r\n";
        s = read(facts, &failure);
        EXPECT_FALSE(failure) << key;
        EXPECT_TRUE(s.failureCheck && s.mainClass.empty()) << key;
    }
    EXPECT_EQ(s.command.mainJar, L"\\app.jar");
}

TEST(Settings, JrePathComesFromThePerUserFileWhenThereIsOne) {
    TextFacts facts;
    const std::string besideIni =
        "[Product Information]\r\nProduct Name=P\r\nProduct Code=C\r\n"
        "[Java Runtime Environment]\r\nMain Class=a.B\r\n[Java Runtime Environment+]\r\nJRE Path=D:\\beside\r\n";
    facts.files[L"app.ini"] = besideIni;
    EXPECT_EQ(read(facts).jrePath, L" D:\\beside");
    // An existing per-user file holds the value, even without the key.
    facts.files[L"U\\P\\C\\app.ini"] = "[Java Runtime Environment]\r\nJRE Path=D:\\mine\\\r\n";
    EXPECT_EQ(read(facts).jrePath, L"D:\\mine\\");
    facts.files[L"U\\P\\C\\app.ini"] = "[Java Runtime Environment+]\r\nJRE Path=D:\\mine\\\r\n";
    EXPECT_EQ(read(facts).jrePath, L"");
    // Not for a service, nor outside the NT family.
    facts.files[L"app.ini"] = besideIni + "[Application]\r\nApplication Type=service\r\n";
    EXPECT_EQ(read(facts).jrePath, L" D:\\beside");
    facts.files[L"app.ini"] = besideIni;
    facts.ntFamily = false;
    EXPECT_EQ(read(facts).jrePath, L" D:\\beside");
}

}  // namespace
