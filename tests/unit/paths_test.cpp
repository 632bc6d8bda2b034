#include <gtest/gtest.h>

#include <map>
#include <set>

#include "base/paths.h"
#include "base/text.h"

namespace {

using Tokens = std::vector<std::wstring>;

TEST(ExpandReferences, KnownNamesOnlyAndTheScanGoesOnAfterAnUnknownOne) {
    const std::map<std::wstring, std::wstring> vars{{L"A", L"x"}, {L"EMPTY", L""}, {L"P", L"%A%"}};
    VariableLookup lookup = [&](const std::wstring& name, std::wstring& value) {
        auto it = vars.find(name);
        if (it == vars.end()) return false;
        value = it->second;
        return true;
    };
    EXPECT_EQ(expandReferences(L"", lookup), L"");
    EXPECT_EQ(expandReferences(L"%A%-%A%%A%", lookup), L"x-xx");
    EXPECT_EQ(expandReferences(L"%UNSET%A%", lookup), L"%UNSET%A%");
    EXPECT_EQ(expandReferences(L"%A%A%", lookup), L"xA%");
    EXPECT_EQ(expandReferences(L"%%A%", lookup), L"%%A%");
    EXPECT_EQ(expandReferences(L"a%A", lookup), L"a%A");
    EXPECT_EQ(expandReferences(L"%", lookup), L"%");
    EXPECT_EQ(expandReferences(L"[%EMPTY%]", lookup), L"[]");
    EXPECT_EQ(expandReferences(L"%P%", lookup), L"%A%");  // values are not expanded again
    // Far beyond 32K characters, with references at both ends.
    std::wstring middle(200000, L'j');
    EXPECT_EQ(expandReferences(L"%A%" + middle + L"%A%", lookup), L"x" + middle + L"x");
}

TEST(PlainFilePath, OnlyPathsWhereSearchAndAttributesAgree) {
    EXPECT_TRUE(isPlainFilePath(L"C:\\jre\\bin\\client\\jvm.dll"));
    EXPECT_TRUE(isPlainFilePath(L"bin\\java.dll"));
    EXPECT_TRUE(isPlainFilePath(L"C:/jre/bin"));
    EXPECT_TRUE(isPlainFilePath(L"C:\\jre\\.hidden"));
    for (const wchar_t* path : {L"", L"C:\\lib\\*.jar", L"C:\\lib\\a?.jar", L"C:\\lib\\a<b", L"C:\\lib\\a>b",
                                L"C:\\lib\\\"a\"", L"C:\\jre\\", L"C:\\jre/", L"C:", L"C:\\", L"\\\\server\\share",
                                L"//server/share/x", L"\\\\?\\C:\\x", L"C:\\jre\\.", L"C:\\jre\\..", L"C:\\jre\\. .", L".."}) {
        EXPECT_FALSE(isPlainFilePath(path)) << path;
    }
}

TEST(SplitCommandLine, SpacesSeparateAndQuotesGroupWithoutEscapes) {
    EXPECT_EQ(splitCommandLine(L""), Tokens{});
    EXPECT_EQ(splitCommandLine(L"a \"b c\" d"), (Tokens{L"a", L"b c", L"d"}));
    EXPECT_EQ(splitCommandLine(L"\"a b\"c"), (Tokens{L"a b", L"c"}));
    EXPECT_EQ(splitCommandLine(L"ab\"c d\""), (Tokens{L"ab\"c", L"d\""}));
    EXPECT_EQ(splitCommandLine(L"\"abc"), (Tokens{L"abc"}));
    EXPECT_EQ(splitCommandLine(L"\"\" x"), (Tokens{L"", L"x"}));
    EXPECT_EQ(splitCommandLine(L"a\tb  c   "), (Tokens{L"a\tb", L"c"}));
    EXPECT_EQ(splitCommandLine(L"C:\\dir\\ \"x\\\"y"), (Tokens{L"C:\\dir\\", L"x\\", L"y"}));
    EXPECT_EQ(splitCommandLine(L"   a"), (Tokens{L"", L"a"}));
}

TEST(SplitCommandLine, ArgumentsDropTheProgramAfterTrimming) {
    EXPECT_EQ(argumentsFromCommandLine(L"\"C:\\app\\tool.exe\""), Tokens{});
    EXPECT_EQ(argumentsFromCommandLine(L"tool.exe"), Tokens{});
    EXPECT_EQ(argumentsFromCommandLine(L"\"C:\\a b\\tool.exe\" \"\" x"), (Tokens{L"", L"x"}));
    EXPECT_EQ(argumentsFromCommandLine(L" \t tool.exe a\tb \t\r\n"), (Tokens{L"a\tb"}));
    EXPECT_EQ(argumentsFromCommandLine(L""), Tokens{});
}

TEST(Paths, ConfigurationPathReplacesAfterTheLastDot) {
    EXPECT_EQ(iniPathFor(L"D:\\Apps\\Tool\\tool.exe"), L"D:\\Apps\\Tool\\tool.ini");
    EXPECT_EQ(iniPathFor(L"D:\\My.Tools\\tool"), L"D:\\My.ini");
    EXPECT_EQ(iniPathFor(L"D:\\Tools\\tool"), L"");
    EXPECT_EQ(iniPathFor(L"tool."), L"tool.ini");
}

TEST(Paths, FoldersAndFileNames) {
    EXPECT_EQ(folderWithSeparator(L"D:\\Apps\\Tool\\tool.exe"), L"D:\\Apps\\Tool\\");
    EXPECT_EQ(folderWithSeparator(L"tool.exe"), L"tool.exe");
    EXPECT_EQ(folderWithoutSeparator(L"D:\\Apps\\Tool\\tool.exe"), L"D:\\Apps\\Tool");
    EXPECT_EQ(folderWithoutSeparator(L"tool.exe"), L"");
    EXPECT_EQ(iniFileNameFor(L"D:\\x\\my.tool.exe"), L"my.tool.ini");
    EXPECT_EQ(iniFileNameFor(L"tool"), L"tool.ini");
    EXPECT_EQ(iniFileNameFor(L"D:\\x.y\\tool"), L"tool.ini");
}

TEST(Paths, UserConfigurationPath) {
    std::vector<std::wstring> folders;
    EXPECT_EQ(composeUserConfigPath(L"D:\\Users\\ann\\AppData\\Roaming", L"My Tool: Pro", L"{1234}",
                                    L"D:\\Apps\\tool.exe", &folders),
              L"D:\\Users\\ann\\AppData\\Roaming\\My Tool Pro\\{1234}\\tool.ini");
    EXPECT_EQ(folders, (Tokens{L"D:\\Users\\ann\\AppData\\Roaming\\My Tool Pro",
                               L"D:\\Users\\ann\\AppData\\Roaming\\My Tool Pro\\{1234}"}));
    EXPECT_EQ(cleanProductName(L"a\\b?c\"d|e>f<g:h/i*j"), L"abcdefghij");
    EXPECT_EQ(composeUserConfigPath(L"", L"P", L"C", L"t.exe", nullptr), L"\\P\\C\\t.ini");
    EXPECT_EQ(composeUserConfigPath(L"D:\\u", L"..", L"..\\..\\x", L"t.exe", nullptr), L"D:\\u\\\\....x\\t.ini");  // not above
    EXPECT_EQ(composeUserConfigPath(L"D:\\u", L"P", L". .", L"t.exe", nullptr), L"D:\\u\\P\\\\t.ini");
}

// Records what the folder walk does against an imaginary disk.
struct FakeDisk {
    std::set<std::wstring> existing;
    std::map<std::wstring, unsigned> failures;  // folder -> error code of its creation
    std::vector<std::wstring> created, removed;

    FolderOps ops() {
        FolderOps o;
        o.exists = [this](const std::wstring& p) { return existing.count(p) > 0; };
        o.create = [this](const std::wstring& p) -> unsigned {
            auto f = failures.find(p);
            if (f != failures.end()) return f->second;
            if (existing.count(p)) return 183;
            existing.insert(p);
            created.push_back(p);
            return 0;
        };
        o.remove = [this](const std::wstring& p) { removed.push_back(p); };
        return o;
    }
};

TEST(EnsureParentFolders, CreatesEachFolderAboveTheFileOnly) {
    FakeDisk disk;
    ensureParentFoldersWith(L"D:\\out\\logs\\app.log", disk.ops());
    EXPECT_EQ(disk.created, (Tokens{L"D:\\out", L"D:\\out\\logs"}));
}

TEST(EnsureParentFolders, ExistingFileOrFolderMeansNothingToDo) {
    FakeDisk disk;
    disk.existing.insert(L"D:\\out\\app.log");
    ensureParentFoldersWith(L"D:\\out\\app.log", disk.ops());
    EXPECT_TRUE(disk.created.empty());
}

TEST(EnsureParentFolders, RelativePathsGetTheirFirstFolderToo) {
    FakeDisk disk;
    ensureParentFoldersWith(L"logs\\out.txt", disk.ops());
    EXPECT_EQ(disk.created, (Tokens{L"logs"}));
    FakeDisk deeper;
    ensureParentFoldersWith(L"logs\\2024\\out.txt", deeper.ops());
    EXPECT_EQ(deeper.created, (Tokens{L"logs", L"logs\\2024"}));
    FakeDisk rooted;
    ensureParentFoldersWith(L"\\logs\\out.txt", rooted.ops());
    EXPECT_EQ(rooted.created, (Tokens{L"\\logs"}));
    FakeDisk plain;
    ensureParentFoldersWith(L"out.txt", plain.ops());
    EXPECT_TRUE(plain.created.empty());
}

TEST(EnsureParentFolders, NetworkPathsWalkOnPastServerAndShare) {
    FakeDisk disk;
    disk.failures[L"\\\\srv\\share"] = 5;
    ensureParentFoldersWith(L"\\\\srv\\share\\a\\b\\x.txt", disk.ops());
    EXPECT_EQ(disk.created, (Tokens{L"\\\\srv\\share\\a", L"\\\\srv\\share\\a\\b"}));
}

TEST(EnsureParentFolders, LongPathPrefixStaysOnTheRoot) {
    FakeDisk disk;
    ensureParentFoldersWith(L"\\\\?\\D:\\a\\b.txt", disk.ops());
    EXPECT_EQ(disk.created, (Tokens{L"\\\\?\\D:\\a"}));
}

TEST(EnsureParentFolders, FailureStopsAndRemovesTheEmptyParent) {
    FakeDisk disk;
    disk.failures[L"D:\\a\\b"] = 5;
    ensureParentFoldersWith(L"D:\\a\\b\\c\\x.txt", disk.ops());
    EXPECT_EQ(disk.created, (Tokens{L"D:\\a"}));
    EXPECT_EQ(disk.removed, (Tokens{L"D:\\a"}));
    FakeDisk first;
    first.failures[L"D:\\a"] = 5;
    ensureParentFoldersWith(L"D:\\a\\x.txt", first.ops());
    EXPECT_TRUE(first.removed.empty());
}

TEST(EnsureParentFolders, AbsoluteTest) {
    EXPECT_TRUE(isAbsolutePath(L"D:\\x"));
    EXPECT_TRUE(isAbsolutePath(L"D:"));
    EXPECT_TRUE(isAbsolutePath(L"\\\\srv"));
    EXPECT_FALSE(isAbsolutePath(L"\\x"));
    EXPECT_FALSE(isAbsolutePath(L"x"));
    EXPECT_FALSE(isAbsolutePath(L"ab\\c"));
}

TEST(PathRules, FolderGetsOneFinalSeparator) {
    EXPECT_EQ(withTrailingSeparator(L"C:\\jre"), L"C:\\jre\\");
    EXPECT_EQ(withTrailingSeparator(L"D:\\"), L"D:\\");
    EXPECT_EQ(withTrailingSeparator(L"\\\\server\\share"), L"\\\\server\\share\\");
    EXPECT_EQ(withTrailingSeparator(L""), L"");
}

}  // namespace
