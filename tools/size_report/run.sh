#!/usr/bin/env bash
# Builds the release installer and prints its size against the 1 MiB budget, with the share of
# code, data and resources and the DLLs it imports.
#
# usage: tools/size_report/run.sh [KEYS_DIR]
# A release build needs the distribution's keys (docs/release.md). KEYS_DIR is a key folder as
# scripts/release --keys takes it; without one, a rehearsal key set made for the report is used
# (build/size_report/keys; keys of the same sizes give an installer of the same size).
set -euo pipefail
cd "$(dirname "$0")/../.."
keys=${1:-}
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
source scripts/lib/cleanup.sh
mkdir -p build/size_report
quietly build/size_report/configure.log cmake --preset win-release "${key_args[@]}"
quietly build/size_report/build.log cmake --build --preset win-release --target lite_installer -- -j2
exe=build/win-release/lite_installer.exe
size=$(stat -c %s "$exe")
budget=1048576
python3 -c "print('lite_installer.exe (release): %d bytes = %.1f KiB; budget 1 MiB; ratio %.3f' % ($size, $size / 1024, $size / $budget))"
i686-w64-mingw32-objdump -h "$exe" | python3 -c '
import sys
for line in sys.stdin:
    parts = line.split()
    if len(parts) > 2 and parts[1].startswith("."):
        print("  %-9s %8d bytes" % (parts[1], int(parts[2], 16)))'
echo "  imports: $(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name/ { printf "%s ", $3 }')"
