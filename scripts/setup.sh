#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine.
# Idempotent: quick when everything is already present. Run as root.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

pkgs=(cmake ninja-build g++ clang libclang-rt-14-dev googletest
      g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
      wine wine64 xvfb xauth imagemagick x11-utils qemu-user
      openjdk-17-jdk-headless)
for p in "${pkgs[@]}"; do have "$p" || need+=("$p"); done

# 32-bit Wine runs the shipped i686 product under qemu-i386 user emulation.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  updated=0
fi
have wine32:i386 || need+=(wine32:i386)

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # A mirror in the middle of a sync fails an index or two: try again, then go
  # on with what was fetched (the install says if a package is really missing).
  for attempt in 1 2 3; do
    apt-get update -q && break
    echo "setup: apt-get update failed (attempt $attempt)"; sleep 15
  done
  if ! apt-get install -y -q --no-install-recommends "${need[@]}"; then
    # When one architecture's security index could not be fetched, the i386
    # libraries of the release no longer match the amd64 ones that came from
    # security updates (multi-arch libraries must be of one version). Taking
    # both from the release itself resolves it.
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
    echo "setup: retrying with the packages of $codename itself"
    apt-get install -y -q --no-install-recommends -t "$codename" "${need[@]}" \
      wine64 libwine libwine:i386 libgstreamer-plugins-base1.0-0:i386
  fi
fi

# Hand i386 ELF programs to qemu so that 32-bit Wine can start on this kernel.
if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null || true
fi
if [ -e /proc/sys/fs/binfmt_misc/register ] && [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:OC' \
    > /proc/sys/fs/binfmt_misc/register || echo "setup: could not register qemu-i386 (32-bit lane will be unavailable)"
fi
echo "setup: ready"
