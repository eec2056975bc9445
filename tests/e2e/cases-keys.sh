# The keyboard, as a user types: the driver's focus and key commands on the
# wizard, the folder browser and a message box.
# Needs lib.sh, cases.sh and cases-safety.sh; runs while nothing is installed.

# focus_is LABEL OUTPUT ID CLASS KIND: the focus line's id and class, and
# where the control lies (page, sheet, dialog).
focus_is() {
  expect_eq "$1" "$(line_of focus "$2" | cut -d' ' -f1-2) $(line_of in "$2" | cut -d' ' -f1)" "$3 $4 $5"
}

keys_case() {
  local out
  start_bg keys "$E2E_SETUP"
  check "keys: wizard shows the terms" drv wait-window "$TERMS_PAGE" 30000
  out=$(drv focus 5000)
  focus_is "keys: the terms text has the focus" "$out" "$IDC_TERMS_TEXT" Edit page
  expect_eq "keys: ... in the wizard titled as its page" "$(line_of in "$out")" "page \"$TERMS_PAGE\""
  drv click next >/dev/null
  check "keys: destination page" drv expect-page "$DEST_PAGE" 5000
  out=$(drv focus)
  focus_is "keys: the path has the focus" "$out" "$IDC_DEST_PATH" Edit page
  focus_is "keys: Tab moves it to Browse" "$(drv key tab)" "$IDC_DEST_BROWSE" Button page
  focus_is "keys: Shift+Tab moves it back" "$(drv key shift+tab)" "$IDC_DEST_PATH" Edit page
  drv key alt+r >/dev/null
  if drv messagebox "Please select the destination folder" 10000 >/dev/null; then
    drv key esc >/dev/null
    check "keys: Esc closes the folder browser" drv expect-page "$DEST_PAGE" 5000
    check "keys: ... which is gone" test -z "$(drv messagebox "Please select" 0 2>/dev/null)"
  else
    fail "keys: Alt+R (B&rowse...) opens the folder browser"
  fi
  drv click cancel >/dev/null
  out=$(drv focus --window="$CAPTION" 5000)
  focus_is "keys: the exit question's No has the focus" "$out" "$IDNO" Button dialog
  drv key enter >/dev/null
  check "keys: Enter answers No: the wizard stays" drv expect-page "$DEST_PAGE" 5000
  drv click cancel >/dev/null
  drv messagebox "$MSG_EXIT" 5000 >/dev/null
  drv key alt+y >/dev/null
  wizard_ends "keys: Alt+Y answers Yes" 2
}
