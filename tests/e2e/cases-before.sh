# What was there before an installation is the user's: a file or shortcut
# the installation replaced is kept and put back at uninstall, a registry
# value it wrote over gets its earlier data back (unless it changed since),
# an extension it took over goes back to its earlier file type, and a
# device name is never a file's name. Each ends with a snapshot that shows
# the prefix as it was before.
# Needs lib.sh, cases.sh, cases-safety.sh; runs while nothing is installed.

BEFORE_APP='C:\Data\Hello'
BEFORE_KEPT_RE='C:\\ProgramData\\kxsetup-[0-9a-f]{16}\\[0-9]+'

# kept_of DAT PATH: the kept="..." of the record's <replaced path="PATH">.
kept_of() {
  python3 - "$1" "$2" <<'PY'
import re, sys
text = open(sys.argv[1], encoding="utf-8", errors="replace").read()
for m in re.finditer(r'<replaced ([^>]*)/>', text):
    attrs = dict(re.findall(r'(\w[\w-]*)="([^"]*)"', m.group(1)))
    if attrs.get("path", "").lower() == sys.argv[2].lower():
        print(attrs.get("kept", ""))
PY
}

# The user's Hello.lnk on the desktop and in Programs, and files of the
# same names as the installation's in an occupied folder: installed over
# unattended, listed in the setup log, back byte for byte after uninstall;
# an upgrade in between keeps the first installation's word for them.
before_files_case() {
  local app_dir desktop programs name kept saved=$E2E_RUN/before-saved out
  app_dir=$(unix_path "$BEFORE_APP")
  desktop=$(unix_path "$DESKTOP_WIN\\Hello.lnk")
  programs=$(unix_path "$PROGRAMS_WIN\\Hello.lnk")
  variant before-data setup '<file src="payload" dest="%APP%\" />' \
    '<file src="payload" dest="%APP%\" /><file src="terms.txt" name="data.txt" dest="%APP%" />' || return
  rm -rf "$saved" && mkdir -p "$saved" "$app_dir" "$(dirname "$programs")"
  echo "the user's data" >"$app_dir/data.txt"
  printf "the user's readme\r\nsecond line\r\n" >"$app_dir/readme.txt"
  echo "the user's notes" >"$app_dir/notes.txt"
  head -c 3000 "$E2E_STAGE/hello.exe" >"$desktop"
  printf "the user's own Programs shortcut" >"$programs"
  cp "$app_dir/data.txt" "$app_dir/readme.txt" "$saved/"
  cp "$desktop" "$saved/desktop.lnk"
  cp "$programs" "$saved/programs.lnk"
  snapshot before-files-before

  run_silent before-files-install "$E2E_RUN/before-data.exe" /S "/D=$BEFORE_APP"
  expect_eq "replaced files: installed unattended into the occupied folder" "$E2E_BG_STATUS" 0
  check "replaced files: the installation's data.txt in place" same_file "$E2E_STAGE/terms.txt" "$app_dir/data.txt"
  check "replaced files: ... its readme.txt" same_file "$E2E_STAGE/payload/readme.txt" "$app_dir/readme.txt"
  if out=$(drv resolve-link "$DESKTOP_WIN\\Hello.lnk") && [[ $out == *"$BEFORE_APP\\hello.exe"* ]]; then
    pass "replaced files: the installation's desktop shortcut in place"
  else
    fail "replaced files: the installation's desktop shortcut in place" "got: $out"
  fi
  check "replaced files: ... and in Programs" test "$(drv resolve-link "$PROGRAMS_WIN\\Hello.lnk" | sed -n 's/^target\t//p')" \
    == "$BEFORE_APP\\hello.exe"
  expect_eq "replaced files: the user's other file untouched" "$(cat "$app_dir/notes.txt")" "the user's notes"
  for name in "$BEFORE_APP\\data.txt" "$BEFORE_APP\\readme.txt" "$DESKTOP_WIN\\Hello.lnk" "$PROGRAMS_WIN\\Hello.lnk"; do
    log_has "replaced files: the setup log lists $name" install "Replaced the existing file $name: kept, put back at uninstall"
  done
  # Kept where only administrators write, as the record says.
  for name in data.txt readme.txt; do
    kept=$(kept_of "$app_dir/uninstall.dat" "$BEFORE_APP\\$name")
    if [[ $kept =~ ^$BEFORE_KEPT_RE$ ]] && same_file "$saved/$name" "$(unix_path "$kept")"; then
      pass "replaced files: the user's $name kept beside the administrators' copy of the log"
    else
      fail "replaced files: the user's $name kept beside the administrators' copy of the log" "kept: '$kept'"
    fi
  done
  kept=$(kept_of "$app_dir/uninstall.dat" "$DESKTOP_WIN\\Hello.lnk")
  check "replaced files: the user's desktop shortcut kept" same_file "$saved/desktop.lnk" "$(unix_path "${kept:-none}")"

  # The same installer again: what it replaces now is its own.
  run_silent before-files-again "$E2E_RUN/before-data.exe" /S "/D=$BEFORE_APP"
  expect_eq "replaced files: installed again over itself" "$E2E_BG_STATUS" 0
  check "replaced files: installed again, nothing more kept" test -z \
    "$(grep -F 'kept, put back at uninstall' "$(unix_path "$TEMP_WIN\\Hello-install.log")")"
  kept=$(kept_of "$app_dir/uninstall.dat" "$BEFORE_APP\\data.txt")
  check "replaced files: ... and the record still names the user's data.txt" same_file "$saved/data.txt" \
    "$(unix_path "${kept:-none}")"

  run_silent before-files-uninstall "$BEFORE_APP\\uninstall.exe" /S
  expect_eq "replaced files: uninstalled" "$E2E_BG_STATUS" 0
  gone_soon "$app_dir/uninstall.exe"
  check "replaced files: the user's data.txt back, byte for byte" same_file "$saved/data.txt" "$app_dir/data.txt"
  check "replaced files: ... readme.txt" same_file "$saved/readme.txt" "$app_dir/readme.txt"
  check "replaced files: ... the desktop shortcut" same_file "$saved/desktop.lnk" "$desktop"
  check "replaced files: ... the Programs shortcut" same_file "$saved/programs.lnk" "$programs"
  log_has "replaced files: the setup log says what was put back" uninstall \
    "Put back $BEFORE_APP\\data.txt: the file that was there before the installation"
  snapshot before-files-after
  expect_unchanged "replaced files: the user's things as they were, nothing of the installation left" \
    before-files-before before-files-after "$(setup_log_re)"
  rm -rf "$(unix_path 'C:\Data')" "$desktop" "$programs"
}

# Values that were there before: .txt, which the association takes over,
# names its earlier file type again after uninstall; a value of the user's
# the installation wrote over gets its data back; one changed again after
# the installation stays as changed.
before_values_case() {
  local dat
  variant before-txt setup '<association extension=".hello" progid="KxSetup.HelloFile"' \
    '<association extension=".txt" progid="KxSetup.HelloText"' || return
  wine reg add 'HKCR\.txt' /ve /d txtfile /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Software\kxsetup examples\Hello' /v Greeting /d "the user's greeting" /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKLM\Software\kxsetup examples\Hello' /v Version /d 0.9 /f >/dev/null 2>&1 </dev/null
  expect_eq "values before: .txt names txtfile" "$(reg_value 'HKCR\.txt' '(default)')" txtfile
  snapshot before-values-before

  run_silent before-values-install "$E2E_RUN/before-txt.exe" /S
  expect_eq "values before: installed" "$E2E_BG_STATUS" 0
  expect_eq "values before: .txt taken over" "$(reg_value 'HKCR\.txt' '(default)')" KxSetup.HelloText
  expect_eq "values before: the greeting written over" "$(reg_value 'HKCU\Software\kxsetup examples\Hello' Greeting)" \
    'Hello, world!'
  dat=$(cat "$APP_DIR/uninstall.dat" 2>/dev/null)
  # REG_SZ (1) "txtfile" with its NUL.
  check "values before: the record holds .txt's earlier file type" has_line "$dat" '<value ' \
    'key="HKEY_CLASSES_ROOT\.txt"' 'name=""' 'before-type="1"' 'before="74787466696c6500"'
  wine reg add 'HKLM\Software\kxsetup examples\Hello' /v Version /d 'changed by the user' /f >/dev/null 2>&1 </dev/null

  run_silent before-values-uninstall "$APP_WIN\\uninstall.exe" /S
  expect_eq "values before: uninstalled" "$E2E_BG_STATUS" 0
  gone_soon "$APP_DIR"
  expect_eq "values before: .txt names txtfile again" "$(reg_value 'HKCR\.txt' '(default)')" txtfile
  check "values before: the installation's file type is gone" no_reg_key 'HKCR\KxSetup.HelloText'
  expect_eq "values before: the user's greeting back" "$(reg_value 'HKCU\Software\kxsetup examples\Hello' Greeting)" \
    "the user's greeting"
  expect_eq "values before: a value changed since stays as changed" \
    "$(reg_value 'HKLM\Software\kxsetup examples\Hello' Version)" 'changed by the user'
  log_has "values before: the setup log says why it stays" uninstall \
    'Left HKEY_LOCAL_MACHINE\Software\kxsetup examples\Hello\Version as it is: it was changed after the installation'
  snapshot before-values-after
  expect_unchanged "values before: all as it was but the value changed since" before-values-before before-values-after \
    "$(setup_log_re)" $'^[-+] HKLM\\\\Software\\\\kxsetup examples\\\\Hello\tVersion\t'
  wine reg delete 'HKCR\.txt' /f >/dev/null 2>&1 </dev/null
  wine reg delete 'HKCU\Software\kxsetup examples' /f >/dev/null 2>&1 </dev/null
  wine reg delete 'HKLM\Software\kxsetup examples' /f >/dev/null 2>&1 </dev/null
}

# COM¹ (a superscript one) is a device to Windows, as COM1 is: refused by
# kxpack check and, packed with --force, by the installer.
before_device_name_case() {
  local out
  variant name-com-super setup '<file src="hello.exe" dest="%APP%" />' \
    '<file src="hello.exe" dest="%APP%" /><file src="terms.txt" name="COM¹" dest="%APP%" />' || return
  if out=$("$E2E_KXPACK" check "$E2E_RUN/stage-name-com-super/setup.xml" 2>&1); then
    fail "COM¹: kxpack check refuses it" "it passed: $out"
  else
    expect_contains "COM¹: kxpack check refuses it, saying why" "$out" "is a device name"
  fi
  snapshot com-super-before
  run_silent name-com-super "$E2E_RUN/name-com-super.exe" /S
  expect_eq "COM¹: the installer refuses it (exit code 3)" "$E2E_BG_STATUS" 3
  log_has "COM¹: the setup log says why" install "the name is a device name"
  log_has "COM¹: ... and that it was undone" install "Installation failed: undoing it"
  snapshot com-super-after
  expect_unchanged "COM¹: nothing written anywhere" com-super-before com-super-after "$(setup_log_re)"
}
