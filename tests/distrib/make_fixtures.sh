#!/usr/bin/env bash
# make_fixtures.sh SOURCE_DIR BUILD_DIR: signed and tagged copies of the built installer for the
# distribution tests, made with a throw-away test key and the project's own tagger.
set -euo pipefail
src=$1
build=$2
out=$build/distrib_fixtures
tagger="python3 $src/tools/tagger/vorlex_tagger.py"
rm -rf "$out"
mkdir -p "$out"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$out/test_signer_key.pem" -out "$out/test_signer.pem" \
  -days 3650 -subj "/CN=Vorlex Tagging Test Signer" -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1
osslsigncode sign -certs "$out/test_signer.pem" -key "$out/test_signer_key.pem" -h sha256 \
  -in "$build/lite_installer.exe" -out "$out/signed.exe" >/dev/null
cp "$build/lite_installer.exe" "$out/unsigned.exe"
tag='brand=tb&vup=0&lang=tr&first=1&def=1&stat=2'
$tagger write --tag "$tag" "$out/signed.exe" "$out/cert_tagged.exe"
$tagger write --placement trailer --tag "$tag" "$out/signed.exe" "$out/trailer_tagged.exe"
# Re-tagging replaces the earlier tag; clearing removes both placements.
$tagger write --tag "stale=1" "$out/trailer_tagged.exe" "$out/retagged.exe"
$tagger clear "$out/retagged.exe" "$out/cleared.exe"
for f in cert_tagged trailer_tagged retagged cleared; do
  osslsigncode verify -CAfile "$out/test_signer.pem" -in "$out/$f.exe" >/dev/null
done
