# Who gets the installation: with <scope>machine</scope> the example's
# shortcuts go to every user's Desktop and Start menu, and the uninstaller
# finds them there by the scope the installation recorded.
# Needs lib.sh, cases.sh, cases-safety.sh; runs while nothing is installed.

scope_machine_case() {
  local desktop programs
  variant scope setup '<app-name>Hello</app-name>' '<app-name>Hello</app-name><scope>machine</scope>' || return
  desktop=$(drv expand '%PUBLIC%\Desktop')
  programs=$(drv expand '%ProgramData%\Microsoft\Windows\Start Menu\Programs')
  check "machine scope: the installer asks for administrator rights" \
    grep -qa 'requestedExecutionLevel level="requireAdministrator"' "$E2E_RUN/scope.exe"
  run_silent scope-install "$E2E_RUN/scope.exe" /S
  expect_eq "machine scope: installed" "$E2E_BG_STATUS" 0
  check "machine scope: the Desktop shortcut is every user's" link_points_at "$desktop\\Hello.lnk"
  check "machine scope: ... and so is the Programs one" link_points_at "$programs\\Hello.lnk"
  check "machine scope: none in the installing user's folders" \
    test ! -e "$(unix_path "$DESKTOP_WIN\\Hello.lnk")" -a ! -e "$(unix_path "$PROGRAMS_WIN\\Hello.lnk")"
  check "machine scope: the uninstall log keeps the scope" grep -q '<scope>machine</scope>' "$APP_DIR/uninstall.dat"
  run_silent scope-uninstall "$APP_WIN\\uninstall.exe" /S
  expect_eq "machine scope, uninstall: exit code 0" "$E2E_BG_STATUS" 0
  check "machine scope, uninstall: every user's shortcuts go" \
    test ! -e "$(unix_path "$desktop\\Hello.lnk")" -a ! -e "$(unix_path "$programs\\Hello.lnk")"
  drv wait-file-gone "$APP_WIN" 10000 >/dev/null || true
  check "machine scope: nothing installed" nothing_installed
}

# <scope>user</scope>: the user's own programs folder, the entry and every
# key under HKEY_CURRENT_USER, nothing machine-wide, and an installer that
# asks for no administrator rights.
scope_user_case() {
  local app user_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hello World' changes
  variant user setup '<app-name>Hello</app-name>' '<app-name>Hello</app-name><scope>user</scope>' \
    setup 'HKEY_LOCAL_MACHINE\Software\kxsetup' 'HKEY_CURRENT_USER\Software\kxsetup' \
    setup 'HKEY_LOCAL_MACHINE\Software\kxsetup' 'HKEY_CURRENT_USER\Software\kxsetup' \
    setup 'HKEY_LOCAL_MACHINE\Software\Microsoft' 'HKEY_CURRENT_USER\Software\Microsoft' || return
  app=$(drv expand '%LOCALAPPDATA%\Programs\Hello')
  # Shared parents a fresh profile lacks; Windows has them, and they stay.
  local parents=("$(snap_own "$(drv expand '%LOCALAPPDATA%\Programs')" +)" "$(snap_own 'HKCU\Software\Classes' +)"
    "$(snap_own 'HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths' +)"
    "$(snap_own 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' +)")
  snapshot user-before
  check "per-user: the installer asks for no administrator rights" \
    grep -qa 'requestedExecutionLevel level="asInvoker"' "$E2E_RUN/user.exe"
  run_silent user-install "$E2E_RUN/user.exe" /S
  expect_eq "per-user: installed" "$E2E_BG_STATUS" 0
  check "per-user: into the user's programs folder" same_file "$E2E_STAGE/hello.exe" "$(unix_path "$app\\hello.exe")"
  expect_eq "per-user: the entry is the user's" "$(reg_value "$user_key" UninstallString)" "\"$app\\uninstall.exe\""
  snapshot user-installed
  mapfile -t changes < <(printf '%s\n' "$(snap_under "$app" +)" "$(snap_under "$DESKTOP_WIN\\Hello.lnk" +)" \
    "$(snap_under "$PROGRAMS_WIN\\Hello.lnk" +)" "$(snap_under "$user_key" +)" \
    "$(snap_under 'HKCU\Software\kxsetup examples' +)" \
    "$(snap_under 'HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths\hello.exe' +)" \
    "$(snap_under 'HKCU\Software\Classes\.hello' +)" "$(snap_under 'HKCU\Software\Classes\KxSetup.HelloFile' +)" \
    "$(setup_log_re)")
  E2E_MAY_CHANGE=("${parents[@]}")
  expect_changes "per-user: the user's files and keys only, nothing machine-wide" user-before user-installed \
    "${changes[@]}"
  E2E_MAY_CHANGE=()
  run_silent user-uninstall "$app\\uninstall.exe" /S
  expect_eq "per-user, uninstall: exit code 0" "$E2E_BG_STATUS" 0
  drv wait-file-gone "$app" 10000 >/dev/null || true
  snapshot user-after
  expect_unchanged "per-user, uninstall: everything as before" user-before user-after "$(setup_log_re)" \
    "${parents[@]}"
}

# <scope>choose</scope>: /CURRENTUSER and /ALLUSERS unattended, an earlier
# installation's scope kept, and the wizard's choice moving the proposed
# folder with it.
scope_choose_case() {
  local user_app user_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hello World' out
  variant choose setup '<app-name>Hello</app-name>' '<app-name>Hello</app-name><scope>choose</scope>' \
    setup 'HKEY_LOCAL_MACHINE\Software\kxsetup' 'HKEY_CURRENT_USER\Software\kxsetup' \
    setup 'HKEY_LOCAL_MACHINE\Software\kxsetup' 'HKEY_CURRENT_USER\Software\kxsetup' || return
  user_app=$(drv expand '%LOCALAPPDATA%\Programs\Hello')
  check "choose: the installer asks for no administrator rights" \
    grep -qa 'requestedExecutionLevel level="asInvoker"' "$E2E_RUN/choose.exe"

  run_silent choose-user "$E2E_RUN/choose.exe" /S /CURRENTUSER
  expect_eq "choose, /CURRENTUSER: installed" "$E2E_BG_STATUS" 0
  expect_eq "choose, /CURRENTUSER: the user's entry and folder" "$(reg_value "$user_key" UninstallString)" \
    "\"$user_app\\uninstall.exe\""
  check "choose, /CURRENTUSER: no machine-wide entry" no_reg_key "$UNINSTALL_KEY"
  # Again without a switch: the earlier installation's scope.
  run_silent choose-again "$E2E_RUN/choose.exe" /S
  expect_eq "choose, again: installed" "$E2E_BG_STATUS" 0
  check "choose, again: still the user's" \
    test "$(reg_value "$user_key" UninstallString)" == "\"$user_app\\uninstall.exe\"" -a ! -e "$APP_DIR"

  # For every user now, elevated (as every run under Wine is): the user's
  # uninstaller, which the user's registry names, is not started with
  # administrator rights; the run stops and says so.
  run_silent choose-all-refused "$E2E_RUN/choose.exe" /S /ALLUSERS
  expect_eq "choose, /ALLUSERS over the user's, elevated: refused (exit code 3)" "$E2E_BG_STATUS" 3
  log_has "choose, /ALLUSERS over the user's: the setup log says why" install \
    "an elevated run starts no program the user's registry names"
  expect_eq "choose, /ALLUSERS over the user's: the user's installation stays" \
    "$(reg_value "$user_key" UninstallString)" "\"$user_app\\uninstall.exe\""
  run_silent choose-user-uninstall "$user_app\\uninstall.exe" /S
  expect_eq "choose, /CURRENTUSER: uninstalled" "$E2E_BG_STATUS" 0
  drv wait-file-gone "$user_app" 10000 >/dev/null || true
  check "choose, /CURRENTUSER: the user's installation is gone" \
    eval "no_reg_key '$user_key' && [ ! -e '$(unix_path "$user_app")' ]"

  run_silent choose-all "$E2E_RUN/choose.exe" /S /ALLUSERS
  expect_eq "choose, /ALLUSERS: installed" "$E2E_BG_STATUS" 0
  expect_eq "choose, /ALLUSERS: the machine's entry and Program Files" \
    "$(reg_value "$UNINSTALL_KEY" UninstallString)" "\"$APP_WIN\\uninstall.exe\""
  check "choose, /ALLUSERS: every user's shortcut" test -e "$(unix_path "$(drv expand '%PUBLIC%\Desktop\Hello.lnk')")"

  # The wizard: the earlier installation's scope proposed; "just for me"
  # moves the proposal to the user's programs folder, and asks before the
  # installation for every user goes.
  to_destination "$E2E_RUN/choose.exe" choose-wizard || fail "choose, wizard: destination page shown"
  expect_eq "choose, wizard: both choices shown" \
    "$(drv state $IDC_DEST_ALL_USERS | cut -d' ' -f1) $(drv state $IDC_DEST_JUST_ME | cut -d' ' -f1)" "visible visible"
  expect_eq "choose, wizard: Program Files proposed" "$(drv get-text $IDC_DEST_PATH)" "$APP_WIN"
  drv click $IDC_DEST_JUST_ME >/dev/null
  expect_eq "choose, wizard: just for me, the user's programs folder" "$(drv get-text $IDC_DEST_PATH)" "$user_app"
  drv click next >/dev/null
  if out=$(drv answer-messagebox yes "removes that installation first" 15000); then
    expect_contains "choose, wizard: the question names the folder" "$(field text "$out")" "is installed for all users, in $APP_WIN"
  else
    fail "choose, wizard: asked before the other installation goes"
  fi
  finish_wizard "choose, wizard" 60
  check "choose, wizard: the wizard closes" drv wait-gone "$CAPTION" 60000
  wait_bg 30
  expect_eq "choose, wizard: exit code 0" "$E2E_BG_STATUS" 0
  close_leftovers
  expect_eq "choose, wizard: installed for the user" "$(reg_value "$user_key" UninstallString)" \
    "\"$user_app\\uninstall.exe\""
  drv wait-file-gone "$APP_WIN" 10000 >/dev/null || true
  check "choose, wizard: the installation for every user is gone" eval "no_reg_key '$UNINSTALL_KEY' && [ ! -e '$APP_DIR' ]"
  run_silent choose-wizard-uninstall "$user_app\\uninstall.exe" /S
  expect_eq "choose, wizard: uninstalled" "$E2E_BG_STATUS" 0

  # What the installer restarted elevated runs: the wizard straight on the
  # Progress page, with the folder and the scope given.
  start_bg choose-elevated "$E2E_RUN/choose.exe" /ALLUSERS /ELEVATED "/D=$APP_WIN"
  check "choose, elevated: the wizard opens installing" drv wait-window "$PROGRESS_PAGE" 30000
  finish_wizard "choose, elevated" 60
  check "choose, elevated: ... and closes" drv wait-gone "$CAPTION" 60000
  wait_bg 30
  expect_eq "choose, elevated: exit code 0" "$E2E_BG_STATUS" 0
  close_leftovers
  expect_eq "choose, elevated: installed for every user" "$(reg_value "$UNINSTALL_KEY" UninstallString)" \
    "\"$APP_WIN\\uninstall.exe\""
  run_silent choose-elevated-uninstall "$APP_WIN\\uninstall.exe" /S
  expect_eq "choose, elevated: uninstalled" "$E2E_BG_STATUS" 0
  drv wait-file-gone "$APP_WIN" 10000 >/dev/null || true
  check "choose: nothing installed" nothing_installed
}
