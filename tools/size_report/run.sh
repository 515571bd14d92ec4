#!/usr/bin/env bash
# Builds the release installer and prints its size against the 1 MiB budget, with the share of
# code, data and resources and the DLLs it imports.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset win-release >/dev/null
cmake --build --preset win-release --target lite_installer >/dev/null
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
