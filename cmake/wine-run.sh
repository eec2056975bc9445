#!/bin/sh
# Runs a Windows program under Wine in the project's throwaway prefix, never
# in the user's own: the prefix and a fake HOME live in the build tree (or
# wherever KX_WINE_ROOT points), so shortcuts and Desktop links stay there.
root=${KX_WINE_ROOT:-$(cd "$(dirname "$0")/.." && pwd)/build/wine}
export WINEPREFIX=${WINEPREFIX:-$root/prefix}
export HOME=$root/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
export WINEARCH=win32
mkdir -p "$HOME"
exec wine "$@"
