# The keyboard alone, as a user types: the whole installation, terms to
# Close, then the uninstallation; the folder browser and the questions on
# the way. The driver's focus and key commands read the focus and post keys.
# Needs lib.sh, cases.sh and cases-safety.sh; runs while nothing is installed.

# focus_is LABEL OUTPUT ID CLASS KIND: the focus line's id and class, and
# where the control lies (page, sheet, dialog).
focus_is() {
  expect_eq "$1" "$(line_of focus "$2" | cut -d' ' -f1-2) $(line_of in "$2" | cut -d' ' -f1)" "$3 $4 $5"
}
focus_id() { line_of focus "$1" | cut -d' ' -f1; }

# tab_cycle: the ids Tab visits from the focus until it comes back, sorted.
tab_cycle() {
  local first id seen=() out
  first=$(focus_id "$(drv focus)")
  for _ in $(seq 12); do
    out=$(drv key tab) || return 1
    id=$(focus_id "$out")
    [ "$id" == "$first" ] && break
    seen+=("$id")
  done
  printf '%s\n' "$first" "${seen[@]}" | sort -n | tr '\n' ' '
}

keys_case() {
  local out marker
  marker=$(unix_path "$TEMP_WIN\\hello-launched.txt")
  rm -f "$marker"
  start_bg keys "$E2E_SETUP"
  check "keys: wizard shows the terms" drv wait-window "$TERMS_PAGE" 30000
  out=$(drv focus 5000)
  focus_is "keys: I Agree has the focus" "$out" "$IDC_WIZARD_NEXT" Button sheet
  expect_eq "keys: ... and an access key" "$(line_of focus "$out" | cut -d' ' -f3-)" '"I &Agree"'
  expect_eq "keys: Tab cycles through the terms, I Agree and Cancel" "$(tab_cycle)" \
    "$(printf '%s\n' "$IDCANCEL" "$IDC_TERMS_TEXT" "$IDC_WIZARD_NEXT" | sort -n | tr '\n' ' ')"
  # Into the text: Esc and Enter still reach the wizard.
  until [ "$(focus_id "$(drv focus)")" == "$IDC_TERMS_TEXT" ]; do drv key tab >/dev/null || break; done
  drv key esc >/dev/null
  if out=$(drv messagebox "$MSG_EXIT" 5000); then
    pass "keys: Esc in the terms text asks to exit"
    expect_eq "keys: ... No is the default" "$(line_of default "$out")" "$IDNO"
    drv key --window="$CAPTION" enter >/dev/null
    check "keys: Enter answers No: the terms stay" drv expect-page "$TERMS_PAGE" 5000
  else
    fail "keys: Esc in the terms text asks to exit"
  fi
  until [ "$(focus_id "$(drv focus)")" == "$IDC_TERMS_TEXT" ]; do drv key tab >/dev/null || break; done
  drv key enter >/dev/null
  check "keys: Enter in the terms text agrees" drv expect-page "$DEST_PAGE" 5000

  out=$(drv focus)
  focus_is "keys: the path has the focus" "$out" "$IDC_DEST_PATH" Edit page
  focus_is "keys: Tab moves it to Browse" "$(drv key tab)" "$IDC_DEST_BROWSE" Button page
  focus_is "keys: Shift+Tab moves it back" "$(drv key shift+tab)" "$IDC_DEST_PATH" Edit page
  drv key alt+b >/dev/null
  if drv messagebox "Please select the destination folder" 10000 >/dev/null; then
    drv key esc >/dev/null
    check "keys: Esc closes the folder browser" drv expect-page "$DEST_PAGE" 5000
    check "keys: ... which is gone" test -z "$(drv messagebox "Please select" 0 2>/dev/null)"
  else
    fail "keys: Alt+B (&Browse...) opens the folder browser"
  fi
  expect_eq "keys: the button reads Install" "$(drv get-text next)" '&Install'
  drv key enter >/dev/null
  # Once installed, Close has the focus; Tab reaches Run, Space unchecks it.
  local deadline=$(($(date +%s) + 30))
  until [ "$(line_of focus "$(drv focus 2>/dev/null)" | cut -d' ' -f1,3-)" == "$IDC_WIZARD_NEXT \"&Close\"" ]; do
    [ "$(date +%s)" -lt "$deadline" ] || break
    sleep 0.1
  done
  out=$(drv focus)
  focus_is "keys: installed, Close has the focus" "$out" "$IDC_WIZARD_NEXT" Button sheet
  until [ "$(focus_id "$(drv focus)")" == "$IDC_PROGRESS_RUN" ]; do drv key tab >/dev/null || break; done
  drv key space >/dev/null
  expect_eq "keys: Space unchecks Run Hello now" "$(drv state $IDC_PROGRESS_RUN)" "visible enabled unchecked"
  drv key alt+c >/dev/null
  wizard_ends "keys: Alt+C closes" 0
  check "keys: installed" same_file "$E2E_STAGE/hello.exe" "$APP_DIR/hello.exe"
  sleep 1
  check "keys: Run unchecked, nothing started" test ! -e "$marker"

  # The uninstaller: its question defaults to No; Alt+Y removes.
  start_bg keys-uninstall "$APP_WIN\\uninstall.exe"
  if out=$(drv messagebox "completely remove" 15000); then
    focus_is "keys: the uninstall question's No has the focus" "$(drv focus --window="Hello")" "$IDNO" Button dialog
    drv key --window="Hello" alt+y >/dev/null
  else
    fail "keys: the uninstall question"
  fi
  # Whatever it tells at the end, Enter closes it.
  while kill -0 "$E2E_BG_PID" 2>/dev/null; do
    if drv messagebox "" 500 >/dev/null 2>&1; then drv key --window="Hello" enter >/dev/null 2>&1 || true; fi
  done
  wait_bg 30
  expect_eq "keys: uninstalled, exit code 0" "$E2E_BG_STATUS" 0
  check "keys: nothing left" nothing_installed
  close_leftovers
}
