#!/usr/bin/env bash
# Start-up cache benchmark: whole starts of a sample program through the
# launcher's JNI host on Linux (the launcher's option assembly and its
# "Class Data Sharing" rule) against the same JDK's java command, for every JDK
# under /usr/lib/jvm. Prints a table per JDK; takes a few minutes.
# Not part of scripts/test.sh: its figures are measurements, not pass or fail.
# Usage: scripts/bench-cache.sh [--rounds <n>]   (default 20 rounds, at least 15 make sense)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/setup.sh"
if [ ! -f build/native/CMakeCache.txt ]; then
  cmake -S . -B build/native -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build/native --target cache_bench -j "$(nproc)"

unset QZ_LAUNCHER_LOG JAVA_TOOL_OPTIONS _JAVA_OPTIONS JDK_JAVA_OPTIONS || true
bin=build/native/tests/jvm
work=$(mktemp -d /tmp/bench-cache.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(. /etc/os-release && echo "$PRETTY_NAME"), Linux $(uname -r)"
echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
declare -A seen=()
for lib in /usr/lib/jvm/*/lib/server/libjvm.so; do
  real=$(readlink -f "$lib")
  [ -z "${seen[$real]:-}" ] || continue
  seen[$real]=1
  home=${real%/lib/server/libjvm.so}
  [ -x "$home/bin/java" ] || continue
  echo
  "$bin/cache_bench" "$home" "$bin/cache_bench_host" "$bin/bench-sample.jar" "$work/$(basename "$home")" "$@"
done
