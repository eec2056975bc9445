# A signed uninstaller: the publisher signs the stub `kxpack stub` writes
# (with the icon and details), builds from it and signs the finished
# installer as well. Both signatures verify with osslsigncode against a
# throwaway certificate, and the uninstall.exe the installation leaves is
# the signed stub byte for byte, so it verifies too, and uninstalls. The
# control: from the unsigned stub, the installer signed whole leaves an
# uninstall.exe that does not verify.
# Needs lib.sh, cases.sh, cases-safety.sh, cases-identity.sh, E2E_KXPACK,
# openssl and osslsigncode; runs while nothing is installed.

SIGNING_WIN='C:\Program Files\Hello Signed'

# signing_certificate DIR: a self-signed code-signing certificate and its key.
signing_certificate() {
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=kxsetup e2e publisher" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$1/publisher.key" -out "$1/publisher.pem" >>"$E2E_RUN/logs/signing.log" 2>&1
}

# sign_file IN OUT
sign_file() {
  osslsigncode sign -certs "$E2E_RUN/signing/publisher.pem" -key "$E2E_RUN/signing/publisher.key" -h sha256 \
    -n "Hello Setup" -in "$1" -out "$2" >>"$E2E_RUN/logs/signing.log" 2>&1
}

# verifies FILE: its signature holds, made by the throwaway certificate.
verifies() {
  osslsigncode verify -CAfile "$E2E_RUN/signing/publisher.pem" -in "$1" >>"$E2E_RUN/logs/signing.log" 2>&1
}

does_not_verify() { ! verifies "$1"; }

# signed_round LABEL STUB: builds from STUB, signs the installer, installs it
# silently and checks what uninstall.exe is; leaves it installed.
signed_round() {
  local label=$1 stub=$2 d=$E2E_RUN/signing
  if ! "$E2E_KXPACK" build --stub "$stub" --script "$E2E_STAGE/setup.xml" -o "$d/$label.exe" \
    >"$E2E_RUN/logs/kxpack-$label.log" 2>&1; then
    fail "$label: kxpack builds from the stub" "$(cat "$E2E_RUN/logs/kxpack-$label.log")"
    return 1
  fi
  sign_file "$d/$label.exe" "$d/$label-signed.exe" || { fail "$label: osslsigncode signs the installer"; return 1; }
  check "$label: the installer signed whole verifies" verifies "$d/$label-signed.exe"
  run_silent "$label-install" "$d/$label-signed.exe" /S "/D=$SIGNING_WIN"
  expect_eq "$label: it installs (exit code 0)" "$E2E_BG_STATUS" 0
}

# signed_uninstall LABEL: uninstall.exe removes the installation.
signed_uninstall() {
  run_silent "$1-uninstall" "$SIGNING_WIN\\uninstall.exe" /S
  expect_eq "$1: uninstall.exe uninstalls (exit code 0)" "$E2E_BG_STATUS" 0
  check "$1: the entry is gone" no_reg_key "$UNINSTALL_KEY"
  check "$1: the folder is gone within a second" gone_soon "$(unix_path "$SIGNING_WIN")"
  check "$1: the temporary copy and its folder go" run_folders_gone
}

signing_case() {
  local d=$E2E_RUN/signing dir
  dir=$(unix_path "$SIGNING_WIN")
  if ! command -v osslsigncode >/dev/null || ! command -v openssl >/dev/null; then
    skip "signing" "needs osslsigncode and openssl (scripts/deps.sh installs them)"
    return
  fi
  rm -rf "$d" && mkdir -p "$d"
  signing_certificate "$d" || { fail "signing: make a throwaway certificate" "$(cat "$E2E_RUN/logs/signing.log")"; return; }
  identity_icon "$d/app.ico" || { fail "signing: make the icon"; return; }
  if ! "$E2E_KXPACK" stub --stub "$E2E_STUB" --script "$E2E_STAGE/setup.xml" --icon "$d/app.ico" --version-info \
    -o "$d/stub.exe" >"$E2E_RUN/logs/kxpack-stub.log" 2>&1; then
    fail "signing: kxpack stub writes the stub" "$(cat "$E2E_RUN/logs/kxpack-stub.log")"
    return
  fi
  sign_file "$d/stub.exe" "$d/stub-signed.exe" || { fail "signing: osslsigncode signs the stub"; return; }
  check "signing: the signed stub verifies" verifies "$d/stub-signed.exe"

  # The control first: the check below can fail.
  if signed_round signing-control "$d/stub.exe"; then
    check "signing-control: the installed uninstall.exe does not verify" does_not_verify "$dir/uninstall.exe"
    signed_uninstall signing-control
  fi

  if signed_round signing "$d/stub-signed.exe"; then
    expect_contains "signing: build packs the signed stub as it is" "$(cat "$E2E_RUN/logs/kxpack-signing.log")" \
      "uninstall.exe carries its signature"
    check "signing: installed" same_file "$E2E_STAGE/hello.exe" "$dir/hello.exe"
    check "signing: uninstall.exe is the signed stub byte for byte" same_file "$d/stub-signed.exe" "$dir/uninstall.exe"
    check "signing: the installed uninstall.exe verifies" verifies "$dir/uninstall.exe"
    signed_uninstall signing
  fi
}
