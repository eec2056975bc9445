#!/bin/bash
# Exits 1, saying why, when this machine's kernel refuses to start 32-bit
# x86 programs (a kernel booted without its 32-bit emulation, as some
# virtual machines are): Wine's 32-bit loader can't start there, so neither
# can the installer nor any test of the Windows build. Exits 0 otherwise,
# also when the check itself can't be made: the Wine runs then say what.
#
# The program tried is the smallest 32-bit one there is: an ELF header, one
# segment, and exit(0) through int 0x80. It needs no 32-bit libraries, so
# scripts/deps.sh can ask before it installs any.
probe=$(mktemp "${TMPDIR:-/tmp}/kx-32bit.XXXXXX") || exit 0
trap 'rm -f "$probe"' EXIT
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
# type EXEC, machine i386, version 1, entry, program headers at 52, no
# sections, header sizes
printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' >>"$probe"
# PT_LOAD of the whole file at 0x08048000, read and execute
printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >>"$probe"
printf '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$probe"
# mov eax, 1; xor ebx, ebx; int 0x80
printf '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >>"$probe"
chmod +x "$probe"
out=$("$probe" 2>&1 </dev/null) && exit 0
case $out in
  *"Exec format error"*)
    echo "This machine's kernel does not run 32-bit x86 programs (Exec format error; Linux needs" >&2
    echo "ia32_emulation=on, which some virtual machines can't give): Wine can't run the 32-bit" >&2
    echo "installer or its tests here." >&2
    exit 1 ;;
esac
exit 0
