# What the end user sees, from outside, with an application whose names are
# not ASCII: the default titles, terms saved as UTF-8 and as UTF-16 read
# back through the wide API, Browse adding the application's folder, the
# completion text and buttons, and file, shortcut and registry names on disk
# and in the registry as written.
# Needs lib.sh and cases.sh; runs while nothing is installed.

U_APP='Grüße 日本語'
U_CAPTION="$U_APP Setup"
U_PICKED='C:\Prögrämme'
U_DEST='C:\Prögrämme\日本語 App'
U_KEY='HKCU\Software\kxsetup examples\Grüße Ω'
U_ENTRY="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$U_APP"

# unicode_stage DIR TERMS-FILE: the application's script and files.
unicode_stage() {
  local stage=$1 terms=$2
  rm -rf "$stage"
  mkdir -p "$stage"
  cp "$E2E_STAGE/hello.exe" "$stage/"
  printf 'Äkköset – 日本語の条件\nZweite Zeile ✓ Ελληνικά\n' >"$stage/terms-utf8.txt"
  python3 -c 'import sys; t = open(sys.argv[1], encoding="utf-8").read(); open(sys.argv[2], "wb").write(b"\xff\xfe" + t.encode("utf-16-le"))' \
    "$stage/terms-utf8.txt" "$stage/terms-utf16.txt"
  cat >"$stage/setup.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<install>
	<app-name>$U_APP</app-name>
	<default-path>%PROGRAM_FILES%$U_APP</default-path>
	<terms src="$terms" />
	<uninstaller src="uninstall.xml" />
	<uninstall-display-name>$U_APP</uninstall-display-name>
	<file src="hello.exe" dest="%APP%Ünïcödé\\" />
	<shortcut folder="Desktop" name="$U_APP" target="%APP%Ünïcödé\\hello.exe" />
	<reg-key section="HKEY_CURRENT_USER\\Software\\kxsetup examples\\Grüße Ω" name="Wert ß" value="日本語 %APP%" />
</install>
EOF
  cat >"$stage/uninstall.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<uninstall>
	<app-name>$U_APP</app-name>
	<remove-shortcut folder="Desktop" name="$U_APP" />
	<remove-reg-key section="HKEY_CURRENT_USER\\Software\\kxsetup examples" />
	<remove-reg-key section="HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$U_APP" />
	<remove-folder path="%APP%" />
</uninstall>
EOF
  "$E2E_KXPACK" build --stub "$E2E_STUB" --script "$stage/setup.xml" -o "$stage/setup.exe" \
    >"$E2E_RUN/logs/kxpack-$(basename "$stage").log" 2>&1
}

unicode_case() {
  local stage=$E2E_RUN/stage-unicode dest link out expected
  if ! unicode_stage "$stage" terms-utf8.txt; then
    fail "unicode: kxpack packs it" "$(cat "$E2E_RUN/logs/kxpack-stage-unicode.log")"
    return
  fi
  snapshot unicode-before
  mkdir -p "$(unix_path "$U_PICKED")"
  printf 'x' >"$(unix_path "$U_PICKED\\other.txt")"
  start_bg unicode "$stage/setup.exe"
  check "unicode: titled '<app-name> Setup - …' without installer-caption" \
    drv wait-window "$U_CAPTION - Terms and Conditions" 30000
  expected=$(cat "$stage/terms-utf8.txt")
  expect_eq "unicode: UTF-8 terms shown as written" "$(drv get-text $IDC_TERMS_TEXT | tr -d '\r')" "$expected"
  drv click next >/dev/null
  check "unicode: destination page" drv expect-page "$U_CAPTION - Destination" 5000
  expect_eq "unicode: proposes the folder in Program Files" "$(drv get-text $IDC_DEST_PATH)" \
    "C:\\Program Files\\$U_APP"
  drv set-text $IDC_DEST_PATH "$U_PICKED" >/dev/null
  drv click $IDC_DEST_BROWSE >/dev/null
  if drv answer-messagebox ok "Please select the destination folder" 10000 >/dev/null; then
    expect_eq "unicode: Browse adds the application's folder" "$(drv get-text $IDC_DEST_PATH)" \
      "$U_PICKED\\$U_APP"
  else
    fail "unicode: Browse shows the folder browser"
  fi
  drv set-text $IDC_DEST_PATH "$U_DEST" >/dev/null
  drv click next >/dev/null
  check "unicode: progress page" drv wait-window "$U_CAPTION - Progress" 10000
  for _ in $(seq 100); do
    [ "$(drv state next)" == "visible enabled" ] && break
    sleep 0.1
  done
  shot unicode-complete
  expect_eq "unicode: the page says the installation is complete" "$(drv get-text $IDC_PROGRESS_TEXT)" \
    "$U_APP has been installed in this folder:"
  expect_eq "unicode: ... names the folder" "$(drv get-text $IDC_PROGRESS_FILE)" "$U_DEST"
  expect_eq "unicode: Close is enabled" "$(drv state next)" "visible enabled"
  expect_eq "unicode: Cancel is disabled" "$(drv state cancel | cut -d' ' -f2)" disabled
  drv click next >/dev/null
  check "unicode: Close ends the wizard" drv wait-gone "$U_CAPTION" 10000
  wait_bg 10
  expect_eq "unicode: exit code 0" "$E2E_BG_STATUS" 0
  close_leftovers

  dest=$(unix_path "$U_DEST")
  check "unicode: the file under its UTF-8 names" same_file "$stage/hello.exe" "$dest/Ünïcödé/hello.exe"
  link="$(unix_path "$DESKTOP_WIN")/$U_APP.lnk"
  check "unicode: the shortcut under its name" test -f "$link"
  expect_contains "unicode: the shortcut points at the file" "$(drv resolve-link "$DESKTOP_WIN\\$U_APP.lnk")" \
    "$U_DEST\\Ünïcödé\\hello.exe"
  expect_contains "unicode: the registry value as written" "$(drv reg-query "$U_KEY" "Wert ß")" "日本語 $U_DEST\\"
  expect_contains "unicode: the Uninstall entry" "$(drv reg-query "$U_ENTRY" DisplayName)" "$U_APP"

  run_silent unicode-uninstall "$U_DEST\\uninstall.exe" /S
  expect_eq "unicode: uninstalled (exit code 0)" "$E2E_BG_STATUS" 0
  check "unicode: the folder is gone" gone_soon "$dest"
  check "unicode: the shortcut is gone" test ! -e "$link"
  check "unicode: the key is gone" no_reg_key "$U_KEY"
  rm -rf "$(unix_path "$U_PICKED")"
  snapshot unicode-after
  expect_unchanged "unicode: the machine as before" unicode-before unicode-after "$(setup_log_re)"

  # The same terms saved as UTF-16 with a byte order mark.
  if ! unicode_stage "$stage" terms-utf16.txt; then
    fail "unicode: kxpack packs UTF-16 terms"
    return
  fi
  start_bg unicode-utf16 "$stage/setup.exe"
  if drv wait-window "$U_CAPTION - Terms and Conditions" 30000 >/dev/null; then
    expect_eq "unicode: UTF-16 terms shown as written" "$(drv get-text $IDC_TERMS_TEXT | tr -d '\r')" "$expected"
  else
    fail "unicode: the UTF-16 terms page shows"
  fi
  drv click cancel >/dev/null
  out=$(drv messagebox "$MSG_EXIT" 10000)
  expect_eq "unicode: the exit question carries the installer's title" "$(field caption "$out")" "$U_CAPTION"
  drv answer-messagebox yes "$MSG_EXIT" 10000 >/dev/null
  wait_bg 10
  expect_eq "unicode: cancelled (exit code 2)" "$E2E_BG_STATUS" 2
  close_leftovers
}

# The Progress page at the end of an installation that starts no program.
complete_case() {
  variant complete setup '<launch-exe>"%APP%hello.exe" --marker "%TEMP%\hello-launched.txt"</launch-exe>' '' || return
  to_destination "$E2E_RUN/complete.exe" complete || { fail "complete: the wizard shows"; close_leftovers; return; }
  drv click next >/dev/null
  for _ in $(seq 100); do
    [ "$(drv state next)" == "visible enabled" ] && break
    sleep 0.1
  done
  expect_eq "complete: the page says so" "$(drv get-text $IDC_PROGRESS_TEXT)" "Hello has been installed in this folder:"
  expect_eq "complete: ... names the folder" "$(drv get-text $IDC_PROGRESS_FILE)" "$APP_WIN"
  expect_eq "complete: ... and what now" "$(drv get-text $IDC_PROGRESS_HINT)" "Click Close to finish."
  expect_eq "complete: no launch-exe, nothing offered to start" "$(drv state $IDC_PROGRESS_RUN | cut -d' ' -f1)" hidden
  drv click next >/dev/null
  wizard_ends "complete" 0
  run_silent complete-uninstall "$APP_WIN\\uninstall.exe" /S
  expect_eq "complete: uninstalled" "$E2E_BG_STATUS" 0
  check "complete: nothing left" gone_soon "$APP_DIR"
}
