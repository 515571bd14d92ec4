#!/usr/bin/env bash
# Download throughput of Downloader::DownloadToFile from the loopback server, against two
# baselines measured in the same run: a bare WinINet loop (the platform's own limit) and
# curl -o on the host; and the peak working set for a 16 MiB and a 256 MiB download.
# Usage: tools/net_bench/run.sh [build dir, default the test build this host runs] [rounds, default 5]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/cmake/test-arch"
build="$(cd "${1:-$root/build/$VORLEX_PRESET}" && pwd)"
rounds="${2:-5}"
work="$(mktemp -d)"
# One trap stops the server and the wineserver and removes the work folder, however the run ends.
source "$root/scripts/lib/cleanup.sh"
on_exit '[ -n "${KEEP:-}" ] && cat "$work"/bare "$work"/downloader "$work"/curl; rm -rf "$work"'
on_exit '"$root/tools/loopback_server/loopback-ctl" stop "$work/server" >/dev/null'

"$root/tools/loopback_server/loopback-ctl" start "$work/server" >/dev/null
port=$(cat "$work/server/port")
head -c $((256 << 20)) /dev/urandom >"$work/server/www/big.bin"
head -c $((16 << 20)) /dev/urandom >"$work/server/www/small.bin"
on_exit '"$root/cmake/wine-env" stop "$build"'
"$root/cmake/wine-env" start "$build"
bench() { "$root/cmake/wine-run" "$build/net_bench.exe" "http://127.0.0.1:$port/$1" "$2" net_bench.bin | tr -d '\r'; }
# The median round (by MiB/s): the machine is shared, single rounds are noisy.
best() { sort -k4 -n | awk '{ line[NR] = $0 } END { print line[int((NR + 1) / 2)] }'; }

: >"$work/downloader" ; : >"$work/bare" ; : >"$work/curl"
for _ in $(seq "$rounds"); do
  bench big.bin bare >>"$work/bare"
  bench big.bin downloader >>"$work/downloader"
  curl -s -o "$work/out.bin" -w 'curl %{size_download} %{time_total} %{speed_download}\n' \
    "http://127.0.0.1:$port/big.bin" | awk '{printf "curl %d %.3f %.1f 0\n", $2, $3, $4/1048576}' >>"$work/curl"
done
d=$(best <"$work/downloader"); b=$(best <"$work/bare"); c=$(best <"$work/curl")
echo "256 MiB from 127.0.0.1, median of $rounds (MiB/s):"
echo "  DownloadToFile     $(echo "$d" | awk '{print $4}')"
echo "  bare WinINet loop  $(echo "$b" | awk '{print $4}')"
echo "  curl -o            $(echo "$c" | awk '{print $4}')"
awk -v d="$(echo "$d" | awk '{print $4}')" -v b="$(echo "$b" | awk '{print $4}')" -v c="$(echo "$c" | awk '{print $4}')" \
  'BEGIN { printf "  ratio DownloadToFile / bare WinINet = %.3f (target >= 0.95)\n  ratio DownloadToFile / curl = %.3f\n", d / b, d / c }'
s=$(bench small.bin downloader); l=$(best <"$work/downloader")
echo "Peak working set of the process (MiB):"
echo "  DownloadToFile 16 MiB   $(echo "$s" | awk '{printf "%.1f", $5 / 1048576}')"
echo "  DownloadToFile 256 MiB  $(echo "$l" | awk '{printf "%.1f", $5 / 1048576}')"
echo "  bare loop 256 MiB       $(echo "$b" | awk '{printf "%.1f", $5 / 1048576}')"
