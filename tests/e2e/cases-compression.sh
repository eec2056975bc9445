# The example packed with LZMA: the stub picks the decoder the data block
# declares, installs and uninstalls the same files silently, and refuses a
# damaged LZMA installer as it does a zlib one.
# Needs lib.sh, cases.sh, cases-safety.sh (run_silent), cases-deploy.sh
# (SILENT_WIN) and E2E_KXPACK; runs while nothing is installed.

lzma_case() {
  local setup=$E2E_RUN/hello-lzma.exe zlib=$E2E_RUN/hello-zlib.exe dir stub_size total offset byte
  dir=$(unix_path "$SILENT_WIN")
  for c in lzma zlib; do
    if ! "$E2E_KXPACK" build --stub "$E2E_STUB" --script "$E2E_STAGE/setup.xml" --compression $c \
      -o "$E2E_RUN/hello-$c.exe" >"$E2E_RUN/logs/kxpack-$c.log" 2>&1; then
      fail "lzma: kxpack packs the example with $c" "$(cat "$E2E_RUN/logs/kxpack-$c.log")"
      return
    fi
  done
  expect_contains "lzma: kxpack list names the compression" "$("$E2E_KXPACK" list "$setup")" "compression: lzma"
  check "lzma: smaller than with zlib" test "$(stat -c %s "$setup")" -lt "$(stat -c %s "$zlib")"

  snapshot lzma-before
  run_silent lzma-install "$setup" /S "/D=$SILENT_WIN"
  expect_eq "lzma: silent install: exit code 0" "$E2E_BG_STATUS" 0
  check "lzma: the program as packed" same_file "$E2E_STAGE/hello.exe" "$dir/hello.exe"
  check "lzma: the payload folder as packed" diff -r "$E2E_STAGE/payload/docs" "$dir/docs"
  check "lzma: the last file as packed" same_file "$E2E_STAGE/payload/readme.txt" "$dir/readme.txt"
  rm -rf "$E2E_RUN/lzma-parts"
  "$E2E_KXPACK" extract "$setup" -o "$E2E_RUN/lzma-parts" >/dev/null
  check "lzma: uninstall.exe is the installer's stub" same_file "$E2E_RUN/lzma-parts/stub.exe" "$dir/uninstall.exe"
  run_silent lzma-uninstall "$SILENT_WIN\\uninstall.exe" /S
  expect_eq "lzma: silent uninstall: exit code 0" "$E2E_BG_STATUS" 0
  check "lzma: the folder is gone within a second" gone_soon "$dir"
  snapshot lzma-after
  expect_unchanged "lzma: nothing left" lzma-before lzma-after "$(setup_log_re)"

  # One byte of the data block changed: the CRC refuses it before LZMA runs.
  stub_size=$(stat -c %s "$E2E_STUB")
  total=$(stat -c %s "$setup")
  offset=$((stub_size + (total - stub_size) / 2))
  byte=$(od -An -tu1 -j$offset -N1 "$setup" | tr -d ' ')
  cp "$setup" "$E2E_RUN/bad-lzma.exe"
  printf '%b' "\\$(printf '%03o' $((byte ^ 0xFF)))" | dd of="$E2E_RUN/bad-lzma.exe" bs=1 seek=$offset conv=notrunc status=none
  start_bg bad-lzma "$E2E_RUN/bad-lzma.exe"
  expect_box "lzma: a damaged installer" ok 'Setup Error' "$MSG_CORRUPT" "$IDOK:OK"
  wait_bg 15
  expect_eq "lzma: a damaged installer: exit code" "$E2E_BG_STATUS" 1
  check "lzma: a damaged installer installs nothing" nothing_installed
  close_leftovers
}
