#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "vm/class_data_sharing.h"

namespace {

const std::wstring kFolder = L"C:\\Users\\ann\\AppData\\Local\\Tool\\{1}\\";

CacheInputs inputs(const std::wstring& version) {
    CacheInputs in;
    in.setting = L"auto";
    in.runtimeVersion = JavaVersion::parse(version, 0);
    in.runtimeIdentity = L"17.0.9+9";
    in.javaCommand = L"C:\\jdk\\bin\\java.exe";
    in.classPath = L"C:\\app\\app.jar;C:\\app\\lib\\a b.jar;";
    in.classPathFiles = {{L"C:\\app\\app.jar", true, false, 1000, 5000}, {L"C:\\app\\lib\\a b.jar", true, false, 2000, 6000}};
    in.vmParameters = {L"-Xmx64m"};
    in.executable = L"C:\\app\\Tool.exe";
    in.cacheFolder = kFolder;
    return in;
}

std::wstring fileName(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }

CachePlan plan(const CacheInputs& in, const std::vector<std::wstring>& names = {}) {
    std::wstring reason;
    return planCacheFiles(in, chooseCacheKind(in, reason), names);
}

// The options of a training start and of a start that finds the cache.
struct Starts {
    std::vector<std::wstring> training, warm;
};
Starts startsFor(const std::wstring& version, const std::wstring& javaCommand = L"C:\\jdk\\bin\\java.exe") {
    CacheInputs in = inputs(version);
    in.javaCommand = javaCommand;
    CachePlan first = plan(in);
    return {first.vmOptions, plan(in, {fileName(first.cacheFile)}).vmOptions};
}

TEST(ClassDataSharing, EachVersionBandGetsItsOptions) {
    const std::wstring base = kFolder + cacheBaseName(inputs(L"13"), CacheKind::ArchiveAtExit);
    Starts s = startsFor(L"13");
    EXPECT_EQ(s.training, (std::vector<std::wstring>{L"-Xlog:cds*=off", L"-XX:ArchiveClassesAtExit=" + base + L".jsa"}));
    EXPECT_EQ(s.warm, (std::vector<std::wstring>{L"-Xlog:cds*=off", L"-XX:SharedArchiveFile=" + base + L".jsa"}));
    EXPECT_EQ(startsFor(L"18.0.2.1").training[1].substr(0, 25), L"-XX:ArchiveClassesAtExit=");

    for (const wchar_t* version : {L"19", L"21.0.5+11", L"24.0.1"}) {
        const std::wstring jsa = kFolder + cacheBaseName(inputs(version), CacheKind::AutoArchive) + L".jsa";
        s = startsFor(version);
        EXPECT_EQ(s.training, (std::vector<std::wstring>{L"-Xlog:cds*=off", L"-XX:SharedArchiveFile=" + jsa,
                                                         L"-XX:+AutoCreateSharedArchive"}))
            << version;
        // A start that finds the archive never writes it again.
        EXPECT_EQ(s.warm, (std::vector<std::wstring>{L"-Xlog:cds*=off", L"-XX:SharedArchiveFile=" + jsa})) << version;
    }

    const std::wstring aot = kFolder + cacheBaseName(inputs(L"25.0.1"), CacheKind::AotCache);
    s = startsFor(L"25.0.1");
    EXPECT_EQ(s.training, (std::vector<std::wstring>{L"-Xlog:cds*=off,aot*=off", L"-XX:AOTMode=record",
                                                     L"-XX:AOTConfiguration=" + aot + L".aotconf"}));
    EXPECT_EQ(s.warm, (std::vector<std::wstring>{L"-Xlog:cds*=off,aot*=off", L"-XX:AOTCache=" + aot + L".aot"}));
    EXPECT_EQ(startsFor(L"26").warm[1].substr(0, 13), L"-XX:AOTCache=");

    // A runtime without its java command cannot assemble an AOT cache: the dynamic archive instead.
    s = startsFor(L"25.0.1", L"");
    ASSERT_EQ(s.training.size(), 3u);
    EXPECT_EQ(s.training[2], L"-XX:+AutoCreateSharedArchive");
    EXPECT_EQ(s.training[0], L"-Xlog:cds*=off");
}

TEST(ClassDataSharing, OlderUnknownOrOtherSettingsAddNothing) {
    for (const wchar_t* version : {L"12.0.2", L"11", L"1.8.0_392", L""}) {
        CacheInputs in = inputs(version);
        std::wstring reason;
        EXPECT_EQ(chooseCacheKind(in, reason), CacheKind::None) << version;
        EXPECT_FALSE(reason.empty()) << version;
        EXPECT_TRUE(plan(in).vmOptions.empty()) << version;
    }
    for (const wchar_t* setting : {L"", L"yes", L"on", L"auto ", L"autox"}) {
        CacheInputs in = inputs(L"25");
        in.setting = setting;
        EXPECT_TRUE(plan(in).vmOptions.empty()) << setting;
    }
    CacheInputs in = inputs(L"25");
    in.setting = L"AUTO";
    EXPECT_FALSE(plan(in).vmOptions.empty());
    in.cacheFolder.clear();
    EXPECT_TRUE(plan(in).vmOptions.empty());
    in = inputs(L"21");  // elevated: programs without elevation could have planted options or a cache
    in.elevated = true;
    EXPECT_TRUE(plan(in).vmOptions.empty());
}

TEST(ClassDataSharing, AFolderOnTheClassPathAddsNothingAndSaysWhich) {
    CacheInputs in = inputs(L"25");
    // A wildcard listing that included "." and "..".
    in.classPathFiles.push_back({L"C:\\app\\lib\\.", true, true, 0, 0});
    std::wstring reason;
    EXPECT_EQ(chooseCacheKind(in, reason), CacheKind::None);
    EXPECT_NE(reason.find(L"C:\\app\\lib\\."), std::wstring::npos) << reason;
    // A file that is not there is no folder: it takes part in the name only.
    in.classPathFiles.back() = {L"C:\\app\\missing.jar", false, false, 0, 0};
    EXPECT_EQ(chooseCacheKind(in, reason), CacheKind::AotCache);
}

TEST(ClassDataSharing, UserGivenSharingOptionsWinInParametersAndEnvironment) {
    const wchar_t* forms[] = {L"-Xshare:off", L"-Xshare:auto", L"-Xshare:on", L"-XX:SharedArchiveFile=C:\\x.jsa",
                              L"-XX:ArchiveClassesAtExit=x.jsa", L"-XX:+AutoCreateSharedArchive",
                              L"-XX:-AutoCreateSharedArchive", L"-XX:AOTCache=x.aot", L"-XX:AOTMode=off",
                              L"-XX:AOTCacheOutput=x.aot", L"-XX:+AOTClassLinking", L"-XX:VMOptionsFile=opts.txt",
                              // Options with which a VM that writes an archive ends with an error.
                              L"-javaagent:agent.jar", L"-agentlib:jdwp=transport=dt_socket",
                              L"--patch-module=java.base=p", L"--limit-modules=java.base"};
    for (const wchar_t* form : forms) {
        CacheInputs in = inputs(L"21");
        in.vmParameters = {L"-Xmx64m", form};
        std::wstring reason;
        EXPECT_EQ(chooseCacheKind(in, reason), CacheKind::None) << form;
        EXPECT_NE(reason.find(form), std::wstring::npos) << reason;

        in.vmParameters = {L"-Xmx64m"};
        in.environmentOptions = {{L"JAVA_TOOL_OPTIONS", L"-Dx=1\t " + std::wstring(form) + L" -Dy=2"}};
        EXPECT_EQ(chooseCacheKind(in, reason), CacheKind::None) << form;
        EXPECT_NE(reason.find(L"JAVA_TOOL_OPTIONS"), std::wstring::npos) << reason;
    }
    // The VM's own cutting of the variable: quotes group and disappear.
    CacheInputs in = inputs(L"21");
    std::wstring reason;
    in.environmentOptions = {{L"_JAVA_OPTIONS", L"\"-Dname=a b\" '-XX:SharedArchiveFile=C:\\my app\\x.jsa'"}};
    EXPECT_EQ(chooseCacheKind(in, reason), CacheKind::None);
    // Near misses are not the user's sharing.
    in.environmentOptions = {{L"JAVA_TOOL_OPTIONS", L"\"-Dnote=a -Xshare:off\" -Dx=-XX:AOTCache"}};
    in.vmParameters = {L"-Dnote=-Xshare:off", L"-XX:+UseSerialGC", L"-Xss1m"};
    EXPECT_EQ(chooseCacheKind(in, reason), CacheKind::AutoArchive) << reason;
}

TEST(ClassDataSharing, TheNameChangesWithRuntimeClassPathAndExecutable) {
    const CacheInputs in = inputs(L"21.0.5");
    const std::wstring base = cacheBaseName(in, CacheKind::AutoArchive);
    EXPECT_EQ(base.substr(0, 5), L"Tool-");
    std::vector<CacheInputs> changed(6, in);
    changed[0].classPathFiles[1].size = 2001;
    changed[1].classPathFiles[0].lastWrite = 5001;
    changed[2].runtimeIdentity = L"17.0.10+7";
    changed[3].runtimeVersion = JavaVersion::parse(L"21.0.6", 0);
    changed[4].classPathFiles.push_back({L"C:\\app\\lib\\b.jar", true, false, 1, 1});
    changed[5].executable = L"C:\\other\\Tool.exe";
    for (const CacheInputs& other : changed) EXPECT_NE(cacheBaseName(other, CacheKind::AutoArchive), base);
    EXPECT_NE(cacheBaseName(in, CacheKind::ArchiveAtExit), base);
    // The same executable keeps its prefix, another one has its own; the case of the path does not count.
    EXPECT_EQ(cacheBaseName(changed[0], CacheKind::AutoArchive).substr(0, 14), base.substr(0, 14));
    EXPECT_NE(cacheBaseName(changed[5], CacheKind::AutoArchive).substr(0, 14), base.substr(0, 14));
    CacheInputs upper = in;
    upper.executable = L"C:\\APP\\Tool.exe";
    EXPECT_EQ(cacheBaseName(upper, CacheKind::AutoArchive), base);
    EXPECT_EQ(cacheNamePrefix(L"C:\\My App\\Run me.exe").substr(0, 7), L"Run_me-");
}

TEST(ClassDataSharing, ATrainingRemovesOldCachesOfTheSameExecutableOnly) {
    CacheInputs in = inputs(L"25");
    const std::wstring prefix = cacheNamePrefix(in.executable);
    const std::wstring oldBase = prefix + L"0123456789abcdef";
    const std::wstring other = cacheNamePrefix(L"C:\\app\\Other.exe") + L"0123456789abcdef.aot";
    const std::wstring base = cacheBaseName(in, CacheKind::AotCache);
    // With the old caches, what an earlier training of this cache left before its marker was deleted.
    const std::vector<std::wstring> names{oldBase + L".aot", oldBase + L".aotconf", oldBase + L".aotargs",
                                          oldBase + L".tried", oldBase + L".jsa", base + L".aotargs",
                                          other, prefix + L"notes.txt", L"settings.ini"};
    CachePlan training = plan(in, names);
    EXPECT_TRUE(training.training);
    std::vector<std::wstring> removed;
    for (const std::wstring& f : training.removeFiles) removed.push_back(fileName(f));
    EXPECT_EQ(removed, (std::vector<std::wstring>(names.begin(), names.begin() + 6)));

    // A start that uses the cache removes what its assembly read, nothing else.
    std::vector<std::wstring> withCache(names.begin(), names.begin() + 5);
    withCache.insert(withCache.end(), {base + L".aot", base + L".aotconf", base + L".aotargs", base + L".tried"});
    CachePlan warm = plan(in, withCache);
    EXPECT_FALSE(warm.training);
    EXPECT_EQ(warm.removeFiles, (std::vector<std::wstring>{kFolder + base + L".aotconf", kFolder + base + L".aotargs"}));
}

TEST(ClassDataSharing, ATrainingThatGaveNoCacheIsNotRepeated) {
    for (const wchar_t* version : {L"17", L"21", L"25"}) {
        CacheInputs in = inputs(version);
        std::wstring reason;
        const CacheKind kind = chooseCacheKind(in, reason);
        const std::wstring base = cacheBaseName(in, kind);
        CachePlan tried = planCacheFiles(in, kind, {base + L".tried", base + L".aotconf"});
        EXPECT_TRUE(tried.vmOptions.empty()) << version;
        EXPECT_FALSE(tried.training);
        EXPECT_TRUE(tried.javaCommand.empty());
        // Once the class path changes, it is a new training.
        in.classPathFiles[0].lastWrite += 1;
        EXPECT_TRUE(planCacheFiles(in, kind, {base + L".tried"}).training) << version;
    }
}

TEST(ClassDataSharing, TheAssemblyGetsTheClassPathAndParametersButNoLogging) {
    CacheInputs in = inputs(L"25");
    in.vmParameters = {L"-Xmx64m", L"-Xlog:gc:file=C:\\logs\\gc.log", L"-Xloggc:x", L"-verbose:class",
                       L"-Dquote=\"a\\b\"", L"--enable-preview"};
    CachePlan p = plan(in);
    const std::wstring base = kFolder + cacheBaseName(in, CacheKind::AotCache);
    EXPECT_EQ(p.javaCommand, L"C:\\jdk\\bin\\java.exe");
    EXPECT_EQ(p.argumentsFile, base + L".aotargs");
    auto quoted = [](const std::wstring& path) {
        std::wstring out;
        for (wchar_t c : path) out += c == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, c);
        return out;
    };
    EXPECT_EQ(p.argumentsFileText, L"\"-XX:AOTMode=create\"\n\"-XX:AOTConfiguration=" + quoted(base) +
                                       L".aotconf\"\n\"-XX:AOTCache=" + quoted(base) +
                                       L".aot\"\n\"-Djava.class.path=C:\\\\app\\\\app.jar;C:\\\\app\\\\lib\\\\a b.jar;\"\n"
                                       L"\"-Xmx64m\"\n\"-Dquote=\\\"a\\\\b\\\"\"\n\"--enable-preview\"\n");
    EXPECT_EQ(javaArgumentFileText({L"a\nb"}), L"\"a\\nb\"\n");
}

TEST(ClassDataSharing, CommandLineArgumentsSurviveTheRuntimesSplitting) {
    EXPECT_EQ(commandLineArgument(L"C:\\jdk\\bin\\java.exe"), L"C:\\jdk\\bin\\java.exe");
    EXPECT_EQ(commandLineArgument(L"C:\\Program Files\\jdk\\bin\\java.exe"), L"\"C:\\Program Files\\jdk\\bin\\java.exe\"");
    EXPECT_EQ(commandLineArgument(L"@C:\\my cache\\"), L"\"@C:\\my cache\\\\\"");
    EXPECT_EQ(commandLineArgument(L"a\\\"b c"), L"\"a\\\\\\\"b c\"");
    EXPECT_EQ(commandLineArgument(L""), L"\"\"");
}

TEST(ClassDataSharing, TheCacheFolderIsPerProduct) {
    EXPECT_EQ(composeCacheFolder(L"C:\\L", L"My Tool: Pro", L"{1234}", L"C:\\a\\t.exe"), L"C:\\L\\My Tool Pro\\{1234}\\");
    EXPECT_EQ(composeCacheFolder(L"C:\\L\\", L"", L"{1234}", L"C:\\a\\t.exe"), L"C:\\L\\{1234}\\");
    EXPECT_EQ(composeCacheFolder(L"C:\\L", L"Tool", L"", L"C:\\a\\t.exe"), L"C:\\L\\Tool\\");
    EXPECT_EQ(composeCacheFolder(L"C:\\L", L"", L"", L"C:\\a\\run.exe"), L"C:\\L\\run\\");
    EXPECT_EQ(composeCacheFolder(L"", L"Tool", L"{1}", L"C:\\a\\t.exe"), L"");
    EXPECT_EQ(composeCacheFolder(L"C:\\L", L"..", L"..\\..\\x", L"C:\\a\\t.exe"), L"C:\\L\\....x\\");
}

// The steps around a start, on files held in memory.
struct MemoryFiles {
    std::map<std::wstring, std::wstring> files;
    bool writable = true;
    std::vector<std::wstring> started;

    CacheFileOps ops() {
        CacheFileOps o;
        o.listFolder = [this](const std::wstring& folder) {
            std::vector<std::wstring> names;
            for (const auto& f : files) {
                if (f.first.compare(0, folder.size(), folder) == 0) names.push_back(f.first.substr(folder.size()));
            }
            return names;
        };
        o.createFolder = [this](const std::wstring&) { return writable; };
        o.createFile = [this](const std::wstring& file, const std::wstring& text) {
            return writable && files.emplace(file, text).second;
        };
        o.exists = [this](const std::wstring& file) { return files.count(file) > 0; };
        o.removeFile = [this](const std::wstring& file) { files.erase(file); };
        o.startDetached = [this](const std::wstring& program, const std::wstring& file, const std::wstring& text) {
            if (!writable || !files.emplace(file, text).second) return ChildStart::NoFile;
            started.push_back(program + L" @" + file);
            return ChildStart::Started;
        };
        return o;
    }
};

TEST(ClassDataSharing, PrepareMarksTheTrainingAndFinishStartsTheAssemblyOnce) {
    CacheInputs in = inputs(L"25");
    MemoryFiles disk;
    disk.files[kFolder + cacheNamePrefix(in.executable) + L"0123456789abcdef.aot"] = L"old";
    CachePlan p = prepareClassDataSharing(in, disk.ops());
    ASSERT_TRUE(p.training);
    EXPECT_EQ(disk.files.size(), 1u);  // the old cache went, the marker came
    EXPECT_TRUE(disk.files.count(p.markerFile));

    // The training ended without writing its configuration: nothing to assemble.
    finishClassDataSharing(p, disk.ops());
    EXPECT_TRUE(disk.started.empty());
    EXPECT_FALSE(disk.files.count(p.argumentsFile));

    disk.files[p.configFile] = L"recorded";
    finishClassDataSharing(p, disk.ops());
    finishClassDataSharing(p, disk.ops());
    EXPECT_EQ(disk.started, (std::vector<std::wstring>{L"C:\\jdk\\bin\\java.exe @" + p.argumentsFile}));
    EXPECT_EQ(disk.files[p.argumentsFile], p.argumentsFileText);

    // The next start, before the assembly has written the cache: no second training.
    EXPECT_TRUE(prepareClassDataSharing(in, disk.ops()).vmOptions.empty());
    disk.files[p.cacheFile] = L"cache";
    CachePlan warm = prepareClassDataSharing(in, disk.ops());
    EXPECT_EQ(warm.vmOptions.back(), L"-XX:AOTCache=" + p.cacheFile);
    EXPECT_FALSE(disk.files.count(p.configFile));
    finishClassDataSharing(warm, disk.ops());
    EXPECT_EQ(disk.started.size(), 1u);
}

}  // namespace
