# The uninstall log kxpack generates from the example's script, which names
# none: kxpack shows it, and uninstalling takes back exactly what the
# installation made while what the user (or another program of the same
# vendor) put beside it stays, with the folder and key that hold it.
# Needs lib.sh, cases.sh and cases-safety.sh; runs while nothing is installed.

genlog_case() {
  local out log part extracted=$E2E_RUN/extracted
  out=$("$E2E_KXPACK" list "$E2E_SETUP" 2>&1)
  expect_contains "generated log: kxpack list says so" "$out" ', generated from the install script by kxpack build'
  rm -rf "$extracted"
  if "$E2E_KXPACK" extract "$E2E_SETUP" -o "$extracted" >"$E2E_RUN/logs/kxpack-extract.log" 2>&1 &&
    [ -f "$extracted/uninstall.xml" ]; then
    pass "generated log: kxpack extract writes it as uninstall.xml"
  else
    fail "generated log: kxpack extract writes it as uninstall.xml" "$(cat "$E2E_RUN/logs/kxpack-extract.log")"
  fi
  log=$(cat "$extracted/uninstall.xml" 2>/dev/null)
  for part in '<remove-shortcut folder="Programs" name="Hello" />' \
    '<remove-reg-key section="HKEY_LOCAL_MACHINE\Software\Classes\KxSetup.HelloFile" />' \
    '<remove-reg-key section="HKEY_CURRENT_USER\Software\kxsetup examples\Hello" name="Greeting" />' \
    '<remove-reg-key section="HKEY_CURRENT_USER\Software\kxsetup examples" if-empty="yes" />' \
    '<remove-file path="%APP%samples\greetings\moon.hello" />' \
    '<remove-folder path="%APP%samples\greetings" if-empty="yes" />'; do
    expect_contains "generated log: $part" "$log" "$part"
  done

  snapshot genlog-before
  run_silent genlog-install "$E2E_SETUP" /S
  expect_eq "generated log: installed" "$E2E_BG_STATUS" 0
  echo "my notes" >"$APP_DIR/notes.txt"
  wine reg add 'HKCU\Software\kxsetup examples\Other' /v Setting /d theirs /f >/dev/null 2>&1 </dev/null
  run_silent genlog-uninstall "$APP_WIN\\uninstall.exe" /S
  expect_eq "generated log: uninstalled, exit code 0" "$E2E_BG_STATUS" 0
  check "generated log: uninstall.exe follows within a second" gone_soon "$APP_DIR/uninstall.exe"
  expect_eq "generated log: the user's file stays" "$(cat "$APP_DIR/notes.txt" 2>/dev/null)" "my notes"
  expect_eq "generated log: the other program's value stays" \
    "$(reg_value 'HKCU\Software\kxsetup examples\Other' Setting)" theirs
  log_has "generated log: the setup log says why the folder stays" uninstall "Kept $APP_WIN: not empty"
  log_has "generated log: ... and the key" uninstall "Kept key HKEY_CURRENT_USER\\Software\\kxsetup examples: not empty"
  snapshot genlog-after
  expect_changes "generated log: only the user's file and the other program's key remain, with what holds them" \
    genlog-before genlog-after "$(snap_own "$APP_WIN" +)" "$(snap_under "$APP_WIN\\notes.txt" +)" \
    "$(snap_own 'HKCU\Software\kxsetup examples' +)" "$(snap_under 'HKCU\Software\kxsetup examples\Other' +)" \
    "$(setup_log_re)"
  rm -rf "$APP_DIR"
  wine reg delete 'HKCU\Software\kxsetup examples' /f >/dev/null 2>&1 </dev/null
  check "generated log: nothing left" nothing_installed
}
