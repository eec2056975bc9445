#!/bin/bash
# Installs an application larger than 2.5 GiB under Wine and reports the time
# and peak memory of packing, installing and uninstalling it. The payload is
# zeros (it packs in seconds) with one file past 2 GiB, so 64-bit file
# offsets and the streaming reader are both exercised. Not part of the test
# run: it writes ~2.7 GiB to disk and takes a few minutes.
#
#   bench/win32/large-install.sh [BIG-MIB] [REST-MIB]
#
# Defaults: one file of 2,300 MiB and four of 100 MiB (2,700 MiB in all).
# Needs the native and win32 builds (scripts/test.sh or the presets).
# KX_BENCH_DIR picks the work folder (build/bench-large); it is removed at
# the end unless KX_BENCH_KEEP=1.
set -euo pipefail
cd "$(dirname "$0")/../.."

big_mib=${1:-2300}
rest_mib=${2:-400}
work=${KX_BENCH_DIR:-$PWD/build/bench-large}
kxpack=$PWD/build/native/tools/kxpack/kxpack
stub=$PWD/build/win32/app/kxsetup.exe
for f in "$kxpack" "$stub"; do
  [ -f "$f" ] || { echo "missing $f (build it first)" >&2; exit 1; }
done

rm -rf "$work"
mkdir -p "$work/app/data"
cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  [ "${KX_BENCH_KEEP:-0}" == 1 ] || rm -rf "$work"
}
trap cleanup EXIT

# Sparse files: nothing is written to make them, yet they read as zeros.
truncate -s "${big_mib}M" "$work/app/big.bin"
for i in 1 2 3 4; do truncate -s "$((rest_mib / 4))M" "$work/app/data/part-$i.bin"; done
printf 'Terms of the large benchmark.\n' >"$work/terms.txt"
cat >"$work/setup.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<install>
	<app-name>Large</app-name>
	<default-path>%PROGRAM_FILES%Large</default-path>
	<terms src="terms.txt" />
	<uninstall-display-name>Large Benchmark</uninstall-display-name>
	<uninstaller src="uninstall.xml" />
	<file src="app" dest="%APP%" />
</install>
EOF

cat >"$work/uninstall.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<uninstall>
	<app-name>Large</app-name>
	<remove-reg-key section="HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Large Benchmark" />
	<remove-folder path="%APP%" />
</uninstall>
EOF

# seconds and peak RSS (MiB) of a command, from GNU time.
measure() {
  local out=$1
  shift
  /usr/bin/time -f '%e %M %x' -o "$out" "$@" >/dev/null 2>&1 || true
  tail -1 "$out" | awk '{printf "%.2f s, peak RSS %.1f MiB", $1, $2 / 1024; if ($3 != 0) printf " (exit code %s)", $3}'

}

echo "payload: $((big_mib + rest_mib)) MiB (one file of $big_mib MiB, four of $((rest_mib / 4)) MiB)"
echo "kxpack build: $(measure "$work/time.pack" "$kxpack" build --stub "$stub" --script "$work/setup.xml" -o "$work/setup.exe")"
echo "installer: $(stat -c %s "$work/setup.exe") bytes"

export WINEPREFIX=$work/prefix WINEARCH=win32 WINEDEBUG=-all HOME=$work/home
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
mkdir -p "$HOME"
wineboot -i >/dev/null 2>&1 </dev/null || true
wineserver -w
dest='C:\Large'
installed=$WINEPREFIX/drive_c/Large
echo "install (/S): $(measure "$work/time.install" wine "$work/setup.exe" /S "/D=$dest")"
size=$(stat -c %s "$installed/big.bin" 2>/dev/null || echo 0)
if [ "$size" != $((big_mib * 1024 * 1024)) ] || ! cmp -s -n "$size" "$installed/big.bin" /dev/zero; then
  echo "FAILED: big.bin installed with $size bytes, or not all zeros" >&2
  exit 1
fi
echo "  big.bin: $size bytes, all zeros"
echo "uninstall (/S): $(measure "$work/time.uninstall" wine "$dest\\uninstall.exe" /S)"
for _ in $(seq 40); do [ -e "$installed" ] || break; sleep 0.05; done
if [ -e "$installed" ]; then
  echo "FAILED: $installed is still there" >&2
  exit 1
fi
echo "  folder removed"
