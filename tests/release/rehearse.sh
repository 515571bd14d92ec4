#!/usr/bin/env bash
# rehearse.sh SOURCE_DIR BUILD_DIR ARCH: scripts/release end to end with the build tree's rehearsal
# key set standing in for a distribution's keys, building with loopback endpoints for the
# machine of this test build. The copies land in BUILD_DIR/release_rehearsal/out.
set -euo pipefail
src=$1
build=$2
arch=$3
work=$build/release_rehearsal
rm -rf "$work/out"
exec "$src/scripts/release" --rehearsal --arch "$arch" \
  --keys "$build/rehearsal_pki/keys" --cert "$build/rehearsal_pki/codesign.pfx" \
  --partners "$src/tests/release/partners.txt" --out "$work/out" --build-dir "$work/build"
