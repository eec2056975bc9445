#!/bin/bash
# End-to-end test of the installer: packs examples/hello around the real
# stub, then installs, checks, reinstalls and uninstalls it under Wine in a
# throwaway prefix, driving the windows with kxdriver.exe as a user would.
# Also feeds it broken packages and makes it crash on purpose. The x86 and
# x64 cases at the end also run in a 64-bit (WoW64) prefix, made only then
# (needs Debian's wine64).
#
#   scripts/e2e.sh [--demo] [--no-build]
#
# --demo     only install and uninstall, keeping the screenshots (scripts/demo.sh)
# --no-build use the builds as they are
# KX_WIN32_BUILD / KX_NATIVE_BUILD pick other build folders (default
# build/win32 and build/native); KX_E2E_DIR the run folder (build/e2e/run);
# KX_E2E_KEEP=1 keeps its Wine prefixes even when everything passed;
# KX_E2E_ONLY="install unicode" runs only those cases (while working on them).
# Ends with "N passed, M failed" (", K skipped" when checks could not run
# here); exits 1 when anything failed.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

demo=0
build=1
for arg in "$@"; do
  case $arg in
    --demo) demo=1 ;;
    --no-build) build=0 ;;
    *) echo "usage: scripts/e2e.sh [--demo] [--no-build]" >&2; exit 2 ;;
  esac
done

win32=${KX_WIN32_BUILD:-$PWD/build/win32}
native=${KX_NATIVE_BUILD:-$PWD/build/native}
export E2E_RUN=${KX_E2E_DIR:-$PWD/build/e2e/run}
if [ $demo == 1 ] && [ -z "${KX_E2E_DIR:-}" ]; then E2E_RUN=$PWD/build/demo/run; fi

. tests/e2e/lib.sh
. tests/e2e/cases.sh
. tests/e2e/cases-safety.sh
. tests/e2e/cases-deploy.sh
. tests/e2e/cases-unicode.sh
. tests/e2e/cases-genlog.sh
. tests/e2e/cases-identity.sh
. tests/e2e/cases-signing.sh
. tests/e2e/cases-trust.sh
. tests/e2e/cases-codes.sh
. tests/e2e/cases-whole.sh
. tests/e2e/cases-loading.sh
. tests/e2e/cases-names.sh
. tests/e2e/cases-cmdline.sh
. tests/e2e/cases-before.sh
. tests/e2e/cases-recover.sh
. tests/e2e/cases-running.sh
. tests/e2e/cases-restart.sh
. tests/e2e/cases-scope.sh
. tests/e2e/cases-x64.sh
. tests/e2e/cases-toolkit.sh
. tests/e2e/cases-manifest.sh
. tests/e2e/cases-keys.sh
. tests/e2e/cases-compression.sh
. tests/e2e/cases-languages.sh

# configure_and_build DIR PRESET TARGETS...: the preset configures the
# default folders; other folders must be configured already.
configure_and_build() {
  local dir=$1 preset=$2
  shift 2
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake --preset "$preset" >/dev/null || return 1
  fi
  cmake --build "$dir" --target "$@" >"$dir/e2e-build.log" 2>&1 || { cat "$dir/e2e-build.log" >&2; return 1; }
}

if [ $build == 1 ]; then
  configure_and_build "$native" native kxpack || exit 1
  configure_and_build "$win32" win32 kxsetup hello kxdriver || exit 1
fi

export E2E_STUB=$win32/app/kxsetup.exe
export E2E_DRIVER=$win32/tests/e2e/kxdriver.exe
hello=$win32/examples/hello.exe
kxpack=$native/tools/kxpack/kxpack
export E2E_KXPACK=$kxpack
for f in "$E2E_STUB" "$E2E_DRIVER" "$hello" "$kxpack"; do
  [ -f "$f" ] || { echo "missing $f (build it first)" >&2; echo "0 passed, 1 failed"; exit 1; }
done

scripts/check-32bit.sh || { echo "0 passed, 1 failed"; exit 1; }
started=$(date +%s)
trap teardown_run EXIT
setup_run || { echo "0 passed, 1 failed"; exit 1; }
log "Wine prefix ready in $WINEPREFIX (display $DISPLAY) after $(($(date +%s) - started)) s"

# The stub may import only KnownDLLs, which Windows always takes from the
# system folder: any other import (comctl32, version, a mingw run-time DLL)
# would be looked for beside setup.exe first, before its code could
# restrict the search. These are the KnownDLLs of Windows 7, 8, 10 and 11
# alike.
known_dlls='ADVAPI32|CLBCATQ|COMDLG32|DIFXAPI|GDI32|IMAGEHLP|IMM32|KERNEL32|MSCTF|MSVCRT|NORMALIZ|NSI|OLE32|OLEAUT32|PSAPI|RPCRT4|SECHOST|SETUPAPI|SHELL32|SHLWAPI|USER32|WLDAP32|WS2_32'
imports=$(i686-w64-mingw32-objdump -p "$E2E_STUB" | sed -n 's/^\tDLL Name: //p' | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
foreign=$(printf '%s\n' $imports | grep -vxE "($known_dlls)\\.DLL" || true)
if [ -n "$imports" ] && [ -z "$foreign" ]; then
  pass "the stub imports only KnownDLLs"
else
  fail "the stub imports only KnownDLLs" "imports: $imports" "not KnownDLLs: $(printf '%s ' $foreign)"
fi
log "Stub: $(stat -c %s "$E2E_STUB") bytes, imports $imports"

# kxpack reads src= paths beside the script: stage the example with the
# freshly built program, and a hand-written uninstall log for the cases
# that pack one.
export E2E_STAGE=$E2E_RUN/stage
cp -r examples/hello/setup.xml examples/hello/terms.txt examples/hello/logo.bmp examples/hello/payload \
  tests/e2e/hand-uninstall.xml "$E2E_STAGE/"
cp "$hello" "$E2E_STAGE/hello.exe"
export E2E_SETUP=$E2E_RUN/hello-setup.exe
# With the publisher's icon and version details, as a publisher would ship it.
if "$kxpack" build --stub "$E2E_STUB" --script "$E2E_STAGE/setup.xml" --icon examples/hello/hello.ico --version-info \
  -o "$E2E_SETUP" >"$E2E_RUN/logs/kxpack.log" 2>&1; then
  pass "kxpack packs examples/hello"
else
  fail "kxpack packs examples/hello" "$(cat "$E2E_RUN/logs/kxpack.log")"
  summary
  exit 1
fi

# The installer's stub part, publisher's resources included: what it leaves
# behind as uninstall.exe.
rm -rf "$E2E_RUN/setup-parts"
"$kxpack" extract "$E2E_SETUP" -o "$E2E_RUN/setup-parts" >/dev/null && cp "$E2E_RUN/setup-parts/stub.exe" "$E2E_RUN/setup-stub.exe"

case_paths
if [ $demo == 1 ]; then
  install_case
  uninstall_yes_case
  uninstall_window_case
  complete_case
  language_shots_case
elif [ -n "${KX_E2E_ONLY:-}" ]; then
  for c in $KX_E2E_ONLY; do "${c}_case"; done
else
  bad_installers_case
  cancel_case
  destination_errors_case
  keys_case
  languages_case
  uninstall_languages_case
  huge_terms_case
  install_case
  association_case
  reinstall_case
  uninstall_no_case
  uninstall_yes_case
  uninstall_window_case
  destination_choices_case
  occupied_folder_case
  guard_spellings_case
  changed_log_case
  link_in_folder_case
  link_destination_case
  unregistered_uninstaller_case
  plugin_folder_case
  two_folders_case
  destination_spellings_case
  traversal_names_case
  damaged_log_case
  full_disk_case
  cancel_running_case
  file_in_use_case
  running_install_case
  running_uninstall_case
  restart_silent_case
  restart_wizard_case
  scope_machine_case
  scope_user_case
  scope_choose_case
  unexpected_failure_case
  silent_case
  lzma_case
  manifest_case
  in_use_unattended_case
  in_progress_case
  usage_codes_case
  way_back_case
  apostrophe_destination_case
  launch_planted_case
  identity_case
  signing_case
  planting_case
  planted_log_case
  command_line_case
  one_argument_case
  upgrade_case
  unicode_case
  genlog_case
  typed_values_case
  upgrade_drops_case
  prerequisite_fails_case
  rich_shortcuts_case
  path_entries_case
  crash_case
  names_copy_case
  names_links_case
  names_log_case
  before_files_case
  before_values_case
  before_device_name_case
  recover_install_case
  recover_wizard_case
  recover_upgrade_case
  recover_uninstall_case
  concurrent_installs_case
  launcher_killed_copy_case
  x86_in_win64_case
  x64_in_win64_case
  x64_in_win32_case
fi

log ""
log "Install (Next on the destination page until the wizard closed): ${T_INSTALL_MS:-?} ms"
log "Uninstall (uninstall.exe started until its question showed): ${T_UNINSTALL_ASK_MS:-?} ms"
log "Uninstall (Yes until the end was told): ${T_UNINSTALL_MS:-?} ms"
log "Snapshots of the prefix: $E2E_SNAP_COUNT, $E2E_SNAP_MS ms in all"
log "Screenshots: $E2E_RUN/shots/"
log "Whole run: $(($(date +%s) - started)) s"
summary
teardown_run
# The prefixes (600 MB, the 64-bit one 1.3 GB) stay only when something
# failed, for a look inside.
if [ $E2E_FAILED == 0 ] && [ "${KX_E2E_KEEP:-0}" != 1 ]; then rm -rf "$E2E_RUN/prefix" "$E2E_RUN/prefix64"; fi
[ $E2E_FAILED == 0 ]
