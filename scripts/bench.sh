#!/usr/bin/env bash
# Start-up benchmark: sets up what is missing, builds the product and the
# x86_64 build, and runs the benchmark harness under wine64 in a Wine prefix of
# its own (build/bench-prefix), where it registers and removes runtimes freely.
# Prints a table of timings; takes a few minutes.
# Usage: scripts/bench.sh [--runs <n>]   (default 30 runs per case)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/setup.sh"
"$root/scripts/build.sh" win32 win64
cmake --build build/win64 --target bench_runner

export WINEPREFIX="$root/build/bench-prefix"
export WINEDEBUG=-all
unset QZ_LAUNCHER_LOG TESTVM_LOG JAVA_HOME || true
"$root/build/win64/wine-prefix.sh"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(. /etc/os-release && echo "$PRETTY_NAME"), $(wine64 --version 2>/dev/null || /usr/lib/wine/wine64 --version)"
echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
/usr/lib/wine/wine64 build/win64/tests/bench/bench_runner.exe --product "Z:$root/dist/launcher.exe" "$@"
