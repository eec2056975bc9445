#!/bin/bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  zlib1g-dev lzma-dev libdeflate-dev googletest libgtest-dev libbenchmark-dev libpugixml-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix libz-mingw-w64-dev
  g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32
  wine wine64 xvfb x11-apps imagemagick
  python3 python3-yaml python3-jsonschema locales
  osslsigncode openssl
)

if "$(dirname "$0")/check-32bit.sh" 2>/dev/null; then
  packages+=(wine32:i386)
else
  # A kernel that starts no 32-bit programs: no 32-bit Wine, and the
  # Windows tests built for 64-bit Windows instead (scripts/test.sh).
  packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix)
fi

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
not_installed() {
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

mapfile -t missing < <(not_installed "${packages[@]}")
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [[ " ${missing[*]} " == *:i386\ * ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  # A mirror caught mid-sync fails an index now and then: try again, and let
  # the install say whether a package is really out of reach.
  updated=no
  for attempt in 1 2 3; do
    $SUDO apt-get update -qq && { updated=yes; break; }
    if [ $attempt -lt 3 ]; then
      echo "apt-get update failed (attempt $attempt); trying again" >&2
      sleep $((attempt * 10))
    fi
  done
  apt_install() {
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@" >/dev/null
  }
  if ! apt_install "${missing[@]}"; then
    # An index left out (say the security archive's i386 one) makes the two
    # architectures' candidates differ, and a library needed in both can't be
    # installed. The release's own archive has both at one version.
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ "$updated" = no ] && [ -n "$codename" ] || exit 1
    echo "Installing from $codename alone, as an index could not be fetched" >&2
    apt_install -t "$codename" "${missing[@]}"
  fi
fi

