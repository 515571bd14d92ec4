#!/usr/bin/env bash
# Start-up of the release installer against a bare Win32 window, the floor window and an NSIS peer,
# all measured from outside in the same interleaved rounds (tools/startup_bench/startup_bench.cpp):
# the medians to the first visible window and to input idle, their ratios to the bare window and
# to the peer, then the installer's own start-up timeline. It builds the release build of the
# machine this host runs (win-release for i686, win64-release for x86_64), with a rehearsal key set
# unless KEYS_DIR is given, and the peer for the same machine type, and runs them under Wine on a
# private virtual display.
# usage: tools/startup_bench/run.sh [rounds, default 15] [KEYS_DIR] [OTHER_INSTALLER]
# OTHER_INSTALLER: another build of the installer (an earlier commit's, say), measured in the same
# rounds as one more row.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/cmake/test-arch"
source "$root/scripts/lib/cleanup.sh"
case "$VORLEX_TEST_ARCH" in
  i686) preset=win-release ;;
  x86_64) preset=win64-release ;;
esac
rounds=${1:-15}
build="$root/build/$preset"
mkdir -p "$root/build/size_report"
for tool in makensis convert; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: scripts/setup installs it" >&2; exit 1; }
done
quietly "$root/build/size_report/configure-$preset.log" "$root/tools/release/configure.sh" "$preset" "${2:-}"
quietly "$root/build/size_report/build-$preset.log" cmake --build --preset "$preset" --target startup_bench -- -j2
prefix_kind=$(sed -n 's/^VORLEX_PREFIX_ARCH=//p' "$build/wine.env")
echo "host: $VORLEX_TEST_ARCH ($VORLEX_ARCH_WHY); prefix: ${prefix_kind:-win32}; release build: $preset;" \
  "NSIS peer: $(stat -c %s "$build/nsis_peer.exe") bytes"
# Wine's first program starts the desktop process on the display it sees: the display comes first.
start_display
on_exit '"$root/cmake/wine-env" stop "$build"'
"$root/cmake/wine-env" start "$build"
other=()
if [ -n "${3:-}" ]; then
  cp "$3" "$build/other_installer.exe"
  mapfile -t other < <(source "$root/cmake/wine-env" env "$build" &&
    "$WINELOADER" winepath -w "$build/lite_installer.exe" "$build/other_installer.exe" 2>/dev/null | tr -d '\r')
  other=("${other[0]}" "first idle" "${other[1]}")
fi
"$root/cmake/wine-run" "$build/startup_bench.exe" "$rounds" "${other[@]}" | tr -d '\r'
