// The start-up cache benchmark (scripts/bench-cache.sh): whole starts of the
// sample program through the launcher's JNI host (cache_bench_host) against
// the same JDK's java command, interleaved round after round. Prints medians
// and quartiles; it measures, it does not judge.
//
//   cache_bench <java home> <cache_bench_host> <sample.jar> <work folder> [--rounds N] [--warmup N]
#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs a command with its output going to `output` (a file); gives its exit code.
int run(const std::vector<std::string>& command, const std::string& output) {
    std::vector<char*> argv;
    std::vector<std::string> copy = command;
    for (std::string& a : copy) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Children that a start left running (the AOT cache assembly) come to this
// process; waits for all of them.
void waitForOrphans() {
    while (waitpid(-1, nullptr, 0) > 0 || errno == EINTR) {
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void removeFolder(const std::string& folder) {
    std::string command = "rm -rf '" + folder + "'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", folder.c_str());
}

struct Case {
    Case(std::string n, std::vector<std::string> c, bool t = false) : name(std::move(n)), command(std::move(c)), training(t) {}
    std::string name;
    std::vector<std::string> command;
    bool training;  // a fresh cache folder each time, and the assembly waited for (not timed)
    std::vector<double> times;
    std::vector<double> untilReady;  // training only: until the cache's assembly has ended
};

double quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    const double at = q * static_cast<double>(values.size() - 1);
    const size_t low = static_cast<size_t>(at);
    const size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (at - static_cast<double>(low));
}

std::string loadAverage() { return readFile("/proc/loadavg").substr(0, 14); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: cache_bench <java home> <host> <sample.jar> <work folder> [--rounds N] [--warmup N]\n");
        return 2;
    }
    const std::string home = argv[1], host = argv[2], jar = argv[3], work = argv[4];
    int rounds = 20, warmup = 2;
    for (int i = 5; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--rounds") rounds = std::atoi(argv[i + 1]);
        if (std::string(argv[i]) == "--warmup") warmup = std::atoi(argv[i + 1]);
    }
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    mkdir(work.c_str(), 0755);
    const std::string libjvm = home + "/lib/server/libjvm.so", java = home + "/bin/java";
    const std::string warmFolder = work + "/warm/", freshFolder = work + "/fresh/", output = work + "/output.txt";
    removeFolder(warmFolder);

    std::vector<Case> cases = {
        {"java -cp (the JDK's command)", {java, "-cp", jar, "sample.Sample"}},
        {"launcher host, no key", {host, libjvm, jar + ":", "sample/Sample", "", warmFolder}},
        {"launcher host, \"auto\", cache made", {host, libjvm, jar + ":", "sample/Sample", "auto", warmFolder}},
        {"launcher host, \"auto\", first start", {host, libjvm, jar + ":", "sample/Sample", "auto", freshFolder}, true},
    };

    // Every case once, to make the warm cache and to see that each prints the
    // program's line and nothing else.
    std::string expected;
    for (Case& c : cases) {
        if (c.training) removeFolder(freshFolder);
        const int code = run(c.command, output);
        waitForOrphans();
        const std::string printed = readFile(output);
        if (expected.empty()) expected = printed;
        if (code != 0 || printed != expected || printed.compare(0, 7, "counts=") != 0) {
            std::fprintf(stderr, "%s: exit %d, printed:\n%s\nexpected:\n%s", c.name.c_str(), code, printed.c_str(),
                         expected.c_str());
            return 1;
        }
    }
    if (run(cases[2].command, output) != 0) return 1;  // the warm folder holds its cache from here on

    std::printf("JDK: %s (%s)\n", home.c_str(), readFile(home + "/release").find("JAVA_RUNTIME_VERSION") != std::string::npos
                                                   ? "release file present" : "no release file");
    std::printf("rounds: %d after %d of warming up; load average before: %s\n", rounds, warmup, loadAverage().c_str());
    std::fflush(stdout);
    for (int round = 0; round < warmup + rounds; ++round) {
        for (Case& c : cases) {
            if (c.training) removeFolder(freshFolder);
            const Clock::time_point start = Clock::now();
            const int code = run(c.command, "/dev/null");
            const double ms = millisecondsSince(start);
            if (c.training) waitForOrphans();
            const double ready = millisecondsSince(start);
            if (code != 0) {
                std::fprintf(stderr, "%s: exit %d\n", c.name.c_str(), code);
                return 1;
            }
            if (round < warmup) continue;
            c.times.push_back(ms);
            if (c.training) c.untilReady.push_back(ready);
        }
    }
    removeFolder(freshFolder);

    const double reference = quantile(cases[0].times, 0.5);
    std::printf("load average after: %s\n\n", loadAverage().c_str());
    std::printf("| case | median ms | p25 | p75 | min | max | median / java -cp |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    auto row = [&](const std::string& name, const std::vector<double>& t) {
        const double median = quantile(t, 0.5);
        std::printf("| %s | %.1f | %.1f | %.1f | %.1f | %.1f | %.3f |\n", name.c_str(), median, quantile(t, 0.25),
                    quantile(t, 0.75), *std::min_element(t.begin(), t.end()), *std::max_element(t.begin(), t.end()),
                    median / reference);
    };
    for (const Case& c : cases) {
        row(c.name, c.times);
        // When a child assembles the cache after the program (the AOT cache), also the time until it is done.
        if (c.training && quantile(c.untilReady, 0.5) > quantile(c.times, 0.5) + 1) {
            row(c.name + ", until its cache is made", c.untilReady);
        }
    }
    return 0;
}
