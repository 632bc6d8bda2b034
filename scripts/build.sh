#!/usr/bin/env bash
# Configures and builds the three builds:
#   build/win32   the product: 32-bit x86 console and windowed executables (i686-w64-mingw32)
#   build/win64   the same sources for x86_64, the main test lane under wine64
#   build/native  the platform-free and JNI-facing code for Linux, with sanitizers
# and copies the executables to dist/. Usage: scripts/build.sh [win32|win64|native]...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=(win32 win64 native)
jobs=$(nproc)
prefix="$root/build/wineprefix"

for b in "${builds[@]}"; do
  case "$b" in
    win32) args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel -DLAUNCHER_WINEPREFIX="$prefix") ;;
    win64) args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-mingw.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLAUNCHER_WINEPREFIX="$prefix") ;;
    native) args=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    *) echo "unknown build: $b" >&2; exit 2 ;;
  esac
  if [ -f "build/$b/CMakeCache.txt" ]; then
    cmake -S . -B "build/$b" >/dev/null   # picks up new test folders
  else
    cmake -S . -B "build/$b" -G Ninja "${args[@]}" >/dev/null
  fi
  cmake --build "build/$b" -j "$jobs"
done

mkdir -p dist/x64
for exe in launcher launcherw; do
  [ -f build/win32/src/$exe.exe ] && cp build/win32/src/$exe.exe dist/$exe.exe
  [ -f build/win64/src/$exe.exe ] && cp build/win64/src/$exe.exe dist/x64/$exe.exe
done
true
