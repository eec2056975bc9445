#!/bin/bash
# Exits 1, saying why, when this machine's kernel refuses to start 32-bit
# x86 programs (a kernel booted without its 32-bit emulation, as some
# virtual machines are): Wine's 32-bit loader can't start there, so neither
# can the installer nor any test of the Windows build. Exits 0 otherwise,
# also when Wine is missing or broken in some other way: the Wine runs then
# fail and say what.
loader=/lib/ld-linux.so.2   # from libc6:i386, which wine32 brings
[ -e "$loader" ] || exit 0
out=$("$loader" --version 2>&1 </dev/null) && exit 0
case $out in
  *"Exec format error"*)
    echo "This machine's kernel does not run 32-bit x86 programs (starting $loader: Exec format error;" >&2
    echo "Linux needs ia32_emulation=on, which some virtual machines can't give): Wine can't run the" >&2
    echo "32-bit installer or its tests here." >&2
    exit 1 ;;
esac
exit 0
