#!/usr/bin/env bash
# refusals.sh SOURCE_DIR BUILD_DIR: what scripts/release and a release configure refuse, and that
# a refused run writes nothing: bad partner lines (each named by its line number), a key folder
# without keys (each missing input named), the test keys of a loopback build; and, before anything
# is built, a rehearsal key or certificate in a release, a file in the key folder that is no key
# input, a wrong PFX password, an expired certificate, one not for code signing, one whose chain
# does not verify or that is not the pinned signer, a work tree with uncommitted files.
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

# A key folder without keys: every missing input is named before anything is built.
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

# What a distribution brings, made up here without the rehearsal marks: its keys (the rehearsal
# keys with their marking line taken out), a CA and code-signing certificates issued by it.
mkdir -p "$work/keys" "$work/ca"
for f in "$build/rehearsal_pki/keys"/*.pem; do grep -v "NOT FOR RELEASE" "$f" > "$work/keys/$(basename "$f")"; done
(
  cd "$work/ca"
  openssl req -new -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 -subj "/CN=Refusals CA" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign >/dev/null 2>&1
  touch index.txt
  echo 1000 > serial
  printf '[ca]\ndefault_ca=d\n[d]\ndatabase=index.txt\nnew_certs_dir=.\nserial=serial\npolicy=p\ndefault_md=sha256\n[p]\ncommonName=supplied\n' > ca.cnf
  # issue NAME START END USAGE: a certificate of the CA in NAME.pfx, password "secret".
  issue() {
    openssl req -new -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=Refusals $1" >/dev/null 2>&1
    printf 'basicConstraints=CA:FALSE\nextendedKeyUsage=%s\n' "$4" > "$1.ext"
    openssl ca -batch -config ca.cnf -cert ca.pem -keyfile ca.key -in "$1.csr" -out "$1.pem" -startdate "$2" \
      -enddate "$3" -extfile "$1.ext" -notext >/dev/null 2>&1
    openssl pkcs12 -export -inkey "$1.key" -in "$1.pem" -certfile ca.pem -passout pass:secret -out "$1.pfx"
  }
  issue good 20200101000000Z 20991231000000Z codeSigning
  issue expired 20200101000000Z 20210101000000Z codeSigning
  issue server 20200101000000Z 20991231000000Z serverAuth
)
printf secret > "$work/ca/password"
printf wrong > "$work/ca/wrong_password"
# refused NAME TEXT ARGS...: the release command stops before building, says TEXT, writes nothing.
refused() {
  local name=$1 text=$2
  shift 2
  "$@" --partners "$work/one_partner.txt" --out "$work/parent/out" --build-dir "$work/never_built" \
    > "$work/$name.out" 2> "$work/$name.err"
  [ $? -eq 1 ] || fail "$name: exit code not 1"
  expect_text "$work/$name.err" "$text"
  [ ! -e "$work/never_built" ] || fail "$name: the build started"
  expect_nothing_written
}
good=(--cert "$work/ca/good.pfx" --cert-password-file "$work/ca/password")
refused rehearsal_key "a rehearsal key" "$release" --keys "$build/rehearsal_pki/keys" "${good[@]}"
cp -r "$work/keys" "$work/keys_extra"
echo "notes" > "$work/keys_extra/notes.txt"
refused unknown_key_file "keys_extra/notes.txt: matches no key input" "$release" --keys "$work/keys_extra" "${good[@]}"
refused wrong_password "the password is wrong" "$release" --keys "$work/keys" --cert "$work/ca/good.pfx" \
  --cert-password-file "$work/ca/wrong_password"
refused expired "expired on Jan 1 00:00:00 2021 GMT" "$release" --keys "$work/keys" --cert "$work/ca/expired.pfx" \
  --cert-password-file "$work/ca/password"
refused not_code_signing "is not for code signing" "$release" --keys "$work/keys" --cert "$work/ca/server.pfx" \
  --cert-password-file "$work/ca/password"
refused foreign_chain "chain does not verify" "$release" --keys "$work/keys" "${good[@]}" --ca "$build/rehearsal_pki/ca.pem"
refused rehearsal_certificate "is a rehearsal certificate" "$release" --keys "$work/keys" \
  --cert "$build/rehearsal_pki/codesign.pfx"
refused other_signer "not the pinned 00" "$release" --keys "$work/keys" "${good[@]}" --expect-signer 00
# A work tree with a file under src/ that no commit has: a clone of the commit with one added.
if git -C "$src" rev-parse --git-dir >/dev/null 2>&1; then
  git clone --quiet --no-hardlinks "$src" "$work/clone" 2>/dev/null || fail "cannot clone $src"
  echo "// not committed" > "$work/clone/src/uncommitted.cpp"
  refused dirty_tree "is not clean" "$work/clone/scripts/release" --keys "$work/keys" "${good[@]}"
  expect_text "$work/dirty_tree.err" "src/uncommitted.cpp"
else
  echo "not a git checkout: the uncommitted-tree refusal is not shown"
fi
# A run killed after it made its hidden folder: the next run removes what it left.
mkdir -p "$work/parent/.out.partial-killed"
refused stale_partial "a rehearsal key" "$release" --keys "$build/rehearsal_pki/keys" "${good[@]}"

[ $failures -eq 0 ] && echo "all refusals as expected"
exit $((failures > 0))
