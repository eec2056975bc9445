# Files only a restart can replace or remove: with /REBOOTOK (or the
# script's finish-at-restart) a file held open is left to the next restart
# (the system's PendingFileRenameOperations) and the run ends with 3010;
# without, the run stops as before. "Restart" here is wineboot's, which
# carries out the pending renames as Windows would at start.
# Needs lib.sh, cases.sh, cases-safety.sh; runs while nothing is installed.

PENDING_KEY='HKLM\System\CurrentControlSet\Control\Session Manager'

pending() { reg_value "$PENDING_KEY" PendingFileRenameOperations 2>/dev/null; }

# hold_readme NAME: readme.txt opened without sharing until released.
hold_readme() {
  wine "$E2E_DRIVER" hold-file "$APP_WIN\\readme.txt" 120000 >"$E2E_RUN/logs/hold-$1.log" 2>&1 </dev/null &
  HOLDER=$!
  wait_for_text "$E2E_RUN/logs/hold-$1.log" held 10
}

release_readme() {
  : >"$APP_DIR/readme.txt.release"
  wait "$HOLDER" 2>/dev/null
  rm -f "$APP_DIR/readme.txt.release"
}

# The prefix restarted: wineboot ends what runs and carries out what
# waits for the restart.
restart_prefix() {
  wine wineboot --restart >>"$E2E_RUN/logs/wineboot.log" 2>&1 </dev/null
}

# start_whole NAME PROGRAM [ARGS...], then wait_whole TIMEOUT-S: as start_bg
# and wait_bg, through the driver, so that E2E_BG_STATUS is the whole exit
# code (Wine gives Linux its low byte only).
start_whole() {
  local name=$1
  shift
  start_bg "$name" "$E2E_DRIVER" exit-code "$@"
  E2E_WHOLE_LOG=$E2E_RUN/logs/$name.log
}

wait_whole() {
  wait_bg "$1"
  [ "$E2E_BG_STATUS" = 0 ] && E2E_BG_STATUS=$(sed -n 's/^exit code \([0-9]*\).*/\1/p' "$E2E_WHOLE_LOG")
}

run_whole() {
  start_whole "$@"
  wait_whole 60
}

restart_silent_case() {
  local readme_win="$APP_WIN\\readme.txt"
  run_silent restart-install "$E2E_SETUP" /S
  expect_eq "at restart: installed" "$E2E_BG_STATUS" 0
  printf 'the earlier readme' >"$APP_DIR/readme.txt"
  hold_readme upgrade || fail "at restart: readme.txt held"

  # Allowed: the others are replaced now, readme.txt waits beside it.
  run_whole restart-upgrade "$E2E_SETUP" /S /REBOOTOK
  expect_eq "at restart, upgrade: exit code 3010" "$E2E_BG_STATUS" 3010
  expect_eq "at restart, upgrade: the held file is as it was" "$(cat "$APP_DIR/readme.txt")" 'the earlier readme'
  check "at restart, upgrade: the new one waits beside it" same_file "$E2E_STAGE/payload/readme.txt" "$APP_DIR/readme.txt.kx-restart"
  expect_contains "at restart, upgrade: the system has the rename" "$(pending)" \
    "$readme_win.kx-restart"
  log_has "at restart, upgrade: the setup log says so" install "Replaced at the next restart: $readme_win"
  expect_eq "at restart, upgrade: still listed" "$(reg_value "$UNINSTALL_KEY" UninstallString)" \
    "\"$APP_WIN\\uninstall.exe\""
  release_readme
  restart_prefix
  check "at restart, upgrade: after the restart the new file is in place" same_file "$E2E_STAGE/payload/readme.txt" \
    "$APP_DIR/readme.txt"
  check "at restart, upgrade: ... and the waiting one gone" test ! -e "$APP_DIR/readme.txt.kx-restart"

  # Uninstall: everything else goes now; the entry and the uninstaller go
  # too, since what is left goes at restart.
  hold_readme uninstall || fail "at restart: readme.txt held again"
  run_whole restart-uninstall "$APP_WIN\\uninstall.exe" /S /REBOOTOK
  expect_eq "at restart, uninstall: exit code 3010" "$E2E_BG_STATUS" 3010
  check "at restart, uninstall: the rest is removed" test ! -e "$APP_DIR/hello.exe"
  check "at restart, uninstall: uninstall.exe goes" gone_soon "$APP_DIR/uninstall.exe"
  check "at restart, uninstall: no longer listed" no_reg_key "$UNINSTALL_KEY"
  expect_contains "at restart, uninstall: the system removes the file" "$(pending)" "$readme_win"
  log_has "at restart, uninstall: the setup log says so" uninstall "Removed at the next restart: $readme_win"
  release_readme
  restart_prefix
  check "at restart, uninstall: after the restart the folder is gone" test ! -e "$APP_DIR"
  check "at restart: nothing installed" nothing_installed
}

# The wizard, with the script's finish-at-restart: At restart in the
# question about what holds the files, the restart offered (Later).
restart_wizard_case() {
  local out
  variant restart setup '<app-name>Hello</app-name>' \
    '<app-name>Hello</app-name><finish-at-restart>yes</finish-at-restart>' || return
  run_silent restart-wizard-install "$E2E_RUN/restart.exe" /S
  expect_eq "at restart, wizard: installed" "$E2E_BG_STATUS" 0
  hold_readme wizard || fail "at restart, wizard: readme.txt held"
  start_whole restart-wizard "$E2E_RUN/restart.exe"
  { drv wait-window "$TERMS_PAGE" 30000 && drv click next && drv expect-page "$DEST_PAGE" 5000; } >/dev/null ||
    fail "at restart, wizard: destination page shown"
  drv click next >/dev/null
  if out=$(drv answer-messagebox $IDC_IN_USE_AT_RESTART "can't name" 15000); then
    expect_eq "at restart, wizard: At restart offered" "$(line_of buttons "$out")" \
      "$IDC_IN_USE_AT_RESTART:&At restart $IDC_IN_USE_CLOSE:&Close them $IDC_IN_USE_RETRY:&Retry $IDCANCEL:Cancel"
  else
    fail "at restart, wizard: asked about the file in use"
  fi
  if out=$(drv answer-messagebox cancel "Windows replaces them" 30000); then
    expect_eq "at restart, wizard: Restart now or Later" "$(line_of buttons "$out")" \
      "$IDC_RESTART_NOW:Restart &now $IDCANCEL:&Later"
    expect_eq "at restart, wizard: Later is the default" "$(line_of default "$out")" "$IDCANCEL"
  else
    fail "at restart, wizard: the restart offered"
  fi
  expect_eq "at restart, wizard: the page says so" "$(drv get-text $IDC_PROGRESS_HINT)" \
    "Some of its files are in use: Windows replaces them when it restarts."$'\n\n'"Click Close to finish."
  expect_eq "at restart, wizard: nothing is offered to start" "$(drv state $IDC_PROGRESS_RUN | cut -d' ' -f1)" hidden
  drv click next >/dev/null
  check "at restart, wizard: the wizard closes" drv wait-gone "$CAPTION" 15000
  wait_whole 15
  expect_eq "at restart, wizard: exit code 3010" "$E2E_BG_STATUS" 3010
  close_leftovers
  log_has "at restart, wizard: the answer is in the setup log" install "Answer: Later"
  release_readme
  restart_prefix

  # Uninstalled with the file held: the restart question is the one box at
  # the end, and names what Windows removes.
  hold_readme wizard-uninstall || fail "at restart, uninstall wizard: readme.txt held"
  start_whole restart-wizard-uninstall "$APP_WIN\\uninstall.exe"
  check "at restart, uninstall wizard: asks" drv answer-messagebox yes "completely remove" 15000
  check "at restart, uninstall wizard: At restart" drv answer-messagebox $IDC_IN_USE_AT_RESTART "can't name" 15000
  if out=$(drv answer-messagebox cancel "Windows removes them when it restarts" 30000); then
    expect_eq "at restart, uninstall wizard: the restart question's title" "$(field caption "$out")" "$UNINSTALL_TITLE"
    expect_contains "at restart, uninstall wizard: ... says it was removed, lists the file, then asks" \
      "$(field text "$out")" "Hello has been removed, but some of its files are in use. Windows removes them when it restarts.\n\nRemoved when Windows restarts (in use now):\n- $APP_WIN\\readme.txt"
    expect_contains "at restart, uninstall wizard: ... the question last" "$(field text "$out")" \
      "\n\nRestart now? Save your work in other programs first."
  else
    fail "at restart, uninstall wizard: the restart offered"
  fi
  wait_whole 15
  expect_eq "at restart, uninstall wizard: exit code 3010" "$E2E_BG_STATUS" 3010
  check "at restart, uninstall wizard: no second box says it again" drv expect-no-messagebox
  close_leftovers
  release_readme
  restart_prefix
  drv wait-file-gone "$APP_WIN" 10000 >/dev/null || true
  check "at restart, wizard: nothing installed" nothing_installed
}
