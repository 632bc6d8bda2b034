// The example applications of examples/ started through the built launcher, so
// that the examples and the manual that quotes them stay true. Each test copies
// an example's INI text beside a copy of the launcher named as the example
// says, gives it the test VM as private runtime (jre\bin\client\jvm.dll with
// the marker jre\bin\java.dll), and changes only what the test VM needs: the
// main class becomes one of its scripted programs, and a few test VM options
// are appended. Everything else is the example as shipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/service.h"
#include "support/testvm.h"

using namespace testing_support;

namespace {

// --- the example files ------------------------------------------------------------------

std::string exampleText(const std::string& relative) {
    std::string text;
    EXPECT_TRUE(readTextFile(windowsPath(std::string(EXAMPLES_DIR) + "/" + relative), text)) << relative;
    return text;
}

std::string joined(const std::vector<std::string>& text) {
    std::string out;
    for (const std::string& line : text) out += line + "\r\n";
    return out;
}

// The value of `key` in `section` of an INI text; false when it is not there.
bool iniValue(const std::string& ini, const std::string& section, const std::string& key, std::string& value) {
    bool inSection = false;
    for (const std::string& line : textLines(ini)) {
        if (!line.empty() && line[0] == '[') {
            inSection = line == "[" + section + "]";
        } else if (inSection && line.compare(0, key.size() + 1, key + "=") == 0) {
            value = line.substr(key.size() + 1);
            return true;
        }
    }
    return false;
}

// The INI text with `key` in `section` set to `value`: the key's line is
// replaced, or added at the start of the section, which is added when missing.
std::string withKey(const std::string& ini, const std::string& section, const std::string& key,
                    const std::string& value) {
    std::vector<std::string> text = textLines(ini);
    const std::string header = "[" + section + "]";
    size_t headerLine = text.size();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == header) {
            headerLine = i;
        } else if (!text[i].empty() && text[i][0] == '[') {
            if (headerLine != text.size()) break;
        } else if (headerLine != text.size() && text[i].compare(0, key.size() + 1, key + "=") == 0) {
            text[i] = key + "=" + value;
            return joined(text);
        }
    }
    if (headerLine == text.size()) {
        text.push_back(header);
        text.push_back(key + "=" + value);
    } else {
        text.insert(text.begin() + static_cast<long>(headerLine) + 1, key + "=" + value);
    }
    return joined(text);
}

std::string optionStartingWith(const std::vector<std::string>& options, const std::string& prefix) {
    for (const std::string& option : options) {
        if (option.compare(0, prefix.size(), prefix) == 0) return option;
    }
    return std::string();
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The size that "-Xmx<percent>:<min>:<max>p" asks for on this machine, in kilobytes.
uint64_t percentOfPhysicalMemoryKb(unsigned percent, uint64_t minimumMb, uint64_t maximumMb) {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    EXPECT_TRUE(GlobalMemoryStatusEx(&status));
    uint64_t kb = static_cast<uint64_t>(static_cast<double>(status.ullTotalPhys >> 10) * (percent / 100.0));
    if (maximumMb != 0 && kb > maximumMb * 1024) kb = maximumMb * 1024;
    if (kb < minimumMb * 1024) kb = minimumMb * 1024;
    return kb;
}

// --- console application -------------------------------------------------------------------

TEST(Examples, ConsoleApplicationGetsItsArgumentsOptionsAndRuntime) {
    const std::string example = exampleText("console/hello.ini");
    AppDir app(L"example-console", L"hello.exe");
    // The test VM has no class com.example.hello.Hello: its scripted test/Echo
    // prints every argument it receives instead.
    app.writeIni(withKey(example, "Java Runtime Environment", "Main Class", "test.Echo")).privateTestVm();
    app.write(L"lib\\hello.jar").write(L"lib\\library-1.2.jar").write(L"lib\\readme.txt");

    const Started s = app.start(L"one \"two three\"");
    const RunResult& r = s.result;
    const std::vector<std::string>& vmLog = s.log;

    EXPECT_EQ(r.exitCode, 0u) << r.out;
    EXPECT_TRUE(testVmErrors(vmLog).empty());

    // The command-line arguments, then those of "Cmd" with %USERNAME% expanded.
    const std::string user = narrow(environmentValue(L"USERNAME"));
    ASSERT_FALSE(user.empty());
    std::vector<std::vector<std::string>> mains = testVmArguments(vmLog, "main");
    ASSERT_EQ(mains.size(), 1u);
    EXPECT_EQ(mains[0], (std::vector<std::string>{"one", "two three", "--from-ini", user}));
    EXPECT_TRUE(contains(r.out, "arg[1]=two three")) << r.out;

    // \lib\*.jar: every jar of the lib folder beside hello.exe, nothing else.
    const std::vector<std::string> vmOptions = testVmOptions(vmLog);
    const std::string classPath = optionStartingWith(vmOptions, "-Djava.class.path=");
    const std::string lib = narrow(app.path()) + "\\lib\\";
    EXPECT_TRUE(contains(classPath + ";", lib + "hello.jar;")) << classPath;
    EXPECT_TRUE(contains(classPath + ";", lib + "library-1.2.jar;")) << classPath;
    EXPECT_FALSE(contains(classPath, "readme.txt")) << classPath;

    // -Xmx50:64:1024p in kilobytes, and the quoted property without its quotes.
    EXPECT_EQ(optionStartingWith(vmOptions, "-Xmx"),
              "-Xmx" + std::to_string(percentOfPhysicalMemoryKb(50, 64, 1024)) + "K");
    EXPECT_NE(std::find(vmOptions.begin(), vmOptions.end(), "-Dhello.greeting=Hello from the launcher"),
              vmOptions.end());

    // The private runtime in jre\, published to the program.
    std::string jvmPath, jvmHome;
    EXPECT_TRUE(logValue(vmLog, "env QZ_JVM_PATH=", jvmPath));
    EXPECT_TRUE(logValue(vmLog, "env QZ_JVM_HOME=", jvmHome));
    EXPECT_EQ(jvmPath, narrow(app.path()) + "\\jre\\bin\\client\\jvm.dll");
    EXPECT_EQ(jvmHome, narrow(app.path()) + "\\jre");
}

// --- single-instance desktop application ------------------------------------------------

TEST(Examples, SingleInstanceApplicationForwardsLaterStarts) {
    const std::string example = exampleText("single-instance/viewer.ini");
    AppDir app(L"example-single-instance", L"viewer.exe");
    // test/SingleInt stands in for com.example.viewer.Viewer: its int
    // secondaryMain returns 7, and its main ends by itself after 10 seconds.
    app.writeIni(withKey(example, "Java Runtime Environment", "Main Class", "test.SingleInt")).privateTestVm();
    app.write(L"lib\\viewer.jar");
    // The example keeps its error file under %APPDATA%: here, inside the test's folder.
    const RunOptions options = app.startOptions();
    const std::wstring appData = options.env.at(L"APPDATA");

    Background firstStart(app, L"", options);
    const bool firstRuns = app.waitForVmLine("main args=", 60000);
    RunResult second;
    if (firstRuns) second = app.run(L"C:\\Data\\report.txt \"second file.txt\"", options);
    const RunResult& first = firstStart.finish();  // test/SingleInt ends by itself
    ASSERT_TRUE(firstRuns) << first.out;

    const std::vector<std::string> vmLog = app.vmLog();
    EXPECT_TRUE(testVmErrors(vmLog).empty());
    // Only the first start created a VM; the later one handed its arguments over
    // and ended with what secondaryMain returned.
    EXPECT_EQ(linesStartingWith(vmLog, "create version=").size(), 1u);
    EXPECT_EQ(second.exitCode, 7u) << second.out;
    std::vector<std::vector<std::string>> forwarded = testVmArguments(vmLog, "secondaryMain int");
    ASSERT_EQ(forwarded.size(), 1u);
    EXPECT_EQ(forwarded[0], (std::vector<std::string>{"C:\\Data\\report.txt", "second file.txt"}));
    EXPECT_EQ(first.exitCode, 0u) << first.out;

    // Error File=%APPDATA%\Viewer Example\errors_%yyyy-MM-dd%.log, appended to.
    std::vector<std::string> opened = linesStartingWith(vmLog, "FileOutputStream ");
    ASSERT_EQ(opened.size(), 1u);
    std::smatch m;
    const std::string expected = "FileOutputStream " + narrow(appData) + "\\Viewer Example\\errors_";
    ASSERT_EQ(opened[0].compare(0, expected.size(), expected), 0) << opened[0];
    const std::string rest = opened[0].substr(expected.size());
    ASSERT_TRUE(std::regex_match(rest, m, std::regex(R"((\d{4}-\d{2}-\d{2})\.log append=1)"))) << opened[0];
    EXPECT_TRUE(pathExists(appData + L"\\Viewer Example\\errors_" + widen(m[1].str()) + L".log"));
}

// --- service -------------------------------------------------------------------------------

TEST(Examples, ServiceRunsWithItsArgumentsAndDatedOutputAndStops) {
    const std::string example = exampleText("service/myservice.ini");
    AppDir app(L"example-service", L"myservice.exe");
    std::string ini = example;
    // test/Service stands in for com.example.service.MyService: its main waits
    // until stop is called.
    ini = withKey(ini, "Java Runtime Environment", "Main Class", "test.Service");
    // A service does not inherit the test's environment: the test VM takes its
    // log's path as a VM option instead.
    std::string parameters;
    ASSERT_TRUE(iniValue(example, "Java Runtime Environment", "Virtual Machine Parameters", parameters));
    ini = withKey(ini, "Java Runtime Environment", "Virtual Machine Parameters",
                  parameters + " \"-Dtestvm.log=" + narrow(app.vmLogPath()) + "\"");
    app.writeIni(ini).privateTestVm().write(L"lib\\myservice.jar");

    // binPath as the manual shows it: the quoted path, then an argument of the service's own.
    InstalledService service(L"QzExampleService", L"\\\"" + app.exe() + L"\\\" -x");
    ASSERT_TRUE(service.installed());
    RunResult started = service.start(L"a b");
    ASSERT_EQ(started.exitCode, 0u) << started.out << started.err;
    ASSERT_TRUE(app.waitForVmLine("main args=", 60000)) << started.out;
    EXPECT_EQ(service.state(), static_cast<DWORD>(SERVICE_RUNNING));

    // net stop delivers the stop control reliably under Wine.
    RunResult stopped = service.stop();
    EXPECT_TRUE(service.waitForState(SERVICE_STOPPED, 60000)) << stopped.out;
    EXPECT_TRUE(app.waitForVmLine("main returned", 60000));

    const std::vector<std::string> vmLog = app.vmLog();
    EXPECT_TRUE(testVmErrors(vmLog).empty());
    // binPath arguments, the service name, the start parameters.
    std::vector<std::vector<std::string>> mains = testVmArguments(vmLog, "main");
    ASSERT_EQ(mains.size(), 1u);
    EXPECT_EQ(mains[0], (std::vector<std::string>{"-x", narrow(service.name()), "a", "b"}));
    EXPECT_TRUE(inOrder(vmLog, {"stop", "main returned"}));

    // Override WorkingDir=Yes makes the relative logs\ folder the one beside
    // the executable; the output file carries the start time, the error file
    // is appended to.
    std::vector<std::string> opened = linesStartingWith(vmLog, "FileOutputStream ");
    ASSERT_EQ(opened.size(), 2u);
    std::string cwd;
    EXPECT_TRUE(logValue(vmLog, "cwd=", cwd));
    EXPECT_EQ(cwd, narrow(app.path()));
    const std::string outputPrefix = "FileOutputStream logs\\service_";
    ASSERT_EQ(opened[0].compare(0, outputPrefix.size(), outputPrefix), 0) << opened[0];
    std::smatch m;
    const std::string rest = opened[0].substr(outputPrefix.size());
    ASSERT_TRUE(std::regex_match(rest, m, std::regex(R"((\d{4}-\d{2}-\d{2}_\d{2}-\d{2}-\d{2})\.log append=0)")))
        << opened[0];
    EXPECT_TRUE(pathExists(app.file(L"logs\\service_" + widen(m[1].str()) + L".log")));
    EXPECT_EQ(opened[1], "FileOutputStream logs\\service-errors.log append=1");
    EXPECT_TRUE(pathExists(app.file(L"logs\\service-errors.log")));
}

}  // namespace
