#!/usr/bin/env bash
# Start-up of the release installer against a bare Win32 window, in the same run: the ratio of
# the medians and the installer's start-up timeline (tools/startup_bench/startup_bench.cpp). It
# builds the release build of the machine this host runs (win-release for i686, win64-release for
# x86_64), with a rehearsal key set unless KEYS_DIR is given, and runs it under Wine on a virtual
# display.
# usage: tools/startup_bench/run.sh [rounds, default 9] [KEYS_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/cmake/test-arch"
case "$VORLEX_TEST_ARCH" in
  i686) preset=win-release ;;
  x86_64) preset=win64-release ;;
esac
rounds=${1:-9}
"$root/tools/release/configure.sh" "$preset" "${2:-}"
cmake --build --preset "$preset" --target startup_bench -- -j2 >/dev/null
build="$root/build/$preset"
echo "release build: $preset ($VORLEX_TEST_ARCH, $VORLEX_ARCH_WHY)"
# Wine's first program starts the desktop process on the display it sees: start it on the
# virtual one, as the benchmark.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  trap "\"$1/cmake/wine-env\" stop \"$2\"" EXIT
  "$1/cmake/wine-env" start "$2"
  "$1/cmake/wine-run" "$2/startup_bench.exe" "$3" | tr -d "\r"' bench "$root" "$build" "$rounds"
