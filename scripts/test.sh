#!/usr/bin/env bash
# Sets up what is missing, builds all three builds and runs every test:
#   native  platform-free code under AddressSanitizer/UBSan, the JNI code against real JDKs, fuzzers
#   win64   the x86_64 build under wine64 (unit, in-process Windows and whole-process tests), under Xvfb
#   win32   the shipped 32-bit product under 32-bit Wine (slow: a few smoke tests), under Xvfb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/setup.sh"
"$root/scripts/build.sh"

export WINEPREFIX="$root/build/wineprefix"
status=0
stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT

echo "== native tests"
ctest --test-dir build/native --output-on-failure || status=1

echo "== x86_64 tests under wine64"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build/win64 -LE smoke32 --output-on-failure || status=1

echo "== 32-bit product under 32-bit Wine (under Xvfb: windowed starts and the dialog show windows)"
start=$(date +%s)
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build/win64 -L smoke32 --output-on-failure || status=1
echo "32-bit lane took $(( $(date +%s) - start )) s"

if [ $status -ne 0 ]; then
  echo "TESTS FAILED"
else
  echo "ALL TESTS PASSED"
fi
exit $status
