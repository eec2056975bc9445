# What an uninstall log may do, whatever it says: a log changed after the
# installation (a record and lines added, as a program of the user's could
# in a folder the user can write) removes nothing outside the installation,
# elevated or not; a link put into the installed folder is removed itself,
# never followed; a destination reached through a link is refused.
# Needs lib.sh, cases.sh, cases-safety.sh; runs while nothing is installed.

TRUST_APP='C:\Games\Mini'
TRUST_UNINSTALL='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# The foreign things a changed log reaches for: each made (or already
# there in the prefix) before the snapshot that must match at the end.
trust_victims() {
  local documents=$1
  mkdir -p "$(unix_path "$documents\\Projects")" "$(unix_path 'C:\Other')"
  echo "the user's thesis" >"$(unix_path "$documents\\thesis.txt")"
  echo "the user's project" >"$(unix_path "$documents\\Projects\\a.txt")"
  echo "another program" >"$(unix_path 'C:\Other\other.exe')"
  wine reg add "$TRUST_UNINSTALL\\KxOtherApp" /v InstallLocation /d 'C:\Other' /f >/dev/null 2>&1 </dev/null
  wine reg add "$TRUST_UNINSTALL\\Hello World Pro" /v UninstallString /d 'C:\Games\Mini Pro\uninstall.exe' /f \
    >/dev/null 2>&1 </dev/null
  # An entry named like a key above it: its own values are what count.
  wine reg add "$TRUST_UNINSTALL\\Microsoft" /v UninstallString /d 'C:\Other\uninstall.exe' /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Software\OtherVendor\OtherApp' /v data /d theirs /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Control Panel\Desktop' /v KxTestValue /d theirs /f >/dev/null 2>&1 </dev/null
}

trust_victims_gone() {
  local documents=$1
  rm -rf "$(unix_path "$documents\\Projects")" "$(unix_path "$documents\\thesis.txt")" "$(unix_path 'C:\Other')"
  wine reg delete "$TRUST_UNINSTALL\\KxOtherApp" /f >/dev/null 2>&1 </dev/null
  wine reg delete "$TRUST_UNINSTALL\\Hello World Pro" /f >/dev/null 2>&1 </dev/null
  wine reg delete "$TRUST_UNINSTALL\\Microsoft" /f >/dev/null 2>&1 </dev/null
  wine reg delete 'HKCU\Software\OtherVendor' /f >/dev/null 2>&1 </dev/null
  wine reg delete 'HKCU\Control Panel\Desktop' /v KxTestValue /f >/dev/null 2>&1 </dev/null
}

# tamper_log DOCUMENTS copy|no-copy: hostile commands in front of the log's
# own, and record lines that vouch for each. Without the copy, a record
# that claims an ordinary key of another vendor can't be told from the
# truth (that is what the copy is for): that key is left out then.
tamper_log() {
  python3 - "$(unix_path "$TRUST_APP\\uninstall.dat")" "$1" "$2" <<'PY'
import sys
path, docs, variant = sys.argv[1:4]
text = open(path, encoding="utf-8").read()
hostile = [
    ('remove-folder', 'path', r'C:\windows\system32\drivers', 'folder'),
    ('remove-file', 'path', docs + r'\thesis.txt', 'file'),
    ('remove-folder', 'path', docs + r'\Projects', 'folder'),
    ('remove-folder', 'path', r'C:\Program Files\Internet Explorer', 'folder'),
    ('remove-folder', 'path', r'C:\Other', 'folder'),
    ('remove-reg-key', 'section', r'HKEY_LOCAL_MACHINE\Software\Classes\txtfile', 'key'),
    ('remove-reg-key', 'section', r'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\KxOtherApp', 'key'),
    ('remove-reg-key', 'section', r'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hello World Pro', 'key'),
    ('remove-reg-key', 'section', r'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Microsoft', 'key'),
    ('remove-reg-key', 'section', r'HKEY_CURRENT_USER\Software\OtherVendor\OtherApp', 'key'),
    ('remove-reg-key', 'section', r'HKEY_CURRENT_USER\Control Panel\Desktop', 'key'),
]
if variant != "copy":
    hostile = [h for h in hostile if "OtherVendor" not in h[2]]
commands = "".join('<%s %s="%s" />' % (c, a, v) for c, a, v, _ in hostile)
commands += r'<remove-reg-key section="HKEY_CURRENT_USER\Control Panel\Desktop" name="KxTestValue" />'
record = "".join('<%s path="%s" />' % (r, v) for _, _, v, r in hostile)
record += r'<value key="HKEY_CURRENT_USER\Control Panel\Desktop" name="KxTestValue" />'
at = text.index("<app-name>")
at = text.index("\n", at) + 1
text = text[:at] + commands + "\n" + text[at:]
at = text.index("</install-record>")
text = text[:at] + record + "\n" + text[at:]
open(path, "w", encoding="utf-8").write(text)
PY
}

# ---- a changed uninstall log ---------------------------------------------------

changed_log_case() {
  local documents copy variant
  documents=$(drv shell-folder Personal)
  trust_victims "$documents"
  # The user's own folder, which the installation fills with Mini.
  mkdir -p "$(unix_path 'C:\Games')"
  for variant in copy no-copy; do
    snapshot "trust-$variant-before"
    run_silent "trust-$variant-install" "$E2E_SETUP" /S "/D=$TRUST_APP"
    expect_eq "changed log ($variant): installed" "$E2E_BG_STATUS" 0
    copy=$(reg_value "$UNINSTALL_KEY" KxUninstallLogCopy)
    if [ $variant == copy ]; then
      # This Wine runs the installer elevated: it keeps the copy.
      check "changed log: the installation keeps a copy for administrators" test -f "$(unix_path "$copy")"
      if [[ $copy =~ ^C:\\ProgramData\\kxsetup-[0-9a-f]{16}\\uninstall\.dat$ ]]; then
        pass "changed log: ... in a folder of its own in ProgramData"
      else
        fail "changed log: ... in a folder of its own in ProgramData" "got: '$copy'"
      fi
    else
      # As an installation made without administrator rights, or by an
      # older installer: the log's own rules alone.
      wine reg delete "$UNINSTALL_KEY" /v KxUninstallLogCopy /f >/dev/null 2>&1 </dev/null
    fi
    tamper_log "$documents" $variant
    run_silent "trust-$variant-uninstall" "$TRUST_APP\\uninstall.exe" /S
    expect_eq "changed log ($variant): exit code 3 (it asked for what it may not remove)" "$E2E_BG_STATUS" 3
    if [ $variant == copy ]; then
      log_has "changed log: drivers refused" uninstall \
        'system32\drivers" />: not in the uninstall information kept for administrators'
      log_has "changed log: the thesis refused" uninstall \
        'thesis.txt" />: not in the uninstall information kept for administrators'

      log_has "changed log: the copy is followed" uninstall "differs from the copy kept for administrators"
      log_has "changed log: lines not in the copy refused" uninstall "(not in the uninstall information kept for administrators)"
      check "changed log: the copy went with the entry" test ! -e "$(unix_path "$copy")"
      check "changed log: ... its folder too" test ! -e "$(dirname "$(unix_path "$copy")")"
    else
      log_has "changed log (no copy): the system folder" uninstall 'C:\windows\system32\drivers: a drive, the Windows folder'
      log_has "changed log (no copy): files outside" uninstall "thesis.txt: outside the installation's folder"
      log_has "changed log (no copy): another program's folder" uninstall "C:\\Other: another program's folder"
      log_has "changed log (no copy): a name that begins like ours" uninstall \
        "Uninstall\\Hello World Pro: another program's entry"
      log_has "changed log (no copy): an entry named like a key above it" uninstall \
        "Uninstall\\Microsoft: another program's entry"
      log_has "changed log (no copy): Control Panel" uninstall 'HKEY_CURRENT_USER\Control Panel\Desktop: a system key'
    fi
    close_leftovers
    gone_soon "$(unix_path "$TRUST_APP")"
    # The copy an installation without it wouldn't have made.
    [ $variant == copy ] || rm -rf "$(dirname "$(unix_path "$copy")")"
    snapshot "trust-$variant-after"
    expect_unchanged "changed log ($variant): nothing foreign removed, nothing of the installation left" \
      "trust-$variant-before" "trust-$variant-after" "$(setup_log_re)"
  done
  trust_victims_gone "$documents"
  rm -rf "$(unix_path 'C:\Games')"
}

# ---- a link in the installed folder ----------------------------------------------

link_in_folder_case() {
  local user=$E2E_RUN/user-docs
  mkdir -p "$user"
  echo "the user's guide" >"$user/guide.txt"
  echo "the user's notes" >"$user/notes.txt"
  run_silent link-install "$E2E_SETUP" /S "/D=$TRUST_APP"
  expect_eq "link in the folder: installed" "$E2E_BG_STATUS" 0
  # docs\ (which the installation made, guide.txt in it) becomes a link to
  # the user's folder, which holds a guide.txt of its own.
  rm -rf "$(unix_path "$TRUST_APP\\docs")"
  ln -s "$user" "$(unix_path "$TRUST_APP\\docs")"
  # And readme.txt a link to a file of the user's (Wine shows such a link
  # without the link attribute: only where it leads tells).
  echo "the user's thesis" >"$user-thesis.txt"
  rm -f "$(unix_path "$TRUST_APP\\readme.txt")"
  ln -s "$user-thesis.txt" "$(unix_path "$TRUST_APP\\readme.txt")"
  run_silent link-uninstall "$TRUST_APP\\uninstall.exe" /S
  expect_eq "link in the folder: exit code 3 (the log's docs\\guide.txt is refused)" "$E2E_BG_STATUS" 3
  log_has "link in the folder: the setup log says why" uninstall "guide.txt: reached through a link, which is never followed"
  expect_eq "link in the folder: the user's guide.txt untouched" "$(cat "$user/guide.txt" 2>&1)" "the user's guide"
  expect_eq "link in the folder: ... and the rest of the folder" "$(ls "$user" | tr '\n' ' ')" "guide.txt notes.txt "
  expect_eq "link in the folder: the file a link led to untouched" "$(cat "$user-thesis.txt" 2>&1)" "the user's thesis"
  log_has "link in the folder: that link is left, and told" uninstall 'readme.txt: a link, left in place'
  # A link is never removed (Windows would remove the link, Wine what it
  # leads to): it stays, and is told.
  log_has "link in the folder: the link is left, and told" uninstall 'docs: a link, left in place'
  check "link in the folder: ... still a link" test -L "$(unix_path "$TRUST_APP\\docs")"
  # Stopped short, it stays listed; once the links are gone a second run
  # finishes.
  expect_eq "link in the folder: still listed" "$(reg_value "$UNINSTALL_KEY" UninstallString)" \
    "\"$TRUST_APP\\uninstall.exe\""
  rm -f "$(unix_path "$TRUST_APP\\docs")" "$(unix_path "$TRUST_APP\\readme.txt")"
  run_silent link-uninstall-again "$TRUST_APP\\uninstall.exe" /S
  expect_eq "link in the folder: the links gone, a second run finishes" "$E2E_BG_STATUS" 0
  check "link in the folder: nothing installed" nothing_installed
  rm -rf "$user" "$user-thesis.txt" "$(unix_path 'C:\Games')"
}

# ---- a destination reached through a link ----------------------------------------

link_destination_case() {
  local elsewhere=$E2E_RUN/elsewhere
  mkdir -p "$elsewhere" "$(unix_path 'C:\Games')"
  ln -s "$elsewhere" "$(unix_path 'C:\Games\Linked')"
  snapshot linkdest-before
  run_silent linkdest "$E2E_SETUP" /S '/D=C:\Games\Linked\Mini'
  expect_eq "destination through a link: refused (exit code 3)" "$E2E_BG_STATUS" 3
  log_has "destination through a link: the setup log says why" install "it is reached through a link"
  expect_eq "destination through a link: nothing written where it leads" "$(ls -A "$elsewhere")" ""
  snapshot linkdest-after
  expect_unchanged "destination through a link: nothing changed" linkdest-before linkdest-after "$(setup_log_re)"
  rm -rf "$(unix_path 'C:\Games')" "$elsewhere"
}
