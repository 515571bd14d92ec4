#!/usr/bin/env bash
# Start-up of the release installer against a bare Win32 window, in the same run: the ratio of
# the medians and the installer's start-up timeline (tools/startup_bench/startup_bench.cpp). It
# builds the release build of the machine this host runs (win-release for i686, win64-release for
# x86_64), with a rehearsal key set unless KEYS_DIR is given, and runs it under Wine on a private
# virtual display.
# usage: tools/startup_bench/run.sh [rounds, default 9] [KEYS_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/cmake/test-arch"
source "$root/scripts/lib/cleanup.sh"
case "$VORLEX_TEST_ARCH" in
  i686) preset=win-release ;;
  x86_64) preset=win64-release ;;
esac
rounds=${1:-9}
build="$root/build/$preset"
mkdir -p "$root/build/size_report"
quietly "$root/build/size_report/configure-$preset.log" "$root/tools/release/configure.sh" "$preset" "${2:-}"
quietly "$root/build/size_report/build-$preset.log" cmake --build --preset "$preset" --target startup_bench -- -j2
echo "release build: $preset ($VORLEX_TEST_ARCH, $VORLEX_ARCH_WHY)"
# Wine's first program starts the desktop process on the display it sees: the display comes first.
start_display
on_exit '"$root/cmake/wine-env" stop "$build"'
"$root/cmake/wine-env" start "$build"
"$root/cmake/wine-run" "$build/startup_bench.exe" "$rounds" | tr -d '\r'
