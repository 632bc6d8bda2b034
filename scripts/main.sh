#!/usr/bin/env bash
# Sets up what is missing, builds the launcher and shows it at work under Wine:
# a sample application folder with the launcher, its INI file and its runtime.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/setup.sh"
"$root/scripts/build.sh" win32 win64

export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
"$root/build/win64/wine-prefix.sh"

demo="$root/build/demo"
rm -rf "$demo"; mkdir -p "$demo"
cp dist/x64/launcher.exe "$demo/sample.exe"
mkdir -p "$demo/lib"
: > "$demo/lib/sample.jar"
cat > "$demo/sample.ini" <<'INI'
[Product Information]
Product Name=Sample
Product Code=1.0

[Java Runtime Environment]
Main Class=test.Echo
Minimum Version=1.6
JVM Type=favor_server
Virtual Machine Parameters=-Xmx25:64:512p -Xss2m "-Dsample.greeting=hello world"

[Application]
Cmd=--from-ini
Error File=logs\err_%yyyyMMdd%.log

[Class Path]
Class Path=\lib\*.jar
INI
# The runtime shipped with the sample: a jre folder beside the executable whose
# jvm.dll is the project's test VM (it plays the Java program named by "Main
# Class": test.Echo prints its arguments on System.out and a line on System.err).
mkdir -p "$demo/jre/bin/client" "$demo/jre/bin/server"
touch "$demo/jre/bin/java.dll"
cp build/win64/tests/testvm/jvm.dll "$demo/jre/bin/client/jvm.dll"
cp build/win64/tests/testvm/jvm.dll "$demo/jre/bin/server/jvm.dll"
export QZ_LAUNCHER_LOG="$demo/trace.log"
export TESTVM_LOG="$demo/vm.log"
echo "== starting $demo/sample.exe with the two arguments: one, two three"
echo "== the Java program's standard output:"
set +e
(cd "$demo" && /usr/lib/wine/wine64 sample.exe one "two three")
code=$?
set -e
echo "== exit code: $code (Wine reports the low 8 bits)"
echo "== its standard error, redirected by \"Error File\" into a dated file:"
for f in "$demo"/logs/err_*.log; do echo "-- ${f#$demo/}"; cat "$f"; done
echo "== what the launcher read and decided:"
cat "$demo/trace.log"
echo "== the runtime it chose, and why:"
grep -a 'runtime chosen' "$demo/trace.log" | sed 's/^[^]]*] //' || echo "no runtime chosen"
echo "== what the VM received (options, stack of the VM thread, arguments of main):"
grep -a -E '^(option|stack=|main|arg)' "$demo/vm.log"
wineserver -k >/dev/null 2>&1 || true
