# Runs cut short, and what the next run makes of them: installations
# killed at several points (KX_TEST_KILL, the program's own TerminateProcess)
# are undone by the next installer or uninstaller, one killed while it
# commits is kept; an uninstall killed mid-way is finished; two installers
# at once into one folder, one of them cancelled; the uninstaller's launcher
# when its temporary copy is killed from outside.
# Needs lib.sh, cases.sh, cases-safety.sh (variant, run_silent, log_has,
# to_destination, wizard_ends) and E2E_KXPACK; runs while nothing is
# installed and leaves nothing installed.

JOURNALS_KEY='HKLM\Software\kxsetup\Journals'

# journal_left: a run folder with a journal is left, and the registry
# names it: what a run that was cut short leaves for the next one.
journal_left() {
  run_base
  local f
  for f in $(run_folders); do
    [ -f "$RUN_BASE_DIR/$f/journal.txt" ] && drv reg-query "$JOURNALS_KEY\\$f" >/dev/null && return 0
  done
  return 1
}

# no_journal: no run folder and no registry mark left.
no_journal() { run_folders_gone 5 && no_reg_key "$JOURNALS_KEY" && no_reg_key 'HKLM\Software\kxsetup'; }

# killed_run LABEL POINT CODE PROGRAM [ARGS...]: runs it with
# KX_TEST_KILL=POINT; it ends with CODE (9: killed itself; 3: a launcher
# whose copy was killed) and leaves its journal.
killed_run() {
  local label=$1 point=$2 code=$3
  shift 3
  export KX_TEST_KILL=$point
  run_silent "$label" "$@"
  unset KX_TEST_KILL
  expect_eq "$label: ended there (KX_TEST_KILL=$point)" "$E2E_BG_STATUS" "$code"
  check "$label: its journal is left, named in the registry" journal_left
}

# uninstall_silently LABEL: uninstall.exe /S ends with 0 and the folder goes.
uninstall_silently() {
  run_silent "$1" "$APP_WIN\\uninstall.exe" /S
  expect_eq "$1: uninstalled" "$E2E_BG_STATUS" 0
  check "$1: the folder goes" gone_soon "$APP_DIR"
}

# Killed after some files, amid the registry values and while writing the
# uninstaller, then run again: the new installation is what a whole one is
# (so nothing of the killed run is left), and it uninstalls cleanly.
recover_install_case() {
  local point
  snapshot recover-before
  run_silent recover-whole "$E2E_SETUP" /S
  expect_eq "recover: a whole installation to compare with" "$E2E_BG_STATUS" 0
  snapshot recover-whole
  uninstall_silently "recover: whole"
  # file:4 ends the run between the two files of samples\greetings, which
  # the journal announced together.
  for point in file:4 value:7 uninstaller; do
    killed_run "installer killed at $point" "$point" 9 "$E2E_SETUP" /S
    check "installer killed at $point: not registered" no_reg_key "$UNINSTALL_KEY"
    run_silent "recover-$point" "$E2E_SETUP" /S
    expect_eq "killed at $point, run again: installed" "$E2E_BG_STATUS" 0
    log_has "killed at $point, run again: the setup log says it was undone" install \
      "An interrupted installation of Hello into $APP_WIN\\ was undone"
    log_has "killed at $point, run again: ... and what" install "Undo: removed $APP_WIN\\hello.exe"
    check "killed at $point, run again: no journal left" no_journal
    snapshot "recover-$point"
    # A folder the killed run made and left would show as folder-existed
    # in uninstall.dat; a file or value, as a difference.
    expect_unchanged "killed at $point, run again: the same as a whole installation" recover-whole "recover-$point" \
      "$(setup_log_re)" "$(snap_under "$DESKTOP_WIN\\Hello.lnk")" "$(snap_under "$PROGRAMS_WIN\\Hello.lnk")" \
      "$(log_copy_re)"
    uninstall_silently "killed at $point, run again"
  done
  snapshot recover-after
  expect_unchanged "killed installations: nothing left once uninstalled" recover-before recover-after "$(setup_log_re)"
}

# The wizard undoes a killed run before it shows: Cancel on its first page
# leaves the machine as it was before the killed run.
recover_wizard_case() {
  snapshot recover-wizard-before
  killed_run "installer killed amid the registry" value:7 9 "$E2E_SETUP" /S
  start_bg recover-wizard "$E2E_SETUP"
  check "killed, the wizard: shows" drv wait-window "$TERMS_PAGE" 30000
  check "killed, the wizard: the journal is gone before it shows" no_journal
  cancel_wizard "killed, the wizard"
  log_has "killed, the wizard: the setup log says it was undone" install \
    "An interrupted installation of Hello into $APP_WIN\\ was undone"
  snapshot recover-wizard-after
  expect_unchanged "killed, then the wizard: as before the killed run" recover-wizard-before recover-wizard-after \
    "$(setup_log_re)"
}

# Killed mid-upgrade: the uninstaller, started next, undoes the upgrade
# before it asks, and the earlier installation is as it was; killed once
# the upgrade had begun to commit: the upgrade is kept.
recover_upgrade_case() {
  variant r11 -D VERSION=1.1 || return
  snapshot recover-upgrade-none
  run_silent recover-upgrade-base "$E2E_SETUP" /S
  expect_eq "upgrade: 1.0 installed" "$E2E_BG_STATUS" 0
  snapshot recover-upgrade-base
  killed_run "upgrade killed after some files" file:3 9 "$E2E_RUN/r11.exe" /S
  check "upgrade killed: some files were replaced" test -n "$(run_base; for f in $(run_folders); do
    ls "$RUN_BASE_DIR/$f" | grep -v journal.txt; done)"
  start_bg recover-upgrade-no "$APP_WIN\\uninstall.exe"
  check "upgrade killed, the uninstaller: asks" drv answer-messagebox no "completely remove" 15000
  wait_bg 30
  expect_eq "upgrade killed, the uninstaller: No" "$E2E_BG_STATUS" 2
  close_leftovers
  log_has "upgrade killed, the uninstaller: says it undid the upgrade" uninstall \
    "An interrupted installation of Hello into $APP_WIN\\ was undone"
  log_has "upgrade killed, the uninstaller: ... and what it put back" uninstall "Undo: put back $APP_WIN\\hello.exe"
  snapshot recover-upgrade-undone
  expect_unchanged "upgrade killed: the earlier installation is as it was" recover-upgrade-base recover-upgrade-undone \
    "$(setup_log_re)"
  expect_eq "upgrade killed: version 1.0 is registered" "$(reg_value "$UNINSTALL_KEY" DisplayVersion)" '1.0'

  killed_run "upgrade killed as it commits" commit 9 "$E2E_RUN/r11.exe" /S
  expect_eq "upgrade killed as it commits: 1.1 is registered" "$(reg_value "$UNINSTALL_KEY" DisplayVersion)" '1.1'
  uninstall_silently "upgrade killed as it commits, the uninstaller"
  log_has "upgrade killed as it commits: the uninstaller kept it" uninstall \
    "An interrupted installation of Hello into $APP_WIN\\ had been completed: it is kept"
  check "upgrade killed as it commits: no journal left" no_journal
  snapshot recover-upgrade-after
  expect_unchanged "upgrades killed: nothing left once uninstalled" recover-upgrade-none recover-upgrade-after \
    "$(setup_log_re)"
}

# The position, among the commands of uninstall.dat, of the one that
# removes uninstall.dat itself.
own_log_command() {
  python3 - "$APP_DIR/uninstall.dat" <<'PY'
import sys, xml.etree.ElementTree as ET
n = 0
for element in ET.parse(sys.argv[1]).getroot():
    if element.tag.startswith("remove-") or element.tag == "run-command":
        n += 1
        if element.tag == "remove-file" and element.get("path", "").endswith("uninstall.dat"):
            print(n)
            break
PY
}

# An uninstall killed mid-way: run again, it finishes; killed once its own
# log was gone (the uninstaller can't start then): the installer finishes it.
recover_uninstall_case() {
  local n
  snapshot recover-un-before
  run_silent recover-un-install "$E2E_SETUP" /S
  expect_eq "uninstall killed: installed" "$E2E_BG_STATUS" 0
  killed_run "uninstall killed after 3 commands" command:3 3 "$APP_WIN\\uninstall.exe" /S
  check "uninstall killed after 3 commands: a shortcut went" test ! -e "$(unix_path "$DESKTOP_WIN\\Hello.lnk")"
  check "uninstall killed after 3 commands: the program is still there" test -f "$APP_DIR/hello.exe"
  uninstall_silently "uninstall killed, run again"
  log_has "uninstall killed, run again: the setup log says it finished it" uninstall \
    "Finishing the interrupted uninstall of Hello in $APP_WIN\\"
  check "uninstall killed, run again: nothing installed" nothing_installed
  check "uninstall killed, run again: no journal left" no_journal
  snapshot recover-un-again
  expect_unchanged "uninstall killed, run again: nothing left" recover-un-before recover-un-again "$(setup_log_re)"

  run_silent recover-un-install2 "$E2E_SETUP" /S
  expect_eq "uninstall killed late: installed" "$E2E_BG_STATUS" 0
  n=$(own_log_command)
  killed_run "uninstall killed once its log was gone" "command:$n" 3 "$APP_WIN\\uninstall.exe" /S
  check "uninstall killed late: uninstall.dat is gone" test ! -e "$APP_DIR/uninstall.dat"
  check "uninstall killed late: uninstall.exe is left" test -f "$APP_DIR/uninstall.exe"
  run_silent recover-un-installer "$E2E_SETUP" /S
  expect_eq "uninstall killed late, the installer: installed" "$E2E_BG_STATUS" 0
  log_has "uninstall killed late, the installer: finished the uninstall first" install \
    "The interrupted uninstall of Hello in $APP_WIN\\ was finished"
  check "uninstall killed late, the installer: no journal left" no_journal
  uninstall_silently "uninstall killed late, the installer's installation"
  snapshot recover-un-after
  expect_unchanged "uninstalls killed: nothing left" recover-un-before recover-un-after "$(setup_log_re)"
}

# Two installers into one folder: the second runs whole while the first
# waits on a file in use at its last step, which is then cancelled. The
# first's undo leaves what the second wrote over its files and, once the
# second has completed there, the values both wrote: the second
# installation is whole and uninstalls cleanly.
concurrent_installs_case() {
  local holder first
  mkdir -p "$(unix_path 'C:\KxHeld')"
  echo "held" >"$(unix_path 'C:\KxHeld\held.txt')"
  variant held-last setup 'stoponfail="true" />' \
    'stoponfail="true" /><file src="terms.txt" name="held.txt" dest="C:\KxHeld" />' || return
  snapshot concurrent-before
  wine "$E2E_DRIVER" hold-file 'C:\KxHeld\held.txt' 120000 >"$E2E_RUN/logs/hold-concurrent.log" 2>&1 </dev/null &
  holder=$!
  wait_for_text "$E2E_RUN/logs/hold-concurrent.log" held 10 || fail "two installers: held.txt held"
  to_destination "$E2E_RUN/held-last.exe" concurrent-first || fail "two installers: the first shows its wizard"
  drv click next >/dev/null
  check "two installers: the first waits on its last file" drv messagebox "can't replace" 30000
  first=$E2E_BG_PID
  # One run of the application at a time: the second changes nothing.
  run_silent concurrent-second "$E2E_SETUP" /S '/LOG=C:\KxHeld\second.log'
  expect_eq "two installers: the second ends with 7 (another installation is running)" "$E2E_BG_STATUS" 7
  check "two installers: ... and says so" grep -qF "Another run of Hello holds it" "$(unix_path 'C:\KxHeld\second.log')"
  check "two installers: the second left the first's journal alone" \
    bash -c "! grep -q 'An interrupted installation' '$(unix_path 'C:\KxHeld\second.log')'"
  E2E_BG_PID=$first
  : >"$(unix_path 'C:\KxHeld\held.txt.release')"
  wait "$holder" 2>/dev/null
  check "two installers: the first goes on once the file is free" drv answer-messagebox retry "can't replace" 5000
  finish_wizard "two installers: the first"
  wizard_ends "two installers: the first" 0 30
  check "two installers: its program" same_file "$E2E_STAGE/hello.exe" "$APP_DIR/hello.exe"
  check "two installers: no journal left" no_journal
  uninstall_silently "two installers: the first"
  rm -rf "$(unix_path 'C:\KxHeld')"
  snapshot concurrent-after
  expect_unchanged "two installers: nothing left once uninstalled" concurrent-before concurrent-after \
    "$(setup_log_re)" "$(snap_under 'C:\KxHeld')" "$(snap_under "$TEMP_WIN\\hello-launched.txt")"
}

# The launcher ends when its temporary copy ends, killed from outside:
# while its question is shown, and while a program the uninstall log runs
# (which holds the launcher's pipe) goes on. The uninstall cut short there
# is finished when the uninstaller runs again.
launcher_killed_copy_case() {
  local slow
  slow=$(unix_path 'C:\kx-slow-uninstall.txt')
  variant slow-uninstall setup '<uninstall-display-name>' '<uninstaller src="hand-uninstall.xml" /><uninstall-display-name>' \
    hand-uninstall '<remove-reg-key ' \
    '<run-command cmd="%windir%\system32\cmd.exe" parameters="/c if exist C:\kx-slow-uninstall.txt %windir%\system32\ping.exe -n 120 127.0.0.1" /><remove-reg-key ' || return
  snapshot launcher-before
  run_silent launcher-install "$E2E_RUN/slow-uninstall.exe" /S
  expect_eq "launcher: installed" "$E2E_BG_STATUS" 0

  start_bg launcher-question "$APP_WIN\\uninstall.exe"
  check "launcher: the copy asks" drv messagebox "completely remove" 15000
  wine taskkill /F /IM kx-uninstaller-temp.exe >>"$E2E_RUN/logs/taskkill.log" 2>&1 </dev/null
  # A generous guard: the launcher ends at once, not when something times out.
  wait_bg 20
  expect_eq "launcher: the copy killed at its question, the launcher ends with 3" "$E2E_BG_STATUS" 3
  close_leftovers
  check "launcher: nothing was removed" test -f "$APP_DIR/hello.exe"

  echo slow >"$slow"
  start_bg launcher-running "$APP_WIN\\uninstall.exe" /S
  check "launcher: the log's program runs" drv wait-process ping.exe 15000
  wine taskkill /F /IM kx-uninstaller-temp.exe >>"$E2E_RUN/logs/taskkill.log" 2>&1 </dev/null
  wait_bg 20
  expect_eq "launcher: the copy killed while its program runs, the launcher ends with 3" "$E2E_BG_STATUS" 3
  check "launcher: ... while that program still runs" drv wait-process ping.exe 0
  wine taskkill /F /IM ping.exe >>"$E2E_RUN/logs/taskkill.log" 2>&1 </dev/null
  drv wait-process-gone ping.exe 5000 >/dev/null
  rm -f "$slow"
  # That program kept the copy's folder as its current folder: the folder
  # (empty) stays until an uninstaller removes it a minute later
  # (RemoveStaleCopyFolders). Here it goes by hand.
  local f
  run_base
  for f in $(run_folders); do
    if [[ $f =~ ^kx-[0-9a-f]{16}$ ]]; then rmdir "$RUN_BASE_DIR/$f"; fi
  done
  check "launcher: the uninstall cut short left its journal" journal_left
  uninstall_silently "launcher: run again"
  log_has "launcher: run again, the uninstall was finished" uninstall \
    "Finishing the interrupted uninstall of Hello in $APP_WIN\\"
  check "launcher: nothing installed" nothing_installed
  check "launcher: no journal left" no_journal
  snapshot launcher-after
  expect_unchanged "launcher: nothing left" launcher-before launcher-after "$(setup_log_re)"
}
