#!/bin/sh
# Builds the MSI override fixtures: a stand-in MSI with a good appendix and one per kind of bad
# input, signed with the build's test override key. Usage: make_fixtures.sh OUT_DIR SOURCE_DIR KEY
set -eu
out=$1
src=$2
key=$3
tool="python3 $src/tools/append_partner_package.py"
guid='{6F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9}'
other='{6F1E2D3C-4B5A-4978-8695-A4B3C2D1E0FA}'

rm -rf "$out"
mkdir -p "$out"
head -c 5000 /dev/urandom > "$out/base.msi"
head -c 70001 /dev/urandom > "$out/package.bin"
head -c 70001 /dev/urandom > "$out/other.bin"

add() {
  name=$1
  shift
  $tool "$out/base.msi" --package "$out/package.bin" --key "$key" --guid "$guid" --output "$out/$name.msi" "$@"
}
add good
add tail_mismatch --tail-guid "$other"
add start_mismatch --start-guid "$other"
add start_past_end --start-offset 1000000000
add start_negative --start-offset 0x8000000000000005
add start_at_tail --start-offset tail
add zero_package --package-size 0
add package_past_end --package-size 0xFFFFFFF0
add zero_signature --signature-size 0
add signature_past_end --signature-size 0x7FFFFFFF
add other_bytes --signed-data "$out/other.bin"
