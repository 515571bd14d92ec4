#!/usr/bin/env bash
# refusals.sh SOURCE_DIR BUILD_DIR: what scripts/release and a release configure refuse, and that
# a refused run writes nothing: bad partner lines (each named by its line number), a key folder
# without keys (each missing input named), the test keys of a loopback build.
set -uo pipefail
src=$1
build=$2
work=$build/release_refusals
rm -rf "$work"
mkdir -p "$work/parent" "$work/empty_keys"
release="$src/scripts/release"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_text() {  # expect_text FILE TEXT (CMake wraps its messages to the path's length: lines are joined)
  tr -s ' \n' '  ' < "$1" | grep -qF -- "$2" || fail "'$2' not in: $(cat "$1")"
}
expect_nothing_written() {
  [ ! -e "$work/parent/out" ] || fail "the output folder was written"
  [ -z "$(ls -A "$work/parent")" ] || fail "left behind: $(ls -A "$work/parent")"
}

# Bad partner lines stop the run before anything is built.
long=$(head -c 65535 /dev/zero | tr '\0' 'a')
{
  echo "# name parameters placement"
  echo "good     lang=tr&vup=0"
  echo "long     x=${long:2}   trailer"
  printf 'ctrl     lang=tr\001&vup=0\n'
  echo "Good     lang=en"
  echo "twice    lang=en&lang=tr"
  echo "fine     x=${long:2}"
  echo "place    lang=en   sideways"
} > "$work/partners.txt"
"$release" --keys "$work/empty_keys" --cert /nonexistent.pfx --partners "$work/partners.txt" \
  --out "$work/parent/out" 2> "$work/partners.err"
[ $? -eq 1 ] || fail "bad partner lines: exit code not 1"
expect_text "$work/partners.err" "partners.txt:3: the tag has 65535 bytes; the trailer placement carries at most 65534"
expect_text "$work/partners.err" "partners.txt:4: the parameters contain U+0001, which a tag cannot carry"
expect_text "$work/partners.err" "partners.txt:5: the name 'Good' is already used on line 2"
expect_text "$work/partners.err" "partners.txt:6: the parameter 'lang' is given twice"
expect_text "$work/partners.err" "partners.txt:8: unknown placement 'sideways'"
grep -q "partners.txt:7:" "$work/partners.err" && fail "a 65535-byte certificate tag was refused"
expect_text "$work/partners.err" "nothing written"
expect_nothing_written

# A key folder without keys: the release configure names every missing input.
echo "ok lang=en" > "$work/one_partner.txt"
"$release" --keys "$work/empty_keys" --cert "$build/rehearsal_pki/codesign.pfx" --partners "$work/one_partner.txt" \
  --out "$work/parent/out" --build-dir "$work/build" 2> "$work/keys.err"
[ $? -eq 1 ] || fail "no keys: exit code not 1"
for input in VORLEX_BRAND_SIGNING_KEY VORLEX_MSI_OVERRIDE_KEY "VORLEX_TRUSTED_LIST_KEY_0 .. VORLEX_TRUSTED_LIST_KEY_9"; do
  expect_text "$work/keys.err" "$input"
done
expect_nothing_written

# The test keys of a loopback build never go into a build without loopback endpoints.
cmake --preset win-release -S "$src" -B "$work/build" \
  -DVORLEX_BRAND_SIGNING_KEY="$build/test_pki/brand_signing_key.pem" \
  -DVORLEX_MSI_OVERRIDE_KEY="$build/test_pki/msi_override_key.spki.der" \
  -DVORLEX_TRUSTED_LIST_KEY_3="$build/test_pki/trust_key3.spki.der" > "$work/test_keys.out" 2>&1
[ $? -ne 0 ] || fail "a release configure took the test keys"
expect_text "$work/test_keys.out" "TEST_ONLY"

# A key of the wrong size for its input.
cmake --preset win-release -S "$src" -B "$work/build" \
  -DVORLEX_BRAND_SIGNING_KEY="$build/rehearsal_pki/keys/brand_signing_key.pem" \
  -DVORLEX_MSI_OVERRIDE_KEY="$build/rehearsal_pki/keys/msi_override_key.pem" \
  -DVORLEX_TRUSTED_LIST_KEY_3="$build/rehearsal_pki/keys/msi_override_key.pem" > "$work/key_size.out" 2>&1
[ $? -ne 0 ] || fail "a release configure took a 2048-bit key for a trusted-list slot"
expect_text "$work/key_size.out" "VORLEX_TRUSTED_LIST_KEY_3"
expect_text "$work/key_size.out" "has 294 bytes, not 162"

[ $failures -eq 0 ] && echo "all refusals as expected"
exit $((failures > 0))
