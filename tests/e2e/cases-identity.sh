# The setup program's identity: an installer packed with the publisher's
# icon (a bitmap and a PNG image) and version information, then signed
# (a stand-in certificate appended as signing tools do), still installs and
# uninstalls; Windows reads the version texts and numbers and makes icons of
# the images, from the installer and from the uninstall.exe it leaves,
# which carries no certificate entry pointing past its end; the wizard
# shows its pages from the rewritten resources.
# Needs lib.sh, cases.sh, cases-safety.sh and E2E_KXPACK; runs while nothing
# is installed.

IDENTITY_WIN='C:\Program Files\Hello Identity'

# win_path FILE: the Linux file as Wine's Z: drive shows it.
win_path() { printf 'Z:%s\n' "${1//\//\\}"; }

# identity_icon OUT: hello.ico's 32x32 bitmap and a 48x48 PNG.
identity_icon() {
  python3 - examples/hello/hello.ico "$1" <<'PY'
import struct, sys, zlib
def png(n):
    rows = b"".join(b"\0" + b"".join(bytes((40, x * 5, y * 5, 255)) for x in range(n)) for y in range(n))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
hello = open(sys.argv[1], "rb").read()
size, at = struct.unpack_from("<II", hello, 6 + 8)
images = [(32, hello[at:at + size]), (48, png(48))]
head, data = struct.pack("<HHH", 0, 1, len(images)), b""
for n, image in images:
    head += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(image), 6 + 16 * len(images) + len(data))
    data += image
open(sys.argv[2], "wb").write(head + data)
PY
}

# pe_security FILE: the security directory entry, "OFFSET SIZE".
pe_security() {
  python3 - "$1" <<'PY'
import struct, sys
d = open(sys.argv[1], "rb").read()
opt = struct.unpack_from("<I", d, 0x3C)[0] + 24
dirs = opt + (96 if struct.unpack_from("<H", d, opt)[0] == 0x10B else 112)
print("%d %d" % struct.unpack_from("<II", d, dirs + 8 * 4))
PY
}

# fake_sign IN OUT: IN with a WIN_CERTIFICATE appended on an 8-byte
# boundary, named by the security entry, and a checksum set.
fake_sign() {
  python3 - "$1" "$2" <<'PY'
import struct, sys
d = bytearray(open(sys.argv[1], "rb").read())
d += b"\0" * (-len(d) % 8)
table = len(d)
d += struct.pack("<IHH", 48, 0x0200, 0x0002) + b"\xC5" * 40
opt = struct.unpack_from("<I", d, 0x3C)[0] + 24
dirs = opt + (96 if struct.unpack_from("<H", d, opt)[0] == 0x10B else 112)
struct.pack_into("<I", d, opt + 64, 0x12345)
struct.pack_into("<II", d, dirs + 8 * 4, table, 48)
open(sys.argv[2], "wb").write(d)
PY
}

identity_case() {
  local ico=$E2E_RUN/identity.ico setup=$E2E_RUN/identity.exe signed=$E2E_RUN/identity-signed.exe
  local dir v texts
  dir=$(unix_path "$IDENTITY_WIN")
  identity_icon "$ico" || { fail "identity: make the icon"; return; }
  if ! "$E2E_KXPACK" build --stub "$E2E_STUB" --script "$E2E_STAGE/setup.xml" -o "$setup" --icon "$ico" \
    --version-info --copyright '© 2024 kxsetup examples' >"$E2E_RUN/logs/kxpack-identity.log" 2>&1; then
    fail "identity: kxpack packs it" "$(cat "$E2E_RUN/logs/kxpack-identity.log")"
    return
  fi
  fake_sign "$setup" "$signed"
  expect_eq "identity: the signed installer names its certificate" "$(pe_security "$signed")" \
    "$((($(stat -c %s "$setup") + 7) / 8 * 8)) 48"
  texts=$'file-version\t1.0.0.0\nproduct-version\t1.0.0.0\nCompanyName\tkxsetup examples\nFileDescription\tHello Setup\nFileVersion\t1.0\nLegalCopyright\t© 2024 kxsetup examples\nProductName\tHello\nProductVersion\t1.0'
  expect_eq "identity: Windows reads the installer's version information" \
    "$(drv version-info "$(win_path "$signed")")" "$texts"
  check "identity: the installer's icon is the publisher's" drv icon-matches "$(win_path "$signed")" "$IDI_SETUP" \
    "$(win_path "$ico")"
  # The wizard's pages and texts come from the rewritten resources.
  if to_destination "$signed" identity-wizard; then
    pass "identity: the wizard shows its pages"
  else
    fail "identity: the wizard shows its pages"
  fi
  cancel_wizard "identity: the wizard, cancelled"

  run_silent identity-install "$signed" /S "/D=$IDENTITY_WIN"
  expect_eq "identity: the signed installer installs (exit code 0)" "$E2E_BG_STATUS" 0
  check "identity: installed" same_file "$E2E_STAGE/hello.exe" "$dir/hello.exe"
  expect_eq "identity: uninstall.exe has no certificate entry" "$(pe_security "$dir/uninstall.exe")" "0 0"
  expect_eq "identity: uninstall.exe is the installer's stub part" "$(stat -c %s "$dir/uninstall.exe")" \
    "$("$E2E_KXPACK" list "$signed" | sed -n 's/^stub: *\([0-9]*\) bytes$/\1/p')"
  expect_eq "identity: Windows reads uninstall.exe's version information" \
    "$(drv version-info "$IDENTITY_WIN\\uninstall.exe")" "$texts"
  check "identity: uninstall.exe's icon is the publisher's" drv icon-matches "$IDENTITY_WIN\\uninstall.exe" \
    "$IDI_SETUP" "$(win_path "$ico")"

  run_silent identity-uninstall "$IDENTITY_WIN\\uninstall.exe" /S
  expect_eq "identity: uninstall.exe uninstalls (exit code 0)" "$E2E_BG_STATUS" 0
  check "identity: the entry is gone" no_reg_key "$UNINSTALL_KEY"
  check "identity: the folder is gone within a second" gone_soon "$dir"
  check "identity: the temporary copy and its folder go" run_folders_gone
}
