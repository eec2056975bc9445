# Distinct exit codes for outcomes that deployment tools tell apart: a file
# in use unattended (5), a newer version installed (6, in cases-deploy.sh),
# another run of the application in progress (7), and the usage that lists
# them all.
# Needs lib.sh, cases.sh, cases-safety.sh; runs while nothing is installed.

# ---- a file in use, nobody to ask --------------------------------------------------

in_use_unattended_case() {
  local holder
  run_silent inuse5-install "$E2E_SETUP" /S
  expect_eq "in use, unattended: installed" "$E2E_BG_STATUS" 0
  snapshot inuse5-before
  wine "$E2E_DRIVER" hold-file "$APP_WIN\\readme.txt" 60000 >"$E2E_RUN/logs/hold5.log" 2>&1 </dev/null &
  holder=$!
  wait_for_text "$E2E_RUN/logs/hold5.log" held 10 || fail "in use, unattended: held"
  run_silent inuse5-reinstall "$E2E_SETUP" /S
  expect_eq "in use, unattended: exit code 5 (a file in use)" "$E2E_BG_STATUS" 5
  log_has "in use, unattended: the setup log names the file" install "readme.txt, held by a program that can't be named"
  : >"$APP_DIR/readme.txt.release"
  wait "$holder" 2>/dev/null
  snapshot inuse5-after
  expect_unchanged "in use, unattended: nothing changed" inuse5-before inuse5-after "$(setup_log_re)"
  run_silent inuse5-uninstall "$APP_WIN\\uninstall.exe" /S
  expect_eq "in use, unattended: uninstalled" "$E2E_BG_STATUS" 0
}

# ---- one run at a time -------------------------------------------------------------

in_progress_case() {
  local first
  snapshot progress-before
  # The first waits on its terms page; a second installer, unattended, and
  # an uninstall of the same application can't run meanwhile.
  start_bg progress-first "$E2E_SETUP"
  first=$E2E_BG_PID
  check "in progress: the first shows its terms" drv wait-window "$TERMS_PAGE" 30000
  run_silent progress-second "$E2E_SETUP" /S
  expect_eq "in progress: a second installer ends with 7" "$E2E_BG_STATUS" 7
  # The first holds the usual log: the second writes the next free name.
  check "in progress: the setup log says why" bash -c 'grep -qF "$1" "$2"/Hello-install*.log' _ \
    "Another run of Hello holds it" "$(unix_path "$TEMP_WIN")"
  check "in progress: the first still shows its terms" drv wait-window "$TERMS_PAGE" 3000
  E2E_BG_PID=$first
  cancel_wizard "in progress: the first"
  snapshot progress-after
  expect_unchanged "in progress: nothing changed" progress-before progress-after "$(setup_log_re)"
}

# ---- the usage names every code -----------------------------------------------------

usage_codes_case() {
  local out code
  start_bg usage-codes "$E2E_SETUP" /?
  if out=$(drv answer-messagebox ok "Usage" 15000); then
    for code in '0 done' '1 ' '2 ' '3 ' '4 ' '5 ' '6 ' '7 ' '3010 '; do
      expect_contains "usage: exit code ${code%% *} named" "$(field text "$out")" "$code"
    done
  else
    fail "usage: shown"
  fi
  wait_bg 15
}

# ---- an uninstall that stops short keeps its way back ---------------------------

way_back_case() {
  local readme=$APP_DIR/readme.txt
  run_silent wayback-install "$E2E_SETUP" /S
  expect_eq "way back: installed" "$E2E_BG_STATUS" 0
  # A file nothing can remove (the host's immutable flag: Windows would say
  # access denied alike).
  if ! chattr +i "$readme" 2>/dev/null; then
    skip "way back" "chattr +i is not allowed here"
    run_silent wayback-cleanup "$APP_WIN\\uninstall.exe" /S
    return 0
  fi
  run_silent wayback-uninstall "$APP_WIN\\uninstall.exe" /S
  expect_eq "way back: the uninstall stops short (exit code 3)" "$E2E_BG_STATUS" 3
  check "way back: the rest is removed" test ! -e "$APP_DIR/hello.exe"
  expect_eq "way back: still listed" "$(reg_value "$UNINSTALL_KEY" UninstallString)" "\"$APP_WIN\\uninstall.exe\""
  sleep 1 # the uninstaller's own file goes once it has ended, were it to go
  check "way back: uninstall.exe stays" test -f "$APP_DIR/uninstall.exe"
  check "way back: uninstall.dat stays" test -f "$APP_DIR/uninstall.dat"
  log_has "way back: the setup log says so" uninstall "Wrote the Uninstall entry back"
  chattr -i "$readme"
  run_silent wayback-again "$APP_WIN\\uninstall.exe" /S
  expect_eq "way back: run again, it finishes" "$E2E_BG_STATUS" 0
  check "way back: the folder goes" gone_soon "$APP_DIR"
  check "way back: nothing installed" nothing_installed
}
