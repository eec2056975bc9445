# Who gets the installation: with <scope>machine</scope> the example's
# shortcuts go to every user's Desktop and Start menu, and the uninstaller
# finds them there by the scope the installation recorded.
# Needs lib.sh, cases.sh, cases-safety.sh; runs while nothing is installed.

scope_machine_case() {
  local desktop programs
  variant scope setup '<app-name>Hello</app-name>' '<app-name>Hello</app-name><scope>machine</scope>' || return
  desktop=$(drv expand '%PUBLIC%\Desktop')
  programs=$(drv expand '%ProgramData%\Microsoft\Windows\Start Menu\Programs')
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
  check "machine scope: nothing installed" nothing_installed
}
