# Shared by scripts/e2e.sh and scripts/demo.sh: a throwaway Wine prefix
# with its own HOME, a virtual display, the installer's windows driven by
# kxdriver.exe, screenshots, and PASS/FAIL bookkeeping. The prefix is a
# 32-bit one; use_prefix switches to a 64-bit one (WoW64) and back.
# Source it from the repository root with these set:
#   E2E_RUN      folder for this run (prefix, home, logs, screenshots)
#   E2E_DRIVER   kxdriver.exe

E2E_TEMPLATE=${KX_E2E_TEMPLATE:-$PWD/build/e2e/template}
E2E_TEMPLATE64=${KX_E2E_TEMPLATE64:-$PWD/build/e2e/template64}
# The prefix the cases run in now: win32 ($E2E_RUN/prefix) or win64
# ($E2E_RUN/prefix64).
E2E_ARCH=win32
E2E_PASSED=0
E2E_FAILED=0
E2E_FAILURES=()
E2E_SKIPPED=0
E2E_SKIPS=()
E2E_SMALL_LETTER=
E2E_SNAP_COUNT=0
E2E_SNAP_MS=0
E2E_XVFB_PID=
E2E_BG_PID=
export E2E_BG_STATUS=
E2E_MAY_CHANGE=()

log() { printf '%s\n' "$*" >&2; }

# The program's resource ids (IDC_DEST_PATH, ...) as shell variables, read
# from the header the program itself is built with.
eval "$(sed -n 's/^#define \(ID[A-Z0-9_]*\) \([0-9][0-9]*\)$/\1=\2/p' resources/resource.h)"
# Windows' own message-box buttons (IDOK, IDCANCEL, IDRETRY, ...), which
# the driver also presses by name (ok, cancel, retry, ...), read from the
# Windows headers the driver is built with.
eval "$(sed -n 's/^#define \(ID\(OK\|CANCEL\|ABORT\|RETRY\|IGNORE\|YES\|NO\|CLOSE\|HELP\|TRYAGAIN\|CONTINUE\)\) \([0-9][0-9]*\)$/\1=\3/p' \
  /usr/i686-w64-mingw32/include/winuser.h)"

pass() {
  E2E_PASSED=$((E2E_PASSED + 1))
  printf 'PASS %s\n' "$1"
}

fail() {
  E2E_FAILED=$((E2E_FAILED + 1))
  E2E_FAILURES+=("$1")
  printf 'FAIL %s\n' "$1"
  [ $# -lt 2 ] || printf '     %s\n' "${@:2}"
}

# skip NAME WHY: a check that can't run here; not a failure.
skip() {
  E2E_SKIPPED=$((E2E_SKIPPED + 1))
  E2E_SKIPS+=("$1: $2")
  printf 'SKIP %s: %s\n' "$1" "$2"
}

# check NAME COMMAND...: PASS when the command succeeds.
check() {
  local name=$1
  shift
  if "$@" >>"$E2E_RUN/logs/checks.log" 2>&1; then pass "$name"; else fail "$name" "(command: $*)"; fi
}

# expect_eq NAME ACTUAL EXPECTED
expect_eq() {
  if [ "$2" == "$3" ]; then pass "$1"; else fail "$1" "got:      '$2'" "expected: '$3'"; fi
}

# expect_contains NAME TEXT PART
expect_contains() {
  if [[ "$2" == *"$3"* ]]; then pass "$1"; else fail "$1" "got:      '$2'" "expected to contain: '$3'"; fi
}

summary() {
  if [ $E2E_FAILED -gt 0 ]; then
    log ""
    log "Failed:"
    local f
    for f in "${E2E_FAILURES[@]}"; do log "  $f"; done
  fi
  if [ $E2E_SKIPPED -gt 0 ]; then
    log ""
    log "Skipped:"
    for f in "${E2E_SKIPS[@]}"; do log "  $f"; done
    echo "$E2E_PASSED passed, $E2E_FAILED failed, $E2E_SKIPPED skipped"
  else
    echo "$E2E_PASSED passed, $E2E_FAILED failed"
  fi
}

now_ms() { date +%s%3N; }

# ---- Wine environment -------------------------------------------------------

wine_env() {
  export WINEARCH=$E2E_ARCH WINEDEBUG=-all
  # Command lines and host file names pass UTF-8 names to Wine unharmed.
  export LC_ALL=C.UTF-8
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
  export WINEPREFIX=$E2E_RUN/prefix HOME=$E2E_RUN/home
  [ "$E2E_ARCH" == win32 ] || WINEPREFIX=$E2E_RUN/prefix64
  export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
  # Web pages the installer opens land in a log instead of a browser: Wine's
  # browser launcher tries xdg-open first.
  export PATH=$E2E_RUN/fakebin:$PATH
}

# A ready prefix is kept once and copied for each run (3 s instead of 15).
# make_template [TEMPLATE ARCH]: the 32-bit one by default.
make_template() {
  local template=${1:-$E2E_TEMPLATE} arch=${2:-win32}
  mkdir -p "$(dirname "$template")"
  # Two runs at once (demo and tests) must not both build it.
  exec 9>"$template.lock"
  flock 9
  [ -f "$template/prefix/system.reg" ] && { exec 9>&-; return 0; }
  log "Creating the template Wine prefix ($arch) in $template"
  rm -rf "$template"
  mkdir -p "$template/home"
  (
    export WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
    export WINEPREFIX=$template/prefix HOME=$template/home
    wineboot -i >/dev/null 2>&1 </dev/null || true
    # Without a window manager every top-level window would take 2 s to close.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
    wineserver -w
  )
  # Desktop, Documents, ... are symlinks to the template's HOME; make them
  # folders of the prefix so that each copy has its own.
  local link
  for link in "$template"/prefix/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm "$link" && mkdir "$link"; fi
  done
  exec 9>&-
  [ -f "$template/prefix/system.reg" ]
}

# Fresh prefix, HOME, fake browser and log folders for E2E_RUN.
setup_run() {
  # A run that was killed may have left its small drive mounted.
  if mountpoint -q "$E2E_RUN/small" 2>/dev/null; then umount "$E2E_RUN/small" || umount -l "$E2E_RUN/small"; fi
  rm -rf "$E2E_RUN"
  mkdir -p "$E2E_RUN/home" "$E2E_RUN/logs" "$E2E_RUN/shots" "$E2E_RUN/fakebin" "$E2E_RUN/stage"
  E2E_ARCH=win32
  make_template || { log "cannot create the Wine prefix"; return 1; }
  cp -a "$E2E_TEMPLATE/prefix" "$E2E_RUN/prefix"
  cat >"$E2E_RUN/fakebin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>"$E2E_RUN/logs/opened-urls.txt"
EOF
  chmod +x "$E2E_RUN/fakebin/xdg-open"
  : >"$E2E_RUN/logs/opened-urls.txt"
  wine_env
  start_display || return 1
  # One warm wineserver for the whole run: each program then starts in ms.
  wineserver -p >/dev/null 2>&1 </dev/null || true
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

# use_prefix win32|win64: the cases that follow run in the run's 32-bit
# prefix, or in a 64-bit one (WoW64, where the 32-bit programs see
# Program Files (x86) and HKLM\Software\Wow6432Node), made from its own
# template the first time. Both have the run's HOME, display and fake
# browser, and a warm wineserver until teardown_run. Prints a SKIP line and
# returns 1 when Wine here has no 64-bit part.
use_prefix() {
  [ "$1" != "$E2E_ARCH" ] || return 0
  local earlier=$E2E_ARCH
  E2E_ARCH=$1
  wine_env
  # Private folders lie in the prefix now in use.
  RUN_BASE_DIR=
  if [ "$E2E_ARCH" == win32 ] || [ -f "$WINEPREFIX/system.reg" ]; then return 0; fi
  if [ ! -x /usr/lib/wine/wine64 ] && ! command -v wine64 >/dev/null; then
    skip "a 64-bit prefix" "Wine has no 64-bit part here (Debian's wine64; scripts/deps.sh installs it)"
    use_prefix "$earlier"
    return 1
  fi
  local t0
  t0=$(date +%s)
  if ! make_template "$E2E_TEMPLATE64" "$E2E_ARCH" || ! cp -a "$E2E_TEMPLATE64/prefix" "$WINEPREFIX"; then
    fail "a 64-bit prefix" "cannot create it from $E2E_TEMPLATE64"
    rm -rf "$WINEPREFIX"
    use_prefix "$earlier"
    return 1
  fi
  wineserver -p >/dev/null 2>&1 </dev/null || true
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
  log "64-bit Wine prefix ready in $WINEPREFIX after $(($(date +%s) - t0)) s"
}

# A virtual display unless one is there already (or KX_E2E_XVFB=1).
start_display() {
  if [ -n "${DISPLAY:-}" ] && [ "${KX_E2E_XVFB:-0}" != 1 ]; then
    return 0
  fi
  local n=${KX_E2E_DISPLAY_NUMBER:-90}
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$E2E_RUN/logs/xvfb.log" 2>&1 &
  E2E_XVFB_PID=$!
  export DISPLAY=":$n"
  local _
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    kill -0 $E2E_XVFB_PID 2>/dev/null || break
    sleep 0.05
  done
  log "Xvfb did not start on :$n"
  return 1
}

# Ends what this run started: the installer under test, the wineserver of
# the throwaway prefix and Xvfb.
teardown_run() {
  [ -z "${E2E_TORN_DOWN:-}" ] || return 0
  E2E_TORN_DOWN=1
  if [ -n "$E2E_BG_PID" ] && kill -0 "$E2E_BG_PID" 2>/dev/null; then kill "$E2E_BG_PID" 2>/dev/null || true; fi
  [ -z "$E2E_SMALL_LETTER" ] || small_drive_unmount "$E2E_SMALL_LETTER"
  if [ -n "${WINEPREFIX:-}" ]; then
    local prefix
    for prefix in "$E2E_RUN/prefix" "$E2E_RUN/prefix64"; do
      [ ! -d "$prefix" ] || WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 </dev/null || true
    done
  fi
  if [ -n "$E2E_XVFB_PID" ]; then
    kill "$E2E_XVFB_PID" 2>/dev/null || true
    wait "$E2E_XVFB_PID" 2>/dev/null || true
    E2E_XVFB_PID=
  fi
}

# ---- Programs under test --------------------------------------------------

# drv COMMAND ARGS...: kxdriver in the run's prefix; its output on stdout.
drv() { wine "$E2E_DRIVER" "$@" </dev/null 2>>"$E2E_RUN/logs/driver.log"; }

# start_bg NAME PROGRAM [ARGS...]: runs a Windows program in the background;
# wait_bg collects its exit code.
start_bg() {
  local name=$1
  shift
  wine "$@" >"$E2E_RUN/logs/$name.log" 2>&1 </dev/null &
  E2E_BG_PID=$!
}

# wait_bg TIMEOUT-S: sets E2E_BG_STATUS to the program's exit code, or to
# "timeout" (the program is then ended). Not in $(...): a subshell can't
# wait for its parent's children.
wait_bg() {
  local deadline=$(($(date +%s) + $1))
  E2E_BG_STATUS=0
  while kill -0 "$E2E_BG_PID" 2>/dev/null; do
    if [ "$(date +%s)" -ge "$deadline" ]; then
      kill "$E2E_BG_PID" 2>/dev/null || true
      wait "$E2E_BG_PID" 2>/dev/null || true
      E2E_BG_PID=
      E2E_BG_STATUS=timeout
      return 0
    fi
    sleep 0.05
  done
  wait "$E2E_BG_PID" || E2E_BG_STATUS=$?
  E2E_BG_PID=
}

# gone_soon DIR: DIR disappears within a second (what a program that just
# ended removes once its own file is free).
gone_soon() {
  local _
  for _ in $(seq 20); do
    [ -e "$1" ] || return 0
    sleep 0.05
  done
  return 1
}

# Closes whatever a failed step left open, so the next case starts clean.
close_leftovers() {
  local _
  for _ in 1 2 3; do
    drv messagebox "" 0 >/dev/null 2>&1 || break
    drv answer-messagebox ok "" 0 >/dev/null 2>&1 || drv answer-messagebox no "" 0 >/dev/null 2>&1 || true
  done
  if [ -n "$E2E_BG_PID" ] && kill -0 "$E2E_BG_PID" 2>/dev/null; then
    kill "$E2E_BG_PID" 2>/dev/null || true
    wait "$E2E_BG_PID" 2>/dev/null || true
  fi
  E2E_BG_PID=
}

# shot NAME: the screen, cropped to the windows on it, as shots/NAME.png.
# A window is painted some 0.3 s after it appears.
shot() {
  sleep 0.3
  xwd -root -silent -display "$DISPLAY" | convert xwd:- -trim +repage "png:$E2E_RUN/shots/$1.png" 2>>"$E2E_RUN/logs/shots.log" ||
    log "screenshot $1 failed"
}

# unix_path 'C:\x\y': where a C: path of the prefix lies on Linux.
unix_path() {
  local p=${1#[Cc]:}
  p=${p//\\//}
  printf '%s\n' "$WINEPREFIX/drive_c$p"
}

# ---- The program's private folders ------------------------------------------
# The uninstaller's temporary copy, the logo and the files an installation
# replaces live in new "kx-..." folders of their own, under %windir%\Temp
# when the program runs elevated (as it always does under Wine), else under
# %TEMP%. A copy's folder goes some seconds after the copy has ended.

# run_base: sets RUN_BASE_WIN and RUN_BASE_DIR (on Linux) once.
run_base() {
  [ -z "${RUN_BASE_DIR:-}" ] || return 0
  if [ "$(drv elevated)" == yes ]; then RUN_BASE_WIN="$(drv expand '%windir%')\Temp"; else RUN_BASE_WIN=$(drv expand '%TEMP%'); fi
  RUN_BASE_WIN=${RUN_BASE_WIN%\\}
  # Wine keeps a folder's name as it was made ("temp"): found whatever its case.
  local dir=$WINEPREFIX/drive_c part found parts
  IFS='\' read -ra parts <<<"${RUN_BASE_WIN#[A-Za-z]:\\}"
  for part in "${parts[@]}"; do
    found=$(find "$dir" -mindepth 1 -maxdepth 1 -iname "$part" -print -quit 2>/dev/null)
    dir=${found:-$dir/$part}
  done
  RUN_BASE_DIR=$dir
}

# run_folders: the names in the base that start with "kx-", one a line.
run_folders() { (cd "$RUN_BASE_DIR" 2>/dev/null && ls -d kx-* 2>/dev/null) || true; }

# run_folders_gone [TIMEOUT-S]: none is left, or none after a while.
run_folders_gone() {
  run_base
  local deadline=$(($(date +%s) + ${1:-15}))
  while [ -n "$(run_folders)" ]; do
    if [ "$(date +%s)" -ge "$deadline" ]; then
      log "     left in $RUN_BASE_WIN: $(run_folders | tr '\n' ' ')"
      return 1
    fi
    sleep 0.1
  done
}

# ---- Snapshots of the prefix ------------------------------------------------
# snapshot NAME writes snap/NAME.files (all of drive_c) and snap/NAME.reg
# (the registry under E2E_SNAP_KEYS), a line per entry:
#   C:/path/to/folder<TAB>dir
#   C:/path/to/file<TAB>file<TAB>SIZE<TAB>CRC
#   C:/path/to/link<TAB>link<TAB>TARGET
#   HKLM\Key\Sub
#   HKLM\Key\Sub<TAB>NAME<TAB>REG_TYPE<TAB>DATA
# expect_unchanged and expect_changes compare two snapshots: a difference is
# such a line prefixed "+ " (only after) or "- " (only before). Patterns are
# extended regexes matched case-blind, as Windows compares names; snap_under
# writes one for a folder or key and all below it, snap_own for its own line.

# snap_path_re PATH-OR-KEY: a regex for the path (C:\... or C:/...) or
# registry key and all below it, as they show in a snapshot line. HKCR
# stands for HKLM\Software\Classes, which it is in Wine.
snap_path_re() {
  local path=$1 below
  case $path in
    [Hh][Kk][Cc][Rr]\\*) path='HKLM\Software\Classes\'${path:5} ;;
    [Hh][Kk][Cc][Rr]) path='HKLM\Software\Classes' ;;
  esac
  case $path in
    [A-Za-z]:\\* | [A-Za-z]:/*) path=${path//\\//} below=/ ;;
    *) below='\\' ;;
  esac
  path=${path%/}
  path=${path%\\}
  path=$(printf '%s' "$path" | sed 's/[][\.*^$?+(){}|]/\\&/g')
  printf '%s(%s|\t|$)' "$path" "$below"
}

# snap_under PATH-OR-KEY [+|-]: a pattern for the differences at or below
# the path or key; + only what was added, - only what was removed.
snap_under() {
  local sign
  case ${2:-} in
    +) sign='\+' ;;
    -) sign='-' ;;
    *) sign='[-+]' ;;
  esac
  printf '^%s %s' "$sign" "$(snap_path_re "$1")"
}

# snap_own PATH-OR-KEY [+|-]: a pattern for the folder's or key's own line,
# not for what lies below it.
snap_own() {
  local sign re
  case ${2:-} in
    +) sign='\+' ;;
    -) sign='-' ;;
    *) sign='[-+]' ;;
  esac
  re=$(snap_path_re "$1")
  printf '^%s %s(\tdir)?$' "$sign" "${re%(*}"
}

# HKLM\Software holds HKCR's classes; HKLM\System the services, drivers and
# the machine's environment; HKCU all of the user's settings. HKCR and
# HKU\<user> are views of these, and Wine rebuilds HKLM\Hardware at start.
E2E_SNAP_KEYS=('HKLM\Software' 'HKLM\System' 'HKCU')

# What Wine changes by itself: found by comparing snapshots taken seconds
# apart while idle, and around programs that start, open windows and end.
# All registry: drive_c did not change by itself.
E2E_SNAP_VOLATILE=(
  # Each new program with a window registers its display under a new GUID.
  "^$(snap_path_re 'HKLM\System\CurrentControlSet\Control\Video')"
  # The first window after wineserver starts rewrites the display adapter,
  # the monitor, their device interfaces (with the time as DriverDateData)
  # and, in a key of its own made then, the display modes.
  "^$(snap_path_re 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\System')"
  "^$(snap_path_re 'HKLM\System\CurrentControlSet\Control\Class\{4D36E968-E325-11CE-BFC1-08002BE10318}')"
  "^$(snap_path_re 'HKLM\System\CurrentControlSet\Control\Class\{4D36E96E-E325-11CE-BFC1-08002BE10318}')"
  "^$(snap_path_re 'HKLM\System\CurrentControlSet\Control\DeviceClasses\{1CA05180-A699-450A-9A0C-DE4FBE3DDD89}')"
  "^$(snap_path_re 'HKLM\System\CurrentControlSet\Control\DeviceClasses\{5B45201D-F2F2-4F3B-85BB-30FF1F953599}')"
  "^$(snap_path_re 'HKLM\System\CurrentControlSet\Control\DeviceClasses\{E6F07B5F-EE97-4A90-B076-33F57BF4EAA7}')"
  # Counts the services started (the display's among them).
  "^$(snap_path_re 'HKLM\System\CurrentControlSet\Control\ServiceCurrent')"
  # Wine's copies of mouse, colour and metric settings for this session,
  # written by whichever program first asks for them.
  "^$(snap_path_re 'HKCU\Software\Wine\Temporary System Parameters')"
  # Drive mappings: small_drive_mount's come and go (Drives stays, empty).
  "^$(snap_path_re 'HKLM\System\MountedDevices')"
  "^$(snap_path_re 'HKLM\Software\Wine\Drives')"
)

# snap_files: the snapshot lines of drive_c, sorted.
snap_files() {
  (
    cd "$WINEPREFIX/drive_c" || exit 1
    # CRC-32 is enough to see a change and hashes the 600 MB in ~0.2 s.
    LC_ALL=C awk -F '\t' '
      FNR == NR { crc[substr($0, index($0, "\t") + 1)] = $1; next }
      $1 == "d" { print "C:/" $3 "\tdir"; next }
      $1 == "f" { print "C:/" $3 "\tfile\t" $2 "\t" crc[$3]; next }
      $1 == "l" { print "C:/" $3 "\tlink\t" $4; next }
      { print "C:/" $3 "\t" $1 }' \
      <(find . -mindepth 1 -type f -print0 | xargs -0 -r cksum | sed 's|^\([0-9]*\) [0-9]* \./|\1\t|') \
      <(find . -mindepth 1 -printf '%y\t%s\t%P\t%l\n') | LC_ALL=C sort
  )
}

# snap_drop PATTERN...: the input lines that match none of the patterns.
snap_drop() {
  if [ $# == 0 ]; then
    cat
  else
    grep -viE -f <(printf '%s\n' "$@") || true
  fi
}

# snapshot NAME: once the program's private folders have gone (one that
# stays shows in the snapshot).
snapshot() {
  local dir=$E2E_RUN/snap pid status=0 t0
  run_folders_gone 15 || true
  t0=$(now_ms)
  mkdir -p "$dir"
  # drive_c is hashed while the driver reads the registry.
  snap_files | snap_drop "${E2E_SNAP_VOLATILE[@]}" >"$dir/$1.files" &
  pid=$!
  # In a 64-bit prefix the 64-bit view, where HKLM\Software holds the
  # 32-bit one as HKLM\Software\Wow6432Node: both in one dump.
  drv "$([ "$E2E_ARCH" == win32 ] && echo reg-dump || echo reg-dump64)" "${E2E_SNAP_KEYS[@]}" |
    snap_drop "${E2E_SNAP_VOLATILE[@]}" >"$dir/$1.reg" || status=1
  wait $pid || status=1
  [ $status == 0 ] || log "snapshot $1 is incomplete"
  E2E_SNAP_COUNT=$((E2E_SNAP_COUNT + 1))
  E2E_SNAP_MS=$((E2E_SNAP_MS + $(now_ms) - t0))
  return $status
}

# snap_diff BEFORE AFTER: the differences, "- " and "+ " lines.
snap_diff() {
  local dir=$E2E_RUN/snap kind
  for kind in files reg; do
    diff "$dir/$1.$kind" "$dir/$2.$kind" | sed -n 's/^< /- /p; s/^> /+ /p'
  done
}

# snap_report LABEL DIFFERENCES: keeps them all in snap/LABEL.diff and
# prints the first 40.
snap_report() {
  local file n
  file=$E2E_RUN/snap/${1//[^A-Za-z0-9_-]/_}.diff
  printf '%s\n' "$2" >"$file"
  n=$(wc -l <"$file")
  printf '%s\n' "$2" | head -40 | sed 's/^/       /'
  [ "$n" -le 40 ] || printf '       ... %d more in %s\n' $((n - 40)) "$file"
}

# expect_unchanged LABEL BEFORE AFTER [ALLOWED-PATTERN...]: no difference
# but what the patterns allow.
expect_unchanged() {
  local label=$1 diffs
  diffs=$(snap_diff "$2" "$3" | snap_drop "${@:4}")
  if [ -z "$diffs" ]; then
    pass "$label"
    return 0
  fi
  fail "$label" "changed:"
  snap_report "$label" "$diffs"
  return 1
}

# expect_changes LABEL BEFORE AFTER PATTERN...: every difference matches a
# pattern and every pattern a difference: "added exactly these things".
expect_changes() {
  local label=$1 all diffs pattern missing=()
  # E2E_MAY_CHANGE: patterns of changes allowed but not required.
  all=$(snap_diff "$2" "$3" | snap_drop "${E2E_MAY_CHANGE[@]}")
  diffs=$(snap_drop "${@:4}" <<<"$all")
  for pattern in "${@:4}"; do
    grep -qiE -- "$pattern" <<<"$all" || missing+=("$pattern")
  done
  if [ -z "$diffs" ] && [ ${#missing[@]} == 0 ]; then
    pass "$label"
    return 0
  fi
  fail "$label"
  [ ${#missing[@]} == 0 ] || printf '     no change matches: %s\n' "${missing[@]}"
  if [ -n "$diffs" ]; then
    printf '     unexpected:\n'
    snap_report "$label" "$diffs"
  fi
  return 1
}

# ---- A small drive, for full-disk faults ---------------------------------

# small_drive_mount LETTER KIB: a tmpfs of that size at $E2E_RUN/small, which
# Wine's mount manager maps as drive LETTER: (a volume like C:, so cmd's dir
# and GetVolumeInformation work too). Needs root to mount (CI has it);
# otherwise prints a SKIP line and returns 1. One such drive at a time: a
# second one replaces the first.
small_drive_mount() {
  local letter=${1,,} kib=$2 dir=$E2E_RUN/small out what
  letter=${letter%:}
  what="small drive $letter: ($kib KiB)"
  [ -z "$E2E_SMALL_LETTER" ] || small_drive_unmount "$E2E_SMALL_LETTER"
  if [ "$(id -u)" != 0 ]; then
    skip "$what" "mounting a tmpfs needs root"
    return 1
  fi
  if [ -e "$WINEPREFIX/dosdevices/$letter:" ]; then
    skip "$what" "Wine has a drive $letter: already"
    return 1
  fi
  mkdir -p "$dir"
  if ! out=$(mount -t tmpfs -o "size=${kib}k,mode=0755" kx-small-drive "$dir" 2>&1); then
    skip "$what" "mount refused: $out"
    return 1
  fi
  E2E_SMALL_LETTER=$letter
  if ! drv define-drive "$letter" "$dir"; then
    # A bare link still gives a drive, only without a volume.
    log "     (the mount manager refused $letter:, linking it instead)"
    ln -s "$dir" "$WINEPREFIX/dosdevices/$letter:"
  fi
  # Wine must report the size Linux gives the tmpfs (whole pages).
  if ! out=$(drv disk-free "$letter:\\") ||
    [ "$(printf '%s\n' "$out" | sed -n 's/^total\t//p')" != $(($(stat -f -c '%b * %S' "$dir"))) ]; then
    skip "$what" "Wine does not see it: $(printf '%s' "$out" | tr '\n' ' ')"
    small_drive_unmount "$letter"
    return 1
  fi
}

# small_drive_unmount LETTER
small_drive_unmount() {
  local letter=${1,,} dir=$E2E_RUN/small
  letter=${letter%:}
  drv define-drive "$letter" || true
  rm -f "$WINEPREFIX/dosdevices/$letter:"
  if mountpoint -q "$dir"; then
    # A program still holding a file there must not keep the mount.
    umount "$dir" 2>/dev/null || umount -l "$dir"
  fi
  E2E_SMALL_LETTER=
}
