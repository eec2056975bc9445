# The application's processor (the script's architecture setting) on
# 64-bit Windows: a 64-bit Wine prefix (WoW64) beside the run's 32-bit one.
# There the 32-bit installer sees Program Files (x86) as %ProgramFiles% and
# HKLM\Software\Wow6432Node as HKLM\Software, as on Windows. Snapshots in
# that prefix read the 64-bit view, where HKLM\Software\Wow6432Node is a
# key like any other: a key under it is the 32-bit view's, anything else
# under HKLM\Software the 64-bit view's (as in the prefix's system.reg).
# Needs lib.sh, cases.sh, cases-safety.sh; runs while nothing is installed.

PF64_WIN='C:\Program Files\Hello'
PF32_WIN='C:\Program Files (x86)\Hello'

# What installing the example adds, with its files in FOLDER and its
# Uninstall entry and own keys under SOFTWARE (HKLM\Software, or
# HKLM\Software\Wow6432Node for the 32-bit view): the patterns for
# expect_changes. App Paths and the file types are keys both views share
# (Wine links Wow6432Node's App Paths to the 64-bit one, and HKCR's
# extensions and file types are not redirected).
hello_changes() {
  local software=$1 folder=$2
  printf '%s\n' "$(snap_under "$folder" +)" "$(snap_under "$DESKTOP_WIN\\Hello.lnk" +)" \
    "$(snap_under "$PROGRAMS_WIN\\Hello.lnk" +)" \
    "$(snap_under "$software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Hello World" +)" \
    "$(snap_under "$software\\kxsetup examples" +)" "$(snap_under "$APP_PATHS_KEY" +)" \
    "$(snap_under 'HKCR\.hello' +)" "$(snap_under 'HKCR\KxSetup.HelloFile' +)" \
    "$(snap_under 'HKCU\Software\kxsetup examples' +)" "$(setup_log_re)" "$(log_copy_re)"
}

# Uninstalls what a run that should have installed nothing (or should have
# uninstalled) left, so that the checks after it start from a clean prefix.
remove_hello() {
  local folder
  for folder in "$PF64_WIN" "$PF32_WIN"; do
    [ ! -e "$(unix_path "$folder\\uninstall.exe")" ] || run_silent remove-hello "$folder\\uninstall.exe" /S
    gone_soon "$(unix_path "$folder")" || true
  done
}

# The Uninstall entries of either view that lead to an uninstall.exe of a
# Hello folder, a "key<TAB>UninstallString<TAB>REG_SZ<TAB>data" line each.
hello_entries() {
  drv reg-dump64 'HKLM\Software' | grep -iF $'\tUninstallString\tREG_SZ\t' | grep -iF 'Hello\uninstall.exe"' || true
}

# x64.exe and arm64.exe: the example as an x64 application (its cmd.exe
# run-command telling which processor it runs for) and as an ARM64 one.
x64_variants() {
  [ -f "$E2E_RUN/x64.exe" ] && [ -f "$E2E_RUN/arm64.exe" ] && return 0
  variant x64 setup '<app-name>Hello</app-name>' '<app-name>Hello</app-name><architecture>x64</architecture>' \
    setup '/c echo Hello from the installer, now in %APP%' '/c set PROCESSOR_ARCHITE' &&
    variant arm64 setup '<app-name>Hello</app-name>' '<app-name>Hello</app-name><architecture>arm64</architecture>'
}

# No window of the wizard is open.
no_wizard_page() { ! drv wait-window "$CAPTION - " 0; }

# The shipped example, an x86 application, as it has always installed:
# the 32-bit folder and keys.
x86_in_win64_case() {
  local changes
  use_prefix win64 || return 0
  snapshot x86-64-before
  run_silent x86-64-install "$E2E_SETUP" /S
  expect_eq "x86 in a 64-bit prefix: exit code 0" "$E2E_BG_STATUS" 0
  check "x86 in a 64-bit prefix: into Program Files (x86)" same_file "$E2E_STAGE/hello.exe" \
    "$(unix_path "$PF32_WIN\\hello.exe")"
  snapshot x86-64-installed
  mapfile -t changes < <(hello_changes 'HKLM\Software\Wow6432Node' "$PF32_WIN")
  expect_changes "x86 in a 64-bit prefix: files and keys in the 32-bit places only" x86-64-before x86-64-installed \
    "${changes[@]}"
  run_silent x86-64-uninstall "$PF32_WIN\\uninstall.exe" /S
  expect_eq "x86 in a 64-bit prefix, uninstall: exit code 0" "$E2E_BG_STATUS" 0
  check "x86 in a 64-bit prefix, uninstall: the folder goes" gone_soon "$(unix_path "$PF32_WIN")"
  snapshot x86-64-after
  expect_unchanged "x86 in a 64-bit prefix, uninstall: both views as before" x86-64-before x86-64-after \
    "$(setup_log_re)" || remove_hello
  use_prefix win32
}

# An x64 application: the 64-bit folder, keys and system folder, also when
# installed again; an ARM64 one can't run here.
x64_in_win64_case() {
  local changes arch
  x64_variants || return
  use_prefix win64 || return 0
  snapshot x64-64-before
  run_silent arm64-64-install "$E2E_RUN/arm64.exe" /S
  expect_eq "arm64 in a 64-bit prefix: exit code 3" "$E2E_BG_STATUS" 3
  snapshot arm64-64-after
  expect_unchanged "arm64 in a 64-bit prefix: installs nothing" x64-64-before arm64-64-after "$(setup_log_re)" ||
    { remove_hello && snapshot arm64-64-after; }

  run_silent x64-64-install "$E2E_RUN/x64.exe" /S
  expect_eq "x64 in a 64-bit prefix: exit code 0" "$E2E_BG_STATUS" 0
  check "x64 in a 64-bit prefix: into Program Files" same_file "$E2E_STAGE/hello.exe" \
    "$(unix_path "$PF64_WIN\\hello.exe")"
  # The 64-bit cmd.exe sees the processor as it is; the 32-bit one adds
  # PROCESSOR_ARCHITEW6432.
  arch=$(tr -d '\r' 2>/dev/null <"$(unix_path "$PF64_WIN\\install.log")" | grep '^PROCESSOR_ARCHITE' | tr '\n' ' ')
  expect_eq "x64 in a 64-bit prefix: %windir%\\system32\\cmd.exe is the 64-bit one" "$arch" 'PROCESSOR_ARCHITECTURE=AMD64 '
  snapshot x64-64-installed
  mapfile -t changes < <(hello_changes 'HKLM\Software' "$PF64_WIN")
  expect_changes "x64 in a 64-bit prefix: files and keys in the 64-bit places only" arm64-64-after x64-64-installed \
    "${changes[@]}"

  run_silent x64-64-upgrade "$E2E_RUN/x64.exe" /S
  expect_eq "x64 in a 64-bit prefix, again: exit code 0" "$E2E_BG_STATUS" 0
  expect_eq "x64 in a 64-bit prefix, again: one Uninstall entry, the 64-bit one" "$(hello_entries)" \
    "$UNINSTALL_KEY"$'\tUninstallString\tREG_SZ\t"'"$PF64_WIN"'\uninstall.exe"'

  run_silent x64-64-uninstall "$PF64_WIN\\uninstall.exe" /S
  expect_eq "x64 in a 64-bit prefix, uninstall: exit code 0" "$E2E_BG_STATUS" 0
  check "x64 in a 64-bit prefix, uninstall: the folder goes" gone_soon "$(unix_path "$PF64_WIN")"
  snapshot x64-64-after
  expect_unchanged "x64 in a 64-bit prefix, uninstall: both views as before" x64-64-before x64-64-after \
    "$(setup_log_re)" || remove_hello
  use_prefix win32
}

# An x64 application on 32-bit Windows: told before the first page,
# nothing installed, exit code 3.
x64_in_win32_case() {
  local out
  x64_variants || return
  snapshot x64-32-before
  run_silent x64-32-silent "$E2E_RUN/x64.exe" /S
  expect_eq "x64 in a 32-bit prefix, unattended: exit code 3" "$E2E_BG_STATUS" 3
  snapshot x64-32-after
  expect_unchanged "x64 in a 32-bit prefix, unattended: installs nothing" x64-32-before x64-32-after \
    "$(setup_log_re)" || remove_hello
  start_bg x64-32-wizard "$E2E_RUN/x64.exe"
  if out=$(drv messagebox "" 15000); then
    expect_contains "x64 in a 32-bit prefix: the message names x64" "$(field text "$out")" x64
    check "x64 in a 32-bit prefix: ... before the first page" no_wizard_page
    drv answer-messagebox ok "" 5000 >/dev/null
    wait_bg 15
    expect_eq "x64 in a 32-bit prefix, wizard: exit code 3" "$E2E_BG_STATUS" 3
  else
    fail "x64 in a 32-bit prefix: a message before the first page" "open: $(drv wait-window "$CAPTION" 0 2>&1)"
  fi
  close_leftovers
}
