# Names the program chooses for its own files. The uninstaller's temporary
# copy runs from a new folder of its own that differs each time, where no
# other program can change, rename or delete it, and which is gone once the
# copy has ended. Links made beforehand at the names the program used to
# write (or still writes first: the setup logs, the crash report) are never
# written through. /LOG= never writes into the installation, nor over a
# file that isn't a setup log.
# Needs lib.sh, cases.sh and cases-safety.sh; runs while nothing is installed.

# names_victim NAME TEXT: a file of the user's in Documents, its Linux path.
names_victim() {
  local file
  file="$(unix_path "$(drv shell-folder Personal)")/$1"
  printf '%s\n' "$2" >"$file"
  printf '%s\n' "$file"
}

names_copy_case() {
  local i folder first= copy out answer code t0
  run_base
  log "     (elevated under Wine: $(drv elevated); private folders in $RUN_BASE_WIN)"
  run_silent names-copy-install "$E2E_SETUP" /S
  expect_eq "copy: installed" "$E2E_BG_STATUS" 0
  for i in 1 2; do
    start_uninstaller "names $i" || { close_leftovers; return; }
    folder=$(run_folders)
    if [[ $folder =~ ^kx-[0-9a-f]{16}$ ]]; then
      pass "copy $i: in one new folder named kx- and 16 hex digits ($folder)"
    else
      fail "copy $i: in one new folder named kx- and 16 hex digits" "found: $(printf '%s' "$folder" | tr '\n' ' ')"
    fi
    copy="$RUN_BASE_WIN\\$folder\\kx-uninstaller-temp.exe"
    check "copy $i: the running uninstaller's bytes" same_file "$RUN_BASE_DIR/$folder/kx-uninstaller-temp.exe" \
      "$APP_DIR/uninstall.exe"
    check "copy $i: nothing at the old fixed name" test ! -e "$(unix_path "$TEMP_WIN\\kx-uninstaller-temp.exe")"
    if out=$(drv try-change "$copy"); then
      pass "copy $i: another program can't overwrite, rename or delete it"
    else
      fail "copy $i: another program can't overwrite, rename or delete it" "$(printf '%s' "$out" | tr '\n' ' ')"
    fi
    check "copy $i: still the uninstaller's bytes" same_file "$RUN_BASE_DIR/$folder/kx-uninstaller-temp.exe" \
      "$APP_DIR/uninstall.exe"
    if [ $i == 1 ]; then
      first=$folder answer=no code=2
    else
      expect_eq "copy 2: another folder than the first run's" "$([ "$folder" != "$first" ] && echo yes)" yes
      answer=yes code=0
    fi
    check "copy $i: answer $answer" drv answer-messagebox $answer "completely remove" 5000
    [ $answer == no ] || uninstall_done "copy $i"
    wait_bg 30
    expect_eq "copy $i: exit code $code" "$E2E_BG_STATUS" "$code"
    check "copy $i: the copy ends" drv wait-process-gone kx-uninstaller-temp.exe 30000
    t0=$(now_ms)
    check "copy $i: its folder goes within seconds, nothing kx-* is left" run_folders_gone 15
    log "     (the folder went $(($(now_ms) - t0)) ms after the copy's end was seen)"
    close_leftovers
  done
  check "copy: uninstalled" gone_soon "$APP_DIR"
}

# Links at the names, each to a file of the user's; then a wizard install
# (which loads the logo), a wizard uninstall and a crash.
names_links_case() {
  local temp name victim out report i
  temp=$(unix_path "$TEMP_WIN")
  rm -f "$temp"/ZB-Crash*.html "$temp"/Hello-install*.log "$temp"/Hello-uninstall*.log
  local -A links=([kx-uninstaller-temp.exe]=names-copy.txt [Hello-install.log]=names-install-log.txt
    [Hello-uninstall.log]=names-uninstall-log.txt [ZB-Crash.html]=names-crash.txt
    [kx-installer-logo-temp.bmp]=names-logo.txt)
  for name in "${!links[@]}"; do
    victim=$(names_victim "${links[$name]}" "the user's own ${links[$name]}")
    rm -f "$temp/$name"
    ln -s "$victim" "$temp/$name"
  done
  snapshot names-links-before

  to_destination "$E2E_SETUP" names-links-install || fail "links: destination page shown"
  drv click next >/dev/null
  finish_wizard "links: install"
  wizard_ends "links: install" 0 30
  check "links: installed" test -f "$APP_DIR/hello.exe"
  check "links: the setup log is the next name" grep -q "Installation complete" "$temp/Hello-install-2.log"
  start_uninstaller "links" || { close_leftovers; return; }
  check "links: answer Yes" drv answer-messagebox yes "completely remove" 5000
  uninstall_done "links"
  wait_bg 30
  expect_eq "links: uninstalled (exit code 0)" "$E2E_BG_STATUS" 0
  check "links: the folder goes" gone_soon "$APP_DIR"
  check "links: the uninstall log is the next name" grep -q "Uninstall complete" "$temp/Hello-uninstall-2.log"
  check "links: the copy's folder goes" run_folders_gone 15

  export KX_TEST_CRASH=1
  start_bg names-crash "$E2E_SETUP"
  unset KX_TEST_CRASH
  if out=$(drv answer-messagebox ok "stopped unexpectedly" 15000); then
    expect_contains "links: the crash report is the next name" "$(field text "$out")" "$TEMP_WIN\\ZB-Crash-1.html"
  else
    fail "links: the crash is told"
  fi
  wait_bg 10
  close_leftovers
  check "links: the report is written" grep -q "EXCEPTION_ACCESS_VIOLATION" "$temp/ZB-Crash-1.html"

  for name in "${!links[@]}"; do
    expect_eq "links: $name still links to the user's file" "$(readlink "$temp/$name")" \
      "$(unix_path "$(drv shell-folder Personal)")/${links[$name]}"
    expect_eq "links: ... which is unchanged" "$(cat "$temp/$name")" "the user's own ${links[$name]}"
  done
  snapshot names-links-after
  expect_unchanged "links: nothing else changed" names-links-before names-links-after "$(setup_log_re)" \
    "$(snap_under "$TEMP_WIN\\ZB-Crash-1.html" +)" "$(snap_under "$TEMP_WIN\\hello-launched.txt")"
  for name in "${!links[@]}"; do rm -f "$temp/$name" "$(unix_path "$(drv shell-folder Personal)")/${links[$name]}"; done
  rm -f "$temp"/ZB-Crash-1.html
}

# /LOG= into the installation or over a file of the user's: refused as a
# bad command line, nothing else done; a later uninstall works. Without
# /D=, the folder the run installs into is judged once it is known: /S
# refuses, the wizard's log goes on in the default place.
names_log_case() {
  local dat out victim dest_win='C:\Program Files\Hello Log'
  # The proposed folder, not there yet: its /LOG= can't even be created.
  run_silent names-log-fresh "$E2E_SETUP" /S "/LOG=$APP_WIN\\setup.log"
  expect_eq "install /LOG=<the proposed folder>: exit code 4" "$E2E_BG_STATUS" 4
  check "install /LOG=<the proposed folder>: nothing installed" nothing_installed
  log_has "install /LOG=<the proposed folder>: the default log says why" install \
    "Bad command line: /LOG=$APP_WIN\\setup.log is refused: it lies in the installation's folder"
  run_silent names-log-install "$E2E_SETUP" /S
  expect_eq "/LOG=: installed" "$E2E_BG_STATUS" 0
  # Installed again: the files it replaces wait in a run folder, which goes.
  run_base
  run_silent names-log-reinstall "$E2E_SETUP" /S
  expect_eq "reinstall: exit code 0" "$E2E_BG_STATUS" 0
  log_has "reinstall: replaced files were kept in a run folder" install "Replaced files are kept in $RUN_BASE_WIN\\kx-undo-"
  check "reinstall: ... which is gone" run_folders_gone 0
  cp "$APP_DIR/uninstall.dat" "$E2E_RUN/uninstall.dat.before"
  victim=$(names_victim names-notes.txt "my notes")
  snapshot names-log-before

  run_silent names-log-own "$APP_WIN\\uninstall.exe" /S "/LOG=$APP_WIN\\uninstall.dat"
  expect_eq "uninstall /LOG=uninstall.dat: exit code 4" "$E2E_BG_STATUS" 4
  check "uninstall /LOG=uninstall.dat: uninstall.dat intact" same_file "$E2E_RUN/uninstall.dat.before" "$APP_DIR/uninstall.dat"
  check "uninstall /LOG=uninstall.dat: no window" drv expect-no-messagebox
  log_has "uninstall /LOG=uninstall.dat: the setup log says why" uninstall \
    "Bad command line: /LOG=$APP_WIN\\uninstall.dat is refused: it lies in the installation's folder"
  check "uninstall /LOG=uninstall.dat: the copy's folder goes" run_folders_gone 15

  start_bg names-log-own-wizard "$APP_WIN\\uninstall.exe" "/LOG=$APP_WIN\\hello.log"
  if out=$(drv answer-messagebox ok "is refused" 15000); then
    expect_contains "uninstall /LOG=<installation>: the reason and the usage" "$(field text "$out")" \
      "/LOG=$APP_WIN\\hello.log is refused: it lies in the installation's folder\n\nUsage:"
  else
    fail "uninstall /LOG=<installation>: the reason and the usage shown"
  fi
  wait_bg 15
  expect_eq "uninstall /LOG=<installation>: exit code 4" "$E2E_BG_STATUS" 4

  run_silent names-log-victim "$APP_WIN\\uninstall.exe" /S "/LOG=$(drv shell-folder Personal)\\names-notes.txt"
  expect_eq "uninstall /LOG=<a file of the user's>: exit code 4" "$E2E_BG_STATUS" 4
  log_has "uninstall /LOG=<a file of the user's>: the setup log says why" uninstall \
    "names-notes.txt is refused: something other than an earlier setup log has that name"
  run_silent names-log-dest "$E2E_SETUP" /S "/LOG=$dest_win\\setup.log" "/D=$dest_win"
  expect_eq "install /LOG=<the /D= folder>: exit code 4" "$E2E_BG_STATUS" 4
  check "install /LOG=<the /D= folder>: nothing installed there" test ! -e "$(unix_path "$dest_win")"
  # The installed folder, which /S proposes: the log opened there leaves.
  run_silent names-log-proposed "$E2E_SETUP" /S "/LOG=$APP_WIN\\setup.log"
  expect_eq "install /LOG=<the installed folder, no /D=>: exit code 4" "$E2E_BG_STATUS" 4
  check "install /LOG=<the installed folder, no /D=>: no such file there" test ! -e "$APP_DIR/setup.log"
  log_has "install /LOG=<the installed folder, no /D=>: the default log says why" install \
    "Bad command line: /LOG=$APP_WIN\\setup.log is refused: it lies in the installation's folder"
  log_has "install /LOG=<the installed folder, no /D=>: ... with the lines written there" install \
    "The setup log was at $APP_WIN\\setup.log, in the folder installed into"
  check "no copy's folder left" run_folders_gone 15
  snapshot names-log-after
  expect_unchanged "/LOG= refused: nothing changed" names-log-before names-log-after "$(setup_log_re)"
  expect_eq "/LOG= refused: the user's file unchanged" "$(cat "$victim")" "my notes"

  # The wizard installs into the folder chosen (the installed one): the log
  # goes on in the default place from then, with what it held.
  start_bg names-log-wizard "$E2E_SETUP" "/LOG=$APP_WIN\\wizard.log"
  check "wizard /LOG=<the folder chosen>: the terms" drv wait-window "$TERMS_PAGE" 30000
  drv click next >/dev/null
  check "wizard /LOG=<the folder chosen>: the destination" drv expect-page "$DEST_PAGE" 5000
  drv click next >/dev/null
  finish_wizard "wizard /LOG=<the folder chosen>"
  wizard_ends "wizard /LOG=<the folder chosen>" 0 30
  check "wizard /LOG=<the folder chosen>: no such file there" test ! -e "$APP_DIR/wizard.log"
  log_has "wizard /LOG=<the folder chosen>: the default log says so" install \
    "The setup log was at $APP_WIN\\wizard.log, in the folder installed into"
  log_has "wizard /LOG=<the folder chosen>: ... and holds the lines from before" install "kxsetup installer, "
  log_has "wizard /LOG=<the folder chosen>: ... and after" install "Installation complete"

  run_silent names-log-uninstall "$APP_WIN\\uninstall.exe" /S
  expect_eq "/LOG=: a later uninstall works" "$E2E_BG_STATUS" 0
  check "/LOG=: the folder goes" gone_soon "$APP_DIR"
  check "/LOG=: nothing installed" nothing_installed
  rm -f "$victim"
}
