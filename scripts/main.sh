#!/usr/bin/env bash
# Sets up what is missing, builds the launcher and shows it at work under Wine:
# a sample application folder with the launcher, its INI file and its runtime.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/setup.sh"
"$root/scripts/build.sh" win32 win64

export WINEPREFIX="$root/build/wineprefix"
"$root/build/win64/wine-prefix.sh"

demo="$root/build/demo"
rm -rf "$demo"; mkdir -p "$demo"
cp dist/x64/launcher.exe "$demo/sample.exe"
cat > "$demo/sample.ini" <<'INI'
[Product Information]
Product Name=Sample
Product Code=1.0

[Java Runtime Environment]
Main Class=com.example.Sample
Minimum Version=1.6
JVM Type=favor_server

[Class Path]
Class Path=\lib\*.jar
INI
# The runtime shipped with the sample: a jre folder beside the executable, made
# of empty marker files for now (enough for the launcher to choose it).
mkdir -p "$demo/jre/bin/client" "$demo/jre/bin/server"
touch "$demo/jre/bin/java.dll" "$demo/jre/bin/client/jvm.dll" "$demo/jre/bin/server/jvm.dll"
export QZ_LAUNCHER_LOG="$demo/trace.log"
echo "== starting $demo/sample.exe with the arguments: one \"two three\""
set +e
/usr/lib/wine/wine64 "$demo/sample.exe" one '"two three"'
code=$?
set -e
echo "== exit code: $code (Wine reports the low 8 bits)"
echo "== what the launcher read and decided:"
cat "$demo/trace.log"
echo "== the runtime it chose, and why:"
grep -a 'runtime chosen' "$demo/trace.log" | sed 's/^[^]]*] //' || echo "no runtime chosen"
wineserver -k >/dev/null 2>&1 || true
