# What an installation may change, from outside: destinations that are
# refused, other spellings of foreign folders and keys in an uninstall log,
# names that try to leave their folder, and faults (a damaged log, a full
# disk, Cancel while a program runs, a file in use). Each shows that
# nothing foreign changed (snapshots of the prefix) and that the user, or
# in an unattended run the setup log, was told.
# Needs lib.sh, cases.sh and E2E_KXPACK; runs while nothing is installed.

# variant NAME [-D VAR=VALUE]... [FILE OLD NEW]...: the example staged
# anew, in FILE.xml (setup or hand-uninstall) the first OLD replaced by NEW
# (plain text, as written), and packed with --force (so that scripts the
# packer refuses can be tried) and the -D options given as
# $E2E_RUN/NAME.exe.
variant() {
  local name=$1 stage=$E2E_RUN/stage-$1 defines=()
  shift
  while [ "${1:-}" == -D ]; do
    defines+=(-D "$2")
    shift 2
  done
  rm -rf "$stage"
  cp -r "$E2E_STAGE" "$stage"
  while [ $# -ge 3 ]; do
    python3 - "$stage/$1.xml" "$2" "$3" <<'PY' || { fail "$name: edit $1.xml" "'$2' not found"; return 1; }
import sys
path, old, new = sys.argv[1:4]
text = open(path, encoding="utf-8").read()
if old not in text:
    sys.exit(1)
open(path, "w", encoding="utf-8").write(text.replace(old, new, 1))
PY
    shift 3
  done
  if ! "$E2E_KXPACK" build --force --stub "$E2E_STUB" --script "$stage/setup.xml" -o "$E2E_RUN/$name.exe" \
    "${defines[@]}" >"$E2E_RUN/logs/kxpack-$name.log" 2>&1; then
    fail "$name: kxpack packs it" "$(cat "$E2E_RUN/logs/kxpack-$name.log")"
    return 1
  fi
}

# run_silent NAME PROGRAM [ARGS...]: runs it to its end; E2E_BG_STATUS is
# its exit code.
run_silent() {
  start_bg "$@"
  wait_bg 60
}

# to_destination INSTALLER NAME: the wizard, past the terms.
to_destination() {
  start_bg "$2" "$1"
  drv wait-window "$TERMS_PAGE" 30000 >/dev/null && drv click next >/dev/null &&
    drv expect-page "$DEST_PAGE" 5000 >/dev/null
}

# wizard_ends LABEL CODE [TIMEOUT-S]: the wizard closes, the program ends
# with CODE.
wizard_ends() {
  local timeout=${3:-15}
  check "$1: the wizard closes" drv wait-gone "$CAPTION" $((timeout * 1000))
  wait_bg "$timeout"
  expect_eq "$1: exit code $2" "$E2E_BG_STATUS" "$2"
  close_leftovers
}

# finish_wizard LABEL [TIMEOUT-S]: the installation completes (Close is
# enabled on the last page) and Close is clicked, as it starts launch-exe.
finish_wizard() {
  local deadline=$(($(date +%s) + ${2:-30}))
  until [ "$(drv state next 2>/dev/null)" == "visible enabled" ] && [ "$(drv get-text next 2>/dev/null)" == '&Close' ]; do
    if [ "$(date +%s)" -ge "$deadline" ]; then
      fail "$1: the installation completes" "open message box: $(drv messagebox "" 0 2>/dev/null | tr '\n' ' ')"
      return 1
    fi
    sleep 0.1
  done
  drv click next >/dev/null
}

# cancel_wizard LABEL: Cancel, Yes, and the wizard's exit code is 2.
cancel_wizard() {
  drv click cancel >/dev/null
  drv answer-messagebox yes "$MSG_EXIT" 10000 >/dev/null
  wizard_ends "$1" 2
}

# log_has LABEL KIND TEXT: the last setup log of that kind (install or
# uninstall) holds TEXT.
log_has() {
  check "$1" grep -qF -- "$3" "$(unix_path "$TEMP_WIN\\Hello-$2.log")"
}

# ---- destinations -----------------------------------------------------------

destination_choices_case() {
  local documents prefix_z long bad text out i
  documents=$(drv shell-folder Personal)
  prefix_z="Z:${WINEPREFIX//\//\\}\\drive_c${documents:2}"
  long='C:\'
  for i in $(seq 30); do long+='abcdefghi\'; done
  snapshot dest-before
  to_destination "$E2E_SETUP" dest-choices || fail "destination choices: destination page shown"
  # Each refused with a message naming why; the page stays.
  while IFS='|' read -r bad text; do
    drv set-text $IDC_DEST_PATH "$bad" >/dev/null
    drv click next >/dev/null
    if out=$(drv answer-messagebox ok "" 10000); then
      expect_eq "destination '$bad': Setup Error" "$(field caption "$out")" 'Setup Error'
      expect_contains "destination '$bad': refused" "$(field text "$out")" "$text"
    else
      fail "destination '$bad': refused with a message"
    fi
    check "destination '$bad': the page stays" drv expect-page "$DEST_PAGE" 3000
  done <<EOF
HelloRel|Please type the full path of a folder
..\\Hello|Please type the full path of a folder
C:\\|Setup can't install into 'C:\\'
C:\\windows\\system32\\drivers|Setup can't install into 'C:\\windows\\system32\\drivers'
C:\\Program Files|Setup can't install into 'C:\\Program Files'
$documents|Setup can't install into
$prefix_z|Setup can't install into
C:\\A & set|The destination can't contain the characters &
C:\\Apps\\%TEMP%|The destination can't contain the characters %
$long|The destination is too long
EOF
  cancel_wizard "destination choices"
  snapshot dest-after
  expect_unchanged "destination choices: changed nothing" dest-before dest-after "$(setup_log_re)"
}

# A folder of the user's that is not empty: asked about; installed into; on
# uninstall, everything the user had there stays, with the folder: the
# generated log removes it only if empty, so nothing is refused or told.
occupied_folder_case() {
  local work work_dir out
  work="$(drv shell-folder Personal)\\Work"
  work_dir=$(unix_path "$work")
  mkdir -p "$work_dir/projects"
  echo "my notes" >"$work_dir/important.txt"
  echo "draft" >"$work_dir/projects/plan.txt"
  snapshot occupied-before
  to_destination "$E2E_SETUP" occupied || fail "occupied folder: destination page shown"
  drv set-text $IDC_DEST_PATH "$work" >/dev/null
  drv click next >/dev/null
  # A question, not an error: it carries the installer's title.
  expect_box "occupied folder" yes "$CAPTION" \
    "The folder '$work' already exists and is not empty.\n\nInstalling into this folder could result in a loss of data.\n\nAre you sure you want to install in this folder?"
  finish_wizard "occupied folder"
  check "occupied folder: the wizard closes after installing" drv wait-gone "$CAPTION" 30000
  wait_bg 30
  expect_eq "occupied folder: exit code" "$E2E_BG_STATUS" 0
  close_leftovers
  check "occupied folder: installed" test -f "$work_dir/hello.exe"

  start_bg occupied-uninstall "$work\\uninstall.exe"
  check "occupied folder: uninstall asks" drv answer-messagebox yes "completely remove" 15000
  # The folder was the user's before: nothing to list.
  uninstall_done "occupied folder"
  wait_bg 30
  expect_eq "occupied folder: uninstall exit code" "$E2E_BG_STATUS" 0
  check "occupied folder: no other box" drv expect-no-messagebox
  log_has "occupied folder: the setup log says why the folder stays" uninstall \
    "Kept $work: it was there before the installation"
  close_leftovers
  expect_eq "occupied folder: the user's file stays" "$(cat "$work_dir/important.txt")" "my notes"
  # hello.exe itself wrote its marker when the installer started it.
  snapshot occupied-after
  expect_unchanged "occupied folder: nothing of the user's changed, nothing of the installation left" \
    occupied-before occupied-after "$(setup_log_re)" "$(snap_under "$TEMP_WIN\\hello-launched.txt")"
  rm -rf "$work_dir"
}

# ---- an uninstall log that reaches for what isn't its own --------------------

guard_spellings_case() {
  local documents prefix_z out told part
  documents=$(drv shell-folder Personal)
  prefix_z="Z:${WINEPREFIX//\//\\}\\drive_c${documents:2}"
  mkdir -p "$(unix_path 'C:\Games\Other')"
  echo "another game's save" >"$(unix_path 'C:\Games\Other\save.dat')"
  wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KxOtherApp' /v UninstallString \
    /d 'C:\Other\uninstall.exe' /f >/dev/null 2>&1 </dev/null
  mkdir -p "$(unix_path 'C:\users\Public\Desktop')"
  cp "$E2E_STAGE/hello.exe" "$(unix_path 'C:\users\Public\Desktop\Other.lnk')"
  # A hand-written log, hostile lines in front of its own.
  variant guards setup '<uninstall-display-name>' '<uninstaller src="hand-uninstall.xml" /><uninstall-display-name>' \
    hand-uninstall '<remove-folder path="%APP%" />' \
    "<remove-folder path=\"%APP%..\" />
<remove-file path=\"%APP%..\\Other\\save.dat\" />
<remove-folder path=\"%APP%..\\Other\" if-empty=\"yes\" />
<remove-file path=\"%windir%\\win.ini\" />
<remove-folder path=\"$prefix_z\" />
<remove-folder path=\"%USERPROFILE%\\Documents\" />
<remove-reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\\\Microsoft\" />
<remove-reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\" />
<remove-reg-key section=\"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\" />
<remove-reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\" />
<remove-reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KxOtherApp\" />
<remove-shortcut folder=\"Desktop\" name=\"..\\..\\Public\\Desktop\\Other\" />
<remove-folder path=\"%APP%\" />" || return
  snapshot guards-before
  run_silent guards-install "$E2E_RUN/guards.exe" /S '/D=C:\Games\App'
  expect_eq "guards: installed" "$E2E_BG_STATUS" 0
  # remove-folder without if-empty takes the whole tree, as it always did.
  echo "the user's" >"$(unix_path 'C:\Games\App\notes.txt')"
  start_bg guards-uninstall 'C:\Games\App\uninstall.exe'
  check "guards: uninstall asks" drv answer-messagebox yes "completely remove" 15000
  if out=$(drv answer-messagebox ok "was removed from your computer" 15000); then
    told=$(field text "$out")
    expect_eq "guards: the end's title" "$(field caption "$out")" "$UNINSTALL_TITLE"
    expect_contains "guards: one box: removed, then what stayed and why" "$told" \
      "$MSG_REMOVED\n\nThese items were left in place because the installation did not create them or other programs share them:\n- "
    for part in 'C:\Games (outside the installation' "$documents (a drive" 'HKEY_LOCAL_MACHINE\Software\Microsoft (a key shared' \
      'HKEY_LOCAL_MACHINE\Software\Classes\CLSID (a key shared' 'HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services (a system key)' \
      'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT (a key shared' \
      'Uninstall\KxOtherApp (another program' 'Public\Desktop\Other (a shortcut goes one sub-folder deep at most' \
      'C:\Games\Other\save.dat (outside the installation' 'win.ini (a file of the Windows folder'; do
      expect_contains "guards: told about ${part%% (*}" "$told" "$part"
    done
  else
    fail "guards: told what was left"
  fi
  wait_bg 30
  expect_eq "guards: exit code 3 (the log asked for what it may not remove)" "$E2E_BG_STATUS" 3
  close_leftovers
  snapshot guards-after
  expect_unchanged "guards: nothing foreign removed, nothing of the installation left" guards-before guards-after \
    "$(setup_log_re)"
  wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KxOtherApp' /f >/dev/null 2>&1 </dev/null
  rm -rf "$(unix_path 'C:\Games')" "$(unix_path 'C:\users\Public\Desktop\Other.lnk')"
}

# ---- names that would leave their folder --------------------------------------

traversal_names_case() {
  local out kind
  snapshot names-before
  variant name-up setup '<file src="hello.exe" dest="%APP%" />' \
    '<file src="hello.exe" dest="%APP%" /><file src="terms.txt" name="..\..\escaped.txt" dest="%APP%" />' || return
  to_destination "$E2E_RUN/name-up.exe" name-up || fail "names: destination page shown"
  drv click next >/dev/null
  if out=$(drv answer-messagebox ok "file or shortcut name" 15000); then
    expect_contains "names: '..\\..\\escaped.txt' refused, with why" "$(field text "$out")" \
      "'..\\..\\escaped.txt'\\n(the name contains a path separator"
  else
    fail "names: '..\\..\\escaped.txt' refused with a message"
  fi
  wizard_ends "names" 3 15
  for kind in 'shortcut|<shortcut folder="Desktop" name="..\..\..\windows\adv-lnk" target="%APP%hello.exe" />' \
    'nul|<file src="terms.txt" name="NUL" dest="%APP%" />' 'com1|<file src="terms.txt" name="COM1.txt" dest="%APP%" />'; do
    variant "name-${kind%%|*}" setup '<file src="hello.exe" dest="%APP%" />' \
      "<file src=\"hello.exe\" dest=\"%APP%\" />${kind#*|}" || continue
    run_silent "name-${kind%%|*}" "$E2E_RUN/name-${kind%%|*}.exe" /S
    expect_eq "names (${kind%%|*}): exit code 3" "$E2E_BG_STATUS" 3
    log_has "names (${kind%%|*}): the setup log says why" install "file or shortcut name that Windows can't use"
    log_has "names (${kind%%|*}): ... and that it was undone" install "Installation failed: undoing it"
  done
  snapshot names-after
  expect_unchanged "names: nothing written anywhere" names-before names-after "$(setup_log_re)"
}

# ---- faults ------------------------------------------------------------------------

# A log cut short is refused before anything is removed.
damaged_log_case() {
  local dat out
  run_silent damaged-install "$E2E_SETUP" /S
  expect_eq "damaged log: installed" "$E2E_BG_STATUS" 0
  dat=$APP_DIR/uninstall.dat
  cp "$dat" "$E2E_RUN/uninstall.dat.whole"
  head -c "$(grep -bo '<remove-folder ' "$dat" | head -1 | cut -d: -f1)" "$dat" >"$dat.cut"
  printf '<remove-folder path="%%APP%%' >>"$dat.cut"
  mv "$dat.cut" "$dat"
  snapshot damaged-before
  start_bg damaged-uninstall "$APP_WIN\\uninstall.exe"
  if out=$(drv answer-messagebox ok "damaged or incomplete" 15000); then
    expect_contains "damaged log: refused, with where" "$(field text "$out")" "is damaged or incomplete (line"
    expect_contains "damaged log: nothing was removed" "$(field text "$out")" "Nothing was removed."
  else
    fail "damaged log: refused with a message"
  fi
  check "damaged log: no question asked" drv expect-no-messagebox
  wait_bg 30
  expect_eq "damaged log: exit code 3" "$E2E_BG_STATUS" 3
  close_leftovers
  snapshot damaged-after
  expect_unchanged "damaged log: nothing removed" damaged-before damaged-after "$(setup_log_re)"
  cp "$E2E_RUN/uninstall.dat.whole" "$dat"
  run_silent damaged-cleanup "$APP_WIN\\uninstall.exe" /S
  expect_eq "damaged log: the whole log uninstalls" "$E2E_BG_STATUS" 0
}

# A full disk: the wizard's Destination page tells the space and keeps the
# user there; an unattended run fails while writing the uninstaller.
# Everything is undone, nothing registered.
full_disk_case() {
  local out required free
  small_drive_mount X 32 || return 0
  snapshot disk-before
  to_destination "$E2E_SETUP" disk-full || fail "full disk: destination page shown"
  drv set-text $IDC_DEST_PATH 'X:\Hello' >/dev/null
  required=$(drv get-text $IDC_DEST_SPACE_REQUIRED)
  free=$(drv get-text $IDC_DEST_SPACE_AVAILABLE)
  expect_contains "full disk: the page shows the small drive's free space" "$free" 'Space available: '
  expect_eq "full disk: ... of at most 32 KB" "$(sed -n 's/^Space available: \([0-9]*\)\.[0-9] KB$/\1/p' <<<"$free" | awk '$1 <= 32 {print "yes"}')" yes
  drv click next >/dev/null
  if out=$(drv answer-messagebox ok "not enough free space" 15000); then
    expect_eq "full disk: told before anything is written" "$(field text "$out")" \
      "There is not enough free space on the drive of 'X:\\Hello': ${required#Space required: } is required, ${free#Space available: } is available.\n\nPlease free some space, or choose a folder on another drive."
  else
    fail "full disk: told with a message"
  fi
  check "full disk: the wizard stays on the Destination page" drv expect-page "$DEST_PAGE" 3000
  expect_eq "full disk: nothing was made on the drive" "$(ls -A "$E2E_RUN/small")" ""
  cancel_wizard "full disk"

  small_drive_mount X 128 || return 0
  run_silent disk-uninstaller "$E2E_SETUP" /S '/D=X:\Hello'
  expect_eq "full disk at the uninstaller: exit code 3" "$E2E_BG_STATUS" 3
  log_has "full disk at the uninstaller: the setup log says so" install "Setup could not write the uninstaller"
  log_has "full disk at the uninstaller: ... and undoes it" install "Installation failed: undoing it"
  expect_eq "full disk at the uninstaller: the drive is empty again" "$(ls -A "$E2E_RUN/small")" ""
  small_drive_unmount X
  snapshot disk-after
  expect_unchanged "full disk: nothing installed, nothing registered" disk-before disk-after "$(setup_log_re)"
}

# Cancel while a program of the script runs (one that never ends): the
# program is stopped, the installation undone, the cancel page opened.
cancel_running_case() {
  snapshot running-before
  variant forever setup '<run-command ' \
    '<run-command cmd="%windir%\system32\cmd.exe" parameters="/c for /l %%i in (1,0,2) do @rem" /><run-command ' || return
  to_destination "$E2E_RUN/forever.exe" forever || fail "cancel while running: destination page shown"
  drv click next >/dev/null
  check "cancel while running: the progress page shows" drv expect-page "$PROGRESS_PAGE" 10000
  sleep 1
  check "cancel while running: the wizard still answers" drv expect-page "$PROGRESS_PAGE" 2000
  expect_eq "cancel while running: the page names the program" "$(drv get-text $IDC_PROGRESS_FILE)" 'Running cmd.exe...'
  expect_eq "cancel while running: the bar moves to and fro" "$(drv state $IDC_PROGRESS_BAR | cut -d' ' -f3)" marquee
  check "cancel while running: a percentage beside it" \
    bash -c "[[ '$(drv get-text $IDC_PROGRESS_PERCENT)' =~ ^[0-9]{1,3}%$ ]]"
  expect_eq "cancel while running: the greyed button is no Close" "$(drv get-text next) $(drv state next)" \
    '&Next visible disabled'
  drv click cancel >/dev/null
  expect_box "cancel while running: asked" yes "$CAPTION" "$MSG_STOP" "$IDYES:&Yes $IDNO:&No" "$IDNO"
  expect_box "cancel while running: told" ok "$CAPTION" 'Setup was cancelled. Nothing was changed on this computer.'
  wizard_ends "cancel while running" 2 15
  check "cancel while running: the program was stopped" drv wait-process-gone cmd.exe 5000
  check "cancel while running: install-cancel-url opened" wait_for_text "$E2E_RUN/logs/opened-urls.txt" \
    'https://example.com/hello/install-cancelled' 10
  snapshot running-after
  expect_unchanged "cancel while running: everything undone" running-before running-after "$(setup_log_re)"
}

# A file in use (held by a program that can't be named): the question
# about programs in use names it before anything changes; Cancel changes
# nothing; Retry once it is free goes on. A file taken while the
# installation runs is the engine's question (SafetyTest).
file_in_use_case() {
  local out holder
  run_silent in-use-install "$E2E_SETUP" /S
  expect_eq "file in use: installed" "$E2E_BG_STATUS" 0
  printf 'the user changed this' >"$APP_DIR/hello.exe"
  snapshot in-use-before
  wine "$E2E_DRIVER" hold-file "$APP_WIN\\readme.txt" 60000 >"$E2E_RUN/logs/hold.log" 2>&1 </dev/null &
  holder=$!
  wait_for_text "$E2E_RUN/logs/hold.log" held 10 || fail "file in use: held"
  to_destination "$E2E_SETUP" in-use || fail "file in use: destination page shown"
  drv click next >/dev/null
  if out=$(drv answer-messagebox cancel "can't name" 15000); then
    expect_contains "file in use: the question names the file" "$(field text "$out")" \
      "These files in $APP_WIN are in use by a program Setup can't name:\n- readme.txt"
    expect_eq "file in use: Retry or Cancel" "$(line_of buttons "$out")" \
      "$IDC_IN_USE_CLOSE:&Close them $IDC_IN_USE_RETRY:&Retry $IDCANCEL:Cancel"
    expect_eq "file in use: no one to close, Retry is the default" "$(line_of default "$out")" "$IDC_IN_USE_RETRY"
  else
    fail "file in use: asked"
  fi
  wizard_ends "file in use, Cancel" 2 15
  expect_eq "file in use, Cancel: nothing was replaced" "$(cat "$APP_DIR/hello.exe")" 'the user changed this'
  snapshot in-use-after
  expect_unchanged "file in use, Cancel: nothing changed" in-use-before in-use-after "$(setup_log_re)"

  to_destination "$E2E_SETUP" in-use-retry || fail "file in use: destination page shown again"
  drv click next >/dev/null
  check "file in use, Retry: asked again while it is held" drv answer-messagebox $IDC_IN_USE_RETRY "can't name" 15000
  check "file in use, Retry: asked once more" drv messagebox "can't name" 15000
  : >"$APP_DIR/readme.txt.release"
  wait "$holder" 2>/dev/null
  check "file in use, Retry once free" drv answer-messagebox $IDC_IN_USE_RETRY "can't name" 5000
  finish_wizard "file in use, Retry"
  wizard_ends "file in use, Retry" 0 30
  check "file in use, Retry: installed" same_file "$E2E_STAGE/hello.exe" "$APP_DIR/hello.exe"
  run_silent in-use-cleanup "$APP_WIN\\uninstall.exe" /S
  expect_eq "file in use: uninstalled" "$E2E_BG_STATUS" 0
}

# An unexpected failure (an exception) in a page or in the installation:
# told with its reason, the wizard ends with 3, nothing is left.
unexpected_failure_case() {
  local where out
  snapshot unexpected-before
  for where in page install; do
    export KX_TEST_FAULT=$where
    to_destination "$E2E_SETUP" "unexpected-$where" || fail "unexpected ($where): destination page shown"
    unset KX_TEST_FAULT
    drv click next >/dev/null
    if out=$(drv answer-messagebox ok "unexpected error" 15000); then
      expect_contains "unexpected ($where): told, with the reason" "$(field text "$out")" \
        "Setup stopped because of an unexpected error:\n"
    else
      fail "unexpected ($where): told"
    fi
    wizard_ends "unexpected ($where)" 3 15
  done
  snapshot unexpected-after
  expect_unchanged "unexpected: nothing left" unexpected-before unexpected-after "$(setup_log_re)"
}
