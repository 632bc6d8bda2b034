#include <gtest/gtest.h>

#include <map>

#include "base/text.h"
#include "vm/vm_options.h"

namespace {

MemoryStatus gib(uint64_t physicalGib, uint64_t virtualGib = 2) {
    MemoryStatus m;
    m.totalPhysical = physicalGib << 30;
    m.availableVirtual = virtualGib << 30;
    return m;
}

std::vector<std::wstring> split(const std::wstring& text, const MemoryStatus& memory, uint32_t& stack) {
    std::vector<std::wstring> options;
    splitVmParameters(text, memory, stack, options);
    return options;
}

std::vector<std::wstring> split(const std::wstring& text) {
    uint32_t stack = 0;
    return split(text, gib(2), stack);
}

std::wstring rewritten(std::wstring option, const MemoryStatus& memory) {
    rewriteMemoryOption(option, memory);
    return option;
}

TEST(ColonNumbers, PrefixEndsAtTheFirstDigitOrColonAndTheLastCharacterIsLeftOut) {
    ColonNumbers n = parseColonNumbers(L"-Xmx50:256:1024p");
    EXPECT_EQ(n.prefixLength, 4u);
    EXPECT_EQ(n.numbers, (std::vector<uint32_t>{50, 256, 1024}));

    n = parseColonNumbers(L"-Xms:5p");
    EXPECT_EQ(n.prefixLength, 4u);
    EXPECT_EQ(n.numbers, (std::vector<uint32_t>{0, 5}));

    n = parseColonNumbers(L"-Xmx1x2p");  // other characters are skipped
    EXPECT_EQ(n.numbers, (std::vector<uint32_t>{12}));

    n = parseColonNumbers(L"abc");
    EXPECT_EQ(n.prefixLength, 3u);
    EXPECT_TRUE(n.numbers.empty());

    n = parseColonNumbers(L"4294967297p");  // unsigned 32-bit, wrapping
    EXPECT_EQ(n.numbers, (std::vector<uint32_t>{1}));
}

TEST(StackSize, UnitsAndMalformedValues) {
    EXPECT_EQ(parseStackSize(L"512k"), 524288u);
    EXPECT_EQ(parseStackSize(L"1m"), 1048576u);
    EXPECT_EQ(parseStackSize(L"1M"), 1048576u);
    EXPECT_EQ(parseStackSize(L"2g"), 2147483648u);
    EXPECT_EQ(parseStackSize(L"2048"), 2048u);
    EXPECT_EQ(parseStackSize(L"7"), 7u);
    EXPECT_EQ(parseStackSize(L"abc"), 0u);
    EXPECT_EQ(parseStackSize(L""), 0u);
    EXPECT_EQ(parseStackSize(L"k512"), 0u);
    EXPECT_EQ(parseStackSize(L"1:2m"), 0u);
    EXPECT_EQ(parseStackSize(L"5g"), 1073741824u);  // 5 GiB wraps in 32 bits
    EXPECT_EQ(unitMultiplier(L"x"), 1u);
    EXPECT_EQ(unitMultiplier(L""), 1u);
}

TEST(MemoryOption, PercentOfPhysicalMemoryInKilobytes) {
    EXPECT_EQ(rewritten(L"-Xmx25p", gib(2)), L"-Xmx524288K");
    EXPECT_EQ(rewritten(L"-Xms50P", gib(4)), L"-Xms2097152K");
    // Bounds in megabytes: the maximum first, then the minimum, which wins.
    EXPECT_EQ(rewritten(L"-Xmx50:256:1024p", gib(8)), L"-Xmx1048576K");
    EXPECT_EQ(rewritten(L"-Xmx50:256:1024p", gib(2)), L"-Xmx1048576K");
    EXPECT_EQ(rewritten(L"-Xmx1:256:1024p", gib(2)), L"-Xmx262144K");
    EXPECT_EQ(rewritten(L"-Xmx10:512:256p", gib(64)), L"-Xmx524288K");
    EXPECT_EQ(rewritten(L"-Xmx10:512:256p", gib(1)), L"-Xmx524288K");
    // The T form takes the free address space of the process.
    EXPECT_EQ(rewritten(L"-Xmx50t", gib(64, 2)), L"-Xmx1048576K");
    // Truncated toward zero.
    MemoryStatus odd;
    odd.totalPhysical = 1000 * 1024;
    EXPECT_EQ(rewritten(L"-Xmx33p", odd), L"-Xmx330K");
}

TEST(MemoryOption, HugeResultsAreHeldAtTheLargest32BitCount) {
    EXPECT_EQ(rewritten(L"-Xmx100000p", gib(1024)), L"-Xmx4294967295K");
    EXPECT_EQ(rewritten(L"-Xmx1:4294967295p", gib(1)), L"-Xmx4294967295K");
    EXPECT_EQ(rewritten(L"-Xmx0p", gib(1)), L"-Xmx0K");
}

TEST(Unquote, PairsAreRemovedAndDoubledQuotesKeepOne) {
    EXPECT_EQ(unquoteVmParameter(L"\"-Dname=a b\""), L"-Dname=a b");
    EXPECT_EQ(unquoteVmParameter(L"-Dname=\"a b\""), L"-Dname=a b");
    EXPECT_EQ(unquoteVmParameter(L"-Dx=\"a\"\"b\""), L"-Dx=a\"b\"");
    EXPECT_EQ(unquoteVmParameter(L"\"a\"\"\""), L"a\"\"");  // the third quote is unpaired
    EXPECT_EQ(unquoteVmParameter(L"-Dx=\"open"), L"-Dx=\"open");
    EXPECT_EQ(unquoteVmParameter(L"\"a\"b\"c\"\"d"), L"abc\"d");
    EXPECT_EQ(unquoteVmParameter(L"\"\""), L"");
}

TEST(VmParameters, SplitAtSpacesOutsideQuotes) {
    uint32_t stack = 0;
    auto options = split(L"-Xmx50:256:1024p \"-Dname=a b\" -Xss1m", gib(2), stack);
    EXPECT_EQ(options, (std::vector<std::wstring>{L"-Xmx1048576K", L"-Dname=a b", L"-Xss1m"}));
    EXPECT_EQ(stack, 1048576u);

    EXPECT_EQ(split(L"a  b   c  "), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_EQ(split(L""), std::vector<std::wstring>());
    EXPECT_EQ(split(L"    "), std::vector<std::wstring>());
    // A leading space (a value from a continuation section starts with one) makes no empty option.
    EXPECT_EQ(split(L" -Xint"), (std::vector<std::wstring>{L"-Xint"}));
    // Only the space separates.
    EXPECT_EQ(split(L"a\tb"), (std::vector<std::wstring>{L"a\tb"}));
    // A quote right after a closing quote does not open a new stretch.
    EXPECT_EQ(split(L"-Dx=\"a\"\" b"), (std::vector<std::wstring>{L"-Dx=a\"", L"b"}));
    // After an unclosed quote the next space ends the token.
    EXPECT_EQ(split(L"-Dx=\"a b"), (std::vector<std::wstring>{L"-Dx=\"a", L"b"}));
    EXPECT_EQ(split(L"\"a b\"c d"), (std::vector<std::wstring>{L"a bc", L"d"}));
}

TEST(VmParameters, StackSizeIsTakenFromTheLastXssAndPercentagesApplyToIt) {
    uint32_t stack = 0;
    split(L"-Xss512k -Xint -Xss2048", gib(2), stack);
    EXPECT_EQ(stack, 2048u);
    split(L"-Xssabc", gib(2), stack);
    EXPECT_EQ(stack, 0u);
    auto options = split(L"-Xss1p", gib(1), stack);
    EXPECT_EQ(options, (std::vector<std::wstring>{L"-Xss10485K"}));
    EXPECT_EQ(stack, 10485u * 1024u);
    // Only -Xms, -Xmx and -Xss, case-sensitively, are rewritten.
    EXPECT_EQ(split(L"-XMX25p -Xmn25p -Xmx25p"), (std::vector<std::wstring>{L"-XMX25p", L"-Xmn25p", L"-Xmx524288K"}));
}

TEST(ClassPath, EntriesAreCutAtEverySemicolon) {
    EXPECT_EQ(splitList(L"a;;b;", L';'), (std::vector<std::wstring>{L"a", L"", L"b"}));
    EXPECT_EQ(splitList(L";a", L';'), (std::vector<std::wstring>{L"", L"a"}));
    EXPECT_TRUE(splitList(L"", L';').empty());
}

TEST(ClassPath, SearchPlaces) {
    ClassPathSearch s = classPathSearchFor(L"\\lib\\*.jar", L"C:\\app");
    EXPECT_EQ(s.pattern, L"C:\\app\\lib\\*.jar");
    EXPECT_EQ(s.resultDirectory, L"C:\\app\\lib\\");
    s = classPathSearchFor(L"\\app.jar", L"C:\\app");
    EXPECT_EQ(s.pattern, L"C:\\app\\app.jar");
    EXPECT_EQ(s.resultDirectory, L"C:\\app\\");
    // Relative entries without a leading backslash are also placed below the folder.
    s = classPathSearchFor(L"lib\\x.jar", L"C:\\app");
    EXPECT_EQ(s.pattern, L"C:\\app\\lib\\x.jar");
    EXPECT_EQ(s.resultDirectory, L"C:\\app\\lib\\");
    s = classPathSearchFor(L"app.jar", L"C:\\app");
    EXPECT_EQ(s.pattern, L"C:\\app\\app.jar");
    EXPECT_EQ(s.resultDirectory, L"C:\\app\\");
    s = classPathSearchFor(L"D:\\libs\\*.jar", L"C:\\app");
    EXPECT_EQ(s.pattern, L"D:\\libs\\*.jar");
    EXPECT_EQ(s.resultDirectory, L"D:\\libs\\");
    s = classPathSearchFor(L"\\\\srv\\share\\*", L"C:\\app");
    EXPECT_EQ(s.resultDirectory, L"\\\\srv\\share\\");
}

TEST(ClassPath, AbsoluteEntriesAreTakenUnseenAndTheOthersAsFound) {
    std::map<std::wstring, std::vector<std::wstring>> disk = {
        {L"C:\\app\\lib\\*.jar", {L"a.jar", L"b.jar"}},
        {L"C:\\app\\app.jar", {L"app.jar"}},
        {L"C:\\Users\\ann\\x.jar", {L"x.jar"}},
    };
    std::vector<std::wstring> searches;
    ClassPathOps ops;
    ops.expand = [](std::wstring& s) {
        if (s == L"%APPDATA%\\x.jar") s = L"C:\\Users\\ann\\x.jar";
        if (s == L"%LIST%") s = L"C:\\l.jar;;";
    };
    ops.findNames = [&](const std::wstring& pattern) {
        searches.push_back(pattern);
        auto it = disk.find(pattern);
        return it == disk.end() ? std::vector<std::wstring>() : it->second;
    };
    EXPECT_EQ(buildClassPath(L"\\lib\\*.jar;", L"C:\\app", ops), L"C:\\app\\lib\\a.jar;C:\\app\\lib\\b.jar");
    EXPECT_EQ(buildClassPath(L"\\app.jar;\\missing.jar;D:\\missing.jar;;%APPDATA%\\x.jar;%LIST%", L"C:\\app", ops),
              L"C:\\app\\app.jar;D:\\missing.jar;C:\\Users\\ann\\x.jar;C:\\l.jar");
    // Neither the absolute entries nor the empty one were searched for.
    EXPECT_EQ(searches, (std::vector<std::wstring>{L"C:\\app\\lib\\*.jar", L"C:\\app\\app.jar", L"C:\\app\\missing.jar"}));
    EXPECT_EQ(buildClassPath(L"", L"C:\\app", ops), L"");
    EXPECT_EQ(buildClassPath(L"\\nothing\\*.jar", L"C:\\app", ops), L"");
}

// The lists that name the program's classes, in the three forms of the java command.
TEST(ProgramPaths, MainJarFirstThenTheExecutableThenClassPathAndTheModulesOptions) {
    ClassPathOps ops;
    ops.expand = [](std::wstring&) {};
    ops.findNames = [](const std::wstring& pattern) {
        return pattern == L"C:\\app\\missing.jar" ? std::vector<std::wstring>() : std::vector<std::wstring>{fileNameOf(pattern)};
    };
    JavaCommand command;
    command.classPath = L"\\lib.jar";
    command.embeddedJar = true;
    command.mainJar = L"app.jar";
    ProgramPaths p;
    EXPECT_FALSE(buildProgramPaths(command, L"", L"C:\\app", L"C:\\app\\app.exe", ops, p));
    EXPECT_EQ(programOptions(p), (std::vector<std::wstring>{L"-Djava.class.path=C:\\app\\app.jar;C:\\app\\app.exe;C:\\app\\lib.jar"}));
    EXPECT_EQ(p.entry.mainJar, L"C:\\app\\app.jar");
    command.mainJar = L"\\missing.jar";
    EXPECT_EQ(buildProgramPaths(command, L"", L"C:\\app", L"C:\\app\\app.exe", ops, p).id, 254u);

    // A main module needs no class path; its class wins over "Main Class"; "Main JAR" is not used with it.
    command = JavaCommand();
    command.mainModule = L"app/com.x.Main";
    command.modulePath = L"\\mods";
    command.mainJar = L"\\missing.jar";
    p = ProgramPaths();
    EXPECT_FALSE(buildProgramPaths(command, L"other/Main", L"C:\\app", L"C:\\app\\app.exe", ops, p));
    EXPECT_EQ(programOptions(p), (std::vector<std::wstring>{L"--module-path=C:\\app\\mods", L"-Djdk.module.main=app"}));
    EXPECT_EQ(p.entry.mainClass, L"com/x/Main");
    EXPECT_TRUE(p.entry.mainJar.empty());
    // Without either, the empty class path is failure 209, as it always was.
    EXPECT_EQ(buildProgramPaths(JavaCommand(), L"a/B", L"C:\\app", L"C:\\app\\app.exe", ops, p).id, 209u);
    EXPECT_EQ(checkMainModuleRuntime(command, JavaVersion(1, 8, 0, 0)).id, 250u);
    EXPECT_FALSE(checkMainModuleRuntime(command, JavaVersion(9, 0, 0, 0)) || checkMainModuleRuntime(command, JavaVersion()));
}

TEST(Environment, RuntimeFoldersOfTheVmLibrary) {
    EXPECT_EQ(runtimeHomeOf(L"C:\\jre\\bin\\server\\jvm.dll"), L"C:\\jre\\");
    EXPECT_EQ(runtimeBinOf(L"C:\\jre\\bin\\server\\jvm.dll"), L"C:\\jre\\bin");
    EXPECT_EQ(runtimeHomeOf(L"jvm.dll"), L"jvm.dll");
}

TEST(Environment, LibraryPathAndPathValues) {
    EXPECT_EQ(libraryPathValue(L"C:\\native", L"C:\\app\\", L"C:\\jre\\bin\\client\\jvm.dll"),
              L"C:\\native;C:\\app\\;.;%Path%;C:\\jre\\lib");
    EXPECT_EQ(libraryPathValue(L"C:\\native;", L"C:\\app\\", L"C:\\jre\\bin\\client\\jvm.dll"),
              L"C:\\native;C:\\app\\;.;%Path%;C:\\jre\\lib");
    EXPECT_EQ(systemPathValue(L"", L"C:\\jre\\bin\\client\\jvm.dll"), L"%Path%;C:\\jre\\bin");
    EXPECT_EQ(systemPathValue(L"C:\\tools", L"C:\\jre\\bin\\client\\jvm.dll"), L"C:\\tools;%Path%;C:\\jre\\bin");
    EXPECT_EQ(systemPathValue(L"C:\\tools;", L"C:\\jre\\bin\\client\\jvm.dll"), L"C:\\tools;%Path%;C:\\jre\\bin");
}

TEST(Environment, PathsTheCodePageCannotHoldGoByTheirShortNames) {
    // Here "survives" means ASCII; a short name exists for the folders in `aliases`.
    auto survives = [](const std::wstring& t) {
        for (wchar_t c : t) {
            if (c > 0x7F) return false;
        }
        return true;
    };
    std::map<std::wstring, std::wstring> aliases{{L"C:\\\u30a2\\a.jar", L"C:\\A~1\\a.jar"},
                                                 {L"C:\\\u00e9", L"C:\\\u00e9~1"}};
    auto shortName = [&](const std::wstring& t) { return aliases.count(t) ? aliases[t] : std::wstring(); };
    NarrowPathList n = narrowPathList(L"C:\\\u30a2\\a.jar;;C:\\\u00e9;C:\\\u30a2\\none.jar;C:\\b.jar;", survives, shortName);
    // Separators and the empty entry stay; an alias that does not survive either is no help.
    EXPECT_EQ(n.list, L"C:\\A~1\\a.jar;;C:\\\u00e9;C:\\\u30a2\\none.jar;C:\\b.jar;");
    EXPECT_EQ(n.shortened, (std::vector<std::wstring>{L"C:\\\u30a2\\a.jar"}));
    EXPECT_EQ(n.unrepresentable, (std::vector<std::wstring>{L"C:\\\u00e9", L"C:\\\u30a2\\none.jar"}));
}

}  // namespace
