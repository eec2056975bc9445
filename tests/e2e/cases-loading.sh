# What the installer loads and runs from the folder it is started in, from
# outside: DLLs planted under system DLLs' names beside a downloaded
# setup.exe, beside the installed uninstall.exe, or in the temporary folder
# where the uninstaller's copy runs, are never loaded; an uninstall.dat
# planted beside setup.exe is never run.
# Windows looks in a program's own folder first for a DLL that is no
# KnownDLL; Wine prefers its own builtin DLLs, so these cases ask it for the
# planted names' native DLLs first (WINEDLLOVERRIDES n,b), as Windows would
# find them.
# Needs lib.sh, cases.sh, cases-safety.sh; runs while nothing is installed.

PLANTED_NAMES='version uxtheme msimg32'
PLANTED_LOADS_WIN='C:\planted-loads.txt'
PLANTED_RAN_WIN='C:\planted-log-ran.txt'

# planting_tools: planted.dll (which notes each load of itself in
# PLANTED_LOADS_WIN) and load-by-name.exe, compiled for this run.
planting_tools() {
  local out=$E2E_RUN/planting
  mkdir -p "$out"
  i686-w64-mingw32-gcc -shared -O2 -s -Wl,--kill-at -o "$out/planted.dll" tests/e2e/planting/planted.c \
    >"$E2E_RUN/logs/planting-gcc.log" 2>&1 &&
    i686-w64-mingw32-gcc -O2 -s -o "$out/load-by-name.exe" tests/e2e/planting/load-by-name.c \
      >>"$E2E_RUN/logs/planting-gcc.log" 2>&1
}

# plant DIR / unplant DIR: the planted DLL under each name in DIR.
plant() {
  local name
  for name in $PLANTED_NAMES; do cp "$E2E_RUN/planting/planted.dll" "$1/$name.dll"; done
}
unplant() {
  local name
  for name in $PLANTED_NAMES; do rm -f "$1/$name.dll"; done
}

# start_in DIR NAME PROGRAM [ARGS...]: start_bg with DIR as the current
# folder, as a double-click in a folder window starts a program.
start_in() {
  local dir=$1
  shift
  cd "$dir" || return 1
  start_bg "$@"
  cd - >/dev/null || return 1
}

# taken_loads KIND: the planted DLLs' notes of that kind (static, dynamic)
# since the last call, which keeps the static ones in planting/static.txt.
taken_loads() {
  local file
  file=$(unix_path "$PLANTED_LOADS_WIN")
  [ -f "$file" ] || return 0
  tr -d '\r' <"$file" | grep -a "^static " >>"$E2E_RUN/planting/static.txt"
  tr -d '\r' <"$file" | grep -a "^$1 "
  rm -f "$file"
}

# planted_alone DIR: DIR holds the planted DLLs and nothing else (the
# uninstaller keeps what the installation didn't put there), once the
# launcher's own file has gone with it.
planted_alone() {
  local want
  want=$(printf '%s.dll\n' $PLANTED_NAMES | sort | tr '\n' ' ')
  for _ in $(seq 50); do
    [ "$(ls -A "$1" 2>/dev/null | sort | tr '\n' ' ')" == "$want" ] && return 0
    sleep 0.1
  done
  return 1
}

# no_planted_dll LABEL: no planted DLL was loaded by name while LABEL ran.
no_planted_dll() {
  expect_eq "planting ($1): no planted DLL loaded" "$(taken_loads dynamic)" ""
}

# system_imports DLL...: the DLLs that these system DLLs import, all the
# way down, as the prefix's system folder holds them (lower case).
system_imports() {
  local system=$WINEPREFIX/drive_c/windows/system32 seen=' ' dll more
  local todo=("${@,,}")
  while [ ${#todo[@]} -gt 0 ]; do
    dll=${todo[0]}
    todo=("${todo[@]:1}")
    [[ $seen != *" $dll "* ]] || continue
    seen+="$dll "
    [ -f "$system/$dll" ] || continue
    mapfile -t more < <(i686-w64-mingw32-objdump -p "$system/$dll" | sed -n 's/^\tDLL Name: //p' | tr '[:upper:]' '[:lower:]')
    todo+=("${more[@]}")
  done
  printf '%s\n' $seen
}

planting_case() {
  local saved=$WINEDLLOVERRIDES downloads_win downloads temp name loads imports dll outside=''
  if ! planting_tools; then
    fail "planting: compile the planted DLL" "$(cat "$E2E_RUN/logs/planting-gcc.log")"
    return
  fi
  downloads_win="$(drv expand '%USERPROFILE%')\\Downloads"
  downloads=$(unix_path "$downloads_win")
  temp=$(unix_path "$TEMP_WIN")
  mkdir -p "$downloads"
  rm -f "$E2E_RUN/planting/static.txt" "$(unix_path "$PLANTED_LOADS_WIN")"
  snapshot planting-before
  plant "$downloads"
  plant "$temp"
  export WINEDLLOVERRIDES="$saved;version,uxtheme,msimg32=n,b"

  # The proof that the cases below can fail: a program that doesn't
  # restrict the search, started the same way, loads each planted DLL.
  cp "$E2E_RUN/planting/load-by-name.exe" "$downloads/"
  start_in "$downloads" planting-control "$downloads_win\\load-by-name.exe" version.dll uxtheme.dll msimg32.dll
  wait_bg 30
  loads=$(taken_loads dynamic | cut -d' ' -f2 | sort | tr '\n' ' ')
  if [ "$E2E_BG_STATUS" == 0 ] &&
    [ "$loads" == "$downloads_win\\msimg32.dll $downloads_win\\uxtheme.dll $downloads_win\\version.dll " ]; then
    pass "planting, control: a program that searches its own folder loads each planted DLL"
  else
    fail "planting, control: a program that searches its own folder loads each planted DLL" \
      "exit code $E2E_BG_STATUS, loaded: '$loads' (Wine does not load them: the cases below would prove nothing)"
  fi
  rm -f "$downloads/load-by-name.exe"

  cp "$E2E_SETUP" "$downloads/setup.exe"
  start_in "$downloads" planting-wizard "$downloads_win\\setup.exe"
  check "planting (wizard): the terms" drv wait-window "$TERMS_PAGE" 30000
  check "planting (wizard): I Agree" drv click next
  check "planting (wizard): the destination" drv expect-page "$DEST_PAGE" 5000
  check "planting (wizard): Next" drv click next
  finish_wizard "planting (wizard)"
  wizard_ends "planting (wizard)" 0 30
  check "planting (wizard): installed" test -f "$APP_DIR/hello.exe"
  no_planted_dll wizard

  # The uninstaller starts from the installation's folder: planted there too.
  plant "$APP_DIR"
  start_bg planting-uninstall-wizard "$APP_WIN\\uninstall.exe"
  check "planting (uninstall, asked): the question" drv answer-messagebox yes "completely remove" 15000
  # The planted DLLs keep the folder, as a user's files would.
  uninstall_done "planting (uninstall, asked)" \
    "\n\nThese folders were kept because they hold files the installation did not create, such as your own:\n- $APP_WIN"
  wait_bg 30
  expect_eq "planting (uninstall, asked): exit code 0" "$E2E_BG_STATUS" 0
  close_leftovers
  check "planting (uninstall, asked): uninstalled, the planted DLLs alone left" planted_alone "$APP_DIR"
  unplant "$APP_DIR"
  rmdir "$APP_DIR"
  drv wait-file-gone "$TEMP_WIN\\kx-uninstaller-temp.exe" 5000 >/dev/null
  no_planted_dll "uninstall, asked"

  start_in "$downloads" planting-silent "$downloads_win\\setup.exe" /S
  wait_bg 60
  expect_eq "planting (/S): exit code 0" "$E2E_BG_STATUS" 0
  log_has "planting (/S): the setup log says how DLLs are found" install "DLLs are looked for in the system folder only"
  no_planted_dll /S

  plant "$APP_DIR"
  run_silent planting-uninstall-silent "$APP_WIN\\uninstall.exe" /S
  expect_eq "planting (uninstall /S): exit code 0" "$E2E_BG_STATUS" 0
  check "planting (uninstall /S): uninstalled, the planted DLLs alone left" planted_alone "$APP_DIR"
  unplant "$APP_DIR"
  rmdir "$APP_DIR"
  drv wait-file-gone "$TEMP_WIN\\kx-uninstaller-temp.exe" 5000 >/dev/null
  no_planted_dll "uninstall /S"

  # What came in as an import at a process's start: under Wine, imports of
  # its own system DLLs are looked for beside the program too (its user32
  # imports version.dll; Wine 8 has no KnownDLLs). On Windows the stub's
  # imports are KnownDLLs only (checked by scripts/e2e.sh), whose own
  # imports come from the system folder.
  imports=$(system_imports $(i686-w64-mingw32-objdump -p "$E2E_STUB" | sed -n 's/^\tDLL Name: //p'))
  # Each line: static <DLL> <program>, both paths perhaps with blanks.
  while IFS= read -r name; do
    dll=${name##*\\}
    grep -qxF "${dll,,}" <<<"$imports" || outside+="$name "
  done < <(sed -nE 's/^static (.*\.[dD][lL][lL]) .*/\1/p' "$E2E_RUN/planting/static.txt" 2>/dev/null | sort -u)
  expect_eq "planting: what came in at start came as an import of a system DLL" "$outside" ""
  if [ -s "$E2E_RUN/planting/static.txt" ]; then
    log "     (under Wine, imports of its system DLLs at start: $(cut -d' ' -f2- "$E2E_RUN/planting/static.txt" |
      sort -u | tr '\n' ';'))"
  fi

  export WINEDLLOVERRIDES=$saved
  unplant "$downloads"
  unplant "$temp"
  rm -f "$downloads/setup.exe" "$(unix_path "$PLANTED_LOADS_WIN")"
  close_leftovers
  snapshot planting-after
  # hello.exe, started at the wizard's end, notes that it ran.
  expect_unchanged "planting: nothing left behind" planting-before planting-after "$(setup_log_re)" \
    "$(snap_under "$TEMP_WIN\\hello-launched.txt")"
}

# ---- an uninstall log beside the installer ---------------------------------

# planted_log DIR: an uninstall.dat in DIR that would start a program
# (cmd.exe writing PLANTED_RAN_WIN) and remove DIR\victim, which it makes.
planted_log() {
  mkdir -p "$1/victim"
  echo "keep me" >"$1/victim/keep.txt"
  cat >"$1/uninstall.dat" <<EOF
<?xml version="1.0"?>
<uninstall>
	<app-name>Planted</app-name>
	<run-command cmd="%windir%\\system32\\cmd.exe" parameters="/c echo ran&gt;$PLANTED_RAN_WIN" />
	<remove-folder path="%APP%victim" />
</uninstall>
EOF
}

# planted_log_idle LABEL DIR: nothing of the planted log in DIR ran.
planted_log_idle() {
  check "$1: the planted log's program did not run" test ! -e "$(unix_path "$PLANTED_RAN_WIN")"
  check "$1: the planted log's folder stays" test -f "$2/victim/keep.txt"
}

planted_log_case() {
  local downloads_win downloads control size out
  downloads_win="$(drv expand '%USERPROFILE%')\\Downloads"
  downloads=$(unix_path "$downloads_win")
  control=$downloads/control
  mkdir -p "$downloads"
  snapshot planted-log-before
  planted_log "$downloads"
  planted_log "$control"

  # The proof that the log would do harm: beside a program that carries no
  # package (what uninstall.exe is), registered as an installation, it runs.
  cp "$E2E_RUN/setup-stub.exe" "$control/uninstall.exe"
  wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KxPlantedControl' /v InstallLocation \
    /d "$downloads_win\\control" /f >/dev/null 2>&1 </dev/null
  run_silent planted-log-control "$downloads_win\\control\\uninstall.exe" /S
  wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KxPlantedControl' /f >/dev/null 2>&1 </dev/null
  expect_eq "planted log, control: beside a program without a package it runs (exit code 0)" "$E2E_BG_STATUS" 0
  check "planted log, control: its program ran" test -e "$(unix_path "$PLANTED_RAN_WIN")"
  check "planted log, control: its folder was removed" test ! -e "$control/victim"
  rm -rf "$control" "$(unix_path "$PLANTED_RAN_WIN")"

  cp "$E2E_SETUP" "$downloads/setup.exe"
  start_in "$downloads" planted-log-wizard "$downloads_win\\setup.exe"
  check "planted log (wizard): the installer's terms" drv wait-window "$TERMS_PAGE" 30000
  check "planted log (wizard): no uninstall question" drv expect-no-messagebox
  cancel_wizard "planted log (wizard)"
  planted_log_idle "planted log (wizard)" "$downloads"

  start_in "$downloads" planted-log-silent "$downloads_win\\setup.exe" /S
  wait_bg 60
  expect_eq "planted log (/S): installs (exit code 0)" "$E2E_BG_STATUS" 0
  check "planted log (/S): installed" test -f "$APP_DIR/hello.exe"
  planted_log_idle "planted log (/S)" "$downloads"
  log_has "planted log (/S): the setup log names the package" install "Package: $downloads_win\\setup.exe"
  run_silent planted-log-uninstall "$APP_WIN\\uninstall.exe" /S
  expect_eq "planted log: the installation uninstalls (exit code 0)" "$E2E_BG_STATUS" 0
  check "planted log: uninstalled" gone_soon "$APP_DIR"
  drv wait-file-gone "$TEMP_WIN\\kx-uninstaller-temp.exe" 5000 >/dev/null

  # Named on the command line, as the uninstaller's copy is given its log.
  start_in "$downloads" planted-log-argument "$downloads_win\\setup.exe" /S "/LOG=$downloads_win\\argument.log" \
    "$downloads_win\\uninstall.dat"
  wait_bg 30
  expect_eq "planted log (named): a bad command line (exit code 4)" "$E2E_BG_STATUS" 4
  check "planted log (named): the setup log says why" grep -qF "an installer runs no uninstall log: $downloads_win\\uninstall.dat" \
    "$downloads/argument.log"
  planted_log_idle "planted log (named)" "$downloads"

  # A damaged installer carries a package too: it says so and stops.
  size=$(stat -c %s "$E2E_RUN/setup-stub.exe")
  head -c $((size + ($(stat -c %s "$E2E_SETUP") - size) / 2)) "$E2E_SETUP" >"$downloads/setup.exe"
  start_in "$downloads" planted-log-damaged "$downloads_win\\setup.exe"
  expect_box "planted log (damaged installer)" ok 'Setup Error' "$MSG_CORRUPT" "$IDOK:OK"
  wait_bg 15
  expect_eq "planted log (damaged installer): exit code 1" "$E2E_BG_STATUS" 1
  start_in "$downloads" planted-log-damaged-silent "$downloads_win\\setup.exe" /S
  wait_bg 30
  expect_eq "planted log (damaged installer, /S): exit code 1" "$E2E_BG_STATUS" 1
  planted_log_idle "planted log (damaged installer)" "$downloads"
  close_leftovers

  rm -rf "$downloads/setup.exe" "$downloads/uninstall.dat" "$downloads/victim" "$downloads/argument.log"
  snapshot planted-log-after
  expect_unchanged "planted log: nothing left behind" planted-log-before planted-log-after "$(setup_log_re)"
}
