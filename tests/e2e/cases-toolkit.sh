# What publishers write beyond the basics: typed registry values read back
# with the system's own reg, and an upgrade that drops files, shortcuts and
# values of the earlier version while keeping what the user changed.
# Needs lib.sh, cases.sh, cases-safety.sh; runs while nothing is installed.

TYPED_KEY='HKCU\Software\kxsetup examples\Typed'

# The type and data of one value as `reg query` prints them.
reg_typed() {
  wine reg query "$TYPED_KEY" /v "$1" </dev/null 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$1 \{1,\}\(REG_[A-Z_]*\) \{1,\}\(.*\)\$/\1 \2/p"
}

# The value's line in what `reg export` writes: Wine's reg query can't show
# a REG_QWORD's data.
reg_exported() {
  local file
  file="$(drv expand '%TEMP%')\\typed.reg"
  wine reg export "$TYPED_KEY" "$file" /y >/dev/null 2>&1 </dev/null
  iconv -f utf-16 -t utf-8 "$(unix_path "$file")" 2>/dev/null | tr -d '\r' | grep "^\"$1\"="
  rm -f "$(unix_path "$file")"
}

typed_values_case() {
  local section="section=\"HKEY_CURRENT_USER\\Software\\kxsetup examples\\Typed\""
  variant typed setup '<file src="hello.exe" dest="%APP%" />' \
    "<file src=\"hello.exe\" dest=\"%APP%\" />
    <reg-key $section name=\"s\" value=\"%APP%a\" />
    <reg-key $section name=\"e\" type=\"Expand\" value=\"%SystemRoot%\\x;%APP%bin\" />
    <reg-key $section name=\"d\" type=\"dword\" value=\"0x12345678\" />
    <reg-key $section name=\"d10\" type=\"dword\" value=\"4294967295\" />
    <reg-key $section name=\"q\" type=\"qword\" value=\"0x1122334455667788\" />
    <reg-key $section name=\"m\" type=\"multi\" value=\"one|%APP%two\" />
    <reg-key $section name=\"b\" type=\"binary\" value=\"de ad,be ef\" />
    <run-command cmd=\"%windir%\\system32\\cmd.exe\" parameters=\"/c exit 3010\" fail-on-exit=\"0, 3010\" />" || return
  run_silent typed-install "$E2E_RUN/typed.exe" /S
  expect_eq "typed values: installed (a prerequisite's 3010 counts as success as asked)" "$E2E_BG_STATUS" 0
  expect_eq "typed values: string" "$(reg_typed s)" "REG_SZ $APP_WIN\\a"
  expect_eq "typed values: expand keeps the other references" "$(reg_typed e)" \
    "REG_EXPAND_SZ %SystemRoot%\\x;$APP_WIN\\bin"
  expect_eq "typed values: dword from hex" "$(reg_typed d)" "REG_DWORD 0x12345678"
  expect_eq "typed values: dword from decimal" "$(reg_typed d10)" "REG_DWORD 0xffffffff"
  expect_eq "typed values: qword" "$(reg_exported q)" '"q"=hex(b):88,77,66,55,44,33,22,11'
  expect_eq "typed values: multi" "$(reg_typed m)" "REG_MULTI_SZ one\\0$APP_WIN\\two"
  expect_eq "typed values: binary" "$(reg_typed b)" "REG_BINARY DEADBEEF"
  wine reg add "$TYPED_KEY" /v Mine /d "the user's" /f >/dev/null 2>&1 </dev/null
  run_silent typed-uninstall "$APP_WIN\\uninstall.exe" /S
  expect_eq "typed values: uninstalled" "$E2E_BG_STATUS" 0
  expect_eq "typed values: a value the user added to the key stays, alone" \
    "$(wine reg query "$TYPED_KEY" </dev/null 2>/dev/null | tr -d '\r' | grep -c REG_)" 1
  wine reg delete 'HKCU\Software\kxsetup examples' /f >/dev/null 2>&1 </dev/null
  drv wait-file-gone "$APP_WIN" 10000 >/dev/null || true
  check "typed values: nothing installed" nothing_installed

  # Data that isn't of its type stops the installation, which is undone.
  variant badtyped setup '<file src="hello.exe" dest="%APP%" />' \
    "<file src=\"hello.exe\" dest=\"%APP%\" /><reg-key $section name=\"d\" type=\"dword\" value=\"%APP%\" />" || return
  snapshot badtyped-before
  run_silent badtyped-install "$E2E_RUN/badtyped.exe" /S
  expect_eq "typed values: a dword that is no number fails the installation" "$E2E_BG_STATUS" 3
  log_has "typed values: ... saying which value and why" install \
    "The registry value HKEY_CURRENT_USER\\Software\\kxsetup examples\\Typed\\d could not be written: '%' is not a decimal digit"
  snapshot badtyped-after
  expect_unchanged "typed values: ... and leaves nothing" badtyped-before badtyped-after "$(setup_log_re)"
}

# Version 1 installs more than version 2: the upgrade takes away what only
# version 1 had, keeps the file the user changed since, and the uninstall
# of version 2 then leaves nothing of either but that file.
upgrade_drops_case() {
  local extra=$E2E_RUN/upgrade-extra old_key='HKCU\Software\kxsetup examples\Hello Old'
  rm -rf "$extra"
  mkdir -p "$extra/olddir"
  echo "only in version 1" >"$extra/old.txt"
  echo "a" >"$extra/olddir/a.txt"
  echo "b" >"$extra/olddir/b.txt"
  variant up1 setup '<file src="payload" dest="%APP%\" />' \
    "<file src=\"payload\" dest=\"%APP%\\\" /><file src=\"$extra/old.txt\" dest=\"%APP%\" />
    <file src=\"$extra/olddir\" dest=\"%APP%olddir\" />
    <shortcut folder=\"Programs\" name=\"Hello Old\" target=\"%APP%hello.exe\" />
    <reg-key section=\"HKEY_CURRENT_USER\\Software\\kxsetup examples\\Hello Old\" name=\"Setting\" type=\"dword\" value=\"7\" />" ||
    return
  variant up2 -D VERSION=2.0 || return
  run_silent up1-install "$E2E_RUN/up1.exe" /S
  expect_eq "upgrade drops: version 1 installed" "$E2E_BG_STATUS" 0
  check "upgrade drops: version 1's own files are there" test -f "$APP_DIR/old.txt" -a -f "$APP_DIR/olddir/a.txt"
  sleep 1
  echo "changed by the user" >>"$APP_DIR/olddir/b.txt"
  run_silent up2-install "$E2E_RUN/up2.exe" /S
  expect_eq "upgrade drops: version 2 installed over it" "$E2E_BG_STATUS" 0
  check "upgrade drops: the files only version 1 had are gone" test ! -e "$APP_DIR/old.txt" -a ! -e "$APP_DIR/olddir/a.txt"
  expect_eq "upgrade drops: the file the user changed stays as it is" "$(cat "$APP_DIR/olddir/b.txt" 2>/dev/null)" \
    "$(printf 'b\nchanged by the user')"
  check "upgrade drops: version 1's shortcut is gone" test ! -e "$(unix_path "$PROGRAMS_WIN\\Hello Old.lnk")"
  check "upgrade drops: version 1's value and its key are gone" no_reg_key "$old_key"
  log_has "upgrade drops: the setup log names what went" install "$APP_WIN\\old.txt: the earlier version installed it"
  log_has "upgrade drops: ... and what stayed" install \
    "Kept $APP_WIN\\olddir\\b.txt: the earlier version installed it, and it was changed since"
  check "upgrade drops: version 2 is whole" same_file "$E2E_STAGE/hello.exe" "$APP_DIR/hello.exe"
  run_silent up2-uninstall "$APP_WIN\\uninstall.exe" /S
  expect_eq "upgrade drops: uninstalled" "$E2E_BG_STATUS" 0
  check "upgrade drops: uninstall.exe follows within a second" gone_soon "$APP_DIR/uninstall.exe"
  expect_eq "upgrade drops: after the uninstall only the user's file is left" \
    "$(cd "$APP_DIR" 2>/dev/null && find . -mindepth 1 | sort | tr '\n' ' ')" "./olddir ./olddir/b.txt "
  rm -rf "$APP_DIR"
  check "upgrade drops: nothing else installed" nothing_installed
}

# A prerequisite that fails stops the installation, which is undone.
prerequisite_fails_case() {
  variant prereq setup '<broadcast-message' \
    '<run-command cmd="%windir%\system32\cmd.exe" parameters="/c echo no runtime &amp; exit 1603" fail-on-exit="nonzero" /><broadcast-message' ||
    return
  snapshot prereq-before
  run_silent prereq-install "$E2E_RUN/prereq.exe" /S
  expect_eq "failing prerequisite: the installation fails (exit code 3)" "$E2E_BG_STATUS" 3
  log_has "failing prerequisite: the setup log names the program and its code" install \
    "The installation stops: C:\windows\system32\cmd.exe ended with exit code 1603"
  log_has "failing prerequisite: ... and what it printed" install "no runtime"
  snapshot prereq-after
  expect_unchanged "failing prerequisite: everything undone" prereq-before prereq-after "$(setup_log_re)"
}

# Shortcuts with arguments, an icon, a description and a working folder, in
# a Start-menu sub-folder the installation makes (and removes once empty)
# and in one that was there before (which stays).
rich_shortcuts_case() {
  local out tools shared
  tools="$PROGRAMS_WIN\\kxsetup examples"
  shared="$PROGRAMS_WIN\\kxsetup shared"
  variant shortcuts setup '<shortcut folder="Programs" name="Hello"' \
    "<shortcut folder=\"Programs\" name=\"kxsetup examples\\Hello Tools\" target=\"%APP%hello.exe\"
      arguments=\"--marker '%APP%m.txt'\" icon=\"%APP%hello.exe,1\" description=\"Says hello\"
      working-folder=\"%APP%docs\" />
    <shortcut folder=\"Programs\" name=\"kxsetup shared\\Hello\" target=\"%APP%hello.exe\" />
    <shortcut folder=\"Programs\" name=\"Hello\"" || return
  mkdir -p "$(unix_path "$shared")"
  echo "another program's" >"$(unix_path "$shared")/theirs.txt"
  run_silent shortcuts-install "$E2E_RUN/shortcuts.exe" /S
  expect_eq "rich shortcuts: installed" "$E2E_BG_STATUS" 0
  out=$(drv resolve-link "$tools\\Hello Tools.lnk")
  expect_eq "rich shortcuts: in the sub-folder, with its target" "$(printf '%s\n' "$out" | sed -n 's/^target\t//p')" \
    "$APP_WIN\\hello.exe"
  expect_eq "rich shortcuts: arguments, the path quoted whole" \
    "$(printf '%s\n' "$out" | sed -n 's/^arguments\t//p')" "--marker \"$APP_WIN\\m.txt\""
  expect_eq "rich shortcuts: icon" "$(printf '%s\n' "$out" | sed -n 's/^icon\t//p')" "$APP_WIN\\hello.exe"
  expect_eq "rich shortcuts: ... and its index" "$(printf '%s\n' "$out" | sed -n 's/^icon-index\t//p')" 1
  expect_eq "rich shortcuts: description" "$(printf '%s\n' "$out" | sed -n 's/^description\t//p')" "Says hello"
  expect_eq "rich shortcuts: working folder" "$(printf '%s\n' "$out" | sed -n 's/^workdir\t//p')" "$APP_WIN\\docs"
  check "rich shortcuts: the one in the folder that was there" link_points_at "$shared\\Hello.lnk"
  run_silent shortcuts-uninstall "$APP_WIN\\uninstall.exe" /S
  expect_eq "rich shortcuts: uninstalled" "$E2E_BG_STATUS" 0
  check "rich shortcuts: the sub-folder the installation made goes with its shortcut" \
    test ! -e "$(unix_path "$tools")"
  check "rich shortcuts: the one that was there stays, with what it held" \
    test -f "$(unix_path "$shared")/theirs.txt" -a ! -e "$(unix_path "$shared")/Hello.lnk"
  rm -rf "$(unix_path "$shared")"
  drv wait-file-gone "$APP_WIN" 10000 >/dev/null || true
  check "rich shortcuts: nothing installed" nothing_installed
}

# The application's folders in the user's and the machine's PATH: added
# once, and taken out by the uninstall leaving what the user changed since.
path_entries_case() {
  local user_env='HKCU\Environment' machine_env='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment'
  local machine_before
  variant pathed setup '<file src="hello.exe" dest="%APP%" />' \
    '<file src="hello.exe" dest="%APP%" /><path folder="%APP%bin" scope="user" />
    <path folder="%APP%" scope="machine" position="start" />' || return
  wine reg add "$user_env" /v Path /t REG_EXPAND_SZ /d 'C:\UserTools' /f >/dev/null 2>&1 </dev/null
  machine_before=$(reg_value "$machine_env" Path)
  run_silent pathed-install "$E2E_RUN/pathed.exe" /S
  expect_eq "PATH: installed" "$E2E_BG_STATUS" 0
  expect_eq "PATH: the user's, at its end" "$(reg_value "$user_env" Path)" "C:\\UserTools;$APP_WIN\\bin"
  expect_eq "PATH: the machine's, at its start" "$(reg_value "$machine_env" Path)" "$APP_WIN;$machine_before"
  run_silent pathed-again "$E2E_RUN/pathed.exe" /S
  expect_eq "PATH: installed again" "$E2E_BG_STATUS" 0
  expect_eq "PATH: ... and added once" "$(reg_value "$user_env" Path)" "C:\\UserTools;$APP_WIN\\bin"
  wine reg add "$user_env" /v Path /t REG_EXPAND_SZ /d "C:\\UserTools;$APP_WIN\\bin;C:\\Later" /f >/dev/null 2>&1 </dev/null
  run_silent pathed-uninstall "$APP_WIN\\uninstall.exe" /S
  expect_eq "PATH: uninstalled" "$E2E_BG_STATUS" 0
  expect_eq "PATH: the user's loses that entry alone" "$(reg_value "$user_env" Path)" 'C:\UserTools;C:\Later'
  expect_eq "PATH: the machine's is as it was" "$(reg_value "$machine_env" Path)" "$machine_before"
  wine reg delete "$user_env" /v Path /f >/dev/null 2>&1 </dev/null
  drv wait-file-gone "$APP_WIN" 10000 >/dev/null || true
  check "PATH: nothing installed" nothing_installed
}
