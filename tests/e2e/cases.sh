# The end-to-end cases, run in order in one prefix by scripts/e2e.sh (the
# demo runs install_case and uninstall_yes_case). Each leaves the prefix as
# the next one expects: nothing installed until install_case, then the
# example installed until uninstall_yes_case.
# Needs lib.sh and: E2E_SETUP (packed installer), E2E_STUB, E2E_STAGE (the
# packed sources), E2E_KXPACK (the packer).

APP_WIN='C:\Program Files\Hello'
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hello World'
APP_PATHS_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\hello.exe'
CAPTION='Hello Setup'
TERMS_PAGE="$CAPTION - Terms and Conditions"
DEST_PAGE="$CAPTION - Destination"
PROGRESS_PAGE="$CAPTION - Progress"

MSG_EXIT='Are you sure you want to exit the installer?'
MSG_STOP='Stop installing? Everything installed so far will be removed.'
MSG_CORRUPT='The installer failed to find the installation information in the installer.\nThis could be because the install file is corrupt.'
MSG_INVALID_DEST='Sorry, you appear to have typed an invalid destination.\n\nPlease use the Browse button to select a folder that exists.'
MSG_WRITE='Sorry, the installer was unable to write the file:\n'
MSG_REMOVE='Are you sure you wish to completely remove\nHello and all of its files from your computer?\n\nFolder: C:\Program Files\Hello'
MSG_REMOVED='Hello was removed from your computer.'
UNINSTALL_TITLE='Hello Uninstall'

# Setup logs in the temporary folder: what every run may add ("-2" and so
# on when another file has the usual name).
setup_log_re() { printf '^[-+] C:/users/[^/\t]+/Temp/[^/\t]*-(un)?install(-[0-9]+)?\\.log\t'; }
# The copy of the uninstall log an elevated installation keeps for
# administrators, and the value of its Uninstall entry that names it.
log_copy_re() { printf '^[-+] (C:/ProgramData/kxsetup-[0-9a-f]{16}(/uninstall\\.dat)?\t|HKLM.*\tKxUninstallLogCopy\t)'; }

# Wall times in ms, printed by scripts/e2e.sh.
export T_INSTALL_MS='' T_UNINSTALL_MS='' T_UNINSTALL_ASK_MS=''

# Paths the checks need once the prefix exists.
case_paths() {
  APP_DIR=$(unix_path "$APP_WIN")
  TEMP_WIN=$(drv expand '%TEMP%')
  DESKTOP_WIN=$(drv shell-folder Desktop)
  PROGRAMS_WIN=$(drv shell-folder Programs)
}

# field NAME OUTPUT: the value of a "name "value"" line of kxdriver's output.
field() { printf '%s\n' "$2" | sed -n "s/^$1 \"\\(.*\\)\"\$/\\1/p" | head -1; }
line_of() { printf '%s\n' "$2" | sed -n "s/^$1 //p" | head -1; }

reg_value() { drv reg-query "$1" "$2"; }
no_reg_key() { ! drv reg-query "$1" >/dev/null; }

# wait_for_text FILE TEXT TIMEOUT-S: the file comes to hold the text (the
# fake browser runs in its own process).
wait_for_text() {
  local deadline=$(($(date +%s) + $3))
  until grep -qF -- "$2" "$1" 2>/dev/null; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# Tells (on stderr, which the failure shows) what is still there.
nothing_installed() {
  local key
  [ ! -e "$APP_DIR" ] || { echo "left: $APP_DIR: $(cd "$APP_DIR" && find . | head -5 | tr '\n' ' ')" >&2; return 1; }
  for key in "$UNINSTALL_KEY" 'HKLM\Software\kxsetup examples' 'HKCU\Software\kxsetup examples' "$APP_PATHS_KEY" \
    'HKCR\.hello'; do
    no_reg_key "$key" || { echo "left: $key" >&2; return 1; }
  done
  [ ! -e "$(unix_path "$DESKTOP_WIN\\Hello.lnk")" ] || { echo "left: the Desktop shortcut" >&2; return 1; }
}

# The logo's file and folder go as soon as it is loaded.
logo_file_gone() { run_folders_gone 0; }

# A message box: waits, checks caption and exact text, answers.
# expect_box LABEL ANSWER CAPTION TEXT [BUTTONS] [DEFAULT-ID]
expect_box() {
  local label=$1 answer=$2 caption=$3 text=$4 buttons=${5:-} default=${6:-} out
  if ! out=$(drv answer-messagebox "$answer" "${text:0:30}" 15000); then
    fail "$label: message box" "$out"
    return 1
  fi
  expect_eq "$label: caption" "$(field caption "$out")" "$caption"
  expect_eq "$label: text" "$(field text "$out")" "$text"
  [ -z "$buttons" ] || expect_eq "$label: buttons" "$(line_of buttons "$out")" "$buttons"
  [ -z "$default" ] || expect_eq "$label: default button" "$(line_of default "$out")" "$default"
}

# ---- packages that are not installers ---------------------------------------

bad_installers_case() {
  local stub_size total kind code byte offset
  stub_size=$(stat -c %s "$E2E_STUB")
  total=$(stat -c %s "$E2E_SETUP")
  cp "$E2E_STUB" "$E2E_RUN/bad-bare.exe"
  head -c $((stub_size + (total - stub_size) / 2)) "$E2E_SETUP" >"$E2E_RUN/bad-truncated.exe"
  cp "$E2E_SETUP" "$E2E_RUN/bad-flipped.exe"
  offset=$((stub_size + (total - stub_size) / 2))
  byte=$(od -An -tu1 -j$offset -N1 "$E2E_SETUP" | tr -d ' ')
  printf '%b' "\\$(printf '%03o' $((byte ^ 0xFF)))" | dd of="$E2E_RUN/bad-flipped.exe" bs=1 seek=$offset conv=notrunc status=none

  for kind in bare truncated flipped; do
    start_bg "bad-$kind" "$E2E_RUN/bad-$kind.exe"
    expect_box "bad installer ($kind)" ok 'Setup Error' "$MSG_CORRUPT" "$IDOK:OK"
    wait_bg 15; code=$E2E_BG_STATUS
    expect_eq "bad installer ($kind): exit code" "$code" 1
    check "bad installer ($kind): nothing installed" nothing_installed
    close_leftovers
  done
}

# ---- wizard paths that install nothing ---------------------------------------

# Cancel (No, then Yes) on the first page: the wizard closes, nothing is
# installed, the cancel page is opened.
cancel_case() {
  snapshot cancel-before
  start_bg cancel "$E2E_SETUP"
  check "cancel: wizard shows the terms" drv wait-window "$TERMS_PAGE" 30000
  check "cancel: click Cancel" drv click cancel
  expect_box "cancel, No" no "$CAPTION" "$MSG_EXIT" "$IDYES:&Yes $IDNO:&No" "$IDNO"
  check "cancel, No: the wizard stays on the terms" drv expect-page "$TERMS_PAGE" 3000
  check "cancel: click Cancel again" drv click cancel
  expect_box "cancel, Yes" yes "$CAPTION" "$MSG_EXIT"
  check "cancel, Yes: the wizard closes" drv wait-gone "$CAPTION" 10000
  wait_bg 15
  expect_eq "cancel, Yes: exit code" "$E2E_BG_STATUS" 2
  check "cancel, Yes: install-cancel-url opened" wait_for_text "$E2E_RUN/logs/opened-urls.txt" \
    'https://example.com/hello/install-cancelled' 10
  check "cancel, Yes: nothing installed" nothing_installed
  check "cancel, Yes: temporary logo removed" logo_file_gone
  close_leftovers
  snapshot cancel-after
  expect_unchanged "cancel, Yes: changed nothing" cancel-before cancel-after "$(setup_log_re)"
  check "cancel, Yes: the setup log says so" grep -q "Exit code 2" "$(unix_path "$TEMP_WIN\\Hello-install.log")"
}

# Back and Next, an empty destination, then one that can't be written (a
# file stands where a folder must be made).
destination_errors_case() {
  local out
  : >"$(unix_path 'C:\blocked')"
  start_bg dest-errors "$E2E_SETUP"
  check "destination errors: wizard shows the terms" drv wait-window "$TERMS_PAGE" 30000
  check "destination errors: Next" drv click next
  check "destination page shown" drv expect-page "$DEST_PAGE" 5000
  check "destination page: Back" drv click back
  check "Back returns to the terms" drv expect-page "$TERMS_PAGE" 5000
  check "terms page: Next again" drv click next
  check "destination page shown again" drv expect-page "$DEST_PAGE" 5000

  check "empty destination: clear the field" drv set-text $IDC_DEST_PATH ""
  check "empty destination: Next" drv click next
  expect_box "empty destination" ok 'Setup Error' "$MSG_INVALID_DEST" "$IDOK:OK"
  check "empty destination: the wizard stays" drv expect-page "$DEST_PAGE" 3000

  check "unwritable destination: type it" drv set-text $IDC_DEST_PATH 'C:\blocked\Hello'
  check "unwritable destination: Install" drv click next
  if out=$(drv answer-messagebox ok "unable to write" 10000); then
    expect_contains "unwritable destination: the message names the folder" "$(field text "$out")" "$MSG_WRITE"'C:\blocked\Hello'
    expect_contains "unwritable destination: ... and the system's reason" "$(field text "$out")" "The system's reason: ("
  else
    fail "unwritable destination: message shown"
  fi
  check "unwritable destination: no second message" drv expect-no-messagebox
  check "unwritable destination: the wizard stays on the Destination page" drv expect-page "$DEST_PAGE" 3000
  rm -f "$(unix_path 'C:\blocked')"
  # A folder that can be written now: the probe left nothing behind.
  check "writable again: Install" drv set-text $IDC_DEST_PATH 'C:\blocked\Hello'
  drv click cancel >/dev/null
  expect_box "unwritable destination: cancel" yes "$CAPTION" "$MSG_EXIT"
  wait_bg 15
  expect_eq "unwritable destination: exit code" "$E2E_BG_STATUS" 2
  check "unwritable destination: nothing registered" nothing_installed
  check "unwritable destination: nothing made" test ! -e "$(unix_path 'C:\blocked')"
  close_leftovers
}

# ---- the installation ---------------------------------------------------------

terms_text_matches() {
  local shown
  shown=$(drv get-text $IDC_TERMS_TEXT | tr -d '\r')
  [ "$shown" == "$(cat "$E2E_STAGE/terms.txt")" ]
}

install_case() {
  local t0 t1 code
  snapshot install-before
  start_bg install "$E2E_SETUP"
  t0=$(now_ms)
  check "install: wizard shows the terms" drv wait-window "$TERMS_PAGE" 30000
  log "     (wizard up after $(($(now_ms) - t0)) ms)"
  shot 1-terms
  check "terms page: the terms text is shown" terms_text_matches
  expect_eq "terms page: Next reads I Agree" "$(drv get-text next)" 'I &Agree'
  expect_eq "terms page: Back is disabled" "$(drv state back | cut -d' ' -f2)" disabled

  check "install: I Agree" drv click next
  check "install: destination page shown" drv expect-page "$DEST_PAGE" 5000
  shot 2-destination
  expect_eq "destination page: proposes default-path" "$(drv get-text $IDC_DEST_PATH)" "$APP_WIN"
  expect_eq "destination page: names the application" "$(drv get-text $IDC_DEST_INTRO)" \
    'Setup will install the Hello files into the following directory. If you wish to install somewhere else, type the new destination or click the Browse button to select from a list.'
  expect_eq "destination page: the button installs" "$(drv get-text next)" '&Install'
  check "destination page: shows the space required" space_required_matches
  check "destination page: shows the space available on the drive" space_available_matches
  expect_eq "destination page: Back is enabled" "$(drv state back | cut -d' ' -f2)" enabled

  t1=$(now_ms)
  check "install: Install" drv click next
  # The page runs the whole installation, then says where it is and offers
  # to start it.
  drv wait-window "$PROGRESS_PAGE" 5000 >/dev/null
  finish_wizard_checks
  check "install: Close" drv click next
  check "install: the wizard closes" drv wait-gone "$CAPTION" 10000
  wait_bg 30; code=$E2E_BG_STATUS
  T_INSTALL_MS=$(($(now_ms) - t1))
  expect_eq "install: exit code" "$code" 0
  check "install: no message box left" drv expect-no-messagebox
  check "install: temporary logo removed" logo_file_gone
  close_leftovers
  installed_checks "install"
  snapshot install-after
  expect_changes "install: added the application and nothing else" install-before install-after \
    "$(snap_under "$APP_WIN" +)" "$(snap_under "$DESKTOP_WIN\\Hello.lnk" +)" \
    "$(snap_under "$PROGRAMS_WIN\\Hello.lnk" +)" "$(snap_under "$UNINSTALL_KEY" +)" \
    "$(snap_under "$APP_PATHS_KEY" +)" "$(snap_under 'HKLM\Software\kxsetup examples' +)" \
    "$(snap_under 'HKCU\Software\kxsetup examples' +)" "$(snap_under 'HKCR\.hello' +)" \
    "$(snap_under 'HKCR\KxSetup.HelloFile' +)" "$(snap_under "$TEMP_WIN\\hello-launched.txt" +)" "$(setup_log_re)" \
    "$(log_copy_re)"
  local setuplog
  setuplog=$(tr -d '\r' <"$(unix_path "$TEMP_WIN\\Hello-install.log")")
  for part in "Destination: $APP_WIN" "Installing into $APP_WIN\\" "File written: $APP_WIN\\hello.exe (" \
    "Folder created: $APP_WIN\\samples\\greetings" "Shortcut created: $DESKTOP_WIN\\Hello.lnk" \
    "Association: .hello -> KxSetup.HelloFile" "Registry value written: HKEY_LOCAL_MACHINE\\Software\\kxsetup examples\\Hello\\Version" \
    "Command ended with exit code 0" "Started \"$APP_WIN\\hello.exe\"" "Installation complete" "Exit code 0"; do
    expect_contains "install: the setup log holds '$part'" "$setuplog" "$part"
  done
  # Only the first page tells how long after the start it showed.
  check "install: the setup log tells when the first page showed" \
    grep -qxE "[0-9:.]+ Page: Terms and Conditions \([0-9]+ ms after the program started\)" <<<"$setuplog"
  expect_contains "install: later pages are named alone" "$setuplog" "Page: Destination"$'\n'
}

# The Destination page's space labels: the package's files and uninstaller,
# and the free space of the drive (as the driver reads it, within 1 MB).
space_required_matches() {
  local shown bytes
  shown=$(drv get-text $IDC_DEST_SPACE_REQUIRED)
  bytes=$(( $(find "$E2E_STAGE/payload" "$E2E_STAGE/hello.exe" -type f -printf '%s\n' | awk '{t += $1} END {print t}') + $(stat -c %s "$E2E_RUN/setup-stub.exe") ))
  echo "shown: $shown; files and stub: $bytes bytes" >&2
  [ "$shown" == "Space required: $(format_kb "$bytes")" ]
}
space_available_matches() {
  local shown free
  shown=$(drv get-text $IDC_DEST_SPACE_AVAILABLE)
  free=$(drv disk-free 'C:\' | sed -n 's/^free\t//p')
  echo "shown: $shown; free: $free" >&2
  [[ $shown =~ ^Space\ available:\ ([0-9]+)\.([0-9])\ (KB|MB|GB|TB)$ ]] || return 1
  local tenths=$((BASH_REMATCH[1] * 10 + BASH_REMATCH[2])) scale
  case ${BASH_REMATCH[3]} in KB) scale=1 ;; MB) scale=1024 ;; GB) scale=1048576 ;; TB) scale=1073741824 ;; esac
  # Shown rounded down to a tenth of its unit; other programs write and
  # delete meanwhile (2% of the drive's free space is allowed for that).
  local shown_kb=$((tenths * scale / 10)) free_kb=$((free / 1024)) slack
  slack=$((free / 1024 / 50 + scale / 10))
  [ $((free_kb - shown_kb)) -le $slack ] && [ $((shown_kb - free_kb)) -le $slack ]
}
# format_kb BYTES: as the page writes sizes of a KB and more.
format_kb() {
  local tenths=$(($1 * 10 / 1024)) units=(KB MB GB) u=0
  while [ $tenths -ge 10240 ] && [ $u -lt 2 ]; do tenths=$((tenths / 1024)); u=$((u + 1)); done
  echo "$((tenths / 10)).$((tenths % 10)) ${units[$u]}"
}

# The last page once installed: where, what now, Run checked, Close focused.
finish_wizard_checks() {
  local deadline=$(($(date +%s) + 30))
  until [ "$(drv get-text next 2>/dev/null)" == '&Close' ] && [ "$(drv state next | cut -d' ' -f2)" == enabled ]; do
    [ "$(date +%s)" -lt "$deadline" ] || { fail "install: completes" "open message box: $(drv messagebox "" 0 | tr '\n' ' ')"; return 1; }
    sleep 0.1
  done
  shot 3-progress
  expect_eq "complete: the page says where" "$(drv get-text $IDC_PROGRESS_TEXT) $(drv get-text $IDC_PROGRESS_FILE)" \
    "Hello has been installed in this folder: $APP_WIN"
  expect_eq "complete: the bar is full" "$(drv state $IDC_PROGRESS_BAR | cut -d' ' -f3)" 1000
  expect_eq "complete: Run Hello now, checked" "$(drv get-text $IDC_PROGRESS_RUN) / $(drv state $IDC_PROGRESS_RUN)" \
    '&Run Hello now / visible enabled checked'
  expect_eq "complete: Cancel is disabled" "$(drv state cancel | cut -d' ' -f2)" disabled
}

same_file() { cmp -s "$1" "$2"; }

# has_line TEXT PART...: a line of TEXT holds every part (in any order, as
# a writer may order an element's attributes).
has_line() {
  local text=$1 line part all
  shift
  while IFS= read -r line; do
    all=1
    for part in "$@"; do [[ $line == *"$part"* ]] || all=0; done
    [ $all == 0 ] || return 0
  done <<<"$text"
  return 1
}

link_points_at() {
  local out
  out=$(drv resolve-link "$1") || return 1
  printf '%s\n' "$out" >&2
  [ "$(printf '%s\n' "$out" | sed -n 's/^target\t//p')" == "$APP_WIN\\hello.exe" ] || return 1
  local folder
  folder=$(printf '%s\n' "$out" | sed -n 's/^workdir\t//p')
  [ "$folder" == "$APP_WIN" ] || [ "$folder" == "$APP_WIN\\" ]
}

# Everything the example's script installs, as it should be.
installed_checks() {
  local label=$1 rel missing=0 v
  while IFS= read -r rel; do
    same_file "$E2E_STAGE/payload/$rel" "$APP_DIR/$rel" || { missing=1; log "     differs: $rel"; }
  done < <(cd "$E2E_STAGE/payload" && find . -type f | sed 's|^\./||')
  if [ $missing == 0 ]; then pass "$label: payload files byte-identical (sub-folders included)"
  else fail "$label: payload files byte-identical (sub-folders included)"; fi
  check "$label: hello.exe byte-identical" same_file "$E2E_STAGE/hello.exe" "$APP_DIR/hello.exe"
  check "$label: uninstall.exe is the installer's own stub" same_file "$E2E_RUN/setup-stub.exe" "$APP_DIR/uninstall.exe"
  local dat
  dat=$(cat "$APP_DIR/uninstall.dat" 2>/dev/null)
  # The log kxpack generated from the script, with the installation's record.
  check "$label: uninstall.dat removes the folder once empty" has_line "$dat" '<remove-folder ' 'path="%APP%"' 'if-empty="yes"'
  for part in '<remove-file path="%APP%hello.exe" />' '<remove-shortcut folder="Desktop" name="Hello" />' \
    "<install-record folder=\"$APP_WIN\" folder-existed=\"0\">" "<file path=\"$APP_WIN\\hello.exe\" />" \
    "<shortcut path=\"$DESKTOP_WIN\\Hello.lnk\" />" "<key path=\"HKEY_LOCAL_MACHINE\\Software\\kxsetup examples\" />" \
    '</uninstall>'; do
    expect_contains "$label: uninstall.dat holds $part" "$dat" "$part"
  done
  # %APP% holds a blank: quoted, its last backslash doubled before the quote.
  check "$label: install.log holds the command's output" \
    grep -qF "Hello from the installer, now in \"$APP_WIN\\\\\"" "$APP_DIR/install.log"
  check "$label: launch-exe started hello.exe in the destination" \
    grep -qF "hello was started in $APP_WIN" "$(unix_path "$TEMP_WIN\\hello-launched.txt")"

  expect_eq "$label: DisplayName" "$(reg_value "$UNINSTALL_KEY" DisplayName)" 'Hello World'
  expect_eq "$label: HelpLink" "$(reg_value "$UNINSTALL_KEY" HelpLink)" 'https://example.com/hello/help'
  expect_eq "$label: Publisher" "$(reg_value "$UNINSTALL_KEY" Publisher)" 'kxsetup examples'
  expect_eq "$label: URLInfoAbout" "$(reg_value "$UNINSTALL_KEY" URLInfoAbout)" 'https://example.com/hello'
  expect_eq "$label: URLUpdateInfo" "$(reg_value "$UNINSTALL_KEY" URLUpdateInfo)" 'https://example.com/hello/update'
  expect_eq "$label: DisplayIcon" "$(reg_value "$UNINSTALL_KEY" DisplayIcon)" "$APP_WIN\\hello.exe,0"
  expect_eq "$label: DisplayVersion" "$(reg_value "$UNINSTALL_KEY" DisplayVersion)" '1.0'
  expect_eq "$label: InstallLocation" "$(reg_value "$UNINSTALL_KEY" InstallLocation)" "$APP_WIN"
  expect_eq "$label: InstallDate" "$(reg_value "$UNINSTALL_KEY" InstallDate)" "$(date +%Y%m%d)"
  expect_eq "$label: QuietUninstallString" "$(reg_value "$UNINSTALL_KEY" QuietUninstallString)" "\"$APP_WIN\\uninstall.exe\" /S"
  v=$(drv reg-query "$UNINSTALL_KEY")
  expect_contains "$label: NoModify is DWORD 1" "$v" $'NoModify\tREG_DWORD\t1'
  expect_contains "$label: NoRepair is DWORD 1" "$v" $'NoRepair\tREG_DWORD\t1'
  # KiB of what was written: the example's files and the uninstaller.
  local size
  size=$(printf '%s\n' "$v" | sed -n 's/^EstimatedSize\tREG_DWORD\t//p')
  if [ -n "$size" ] && [ "$size" -ge 250 ] && [ "$size" -le 600 ]; then pass "$label: EstimatedSize is DWORD KiB ($size)"
  else fail "$label: EstimatedSize is DWORD KiB" "got: '$size'"; fi
  expect_eq "$label: UninstallString, quoted" "$(reg_value "$UNINSTALL_KEY" UninstallString)" "\"$APP_WIN\\uninstall.exe\""

  expect_eq "$label: HKLM InstallPath" "$(reg_value 'HKLM\Software\kxsetup examples\Hello' InstallPath)" "$APP_WIN\\"
  expect_eq "$label: HKLM Version" "$(reg_value 'HKLM\Software\kxsetup examples\Hello' Version)" '1.0'
  expect_eq "$label: HKCU default value" "$(reg_value 'HKCU\Software\kxsetup examples\Hello' '(default)')" 'Hello, user'
  expect_eq "$label: HKCU Greeting" "$(reg_value 'HKCU\Software\kxsetup examples\Hello' Greeting)" 'Hello, world!'
  expect_eq "$label: App Paths" "$(reg_value "$APP_PATHS_KEY" '(default)')" "$APP_WIN\\hello.exe"

  expect_eq "$label: .hello names its type" "$(reg_value 'HKCR\.hello' '(default)')" 'KxSetup.HelloFile'
  expect_eq "$label: the type's description" "$(reg_value 'HKCR\KxSetup.HelloFile' '(default)')" 'Hello greeting'
  v=$(reg_value 'HKCR\KxSetup.HelloFile\shell\open\command' '(default)')
  expect_contains "$label: the type opens with hello.exe" "$v" "\"$APP_WIN\\hello.exe\""
  expect_contains "$label: the open command passes the file" "$v" '"%1"'
  expect_eq "$label: the type's icon" "$(reg_value 'HKCR\KxSetup.HelloFile\DefaultIcon' '(default)')" "$APP_WIN\\hello.exe,0"

  check "$label: desktop shortcut points at hello.exe" link_points_at "$DESKTOP_WIN\\Hello.lnk"
  check "$label: Programs shortcut points at hello.exe" link_points_at "$PROGRAMS_WIN\\Hello.lnk"
}

# The association works end to end: opening a .hello file runs hello.exe on it.
association_case() {
  local file=$APP_DIR/samples/greetings/moon.hello
  if [ ! -f "$file" ]; then
    fail "opening a .hello file: $file is missing"
    return
  fi
  start_bg open-hello start /unix "$file"
  expect_box "opening a .hello file" ok 'Hello' 'Hello, moon!'
  wait_bg 10
  close_leftovers
}

# Started again: the destination is the installed folder (its Uninstall
# entry's InstallLocation), which is the application's own: Next installs
# over it without the occupied-folder question, and the entry stays one.
reinstall_case() {
  snapshot reinstall-before
  start_bg reinstall "$E2E_SETUP"
  check "reinstall: wizard shows the terms" drv wait-window "$TERMS_PAGE" 30000
  check "reinstall: I Agree" drv click next
  check "reinstall: destination page shown" drv expect-page "$DEST_PAGE" 5000
  expect_eq "reinstall: proposes the installed folder" "$(drv get-text $IDC_DEST_PATH)" "$APP_WIN"
  check "reinstall: Install" drv click next
  # Run unchecked: Close starts nothing (the marker kept aside meanwhile).
  local marker
  marker=$(unix_path "$TEMP_WIN\\hello-launched.txt")
  mv "$marker" "$marker.kept"
  for _ in $(seq 300); do [ "$(drv state $IDC_PROGRESS_RUN 2>/dev/null)" == "visible enabled checked" ] && break; sleep 0.1; done
  check "reinstall: uncheck Run Hello now" drv click $IDC_PROGRESS_RUN
  expect_eq "reinstall: Run unchecked" "$(drv state $IDC_PROGRESS_RUN)" "visible enabled unchecked"
  finish_wizard "reinstall"
  check "reinstall: the wizard closes, asking nothing" drv wait-gone "$CAPTION" 30000
  wait_bg 30
  sleep 2
  check "reinstall: Run unchecked, hello.exe not started" test ! -e "$marker"
  mv "$marker.kept" "$marker"
  expect_eq "reinstall: exit code" "$E2E_BG_STATUS" 0
  check "reinstall: no message box left" drv expect-no-messagebox
  close_leftovers
  check "reinstall: files still byte-identical" same_file "$E2E_STAGE/hello.exe" "$APP_DIR/hello.exe"
  expect_eq "reinstall: one Uninstall entry runs its uninstaller" "$(entries_running "$APP_WIN")" 1
  snapshot reinstall-after
  # Shortcuts are written anew (a link holds its time of writing).
  expect_unchanged "reinstall: nothing else changed" reinstall-before reinstall-after "$(setup_log_re)" \
    "$(snap_under "$APP_WIN\\uninstall.dat")" "$(snap_under "$DESKTOP_WIN\\Hello.lnk")" \
    "$(snap_under "$PROGRAMS_WIN\\Hello.lnk")" "$(log_copy_re)"
}

# entries_running FOLDER: how many Uninstall entries run FOLDER\uninstall.exe.
entries_running() {
  drv reg-dump 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' |
    grep -ciF $'\tUninstallString\tREG_SZ\t"'"$1"'\uninstall.exe"'
}

# ---- uninstallation ---------------------------------------------------------------

# Starts uninstall.exe, which waits for its temporary copy's result, and
# waits for the copy's question.
start_uninstaller() {
  local label=$1 out t0
  t0=$(now_ms)
  start_bg "uninstall-$label" "$APP_WIN\\uninstall.exe"
  if ! out=$(drv messagebox "completely remove" 15000); then
    fail "uninstall ($label): confirmation shown"
    return 1
  fi
  pass "uninstall ($label): confirmation shown"
  T_UNINSTALL_ASK_MS=$(($(now_ms) - t0))
  expect_eq "uninstall ($label): asked by the temporary copy" "$(drv wait-process kx-uninstaller-temp.exe 0 && echo yes)" yes
  expect_eq "uninstall ($label): uninstall.exe waits for it" "$(kill -0 "$E2E_BG_PID" 2>/dev/null && echo yes)" yes
  expect_eq "uninstall ($label): caption" "$(field caption "$out")" "$UNINSTALL_TITLE"
  expect_eq "uninstall ($label): text" "$(field text "$out")" "$MSG_REMOVE"
  expect_eq "uninstall ($label): buttons" "$(line_of buttons "$out")" "$IDYES:&Yes $IDNO:&No"
  expect_eq "uninstall ($label): No is the default" "$(line_of default "$out")" "$IDNO"
}

# uninstall_done LABEL [MORE]: the uninstall's last word, answered: "Hello
# was removed from your computer." under the question's title, then MORE
# (what stayed, and why). The launcher waits until it is read.
uninstall_done() {
  local out
  if ! out=$(drv answer-messagebox ok "was removed from your computer" 30000); then
    fail "$1: the end is told" "$out"
    return 1
  fi
  expect_eq "$1: the end's title" "$(field caption "$out")" "$UNINSTALL_TITLE"
  expect_eq "$1: the end's text" "$(field text "$out")" "$MSG_REMOVED${2:-}"
}

uninstall_no_case() {
  local opened
  opened=$(grep -c uninstalled "$E2E_RUN/logs/opened-urls.txt" 2>/dev/null)
  start_uninstaller no || { close_leftovers; return; }
  check "uninstall (no): answer No" drv answer-messagebox no "completely remove" 5000
  wait_bg 15
  expect_eq "uninstall (no): uninstall.exe ends with 2 (cancelled)" "$E2E_BG_STATUS" 2
  check "uninstall (no): the temporary copy ends" drv wait-process-gone kx-uninstaller-temp.exe 15000
  check "uninstall (no): the temporary copy and its folder go" run_folders_gone
  check "uninstall (no): uninstall-url not opened" test "$(grep -c uninstalled "$E2E_RUN/logs/opened-urls.txt" 2>/dev/null)" == "$opened"
  close_leftovers
  installed_checks "after uninstall No"
}

uninstall_yes_case() {
  local t0
  start_uninstaller yes || { close_leftovers; return; }
  shot 4-uninstall-confirm
  t0=$(now_ms)
  check "uninstall (yes): answer Yes" drv answer-messagebox yes "completely remove" 5000
  if drv messagebox "was removed from your computer" 30000 >/dev/null; then
    T_UNINSTALL_MS=$(($(now_ms) - t0))
    shot 6-uninstall-done
  fi
  check "uninstall (yes): uninstall.exe waits until the end is read" kill -0 "$E2E_BG_PID"
  uninstall_done "uninstall (yes)"
  wait_bg 30
  expect_eq "uninstall (yes): uninstall.exe ends with 0" "$E2E_BG_STATUS" 0
  # When uninstall.exe returns, all but its own file is gone already.
  check "uninstall (yes): Uninstall entry removed" no_reg_key "$UNINSTALL_KEY"
  check "uninstall (yes): HKLM values removed" no_reg_key 'HKLM\Software\kxsetup examples'
  check "uninstall (yes): HKCU values removed" no_reg_key 'HKCU\Software\kxsetup examples'
  check "uninstall (yes): App Paths removed" no_reg_key "$APP_PATHS_KEY"
  check "uninstall (yes): .hello removed" no_reg_key 'HKCR\.hello'
  check "uninstall (yes): file type removed" no_reg_key 'HKCR\KxSetup.HelloFile'
  check "uninstall (yes): desktop shortcut removed" test ! -e "$(unix_path "$DESKTOP_WIN\\Hello.lnk")"
  check "uninstall (yes): Programs shortcut removed" test ! -e "$(unix_path "$PROGRAMS_WIN\\Hello.lnk")"
  check "uninstall (yes): the program's files removed" test ! -e "$APP_DIR/hello.exe"
  check "uninstall (yes): the folder is gone within a second" gone_soon "$APP_DIR"
  check "uninstall (yes): the temporary copy ends" drv wait-process-gone kx-uninstaller-temp.exe 30000
  check "uninstall (yes): the temporary copy and its folder go" run_folders_gone
  check "uninstall (yes): no message box left" drv expect-no-messagebox
  close_leftovers
  check "uninstall (yes): uninstall-url opened" wait_for_text "$E2E_RUN/logs/opened-urls.txt" \
    'https://example.com/hello/uninstalled' 10
  check "uninstall (yes): the setup log says what was removed" grep -q "Removed key HKEY_LOCAL_MACHINE.Software.kxsetup examples" \
    "$(unix_path "$TEMP_WIN\\Hello-uninstall.log")"
}

# A log with a slow step halfway: the uninstall's window is seen at work.
# Then the example again, with a file of the user's in its folder: the
# folder stays, and the end says so.
uninstall_window_case() {
  local out pos
  variant slow-window setup '<uninstall-display-name>' '<uninstaller src="hand-uninstall.xml" /><uninstall-display-name>' \
    hand-uninstall '<remove-reg-key section="HKEY_CURRENT_USER' \
    '<run-command cmd="%windir%\system32\ping.exe" parameters="-n 4 127.0.0.1" /><remove-reg-key section="HKEY_CURRENT_USER' || return
  run_silent window-install "$E2E_RUN/slow-window.exe" /S
  expect_eq "uninstall window: installed" "$E2E_BG_STATUS" 0
  start_uninstaller window || { close_leftovers; return; }
  check "uninstall window: answer Yes" drv answer-messagebox yes "completely remove" 5000
  if out=$(drv window "/^$UNINSTALL_TITLE\$/" 10000) && [[ $out == *msctls_progress32* ]]; then
    pass "uninstall window: shown once removing begins"
    shot 5-uninstall-progress
    out=$(drv window "/^$UNINSTALL_TITLE\$/" 0)
    expect_contains "uninstall window: says what it removes" "$out" "control $IDC_PROGRESS_TEXT Static \"Removing Hello...\""
    expect_contains "uninstall window: the last item removed" "$out" \
      "control $IDC_PROGRESS_FILE Static \"HKEY_LOCAL_MACHINE\\Software\\kxsetup examples\""
    pos=$(printf '%s\n' "$out" | sed -n "s/^control $IDC_PROGRESS_BAR msctls_progress32 \([0-9]*\) of 1000\$/\1/p")
    check "uninstall window: the bar has moved, not to its end ($pos of 1000)" test "${pos:-0}" -gt 0 -a "${pos:-0}" -lt 1000
  else
    fail "uninstall window: shown once removing begins" "$out"
  fi
  drv messagebox "was removed from your computer" 30000 >/dev/null
  check "uninstall window: gone before the end is told" test -z "$(drv window "/^$UNINSTALL_TITLE\$/" 0 | grep msctls_progress32)"
  uninstall_done "uninstall window"
  wait_bg 30
  expect_eq "uninstall window: exit code" "$E2E_BG_STATUS" 0
  close_leftovers
  check "uninstall window: uninstalled" gone_soon "$APP_DIR"

  run_silent kept-install "$E2E_SETUP" /S
  expect_eq "kept folder: installed" "$E2E_BG_STATUS" 0
  echo "mine" >"$APP_DIR/my-notes.txt"
  start_uninstaller kept || { close_leftovers; return; }
  check "kept folder: answer Yes" drv answer-messagebox yes "completely remove" 5000
  uninstall_done "kept folder" \
    "\n\nThese folders were kept because they hold files the installation did not create, such as your own:\n- $APP_WIN"
  wait_bg 30
  expect_eq "kept folder: exit code" "$E2E_BG_STATUS" 0
  close_leftovers
  expect_eq "kept folder: the user's file stays" "$(cat "$APP_DIR/my-notes.txt")" mine
  check "kept folder: the uninstaller goes" gone_soon "$APP_DIR/uninstall.exe"
  check "kept folder: nothing else is left" test "$(ls "$APP_DIR")" == my-notes.txt
  rm -rf "$APP_DIR"
}

# ---- crash report ------------------------------------------------------------------

crash_case() {
  local report code html deadline wizard=no out part
  report=$(unix_path "$TEMP_WIN\\ZB-Crash.html")
  rm -f "$report"
  export KX_TEST_CRASH=1
  start_bg crash "$E2E_SETUP"
  unset KX_TEST_CRASH
  # It faults before any window but the one telling the user.
  if out=$(drv answer-messagebox ok "stopped unexpectedly" 15000); then
    expect_contains "crash: the user is told where the report is" "$(field text "$out")" \
      "Setup stopped unexpectedly.\n\nA report of what happened was saved as:\n$TEMP_WIN\\ZB-Crash.html"
    expect_contains "crash: ... and the publisher's support address" "$(field text "$out")" \
      "Please send it to the publisher's support:\nhttps://example.com/hello/support"
  else
    fail "crash: the user is told"
  fi
  check "crash: no wizard shown" test -z "$(drv wait-window "$CAPTION" 0 2>/dev/null)"
  wait_bg 10
  code=$E2E_BG_STATUS
  if [ "$code" != timeout ] && [ "$code" != 0 ]; then pass "crash: the program ends with an error code ($code)"
  else fail "crash: the program ends with an error code" "got $code"; fi
  close_leftovers
  if [ ! -f "$report" ]; then
    fail "crash: ZB-Crash.html written to %TEMP%"
    return
  fi
  pass "crash: ZB-Crash.html written to %TEMP%"
  cp "$report" "$E2E_RUN/logs/"
  html=$(tr -d '\r' <"$report")
  for part in '<h1>Setup stopped because of an error</h1>' 'System: Windows version' '[Fault]' \
    'EXCEPTION_ACCESS_VIOLATION' 'Access: write to' '[Registers]' 'EIP=' '[Stack: frames]' \
    '<form method="post" action="https://example.com/hello/support"' 'name="report"' '</html>'; do
    expect_contains "crash report: $part" "$html" "$part"
  done

  # Unattended: no window at all; the setup log says it.
  export KX_TEST_CRASH=1
  run_silent crash-silent "$E2E_SETUP" /S
  unset KX_TEST_CRASH
  if [ "$E2E_BG_STATUS" != 0 ] && [ "$E2E_BG_STATUS" != timeout ]; then pass "crash, unattended: an error code ($E2E_BG_STATUS)"
  else fail "crash, unattended: an error code" "got $E2E_BG_STATUS"; fi
  check "crash, unattended: no window" drv expect-no-messagebox
  log_has "crash, unattended: the setup log says where the report is" install "Setup stopped unexpectedly."
}

# ---- a huge terms text ---------------------------------------------------------

# Terms of 5 MB on one line (they used to hang the page, then crash it): the
# page shows within seconds, the text ends with the note, and Cancel works.
huge_terms_case() {
  local stage=$E2E_RUN/stage-huge setup=$E2E_RUN/huge-terms.exe t0 shown
  local note='[The rest of the terms is not shown here. The full text is part of this installer.]'
  rm -rf "$stage"
  cp -r "$E2E_STAGE" "$stage"
  yes 'These terms go on and on without a break. ' | tr -d '\n' | head -c $((5 * 1024 * 1024)) >"$stage/terms.txt"
  if ! "$E2E_KXPACK" build --stub "$E2E_STUB" --script "$stage/setup.xml" -o "$setup" >"$E2E_RUN/logs/kxpack-huge.log" 2>&1; then
    fail "huge terms: kxpack packs them" "$(cat "$E2E_RUN/logs/kxpack-huge.log")"
    return
  fi
  t0=$(now_ms)
  start_bg huge-terms "$setup"
  # A generous bound: it tells a hang from a slow machine, not a speed.
  check "huge terms: the terms page shows" drv wait-window "$TERMS_PAGE" 30000
  log "     (terms page up after $(($(now_ms) - t0)) ms)"
  shown=$(drv get-text $IDC_TERMS_TEXT | tr -d '\r')
  expect_eq "huge terms: the text starts as the file does" "${shown:0:80}" "$(head -c 80 "$stage/terms.txt")"
  expect_eq "huge terms: the text ends with the note" "$(printf '%s\n' "$shown" | tail -n 1)" "$note"
  check "huge terms: click Cancel" drv click cancel
  expect_box "huge terms: cancel, Yes" yes "$CAPTION" "$MSG_EXIT"
  check "huge terms: the wizard closes" drv wait-gone "$CAPTION" 10000
  wait_bg 15
  expect_eq "huge terms: exit code" "$E2E_BG_STATUS" 2
  check "huge terms: nothing installed" nothing_installed
  close_leftovers
}
