# Programs that hold the installation's files: hello-editor.exe (built
# here from tests/e2e/running) runs from the installed folder, holding its
# own file and editor-lib.dll. An upgrade or an uninstall names it before
# it changes anything; Close them asks it to close (its window's WM_CLOSE)
# and goes on; Retry asks again while it runs; Cancel changes nothing.
# Unattended, /CLOSEAPPLICATIONS closes it, else the run ends with 5.
# Under Wine 8 the Restart Manager is a stub that names no one: these
# cases go the process snapshot's way.
# Needs lib.sh, cases.sh and cases-safety.sh; runs while nothing is installed.

EDITOR_TITLE='/^Hello Editor$/'

# build_editor: the variant "running" of the example, which also installs
# hello-editor.exe and editor-lib.dll, packed as $E2E_RUN/running.exe.
build_editor() {
  local out=$E2E_RUN/editor
  mkdir -p "$out"
  if ! {
    i686-w64-mingw32-gcc -Os -s -Wall -Wextra -Werror -shared -o "$out/editor-lib.dll" tests/e2e/running/editor-lib.c \
      -Wl,--out-implib,"$out/libeditor-lib.a" &&
      i686-w64-mingw32-windres tests/e2e/running/hello-editor.rc -o "$out/hello-editor-res.o" &&
      i686-w64-mingw32-gcc -Os -s -Wall -Wextra -Werror -mwindows -o "$out/hello-editor.exe" \
        tests/e2e/running/hello-editor.c "$out/hello-editor-res.o" -L"$out" -leditor-lib
  } >"$E2E_RUN/logs/editor-build.log" 2>&1; then
    fail "hello-editor.exe builds" "$(cat "$E2E_RUN/logs/editor-build.log")"
    return 1
  fi
  # In the stage only while the variant is packed.
  cp "$out/hello-editor.exe" "$out/editor-lib.dll" "$E2E_STAGE/"
  variant running setup '<file src="hello.exe" dest="%APP%" />' \
    '<file src="hello.exe" dest="%APP%" /><file src="hello-editor.exe" dest="%APP%" /><file src="editor-lib.dll" dest="%APP%" />'
  local status=$?
  rm -f "$E2E_STAGE/hello-editor.exe" "$E2E_STAGE/editor-lib.dll"
  return $status
}

# start_editor: hello-editor.exe from the installed folder, its window up.
start_editor() {
  wine "$APP_WIN\\hello-editor.exe" >>"$E2E_RUN/logs/editor.log" 2>&1 </dev/null &
  drv wait-window "$EDITOR_TITLE" 15000 >/dev/null
}

# editor_starts: how often it started since the marker was emptied.
editor_starts() { grep -c '^started' "$EDITOR_MARKER" 2>/dev/null || true; }

# A program of the installation running: asked about in the wizard (Retry,
# Cancel, Close them, the offer to start it again), then unattended.
running_install_case() {
  local out
  build_editor || return
  EDITOR_MARKER=$(unix_path "$TEMP_WIN\\hello-editor-started.txt")
  rm -f "$EDITOR_MARKER"
  run_silent running-install "$E2E_RUN/running.exe" /S
  expect_eq "running: installed" "$E2E_BG_STATUS" 0
  start_editor || fail "running: hello-editor.exe runs from the installed folder"
  snapshot running-before

  # Named; Retry while it runs asks again; Cancel ends with 2, nothing changed.
  to_destination "$E2E_RUN/running.exe" running-cancel || fail "running: destination page shown"
  drv click next >/dev/null
  if out=$(drv answer-messagebox $IDC_IN_USE_RETRY "is running" 15000); then
    expect_eq "running: the question carries the installer's title" "$(field caption "$out")" "$CAPTION"
    expect_contains "running: the question names the program" "$(field text "$out")" \
      "Hello Editor is running and uses files in $APP_WIN."
    expect_eq "running: Close them, Retry, Cancel" "$(line_of buttons "$out")" \
      "$IDC_IN_USE_CLOSE:&Close them $IDC_IN_USE_RETRY:&Retry $IDCANCEL:Cancel"
    expect_eq "running: Close them is the default" "$(line_of default "$out")" "$IDC_IN_USE_CLOSE"
  else
    fail "running: asked about the program in use"
  fi
  check "running, Retry while it runs: asked again" drv answer-messagebox cancel "Hello Editor is running" 15000
  wizard_ends "running, Cancel" 2 15
  check "running, Cancel: the program still runs" drv wait-window "$EDITOR_TITLE" 2000
  snapshot running-cancelled
  expect_unchanged "running, Cancel: nothing changed" running-before running-cancelled "$(setup_log_re)"

  # Unattended without /CLOSEAPPLICATIONS: 5, nothing changed.
  run_silent running-silent "$E2E_RUN/running.exe" /S
  expect_eq "running, unattended: exit code 5" "$E2E_BG_STATUS" 5
  log_has "running, unattended: the setup log names the program" install \
    "Hello Editor (process "
  log_has "running, unattended: ... and says why nothing changed" install \
    "Not closed without /CLOSEAPPLICATIONS: nothing was changed"
  check "running, unattended: the program still runs" drv wait-window "$EDITOR_TITLE" 2000
  snapshot running-refused
  expect_unchanged "running, unattended: nothing changed" running-before running-refused "$(setup_log_re)"

  # Close them: it goes, the upgrade completes, the offer starts it again.
  to_destination "$E2E_RUN/running.exe" running-close || fail "running: destination page shown again"
  drv click next >/dev/null
  check "running: Close them" drv answer-messagebox $IDC_IN_USE_CLOSE "Hello Editor is running" 15000
  check "running, Close them: the program has ended" drv wait-process-gone hello-editor.exe 15000
  if out=$(drv answer-messagebox yes "start them again" 30000); then
    expect_eq "running, Close them: offered to start it again" "$(field text "$out")" \
      'Setup closed these programs:\n- Hello Editor\n\nDo you want to start them again?'
  else
    fail "running, Close them: offered to start it again"
  fi
  finish_wizard "running, Close them"
  wizard_ends "running, Close them" 0 30
  check "running, Close them: upgraded" same_file "$E2E_RUN/editor/hello-editor.exe" "$APP_DIR/hello-editor.exe"
  check "running, Close them: started again" drv wait-window "$EDITOR_TITLE" 15000
  expect_eq "running, Close them: started twice in all" "$(editor_starts)" 2
  log_has "running, Close them: the setup log says it was closed" install "Closed: Hello Editor"

  # Unattended with /CLOSEAPPLICATIONS: closed, installed, not started again.
  run_silent running-close-silent "$E2E_RUN/running.exe" /S /CLOSEAPPLICATIONS
  expect_eq "running, /CLOSEAPPLICATIONS: exit code 0" "$E2E_BG_STATUS" 0
  check "running, /CLOSEAPPLICATIONS: the program has ended" drv wait-process-gone hello-editor.exe 5000
  log_has "running, /CLOSEAPPLICATIONS: the setup log says so" install "Asking them to close (/CLOSEAPPLICATIONS)"
  log_has "running, /CLOSEAPPLICATIONS: ... and that it is not started again" install \
    "The programs closed are not started again (unattended)"
  expect_eq "running, /CLOSEAPPLICATIONS: not started again" "$(editor_starts)" 2

  drv close-window "$EDITOR_TITLE" 10000 >/dev/null
  run_silent running-cleanup "$APP_WIN\\uninstall.exe" /S
  expect_eq "running: uninstalled" "$E2E_BG_STATUS" 0
}

# The same before an uninstall: unattended it ends with 5 and removes
# nothing; asked, Close them lets it go on; /CLOSEAPPLICATIONS closes it.
running_uninstall_case() {
  local out
  [ -f "$E2E_RUN/running.exe" ] || build_editor || return
  run_silent running-uninstall-install "$E2E_RUN/running.exe" /S
  expect_eq "running uninstall: installed" "$E2E_BG_STATUS" 0
  start_editor || fail "running uninstall: hello-editor.exe runs from the installed folder"
  snapshot running-uninstall-before

  run_silent running-uninstall-silent "$APP_WIN\\uninstall.exe" /S
  expect_eq "running uninstall, unattended: exit code 5" "$E2E_BG_STATUS" 5
  log_has "running uninstall, unattended: the setup log names the program" uninstall "Hello Editor (process "
  log_has "running uninstall, unattended: ... and that nothing was removed" uninstall "Nothing was removed"
  snapshot running-uninstall-refused
  expect_unchanged "running uninstall, unattended: nothing removed" running-uninstall-before \
    running-uninstall-refused "$(setup_log_re)"

  start_bg running-uninstall "$APP_WIN\\uninstall.exe"
  check "running uninstall: asks first" drv answer-messagebox yes "completely remove" 15000
  if out=$(drv answer-messagebox $IDC_IN_USE_CLOSE "Hello Editor is running" 15000); then
    expect_eq "running uninstall: the question carries the application's name" "$(field caption "$out")" 'Hello'
  else
    fail "running uninstall: asked about the program in use"
  fi
  uninstall_done "running uninstall"
  wait_bg 30
  expect_eq "running uninstall, Close them: exit code 0" "$E2E_BG_STATUS" 0
  close_leftovers
  check "running uninstall, Close them: the program has ended" drv wait-process-gone hello-editor.exe 5000
  check "running uninstall, Close them: removed" gone_soon "$APP_DIR"

  run_silent running-uninstall-reinstall "$E2E_RUN/running.exe" /S
  expect_eq "running uninstall: installed again" "$E2E_BG_STATUS" 0
  start_editor || fail "running uninstall: hello-editor.exe runs again"
  run_silent running-uninstall-close "$APP_WIN\\uninstall.exe" /S /CLOSEAPPLICATIONS
  expect_eq "running uninstall, /CLOSEAPPLICATIONS: exit code 0" "$E2E_BG_STATUS" 0
  check "running uninstall, /CLOSEAPPLICATIONS: the program has ended" drv wait-process-gone hello-editor.exe 5000
  check "running uninstall, /CLOSEAPPLICATIONS: removed" gone_soon "$APP_DIR"
  drv close-window "$EDITOR_TITLE" 10000 >/dev/null
}
