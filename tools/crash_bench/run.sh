#!/usr/bin/env bash
# Runs the crash upload benchmark against a throw-away loopback collector.
# Usage: tools/crash_bench/run.sh [BUILD_DIR]   (default: the test build this host runs)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/cmake/test-arch"
build=$(cd "${1:-$root/build/$VORLEX_PRESET}" && pwd)
collector_dir=$(mktemp -d)
# One trap stops the collector and the wineserver, however the run ends.
source "$root/scripts/lib/cleanup.sh"
on_exit 'rm -rf "$collector_dir"'
on_exit 'python3 "$root/tools/crash_collector/crash_collector.py" stop --dir "$collector_dir"'
python3 "$root/tools/crash_collector/crash_collector.py" start --dir "$collector_dir"
on_exit '"$root/cmake/wine-env" stop "$build"'
"$root/cmake/wine-env" start "$build"
"$root/cmake/wine-run" "$build/crash_bench.exe" --url="http://127.0.0.1:$(cat "$collector_dir/port")"
