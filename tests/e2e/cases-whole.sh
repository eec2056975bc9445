# One installation per folder, one folder per entry, and only the
# registered uninstaller removes: copied and stale uninstallers, a plug-in
# into its host's folder, the same program in two folders, and destinations
# in other spellings.
# Needs lib.sh, cases.sh, cases-safety.sh; runs while nothing is installed.

# ---- uninstallers that no installation registers --------------------------

unregistered_uninstaller_case() {
  local documents backup stale out
  documents=$(drv shell-folder Personal)
  backup="$documents\\Backup"
  run_silent unreg-install "$E2E_SETUP" /S
  expect_eq "unregistered: installed" "$E2E_BG_STATUS" 0
  mkdir -p "$(unix_path "$backup")"
  echo "the user's backup" >"$(unix_path "$backup\\report.txt")"
  cp "$APP_DIR/uninstall.exe" "$(unix_path "$backup\\uninstall.exe")"
  # An older installer's log: no record, the whole folder removed.
  python3 - "$APP_DIR/uninstall.dat" "$(unix_path "$backup\\uninstall.dat")" <<'PY'
import re, sys
text = open(sys.argv[1], encoding="utf-8").read()
text = re.sub(r"\s*<install-record.*?</install-record>", "", text, flags=re.S)
text = text.replace("</uninstall>", '<remove-folder path="%APP%" /></uninstall>')
open(sys.argv[2], "w", encoding="utf-8").write(text)
PY
  snapshot unreg-before
  run_silent unreg-silent "$backup\\uninstall.exe" /S
  expect_eq "unregistered, unattended: refused (exit code 3)" "$E2E_BG_STATUS" 3
  log_has "unregistered, unattended: the setup log says why" uninstall "No installed program is registered in"
  start_bg unreg-wizard "$backup\\uninstall.exe"
  if out=$(drv answer-messagebox no "is not registered as installed" 15000); then
    expect_contains "unregistered, wizard: the question names the folder" "$(field text "$out")" "$backup"
    expect_eq "unregistered, wizard: No is the default" "$(line_of default "$out")" "$IDNO"
  else
    fail "unregistered, wizard: asks first"
  fi
  wait_bg 30
  expect_eq "unregistered, wizard: No (exit code 2)" "$E2E_BG_STATUS" 2
  close_leftovers
  sleep 2 # the temporary copies' folders go
  snapshot unreg-after
  expect_unchanged "unregistered: nothing removed" unreg-before unreg-after "$(setup_log_re)"
  rm -rf "$(unix_path "$backup")"

  # Stale: the installation uninstalled, its uninstaller back in a folder
  # that holds new files.
  stale=$E2E_RUN/stale-uninstaller
  mkdir -p "$stale"
  cp "$APP_DIR/uninstall.exe" "$APP_DIR/uninstall.dat" "$stale/"
  run_silent unreg-uninstall "$APP_WIN\\uninstall.exe" /S
  expect_eq "stale: the real uninstall" "$E2E_BG_STATUS" 0
  gone_soon "$APP_DIR"
  mkdir -p "$APP_DIR"
  cp "$stale/uninstall.exe" "$stale/uninstall.dat" "$APP_DIR/"
  echo "made after the uninstall" >"$APP_DIR/hello.exe"
  run_silent stale-run "$APP_WIN\\uninstall.exe" /S
  expect_eq "stale: refused (exit code 3)" "$E2E_BG_STATUS" 3
  expect_eq "stale: the new file survives" "$(cat "$APP_DIR/hello.exe")" "made after the uninstall"
  rm -rf "$APP_DIR" "$stale"
}

# ---- one folder, one installation ------------------------------------------

plugin_folder_case() {
  local out
  run_silent plugin-host "$E2E_SETUP" /S '/D=C:\Host'
  expect_eq "plug-in: the host installed" "$E2E_BG_STATUS" 0
  variant plugin setup '<app-name>Hello</app-name>' '<app-name>Hello Plug-in</app-name>' \
    setup '<uninstall-display-name>Hello World</uninstall-display-name>' \
    '<uninstall-display-name>Hello Plug-in</uninstall-display-name>' || return
  snapshot plugin-before
  run_silent plugin-silent "$E2E_RUN/plugin.exe" /S '/D=C:\Host'
  expect_eq "plug-in into its host's folder: refused (exit code 3)" "$E2E_BG_STATUS" 3
  check "plug-in: the setup log names the host" grep -qF "holds the installation of Hello World" \
    "$(unix_path "$TEMP_WIN\\Hello Plug-in-install.log")"
  to_destination "$E2E_RUN/plugin.exe" plugin-wizard || fail "plug-in: destination page shown"
  drv set-text $IDC_DEST_PATH 'C:\Host' >/dev/null
  drv click next >/dev/null
  if out=$(drv answer-messagebox ok "holds the installation of" 10000); then
    expect_contains "plug-in, wizard: told, with a folder of its own" "$(field text "$out")" 'such as '"'"'C:\Host\'
  else
    fail "plug-in, wizard: told"
  fi
  check "plug-in, wizard: the page stays" drv expect-page "$DEST_PAGE" 3000
  cancel_wizard "plug-in"
  snapshot plugin-after
  expect_unchanged "plug-in: the host untouched" plugin-before plugin-after "$(setup_log_re)"
  run_silent plugin-cleanup 'C:\Host\uninstall.exe' /S
  expect_eq "plug-in: the host uninstalls" "$E2E_BG_STATUS" 0
}

# ---- one entry, one folder -------------------------------------------------------

two_folders_case() {
  local out
  run_silent two-a "$E2E_SETUP" /S '/D=C:\Two\A'
  expect_eq "two folders: the first installed" "$E2E_BG_STATUS" 0
  run_silent two-b "$E2E_SETUP" /S '/D=C:\Two\B'
  expect_eq "two folders: the second installed" "$E2E_BG_STATUS" 0
  expect_eq "two folders: the entry names the second" "$(reg_value "$UNINSTALL_KEY" InstallLocation)" 'C:\Two\B'
  # The first, no longer registered, asks; Yes removes it, not the entry.
  start_bg two-a-uninstall 'C:\Two\A\uninstall.exe'
  if out=$(drv answer-messagebox yes "is not registered as installed" 15000); then
    expect_eq "two folders: the question is the uninstall's" "$(field caption "$out")" "$UNINSTALL_TITLE"
  else
    fail "two folders: the first asks, not registered"
  fi
  # The second's entries are not the first's to remove: the end says so.
  if out=$(drv answer-messagebox ok "was removed from your computer" 30000); then
    expect_contains "two folders: the end lists the entry left, and why" "$(field text "$out")" \
      "$MSG_REMOVED\n\nThese items were left in place because the installation did not create them or other programs share them:\n- "
    expect_contains "two folders: ... the entry, and why" "$(field text "$out")" \
      "Uninstall\\Hello World (another program's entry, or this program's installation in another folder)"
  else
    fail "two folders: the end is told"
  fi
  wait_bg 30
  close_leftovers
  expect_eq "two folders: the entry still names the second" "$(reg_value "$UNINSTALL_KEY" InstallLocation)" 'C:\Two\B'
  log_has "two folders: the entry kept, and why" uninstall "or this program's installation in another folder"
  gone_soon "$(unix_path 'C:\Two\A')"
  check "two folders: the first is gone" test ! -e "$(unix_path 'C:\Two\A')"
  check "two folders: the second is whole" test -f "$(unix_path 'C:\Two\B\hello.exe')"
  run_silent two-b-uninstall 'C:\Two\B\uninstall.exe' /S
  expect_eq "two folders: the second uninstalls" "$E2E_BG_STATUS" 0
  check "two folders: ... and its entry goes" no_reg_key "$UNINSTALL_KEY"
  rm -rf "$(unix_path 'C:\Two')"
}

# ---- destinations in other spellings ------------------------------------------------

destination_spellings_case() {
  local short long
  short=$(drv short-path 'C:\Program Files')
  check "spellings: Program Files has a short name here" test -n "$short"
  for long in "$short" 'C:\Program Files. ' 'C:\Program Files\.' "\\\\?\\C:\\Program Files" 'C:\Program Files\x\..'; do
    run_silent spelling "$E2E_SETUP" /S "/D=$long"
    expect_eq "spellings: /D=$long refused (exit code 3)" "$E2E_BG_STATUS" 3
    log_has "spellings: /D=$long: why" install "Setup can't install into 'C:\\Program Files'"
  done
  # An allowed folder in a short spelling is installed and kept long.
  mkdir -p "$(unix_path 'C:\Games Folder')"
  short=$(drv short-path 'C:\Games Folder')
  run_silent spelling-ok "$E2E_SETUP" /S "/D=$short\\Mini"
  expect_eq "spellings: a short spelling of a folder of its own installs" "$E2E_BG_STATUS" 0
  expect_eq "spellings: ... kept in its long spelling" "$(reg_value "$UNINSTALL_KEY" InstallLocation)" 'C:\Games Folder\Mini'
  run_silent spelling-cleanup 'C:\Games Folder\Mini\uninstall.exe' /S
  expect_eq "spellings: uninstalled" "$E2E_BG_STATUS" 0
  rm -rf "$(unix_path 'C:\Games Folder')"
}
