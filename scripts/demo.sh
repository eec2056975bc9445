#!/bin/bash
# Builds everything, packs examples/hello into build/demo/hello-setup.exe,
# then installs and uninstalls it under Wine in a throwaway prefix (on a
# virtual display when there is none), clicking through the wizard as a
# user would. Screenshots of the three wizard pages and of the uninstall
# question, window and end are saved in build/demo/.
#
#   scripts/demo.sh [--update-docs]    also copy the screenshots to docs/screenshots/
set -euo pipefail
cd "$(dirname "$0")/.."

update_docs=0
case ${1:-} in
  --update-docs) update_docs=1 ;;
  "") ;;
  *) echo "usage: scripts/demo.sh [--update-docs]" >&2; exit 2 ;;
esac

scripts/deps.sh
# The demo runs the 32-bit installer: nothing to show where it can't start.
scripts/check-32bit.sh || exit 1
cmake --preset native >/dev/null
cmake --build --preset native --target kxpack
cmake --preset win32 >/dev/null
cmake --build --preset win32

out=build/demo
mkdir -p $out
status=0
KX_E2E_DIR=$PWD/$out/run scripts/e2e.sh --demo --no-build || status=$?

cp $out/run/hello-setup.exe $out/hello-setup.exe 2>/dev/null || true
cp $out/run/shots/*.png $out/ 2>/dev/null || true
echo
echo "Installer: $out/hello-setup.exe"
echo "Screenshots:"
ls -1 $out/*.png 2>/dev/null | sed 's/^/  /'
if [ $update_docs == 1 ]; then
  mkdir -p docs/screenshots
  cp $out/*.png docs/screenshots/
  echo "Copied to docs/screenshots/"
fi
exit $status
