// The configuration reader and the path services against the real platform.
#include <gtest/gtest.h>

#include <vector>

#include "base/ini_file.h"
#include "base/paths.h"
#include "base/profile.h"
#include "support/process.h"
#include "vm/environment.h"

using namespace testing_support;

namespace {

std::wstring freshFolder(const std::wstring& name) {
    std::wstring dir = workRoot() + L"\\win-" + name;
    removeTree(dir);
    makeFolders(dir);
    return dir;
}

TEST(ConfigFile, ReadsValuesOfAnyLengthAndContinuationSections) {
    std::wstring dir = freshFolder(L"config");
    std::string longValue(5000, 'x');
    longValue += "END";
    writeTextFile(dir + L"\\a.ini",
                  "[Class Path]\r\nClass Path=" + longValue +
                      "\r\n[Application]\r\nCmd=\r\nOutput File=plain\r\n"
                      "[Application+]\r\nCmd=more\r\nOutput File=ignored\r\nError File= spaced\r\n");
    ConfigFile config(dir + L"\\a.ini");
    EXPECT_EQ(config.readPlain(L"Class Path", L"Class Path"), widen(longValue));
    EXPECT_EQ(config.read(L"Application", L"Cmd"), L" more");
    EXPECT_EQ(config.read(L"Application", L"Output File"), L"plain");
    EXPECT_EQ(config.read(L"application", L"error file"), L" spaced");
    EXPECT_EQ(config.readPlain(L"Application", L"Cmd"), L"");
    EXPECT_EQ(config.read(L"Application", L"Missing"), L"");
    EXPECT_EQ(ConfigFile(dir + L"\\none.ini").read(L"Application", L"Cmd"), L"");

    // A value of exactly the first buffer's size must not be mistaken for a cut one.
    for (size_t n : {254u, 255u, 256u, 511u}) {
        std::string v(n, 'v');
        writeTextFile(dir + L"\\b.ini", "[S]\r\nK=" + v + "\r\n");
        EXPECT_EQ(ConfigFile(dir + L"\\b.ini").readPlain(L"S", L"K").size(), n);
    }
}

// The reader gives what the system's own read of the key gives.
void expectSystemValue(const ConfigFile& config, const std::wstring& section, const std::wstring& key) {
    wchar_t expected[64];
    GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", expected, 64, config.path().c_str());
    EXPECT_EQ(config.readPlain(section, key), expected) << narrow(section) << " / " << narrow(key);
}

// `head`, 300 numbered sections or keys (as `line` begins with '[' or not), then `tail`.
std::string numbered(const std::string& head, const std::string& line, const std::string& tail) {
    std::string text = head;
    for (int i = 0; i < 300; ++i) text += line + std::to_string(i) + (line[0] == '[' ? "]\r\nK=v\r\n" : "=v\r\n");
    return text + tail;
}

TEST(ConfigFile, SectionsAndKeysAreFoundInAnyCaseAmongManyAndBesideOddNames) {
    std::wstring dir = freshFolder(L"config-sections");
    // More section names than a first listing holds, the wanted one last;
    // names with spaces and other letters are read as the system reads them.
    writeTextFile(dir + L"\\many.ini", numbered("", "[Filler section ",
                                                "[java runtime ENVIRONMENT]\r\nMain Class=a.B\r\n[ Spaced ]\r\n"
                                                "K=spaced\r\n[\xc3\x84pplication]\r\nCmd=umlaut\r\n"));
    ConfigFile config(dir + L"\\many.ini");
    EXPECT_EQ(config.read(L"Java Runtime Environment", L"Main Class"), L"a.B");
    EXPECT_EQ(config.readPlain(L"Filler section 299", L"K"), L"v");
    EXPECT_EQ(config.read(L"Application", L"Cmd"), L"");
    expectSystemValue(config, L"Spaced", L"K");
    expectSystemValue(config, L"\u00e4pplication", L"Cmd");

    // The same for keys, and a section given twice.
    writeTextFile(dir + L"\\keys.ini", numbered("[Application]\r\n", "Filler key ",
                                                "output FILE=out.log\r\n\xc4rror File=e\r\n[Class Path]\r\n"
                                                "Class Path=a.jar\r\n[class path]\r\nClass Path=b.jar\r\nMore=m\r\n"));
    ConfigFile keys(dir + L"\\keys.ini");
    EXPECT_EQ(keys.read(L"Application", L"Output File"), L"out.log");
    EXPECT_EQ(keys.read(L"Application", L"Cmd"), L"");
    EXPECT_EQ(keys.readPlain(L"Application", L"Filler key 299"), L"v");
    expectSystemValue(keys, L"Class Path", L"Class Path");
    expectSystemValue(keys, L"Class Path", L"More");
    expectSystemValue(keys, L"Application", L"\u00c4rror File");
}

TEST(ConfigFile, WritesAndReadsFilesWhosePathExceedsMaxPath) {
    std::wstring dir = freshFolder(L"long-profile");
    std::wstring deep = dir;
    while (deep.size() < 290) deep += L"\\" + std::wstring(40, L'p');
    ASSERT_TRUE(makeFolders(L"\\\\?\\" + deep));
    std::wstring file = deep + L"\\tool.ini";
    ASSERT_GE(file.size(), 300u);
    ASSERT_TRUE(writeProfileValue(file, L"Java Runtime Environment", L"JRE Path", L"D:\\jre\\"));
    EXPECT_EQ(ConfigFile(file).readPlain(L"Java Runtime Environment", L"JRE Path"), L"D:\\jre\\");
    std::string content;
    ASSERT_TRUE(readTextFile(L"\\\\?\\" + file, content));
    EXPECT_NE(content.find("JRE Path=D:\\jre\\"), std::string::npos);
}

// Through a copy that replaces the file only once it reads back whole, stored so that it reads back exactly.
TEST(ConfigFile, WritingAValueNeverTearsTheFileAndKeepsWhatTheCodePageCannotHold) {
    const std::wstring dir = freshFolder(L"write-back"), ini = dir + L"\\app.ini", jre = L"Java Runtime Environment";
    std::string text = "[Java Runtime Environment]\r\nMain Class=a.B\r\n[Class Path]\r\n";
    for (int i = 0; i < 300; ++i) text += "Entry" + std::to_string(i) + "=lib\\x.jar\r\n";
    writeTextFile(ini, text);
    // A full disk cuts the copy (played here): the file stays as it was.
    ProfileWriteOps fullDisk = profileWriteOps();
    fullDisk.write = [w = fullDisk.write](const std::wstring& f, const std::wstring& s, const std::wstring& k, const std::wstring& v) {
        return w(f, s, k, v) && writeTextFile(f, fileText(f).substr(0, 4096));
    };
    std::wstring note;
    EXPECT_FALSE(writeProfileValueWith(fullDisk, ini, jre, L"JRE Path", L"C:\\jre\\", note)) << narrow(note);
    EXPECT_TRUE(fileText(ini) == text && !pathExists(ini + L".new"));
    // Katakana, which code page 1252 lacks...
    const std::wstring none = L"C:\\\u30a2\\jre\\";  // and no short name: the file becomes UTF-16
    ASSERT_TRUE(writeProfileValue(ini, jre, L"JRE Path", none));
    EXPECT_EQ(ConfigFile(ini).readPlain(jre, L"JRE Path"), none);
    EXPECT_EQ(fileText(ini).substr(0, 2), "\xff\xfe");
    EXPECT_EQ(ConfigFile(ini).readPlain(L"Class Path", L"Entry299"), L"lib\\x.jar");
}

TEST(Paths, ModulePathAndFolders) {
    ModulePaths paths;
    ASSERT_TRUE(readModulePaths(paths));
    wchar_t expected[MAX_PATH];
    GetModuleFileNameW(nullptr, expected, MAX_PATH);
    EXPECT_EQ(paths.exe, expected);
    EXPECT_EQ(paths.folder, paths.folderBare + L"\\");
    EXPECT_EQ(paths.exe.compare(0, paths.folder.size(), paths.folder), 0);
}

TEST(Paths, FindFileHandlesLongPaths) {
    std::wstring dir = freshFolder(L"long");
    std::wstring deep = dir;
    while (deep.size() < 300) deep += L"\\" + std::wstring(40, L'd');
    ASSERT_TRUE(makeFolders(L"\\\\?\\" + deep));
    std::wstring file = deep + L"\\tool.ini";
    ASSERT_GE(file.size(), 300u);
    ASSERT_TRUE(writeTextFile(L"\\\\?\\" + file, "[x]\r\n"));
    EXPECT_TRUE(findFile(file));
    EXPECT_FALSE(findFile(deep + L"\\other.ini"));
    EXPECT_TRUE(fileExists(dir));
    EXPECT_FALSE(fileExists(dir + L"\\nothing"));
}

TEST(Paths, FileExistsAnswersAsAFileSearchDoes) {
    std::wstring dir = freshFolder(L"exists");
    writeTextFile(dir + L"\\lib\\a.jar", "");
    writeTextFile(dir + L"\\lib\\long file name.jar", "");
    makeFolders(dir + L"\\lib\\sub");
    wchar_t shortName[MAX_PATH] = L"";
    GetShortPathNameW((dir + L"\\lib\\long file name.jar").c_str(), shortName, MAX_PATH);
    std::wstring forward = dir + L"/lib/a.jar";
    for (wchar_t& c : forward) {
        if (c == L'\\') c = L'/';
    }
    const std::vector<std::wstring> paths{
        dir + L"\\lib\\a.jar", dir + L"\\lib\\sub", dir + L"\\lib\\missing.jar", dir + L"\\none\\a.jar",
        dir + L"\\lib\\*.jar", dir + L"\\lib\\?.jar", dir + L"\\lib\\a<jar", dir + L"\\lib\\", dir + L"\\lib\\.",
        dir + L"\\lib\\sub\\..", dir + L"\\lib\\sub\\..\\a.jar", dir + L"\\lib\\a.jar.", dir + L"\\lib\\a.jar ",
        forward, shortName, L"C:\\", L"C:", L"Z:\\", L"\\\\?\\" + dir + L"\\lib\\a.jar", L""};
    for (const std::wstring& path : paths) {
        WIN32_FIND_DATAW data;
        HANDLE h = FindFirstFileW(path.c_str(), &data);
        const bool searched = h != INVALID_HANDLE_VALUE;
        if (searched) FindClose(h);
        EXPECT_EQ(fileExists(path), searched) << narrow(path);
    }
}

TEST(Paths, EnsureParentFoldersOnDisk) {
    std::wstring dir = freshFolder(L"parents");
    ensureParentFolders(dir + L"\\out\\logs\\app.log");
    EXPECT_TRUE(pathExists(dir + L"\\out\\logs"));
    EXPECT_FALSE(pathExists(dir + L"\\out\\logs\\app.log"));

    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    SetCurrentDirectoryW(dir.c_str());
    ensureParentFolders(L"rel\\sub\\x.txt");
    SetCurrentDirectoryW(saved);
    EXPECT_TRUE(pathExists(dir + L"\\rel\\sub"));
}

TEST(Paths, EnvironmentExpansion) {
    SetEnvironmentVariableW(L"QZ_TEST_VALUE", L"expanded");
    std::wstring text = L"a-%QZ_TEST_VALUE%-%QZ_NOT_SET_ANYWHERE%";
    expandEnvironmentInPlace(text);
    EXPECT_EQ(text, L"a-expanded-%QZ_NOT_SET_ANYWHERE%");
    std::wstring empty;
    expandEnvironmentInPlace(empty);
    EXPECT_EQ(empty, L"");
}

TEST(Paths, EnvironmentExpansionAgreesWithTheSystemAndHasNoLengthLimit) {
    SetEnvironmentVariableW(L"QZ_TEST_A", L"x");
    SetEnvironmentVariableW(L"QZ_TEST_EMPTY", L"");
    for (const wchar_t* sample : {L"%QZ_TEST_A%%qz_test_a%", L"%QZ_UNSET%QZ_TEST_A%", L"%QZ_TEST_A%QZ_TEST_A%",
                                  L"%%QZ_TEST_A%", L"%", L"a%QZ_TEST_A", L"[%QZ_TEST_EMPTY%]", L"% QZ_TEST_A%"}) {
        wchar_t expected[256];
        ASSERT_NE(ExpandEnvironmentStringsW(sample, expected, 256), 0u);
        std::wstring text = sample;
        expandEnvironmentInPlace(text);
        EXPECT_EQ(text, expected) << narrow(sample);
    }
    // A class path of many jars is longer than the system's 32K characters.
    std::wstring middle(100000, L';');
    std::wstring text = L"%QZ_TEST_A%" + middle + L"%QZ_TEST_A%";
    expandEnvironmentInPlace(text);
    EXPECT_EQ(text, L"x" + middle + L"x");
}

TEST(RuntimePublishing, SetsTheLibraryAndTheHomeForTheJavaProgram) {
    publishRuntime(L"D:\\Java\\jre\\bin\\server\\jvm.dll");
    wchar_t buffer[MAX_PATH];
    ASSERT_GT(GetEnvironmentVariableW(L"QZ_JVM_PATH", buffer, MAX_PATH), 0u);
    EXPECT_STREQ(buffer, L"D:\\Java\\jre\\bin\\server\\jvm.dll");
    ASSERT_GT(GetEnvironmentVariableW(L"QZ_JVM_HOME", buffer, MAX_PATH), 0u);
    EXPECT_STREQ(buffer, L"D:\\Java\\jre");
    SetEnvironmentVariableW(L"QZ_JVM_PATH", nullptr);
    SetEnvironmentVariableW(L"QZ_JVM_HOME", nullptr);
}

TEST(Paths, UserConfigPathCreatesItsFolders) {
    std::wstring dir = freshFolder(L"appdata");
    SetEnvironmentVariableW(L"APPDATA", dir.c_str());
    std::wstring p = userConfigPathFor(L"C:\\x\\my.tool.exe", L"My: Tool", L"{C0DE}", true);
    EXPECT_EQ(p, dir + L"\\My Tool\\{C0DE}\\my.tool.ini");
    EXPECT_TRUE(pathExists(dir + L"\\My Tool\\{C0DE}"));
    EXPECT_EQ(userConfigPathFor(L"", L"x", L"y", true), L"");
}

}  // namespace

namespace {

// The portable reader gives what the system's profile functions give, on the same files.
TEST(IniFile, ReadsAsTheSystemsProfileFunctionsRead) {
    std::wstring dir = freshFolder(L"ini-compare");
    const std::string body =
        "lead=before any section\r\n[Java Runtime Environment]\r\n  Main Class =  a.B  \r\nmain class=second\r\n"
        "Quoted=\"-Dx=a b\"\r\nHalf=\"x\r\nSingle='y'\r\nMixed=\"z'\r\nEmpty=\r\nBare line\r\n=nameless\r\n"
        "Tabs\t=\tt v \t\r\n\xc2\xa0Nbsp\xc2\xa0=\xc2\xa0n\xc2\xa0\r\nCtrlZ=z\x1a\r\n;Comment=c\r\n"
        "[ Spaced ]\r\nK=spaced\r\n[Twice]\r\nA=1\r\n[twice]\r\nA=2\r\nB=2\r\n[Broken\r\nK=broken\r\n"
        "[Last]x]\r\nK=last\n[Cyr\xd0\x98llic]\r\n\xd0\x98mja=cyr\r\n[\xc3\x84rger]\r\nK=umlaut\r\nA=1\rB=2\r\n";
    const std::wstring wide = widen(body);
    // The ANSI file holds the text in the code page (a letter it lacks as '?').
    std::string ansi(wide.size() * 2, '\0');
    ansi.resize(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &ansi[0],
                                                        static_cast<int>(ansi.size()), nullptr, nullptr)));
    std::string le("\xff\xfe", 2), be("\xfe\xff", 2);
    for (wchar_t c : wide) {
        le += static_cast<char>(c & 0xFF);
        le += static_cast<char>(c >> 8);
        be += static_cast<char>(c >> 8);
        be += static_cast<char>(c & 0xFF);
    }
    const std::vector<std::pair<std::wstring, std::string>> files{
        {L"ansi.ini", ansi}, {L"utf8.ini", "\xef\xbb\xbf" + body}, {L"le.ini", le}, {L"be.ini", be}};
    const std::vector<std::pair<std::wstring, std::wstring>> keys{
        {L"", L"lead"},          {L"Java Runtime Environment", L"Main Class"}, {L"JAVA RUNTIME environment ", L" main CLASS"},
        {L"Java Runtime Environment", L"Quoted"}, {L"Java Runtime Environment", L"Half"},
        {L"Java Runtime Environment", L"Single"}, {L"Java Runtime Environment", L"Mixed"},
        {L"Java Runtime Environment", L"Empty"},  {L"Java Runtime Environment", L"Bare line"},
        {L"Java Runtime Environment", L""},       {L"Java Runtime Environment", L"Tabs"},
        {L"Java Runtime Environment", L"Nbsp"},   {L"Java Runtime Environment", L"CtrlZ"},
        {L"Java Runtime Environment", L";Comment"}, {L"Spaced", L"K"}, {L" Spaced ", L"K"},
        {L"Twice", L"A"},  {L"Twice", L"B"},     {L"Broken", L"K"},    {L"Java Runtime Environment", L"[Broken"},
        {L"Last]x", L"K"}, {L"Last", L"K"},      {L"Cyr\u0438llic", L"\u0438mja"},
        {L"Cyr\u0418llic", L"\u0418mja"}, {L"\u00c4rger", L"K"}, {L"\u00e4rger", L"K"}, {L"\u00c4rger", L"B"}};
    for (const auto& file : files) {
        const std::wstring path = dir + L"\\" + file.first;
        ASSERT_TRUE(writeTextFile(path, file.second));
        const IniFile ini = IniFile::load(path);
        for (const auto& key : keys) {
            wchar_t expected[256];
            GetPrivateProfileStringW(key.first.c_str(), key.second.c_str(), L"", expected, 256, path.c_str());
            EXPECT_EQ(ini.readPlain(key.first, key.second), expected)
                << narrow(file.first) << ": [" << narrow(key.first) << "] " << narrow(key.second);
        }
    }
}

}  // namespace
