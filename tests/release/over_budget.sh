#!/usr/bin/env bash
# over_budget.sh SOURCE_DIR BUILD_DIR ARCH: after the rehearsal, a partner whose tag pushes its copy
# above the 1 MiB budget stops the release command (naming the size), and nothing is written.
# Reuses the rehearsal's build folder, so nothing is rebuilt.
set -uo pipefail
src=$1
build=$2
arch=$3
work=$build/release_over_budget
rm -rf "$work"
mkdir -p "$work/parent"
# A tag just long enough to push the rehearsal's signed installer 100 bytes over the budget; the
# x86_64 installer leaves more room than the longest tag fills, so there the case cannot be shown.
signed=$(stat -c %s "$build/release_rehearsal/out/lite_installer.exe")
length=$((1048576 - signed + 100))
if [ $length -gt 65000 ]; then
  echo "skipped: the signed installer ($signed bytes) leaves more room than a tag can fill"
  exit 77
fi
printf 'big x=%s\n' "$(head -c $length /dev/zero | tr '\0' 'b')" > "$work/partners.txt"
"$src/scripts/release" --rehearsal --arch "$arch" \
  --keys "$build/rehearsal_pki/keys" --cert "$build/rehearsal_pki/codesign.pfx" \
  --partners "$work/partners.txt" --out "$work/parent/out" --build-dir "$build/release_rehearsal/build" \
  > "$work/stdout" 2> "$work/stderr"
status=$?
cat "$work/stderr"
[ $status -eq 1 ] || { echo "FAIL: exit code $status, not 1"; exit 1; }
grep -Eq "lite_installer_big.exe is [0-9]+ bytes, [0-9]+ above the budget of 1 MiB \(1048576 bytes\)" "$work/stderr" ||
  { echo "FAIL: the size is not named"; exit 1; }
[ -z "$(ls -A "$work/parent")" ] || { echo "FAIL: left behind: $(ls -A "$work/parent")"; exit 1; }
echo "over budget: refused, nothing written"
