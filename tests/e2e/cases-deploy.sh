# Deployment from outside: unattended install and uninstall, the exit
# codes, the command line's help and mistakes, the one-argument uninstaller
# mode, upgrades and a refused downgrade.
# Needs lib.sh, cases.sh and cases-safety.sh; runs while nothing is installed.

SILENT_WIN='C:\Program Files\Hello Silent'

silent_case() {
  local dir v log
  dir=$(unix_path "$SILENT_WIN")
  rm -f "$(unix_path "$TEMP_WIN\\hello-launched.txt")"
  snapshot silent-before
  run_silent silent-install "$E2E_SETUP" /S "/D=$SILENT_WIN"
  expect_eq "silent install: exit code 0" "$E2E_BG_STATUS" 0
  check "silent install: no window at all" drv expect-no-messagebox
  check "silent install: into /D= with its blanks" same_file "$E2E_STAGE/hello.exe" "$dir/hello.exe"
  check "silent install: launch-exe not started" test ! -e "$(unix_path "$TEMP_WIN\\hello-launched.txt")"
  v=$(drv reg-query "$UNINSTALL_KEY")
  expect_contains "silent install: InstallLocation" "$v" $'InstallLocation\tREG_SZ\t'"$SILENT_WIN"
  expect_contains "silent install: QuietUninstallString" "$v" \
    $'QuietUninstallString\tREG_SZ\t"'"$SILENT_WIN"$'\\uninstall.exe" /S'
  expect_contains "silent install: DisplayVersion" "$v" $'DisplayVersion\tREG_SZ\t1.0'
  log=$(tr -d '\r' <"$(unix_path "$TEMP_WIN\\Hello-install.log")")
  for part in "Command line: " " /S " "Destination: $SILENT_WIN (/D=)" "File written: $SILENT_WIN\\hello.exe (49" \
    "Installation complete" "Exit code 0"; do
    expect_contains "silent install: the setup log holds '$part'" "$log" "$part"
  done
  snapshot silent-installed
  expect_changes "silent install: added the application and nothing else" silent-before silent-installed \
    "$(snap_under "$SILENT_WIN" +)" "$(snap_under "$DESKTOP_WIN\\Hello.lnk" +)" \
    "$(snap_under "$PROGRAMS_WIN\\Hello.lnk" +)" "$(snap_under "$UNINSTALL_KEY" +)" \
    "$(snap_under "$APP_PATHS_KEY" +)" "$(snap_under 'HKLM\Software\kxsetup examples' +)" \
    "$(snap_under 'HKCU\Software\kxsetup examples' +)" "$(snap_under 'HKCR\.hello' +)" \
    "$(snap_under 'HKCR\KxSetup.HelloFile' +)" "$(setup_log_re)" "$(log_copy_re)"

  # Returns once everything but uninstall.exe itself is gone; that follows.
  local opened
  opened=$(grep -c uninstalled "$E2E_RUN/logs/opened-urls.txt")
  run_silent silent-uninstall "$SILENT_WIN\\uninstall.exe" /S
  expect_eq "silent uninstall: exit code 0" "$E2E_BG_STATUS" 0
  check "silent uninstall: no question" drv expect-no-messagebox
  check "silent uninstall: entry gone when it returns" no_reg_key "$UNINSTALL_KEY"
  check "silent uninstall: keys gone when it returns" no_reg_key 'HKLM\Software\kxsetup examples'
  check "silent uninstall: shortcut gone when it returns" test ! -e "$(unix_path "$DESKTOP_WIN\\Hello.lnk")"
  check "silent uninstall: files gone when it returns" test ! -e "$dir/hello.exe"
  check "silent uninstall: the folder is gone within a second" gone_soon "$dir"
  check "silent uninstall: the temporary copy and its folder go" run_folders_gone
  log_has "silent uninstall: the setup log holds what was removed" uninstall "Removed folder $SILENT_WIN"
  log_has "silent uninstall: ... and its exit code" uninstall "Exit code 0"
  log_has "silent uninstall: uninstall-url not opened" uninstall "Not opened (unattended): https://example.com/hello/uninstalled"
  sleep 0.5
  expect_eq "silent uninstall: no browser" "$(grep -c uninstalled "$E2E_RUN/logs/opened-urls.txt")" "$opened"
  snapshot silent-after
  expect_unchanged "silent uninstall: the machine as before" silent-before silent-after "$(setup_log_re)"
}

# The usage as the program holds it (installer/CommandLine.cpp), its
# escapes still written; printf %b gives the text.
usage_source() {
  sed -n '/g_szUsage\[\] = /,/;$/p' installer/CommandLine.cpp | sed 's/^[^"]*"//; s/"[^"]*$//' | tr -d '\n'
}

# The usage as a fixed-width font shows it: each tab pads its line's
# option to the widest option plus two blanks.
usage_aligned() {
  local text
  text=$(printf '%b' "$(usage_source)")
  awk -F'\t' 'NR == FNR { if (NF > 1 && length($1) > w) w = length($1); next }
    NF > 1 { printf "%s%s\n", sprintf("%-" (w + 2) "s", $1), $2; next } { print }' \
    <(printf '%s\n' "$text") <(printf '%s\n' "$text")
}

# usage_columns TEXT: where the description starts in each line the usage
# writes with a tab, one a line.
usage_columns() {
  awk -F'\t' 'NR == FNR { tabbed[FNR] = NF > 1; next } tabbed[FNR] { match($0, /^[^ ]* +/); print RLENGTH }' \
    <(printf '%b\n' "$(usage_source)") <(printf '%s\n' "$1")
}

# /? and mistakes on the command line; a damaged installer run unattended.
command_line_case() {
  local out shown key
  start_bg help "$E2E_SETUP" /?
  out=$(drv focus --window=/^Setup\$/ 15000)
  expect_eq "/?: OK has the focus" "$(line_of focus "$out")" "$IDOK Button \"OK\""
  if out=$(drv answer-messagebox ok "Usage:" 15000); then
    shown=$(printf '%b' "$(field text "$out")")
    expect_eq "/?: the usage, as written" "$shown" "$(usage_aligned)"
    expect_eq "/?: OK is the default button" "$(line_of default "$out")" "$IDOK"
    expect_eq "/?: its descriptions start in one column" \
      "$(usage_columns "$shown" | sort -u | wc -l) of $(usage_columns "$shown" | wc -l)" \
      "1 of $(printf '%b' "$(usage_source)" | grep -c $'\t')"
    check "/?: no tab left" test -z "$(printf '%s' "$shown" | tr -cd '\t')"
  else
    fail "/?: the usage is shown"
  fi
  wait_bg 15
  expect_eq "/?: exit code 0" "$E2E_BG_STATUS" 0
  for key in enter esc; do
    start_bg "help-$key" "$E2E_SETUP" /?
    drv focus --window=/^Setup\$/ 15000 >/dev/null
    drv key --window=/^Setup\$/ $key >/dev/null
    wait_bg 15
    expect_eq "/?: $key closes the usage, exit code 0" "$E2E_BG_STATUS" 0
  done
  start_bg bad-switch "$E2E_SETUP" /SILENT
  if out=$(drv answer-messagebox ok "unknown switch" 15000); then
    shown=$(printf '%b' "$(field text "$out")")
    expect_eq "unknown switch: named first, then the usage" "$shown" "$(printf 'unknown switch: /SILENT\n\n%s' "$(usage_aligned)")"
  else
    fail "unknown switch: the usage is shown"
  fi
  wait_bg 15
  expect_eq "unknown switch: exit code 4" "$E2E_BG_STATUS" 4
  run_silent bad-switch-silent "$E2E_SETUP" /S /quiet
  expect_eq "unknown switch with /S: exit code 4" "$E2E_BG_STATUS" 4
  check "unknown switch with /S: no window" drv expect-no-messagebox
  run_silent relative-d "$E2E_SETUP" /S /D=HelloRel
  expect_eq "/S /D=relative: exit code 3 (a refused destination)" "$E2E_BG_STATUS" 3
  log_has "/S /D=relative: the setup log says why" install "Destination refused: Please type the full path"
  run_silent bad-silent "$E2E_RUN/bad-truncated.exe" /S "/LOG=C:\\damaged.log"
  expect_eq "damaged installer with /S: exit code 1" "$E2E_BG_STATUS" 1
  check "damaged installer with /S: no window" drv expect-no-messagebox
  check "damaged installer with /S: /LOG= holds why" grep -q "The package can.t be used" "$(unix_path 'C:\damaged.log')"
  check "nothing installed by any of them" nothing_installed
  rm -f "$(unix_path 'C:\damaged.log')"
}

# The program started with the quoted path of a log, as older launchers
# start it: it is the uninstaller.
one_argument_case() {
  run_silent one-arg-install "$E2E_SETUP" /S
  expect_eq "one argument: installed" "$E2E_BG_STATUS" 0
  cp "$E2E_STUB" "$E2E_RUN/plain-copy.exe"
  start_bg one-arg "$E2E_RUN/plain-copy.exe" "$APP_WIN\\uninstall.dat"
  check "one argument: the uninstall question" drv answer-messagebox no "completely remove" 15000
  wait_bg 15
  expect_eq "one argument, No: exit code 2" "$E2E_BG_STATUS" 2
  check "one argument, No: still installed" test -f "$APP_DIR/hello.exe"
}

# 1.0 (left by one_argument_case) to 1.1 under the same uninstall-key:
# one entry. Then 1.0 again: refused unattended without /FORCE, asked about
# before the wizard's first page. Then 1.2 under another display name and no uninstall-key:
# the entry of the same uninstaller is replaced, not doubled.
upgrade_case() {
  local out key12='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hello World 1.2'
  # The example writes its version once; -D overrides it.
  variant v11 -D VERSION=1.1 setup '<uninstall-display-name>Hello World</uninstall-display-name>' \
    '<uninstall-display-name>Hello World 1.1</uninstall-display-name><uninstall-key>Hello World</uninstall-key>' || return
  variant v12 -D VERSION=1.2 setup '<uninstall-display-name>Hello World</uninstall-display-name>' \
    '<uninstall-display-name>Hello World 1.2</uninstall-display-name>' || return
  run_silent upgrade-11 "$E2E_RUN/v11.exe" /S
  expect_eq "upgrade to 1.1: exit code 0" "$E2E_BG_STATUS" 0
  expect_eq "upgrade to 1.1: into the installed folder" "$(reg_value "$UNINSTALL_KEY" InstallLocation)" "$APP_WIN"
  expect_eq "upgrade to 1.1: the entry now says 1.1" "$(reg_value "$UNINSTALL_KEY" DisplayVersion)" '1.1'
  expect_eq "upgrade to 1.1: ... as does the example's own value" \
    "$(reg_value 'HKLM\Software\kxsetup examples\Hello' Version)" '1.1'
  expect_eq "upgrade to 1.1: ... under its new name" "$(reg_value "$UNINSTALL_KEY" DisplayName)" 'Hello World 1.1'
  expect_eq "upgrade to 1.1: one entry" "$(entries_running "$APP_WIN")" 1

  run_silent downgrade "$E2E_SETUP" /S
  expect_eq "downgrade to 1.0 unattended: exit code 6" "$E2E_BG_STATUS" 6
  log_has "downgrade: the setup log says why" install "Version 1.1 is installed, newer than this installer's"
  expect_eq "downgrade: 1.1 stays" "$(reg_value "$UNINSTALL_KEY" DisplayVersion)" '1.1'
  # In the wizard: asked before any page shows.
  snapshot downgrade-before
  start_bg downgrade-no "$E2E_SETUP"
  if out=$(drv messagebox "is installed, which is newer" 30000); then
    expect_eq "downgrade in the wizard: asked" "$(field text "$out")" \
      "Hello 1.1 is installed, which is newer than the version 1.0 that this installer holds.\n\nDo you want to replace it with the older version?"
    expect_eq "downgrade in the wizard: Yes or No, No the default" \
      "$(line_of buttons "$out") default $(line_of default "$out")" "$IDYES:&Yes $IDNO:&No default $IDNO"
    check "downgrade in the wizard: no page shows while it asks" drv wait-gone "$CAPTION - " 0
    drv answer-messagebox no "is installed, which is newer" 5000 >/dev/null
  else
    fail "downgrade in the wizard: asked"
  fi
  wait_bg 15
  expect_eq "downgrade in the wizard, No: exit code 6" "$E2E_BG_STATUS" 6
  check "downgrade in the wizard, No: no wizard" drv wait-gone "$CAPTION - " 0
  log_has "downgrade in the wizard, No: the setup log says the user declined" install \
    "Version 1.1 is installed, newer than this installer's: the user declined to replace it"
  snapshot downgrade-after
  expect_unchanged "downgrade in the wizard, No: changed nothing" downgrade-before downgrade-after "$(setup_log_re)"
  start_bg downgrade-yes "$E2E_SETUP"
  check "downgrade in the wizard, Yes: answered" drv answer-messagebox yes "is installed, which is newer" 30000
  check "downgrade in the wizard, Yes: the terms page" drv expect-page "$TERMS_PAGE" 10000
  cancel_wizard "downgrade in the wizard, Yes"
  run_silent downgrade-forced "$E2E_SETUP" /S /FORCE
  expect_eq "downgrade with /FORCE: exit code 0" "$E2E_BG_STATUS" 0
  expect_eq "downgrade with /FORCE: the entry says 1.0" "$(reg_value "$UNINSTALL_KEY" DisplayVersion)" '1.0'

  run_silent upgrade-12 "$E2E_RUN/v12.exe" /S
  expect_eq "upgrade to 1.2: exit code 0" "$E2E_BG_STATUS" 0
  expect_eq "upgrade to 1.2: its entry" "$(reg_value "$key12" DisplayVersion)" '1.2'
  check "upgrade to 1.2: the earlier entry is gone" no_reg_key "$UNINSTALL_KEY"
  expect_eq "upgrade to 1.2: one entry" "$(entries_running "$APP_WIN")" 1
  run_silent upgrade-cleanup "$APP_WIN\\uninstall.exe" /S
  expect_eq "upgrades: uninstalled" "$E2E_BG_STATUS" 0
  # uninstall.exe and its folder follow once it has returned.
  check "upgrades: the folder goes within a second" gone_soon "$APP_DIR"
  check "upgrades: nothing left" nothing_installed
  check "upgrades: no entry left" no_reg_key "$key12"
}
