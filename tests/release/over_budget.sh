#!/usr/bin/env bash
# over_budget.sh SOURCE_DIR BUILD_DIR ARCH: after the rehearsal, a partner whose tag pushes its copy
# above the size budget stops the release command (naming the size), and nothing is written.
# Reuses the rehearsal's build folder, so nothing is rebuilt. The installer is far below 1 MiB,
# more than a tag can fill, so the rehearsal is given a budget just above the signed installer.
set -uo pipefail
src=$1
build=$2
arch=$3
work=$build/release_over_budget
rm -rf "$work"
mkdir -p "$work/parent"
# A budget 1000 bytes above the rehearsal's signed installer, and a tag 6000 bytes long: the tagged
# copy is over it, the installer itself is not (signed here without the rehearsal's time stamp, it
# is a few kilobytes smaller).
signed=$(stat -c %s "$build/release_rehearsal/out/lite_installer.exe")
budget=$((signed + 1000))
length=6000
printf 'big x=%s\n' "$(head -c $length /dev/zero | tr '\0' 'b')" > "$work/partners.txt"
"$src/scripts/release" --rehearsal --arch "$arch" \
  --keys "$build/rehearsal_pki/keys" --cert "$build/rehearsal_pki/codesign.pfx" \
  --partners "$work/partners.txt" --out "$work/parent/out" --build-dir "$build/release_rehearsal/build" \
  --budget "$budget" \
  > "$work/stdout" 2> "$work/stderr"
status=$?
cat "$work/stderr"
[ $status -eq 1 ] || { echo "FAIL: exit code $status, not 1"; exit 1; }
grep -Eq "lite_installer_big.exe is [0-9]+ bytes, [0-9]+ above the budget of $budget bytes" "$work/stderr" ||
  { echo "FAIL: the size is not named"; exit 1; }
[ -z "$(ls -A "$work/parent")" ] || { echo "FAIL: left behind: $(ls -A "$work/parent")"; exit 1; }
echo "over budget: refused, nothing written"
