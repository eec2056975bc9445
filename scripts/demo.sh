#!/bin/bash
# Builds both builds and packs examples/hello into an installer. Until the
# installer program exists, the Windows build of kxpack stands in as the
# stub; the result is listed and verified natively and under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

cmake --preset native >/dev/null
cmake --build --preset native --target kxpack
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target kxpack

out=build/demo
mkdir -p $out
ex=examples/hello
build/native/tools/kxpack/kxpack build --stub build/win32/tools/kxpack/kxpack.exe \
  --script $ex/setup.xml -o $out/hello-setup.exe
build/native/tools/kxpack/kxpack list $out/hello-setup.exe
build/native/tools/kxpack/kxpack extract $out/hello-setup.exe -o $out/extracted
echo "The script as packed:"
cat $out/extracted/script.xml
build/native/tools/kxpack/kxpack verify $out/hello-setup.exe

# The installer is itself a working Windows program: run it under Wine and
# let it verify its own package.
echo "Under Wine:"
cmake/wine-run.sh $out/hello-setup.exe verify "Z:$PWD/$out/hello-setup.exe"
