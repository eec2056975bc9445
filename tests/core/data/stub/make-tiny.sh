#!/bin/sh
# Rebuilds tiny.exe, the PE file the packer's resource tests start from.
# Like the installer stub it is linked by GNU ld with relocations, so its
# .rsrc is followed by .reloc.
set -e
cd "$(dirname "$0")"
i686-w64-mingw32-windres -I ../../../../resources tiny.rc -O coff -o tiny.res.o
i686-w64-mingw32-gcc -Os -s -nostdlib -Wl,--dynamicbase,--enable-reloc-section -Wl,-e,_start@0 tiny.c tiny.res.o -o tiny.exe
rm tiny.res.o
