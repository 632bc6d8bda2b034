#!/usr/bin/env bash
# Builds the product executables branded for an application: its icon, version
# resource and requested execution level (the description's format is in
# docs/manual/desktop.md). Both executables (console and windowed) for both
# processors, without the tests, in build folders of their own
# (build/brand-win32, build/brand-win64).
#
# Usage: scripts/brand.sh <description> [output folder]
# The output folder (default: dist/<description name>) receives
#   launcher.exe  launcherw.exe  x64/launcher.exe  x64/launcherw.exe
# and the script prints the path of each file it wrote, one a line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 <description> [output folder]" >&2
  exit 2
fi
if [ ! -f "$1" ]; then
  echo "$0: no such description: $1" >&2
  exit 2
fi
description=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
name=$(basename "$1"); name=${name%.*}
out=${2:-$root/dist/$name}
mkdir -p "$out"
out=$(cd "$out" && pwd)

jobs=$(nproc)
for b in win32 win64; do
  case "$b" in
    win32) args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel) ;;
    win64) args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-mingw.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  esac
  dir="$root/build/brand-$b"
  if [ -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$dir" -DLAUNCHER_BRANDING="$description" >&2
  else
    cmake -S "$root" -B "$dir" -G Ninja "${args[@]}" -DLAUNCHER_TESTS=OFF \
      -DLAUNCHER_BRANDING="$description" >&2
  fi
  cmake --build "$dir" -j "$jobs" --target launcher launcherw >&2
done

written=()
mkdir -p "$out/x64"
for exe in launcher launcherw; do
  cp "$root/build/brand-win32/src/$exe.exe" "$out/$exe.exe"
  cp "$root/build/brand-win64/src/$exe.exe" "$out/x64/$exe.exe"
  written+=("$out/$exe.exe" "$out/x64/$exe.exe")
done
printf '%s\n' "${written[@]}"
