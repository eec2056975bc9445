# Command lines the installer builds, from outside: a destination with an
# apostrophe must not end the script's quotes in run-command (it used to
# take a user's folder apart), values reach the program whole, and
# launch-exe under "C:\Program Files\..." never starts a planted
# C:\Program.exe. show-args.exe (built here) shows what a program received.
# Needs lib.sh, cases.sh and cases-safety.sh; runs while nothing is installed.

KIDS_WIN="C:\\Games\\Kids' Games\\Hello"
MINI_WIN='C:\Program Files\Mini'
SHOW_ARGS_WIN='C:\cmdline\show-args.exe'

# show_args: show-args.exe at SHOW_ARGS_WIN (its report beside it is
# emptied), built once per run.
show_args() {
  local exe=$E2E_RUN/show-args.exe
  if [ ! -f "$exe" ] && ! i686-w64-mingw32-gcc -Os -s -Wall -o "$exe" tests/e2e/show-args.c -lshell32 \
    >"$E2E_RUN/logs/show-args-build.log" 2>&1; then
    fail "show-args.exe builds" "$(cat "$E2E_RUN/logs/show-args-build.log")"
    return 1
  fi
  mkdir -p "$(dirname "$(unix_path "$SHOW_ARGS_WIN")")"
  cp "$exe" "$(unix_path "$SHOW_ARGS_WIN")"
  rm -f "$(unix_path "$SHOW_ARGS_WIN.txt")"
}

# The example with a file %APP%cache that a run-command deletes as
# '%APP%cache', then show-args.exe given %APP% and a value with quotes in
# every form, into C:\Games\Kids' Games\Hello beside the user's own
# C:\Games\Kids.
apostrophe_destination_case() {
  local app_dir kids_dir expected got
  show_args || return
  app_dir=$(unix_path "$KIDS_WIN")
  kids_dir=$(unix_path 'C:\Games\Kids')
  # The user's folders: C:\Games\Kids, and Kids' Games to install into.
  mkdir -p "$kids_dir" "$(dirname "$app_dir")"
  echo "my drawings" >"$kids_dir/drawing.txt"
  variant apostrophe setup \
    '<file src="hello.exe" dest="%APP%" />' \
    '<file src="hello.exe" dest="%APP%" /><file src="terms.txt" dest="%APP%" name="cache" />' \
    setup 'parameters="/c echo Hello from the installer, now in %APP%" stoponfail="true" />' \
    "parameters=\"/c del /q '%APP%cache'\" stoponfail=\"true\" /><run-command cmd=\"$SHOW_ARGS_WIN\" \
parameters=\"'%APP%' %APP% '%APP%x' %APP%cache %KX_E2E_ODD% '%KX_E2E_ODD%' %KX_E2E_NONE%\" stoponfail=\"true\" />" ||
    return
  snapshot apostrophe-before
  export KX_E2E_ODD='say "hi" to C:\x\'
  run_silent apostrophe "$E2E_RUN/apostrophe.exe" /S "/D=$KIDS_WIN"
  unset KX_E2E_ODD
  expect_eq "apostrophe destination: exit code 0" "$E2E_BG_STATUS" 0
  check "apostrophe destination: installed there" same_file "$E2E_STAGE/hello.exe" "$app_dir/hello.exe"
  log_has "apostrophe destination: %APP%cache was installed" install "File written: $KIDS_WIN\\cache ("
  check "apostrophe destination: del '%APP%cache' removed %APP%cache" test ! -e "$app_dir/cache"
  expect_eq "apostrophe destination: the user's C:\\Games\\Kids and its file stay" \
    "$(cat "$kids_dir/drawing.txt" 2>&1)" "my drawings"
  log_has "apostrophe destination: cmd got its path quoted as the script meant" install \
    "Running \"C:\\windows\\system32\\cmd.exe\" /c del /q \"$KIDS_WIN\\cache\""
  # What the program received, argument by argument.
  expected=$(printf '[%s]\n' "$KIDS_WIN\\" "$KIDS_WIN\\" "$KIDS_WIN\\x" "$KIDS_WIN\\cache" \
    'say "hi" to C:\x\' 'say "hi" to C:\x\' '%KX_E2E_NONE%')
  got=$(tr -d '\r' <"$app_dir/install.log" 2>/dev/null | grep -v '^line ')
  expect_eq "apostrophe destination: the program got each value whole" "$got" "$expected"

  run_silent apostrophe-uninstall "$KIDS_WIN\\uninstall.exe" /S
  expect_eq "apostrophe destination: uninstalled" "$E2E_BG_STATUS" 0
  check "apostrophe destination: its folder goes" gone_soon "$app_dir"
  snapshot apostrophe-after
  expect_unchanged "apostrophe destination: nothing of the user's changed, nothing of the installation left" \
    apostrophe-before apostrophe-after "$(setup_log_re)" "$(snap_under "$SHOW_ARGS_WIN.txt" +)"
  rm -rf "$(unix_path 'C:\Games')"
}

# launch-exe written without quotes, under a destination with a blank:
# Windows would try C:\Program.exe for such a command line first. Then
# launch-exe naming a bare hello.exe.
launch_planted_case() {
  local planted marker out
  show_args || return
  planted=$(unix_path 'C:\Program.exe')
  cp "$(unix_path "$SHOW_ARGS_WIN")" "$planted"
  rm -f "$planted.txt"
  marker=$(unix_path "$TEMP_WIN\\hello-launched.txt")
  rm -f "$marker"
  # The proof that the check below can fail: under this Wine, a line that
  # names no program and doesn't quote its path starts the planted one.
  drv exit-code-line "$MINI_WIN\\hello.exe --marker" >"$E2E_RUN/logs/launch-planted-control.log" 2>&1
  if [ -e "$planted.txt" ]; then
    pass "planted C:\\Program.exe, control: an unquoted line starts it"
  else
    fail "planted C:\\Program.exe, control: an unquoted line starts it" \
      "C:\\Program.exe did not run (the check below would prove nothing): $(cat "$E2E_RUN/logs/launch-planted-control.log")"
  fi
  rm -f "$planted.txt"
  variant launch-unquoted setup '<launch-exe>"%APP%hello.exe" --marker' '<launch-exe>%APP%hello.exe --marker' ||
    return
  to_destination "$E2E_RUN/launch-unquoted.exe" launch-unquoted || {
    fail "planted C:\\Program.exe: the wizard shows"
    close_leftovers
    return
  }
  drv set-text $IDC_DEST_PATH "$MINI_WIN" >/dev/null
  drv click next >/dev/null
  finish_wizard "planted C:\\Program.exe"
  wizard_ends "planted C:\\Program.exe" 0 30
  check "planted C:\\Program.exe: never started" test ! -e "$planted.txt"
  # The program writes its marker once it runs: give it a moment.
  check "planted C:\\Program.exe: hello.exe started in the destination" \
    bash -c 'for _ in $(seq 100); do grep -qF "$1" "$2" 2>/dev/null && exit 0; sleep 0.1; done; exit 1' _ \
    "hello was started in $MINI_WIN" "$marker"
  log_has "planted C:\\Program.exe: the setup log names the program quoted" install \
    "Started \"$MINI_WIN\\hello.exe\" --marker \"$TEMP_WIN\\hello-launched.txt\""

  run_silent launch-unquoted-uninstall "$MINI_WIN\\uninstall.exe" /S
  expect_eq "planted C:\\Program.exe: uninstalled" "$E2E_BG_STATUS" 0
  check "planted C:\\Program.exe: its folder goes" gone_soon "$(unix_path "$MINI_WIN")"
  rm -f "$planted" "$planted.txt" "$marker"

  # A bare name is the system folder's only: a hello.exe beside the
  # installer (where Windows would look first) is never started, and the
  # user is told.
  cp "$(unix_path "$SHOW_ARGS_WIN")" "$E2E_RUN/hello.exe"
  rm -f "$E2E_RUN/hello.exe.txt"
  variant launch-bare setup '<launch-exe>"%APP%hello.exe" --marker' '<launch-exe>hello.exe --marker' || return
  to_destination "$E2E_RUN/launch-bare.exe" launch-bare || {
    fail "bare launch-exe: the wizard shows"
    close_leftovers
    return
  }
  drv set-text $IDC_DEST_PATH "$MINI_WIN" >/dev/null
  drv click next >/dev/null
  finish_wizard "bare launch-exe"
  out=$(drv answer-messagebox ok "The installer was unable to launch" 30000)
  expect_contains "bare launch-exe: the user is told" "$(field text "$out")" \
    "program hello.exe --marker \"$TEMP_WIN\\hello-launched.txt\"."
  wizard_ends "bare launch-exe" 3
  check "bare launch-exe: the program beside the installer never started" test ! -e "$E2E_RUN/hello.exe.txt"
  log_has "bare launch-exe: the setup log says why" install "in the system folder"
  run_silent launch-bare-uninstall "$MINI_WIN\\uninstall.exe" /S
  expect_eq "bare launch-exe: uninstalled" "$E2E_BG_STATUS" 0
  rm -f "$E2E_RUN/hello.exe" "$E2E_RUN/hello.exe.txt" "$marker"
}
