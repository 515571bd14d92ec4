#!/usr/bin/env bash
# symbolize.sh SOURCE_DIR BUILD_DIR EXPECTED: tools/symbolize on the dump of the installer's injected
# crash (saved by crash_tests as BUILD_DIR/crash_collector/installer_crash.dmp), with the build
# folder as the symbols: the faulting module is the installer and the first, certain frame names
# the function the crash was aimed at (EXPECTED).
set -uo pipefail
src=$1
build=$2
expected=$3
dump=$build/crash_collector/installer_crash.dmp
[ -s "$dump" ] || { echo "FAIL: no dump at $dump"; exit 1; }
out=$(python3 "$src/tools/symbolize/symbolize.py" "$dump" "$build") || { echo "FAIL: symbolize failed"; echo "$out"; exit 1; }
echo "$out"
echo "$out" | grep -q "^exception 0xC0000005 " || { echo "FAIL: not the access violation"; exit 1; }
echo "$out" | grep -q "^faulting module: lite_installer.exe+0x" || { echo "FAIL: the faulting module is not the installer"; exit 1; }
echo "$out" | grep "^  #0 " | grep "certain" | grep -qF "$expected" ||
  { echo "FAIL: the first frame does not name $expected"; exit 1; }
echo "$out" | grep -q ":[0-9]" || { echo "FAIL: no file and line"; exit 1; }
echo "symbolized: the crash is in $expected"
