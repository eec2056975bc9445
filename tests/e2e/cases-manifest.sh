# kxpack manifest on the example's installer, checked from outside: the
# checksums against sha256sum, the switches and exit codes against the
# installer's own usage (/?); then the installer run as winget runs it from
# the manifest's switches, its Add/Remove entry held against the manifest,
# and removed as the Chocolatey package's uninstall script removes it.
# Needs lib.sh, cases.sh, cases-identity.sh (win_path), cases-restart.sh
# (wait_whole), E2E_KXPACK and Debian's python3-yaml; runs while nothing is
# installed.

MANIFEST_WIN='C:\Program Files\Hello Manifest'
MANIFEST_LOG_WIN='C:\manifest logs\hello setup.log'

# manifest_value FILE EXPRESSION: a Python expression over the YAML file's doc.
manifest_value() {
  /usr/bin/python3 -c 'import sys, yaml; doc = yaml.safe_load(open(sys.argv[1], encoding="utf-8")); print(eval(sys.argv[2]))' \
    "$1" "$2"
}

# manifest_run NAME LINE: the whole command line through the driver; sets E2E_BG_STATUS.
manifest_run() {
  start_bg "$1" "$E2E_DRIVER" exit-code-line "$2"
  E2E_WHOLE_LOG=$E2E_RUN/logs/$1.log
  wait_whole 60
}

manifest_case() {
  local out=$E2E_RUN/manifest yaml sha usage switch name codes listed entry key v line uninstaller
  rm -rf "$out"
  if ! "$E2E_KXPACK" manifest "$E2E_SETUP" --id Kxsetup.Hello --url https://example.com/hello/hello-setup.exe \
    --license MIT --short-description 'Says hello.' --winget "$out/winget" --chocolatey "$out/choco" \
    >"$E2E_RUN/logs/manifest.log" 2>&1; then
    fail "manifest: kxpack writes them" "$(cat "$E2E_RUN/logs/manifest.log")"
    return 0
  fi
  yaml=$out/winget/Kxsetup.Hello.installer.yaml
  sha=$(sha256sum "$E2E_SETUP" | cut -d' ' -f1 | tr a-f A-F)
  expect_eq "manifest: winget's InstallerSha256 is sha256sum's" \
    "$(manifest_value "$yaml" 'doc["Installers"][0]["InstallerSha256"]')" "$sha"
  expect_contains "manifest: Chocolatey's checksum is sha256sum's" \
    "$(cat "$out/choco/tools/chocolateyInstall.ps1")" "checksum       = '$sha'"

  # Every switch of the manifest is one the usage names (/S, /D=folder, /LOG=file).
  start_bg manifest-usage "$E2E_SETUP" /?
  usage=$(printf '%b' "$(field text "$(drv answer-messagebox ok "Usage:" 15000)")")
  wait_bg 15
  for switch in $(manifest_value "$yaml" '" ".join(doc["Installers"][0]["InstallerSwitches"].values())'); do
    name=${switch%%=*}
    [ "$name" == "$switch" ] || name+='='
    check "manifest: the usage names $name" grep -qE "^$name[a-z]*  " <<<"$usage"
  done
  # Its exit codes are the usage's: 0 goes without saying, and 3010 only
  # where the script lets a run finish at the restart, which the example's doesn't.
  codes=$(manifest_value "$yaml" '"\n".join(["0"] + [str(c["InstallerReturnCode"]) for c in doc["ExpectedReturnCodes"]])' |
    sort -nu | tr '\n' ' ')
  listed=$(sed -n '/^Exit codes:/,$p' <<<"$usage" | grep -oE '^[0-9]+' | grep -vx 3010 | sort -nu | tr '\n' ' ')
  expect_eq "manifest: the exit codes are the usage's" "$codes" "$listed"
  expect_contains "manifest: Chocolatey takes 0 for success" "$(cat "$out/choco/tools/chocolateyInstall.ps1")" \
    'validExitCodes = @(0)'

  # As winget runs it: Silent, Log and InstallLocation (last: /D= takes the rest of the line).
  mkdir -p "$(unix_path 'C:\manifest logs')"
  line="\"$(win_path "$E2E_SETUP")\" $(manifest_value "$yaml" \
    '" ".join(doc["Installers"][0]["InstallerSwitches"][k] for k in ("Silent", "Log", "InstallLocation"))')"
  line=${line/<LOGPATH>/$MANIFEST_LOG_WIN}
  manifest_run manifest-install "${line/<INSTALLPATH>/$MANIFEST_WIN}"
  expect_eq "manifest: installed as winget runs it, exit code 0" "$E2E_BG_STATUS" 0
  check "manifest: into the InstallLocation's folder" test -f "$(unix_path "$MANIFEST_WIN\\hello.exe")"
  check "manifest: the setup log where Log says" grep -q "Installation complete" "$(unix_path "$MANIFEST_LOG_WIN")"
  # The entry winget looks for: ProductCode names its key, the rest its values.
  key=$(manifest_value "$yaml" 'doc["ProductCode"]')
  v=$(drv reg-query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$key" | tr -d '\r')
  for entry in DisplayName Publisher DisplayVersion; do
    expect_eq "manifest: the entry's $entry is the manifest's" "$(sed -n "s/^$entry\tREG_SZ\t//p" <<<"$v")" \
      "$(manifest_value "$yaml" "doc['AppsAndFeaturesEntries'][0]['$entry']")"
  done

  # As the Chocolatey package removes it: UninstallString's program, with /S.
  uninstaller=$(sed -n 's/^UninstallString\tREG_SZ\t//p' <<<"$v")
  manifest_run manifest-uninstall "$uninstaller /S"
  expect_eq "manifest: removed as Chocolatey removes it, exit code 0" "$E2E_BG_STATUS" 0
  check "manifest: the folder goes" gone_soon "$(unix_path "$MANIFEST_WIN")"
  check "manifest: the entry goes" no_reg_key "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$key"
  rm -rf "$(unix_path 'C:\manifest logs')"
}
