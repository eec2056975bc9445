#!/bin/sh
# Runs a Windows program under Wine in the project's throwaway prefix, never
# in the user's own: the prefix and a fake HOME live in the build tree (or
# wherever KX_WINE_ROOT points), so shortcuts and Desktop links stay there.
# --win64: a 64-bit program, in a 64-bit prefix of its own.
arch=win32 prefix=prefix wine=wine
if [ "${1:-}" = --win64 ]; then
  shift
  # Debian's wine wrapper starts the 32-bit loader first, which a kernel
  # without 32-bit emulation refuses.
  arch=win64 prefix=prefix64 wine=/usr/lib/wine/wine64
fi
root=${KX_WINE_ROOT:-$(cd "$(dirname "$0")/.." && pwd)/build/wine}
export WINEPREFIX=${WINEPREFIX:-$root/$prefix}
export HOME=$root/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
export WINEARCH=$arch
mkdir -p "$HOME"
exec $wine "$@"
