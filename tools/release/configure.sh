#!/usr/bin/env bash
# Configures a release build tree with a key set, for the reports that measure the release build
# (size, start-up). A release build needs the distribution's keys (docs/release.md).
#
# usage: tools/release/configure.sh PRESET [KEYS_DIR] [extra cmake arguments...]
# PRESET is win-release (i686) or win64-release (x86_64). KEYS_DIR is a key folder as
# scripts/release --keys takes it; without one (or with an empty one), a rehearsal key set made for
# the reports is used (build/size_report/rehearsal/keys; keys of the same sizes give an installer
# of the same size).
set -euo pipefail
cd "$(dirname "$0")/../.."
preset=$1
keys=${2:-}
shift $(( $# < 2 ? $# : 2 ))
if [ -z "$keys" ]; then
  python3 tools/release/make_rehearsal_keys.py build/size_report/rehearsal >/dev/null
  keys=build/size_report/rehearsal/keys
fi
keys=$(cd "$keys" && pwd)
key_args=(-DVORLEX_BRAND_SIGNING_KEY="$keys/brand_signing_key.pem")
for f in "$keys"/msi_override_key.*; do key_args+=(-DVORLEX_MSI_OVERRIDE_KEY="$f"); done
for slot in 0 1 2 3 4 5 6 7 8 9; do
  f=$(ls "$keys"/trusted_list_key_$slot.* 2>/dev/null | head -1 || true)
  key_args+=(-DVORLEX_TRUSTED_LIST_KEY_$slot="$f")
done
cmake --preset "$preset" "${key_args[@]}" "$@" >/dev/null
