# Shared by scripts/e2e.sh and scripts/demo.sh: a throwaway Wine prefix
# with its own HOME, a virtual display, the installer's windows driven by
# kxdriver.exe, screenshots, and PASS/FAIL bookkeeping.
# Source it from the repository root with these set:
#   E2E_RUN      folder for this run (prefix, home, logs, screenshots)
#   E2E_DRIVER   kxdriver.exe

E2E_TEMPLATE=${KX_E2E_TEMPLATE:-$PWD/build/e2e/template}
E2E_PASSED=0
E2E_FAILED=0
E2E_FAILURES=()
E2E_XVFB_PID=
E2E_BG_PID=
export E2E_BG_STATUS=

log() { printf '%s\n' "$*" >&2; }

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
  echo "$E2E_PASSED passed, $E2E_FAILED failed"
}

now_ms() { date +%s%3N; }

# ---- Wine environment -------------------------------------------------------

wine_env() {
  export WINEARCH=win32 WINEDEBUG=-all
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
  export WINEPREFIX=$E2E_RUN/prefix HOME=$E2E_RUN/home
  export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
  # Web pages the installer opens land in a log instead of a browser: Wine's
  # browser launcher tries xdg-open first.
  export PATH=$E2E_RUN/fakebin:$PATH
}

# A ready prefix is kept once and copied for each run (3 s instead of 15).
make_template() {
  mkdir -p "$(dirname "$E2E_TEMPLATE")"
  # Two runs at once (demo and tests) must not both build it.
  exec 9>"$E2E_TEMPLATE.lock"
  flock 9
  [ -f "$E2E_TEMPLATE/prefix/system.reg" ] && { exec 9>&-; return 0; }
  log "Creating the template Wine prefix in $E2E_TEMPLATE"
  rm -rf "$E2E_TEMPLATE"
  mkdir -p "$E2E_TEMPLATE/home"
  (
    export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
    export WINEPREFIX=$E2E_TEMPLATE/prefix HOME=$E2E_TEMPLATE/home
    wineboot -i >/dev/null 2>&1 </dev/null || true
    # Without a window manager every top-level window would take 2 s to close.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
    wineserver -w
  )
  # Desktop, Documents, ... are symlinks to the template's HOME; make them
  # folders of the prefix so that each copy has its own.
  local link
  for link in "$E2E_TEMPLATE"/prefix/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm "$link" && mkdir "$link"; fi
  done
  exec 9>&-
  [ -f "$E2E_TEMPLATE/prefix/system.reg" ]
}

# Fresh prefix, HOME, fake browser and log folders for E2E_RUN.
setup_run() {
  rm -rf "$E2E_RUN"
  mkdir -p "$E2E_RUN/home" "$E2E_RUN/logs" "$E2E_RUN/shots" "$E2E_RUN/fakebin" "$E2E_RUN/stage"
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
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 </dev/null || true; fi
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
