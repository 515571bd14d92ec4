#!/usr/bin/env bash
# How long the installer outlives the end of its work when one server never answers: for a silent
# install, from the setup's exit (the log line "Setup process exit with code") to the installer's
# exit; for a run through the window, from the setup's close-window message (the log line
# "MainWindow::OnCloseWindow") to the process's exit. One row per silent server: none, the
# installation report, the statistics, the variations seed. A run still going after the cap is
# ended and shown as "> cap".
# Usage: tools/end_bench/run.sh [build dir, default the test build this host runs] [cap in s, default 150]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/cmake/test-arch"
build="$(cd "${1:-$root/build/$VORLEX_PRESET}" && pwd)"
cap="${2:-150}"
work="$(mktemp -d)"
source "$root/scripts/lib/cleanup.sh"
on_exit 'rm -rf "$work"'
on_exit '"$root/tools/loopback_server/loopback-ctl" stop "$work/server" >/dev/null'
on_exit '"$root/cmake/wine-env" stop "$build"'
"$root/cmake/wine-env" start "$build"
if [ -z "${DISPLAY:-}" ]; then
  start_display
  on_exit '"$root/cmake/wine-env" stop "$build"'
fi

www=$work/server/www/bench
mkdir -p "$www/browser/vorlex" "$www/content/get/experiments"
cp "$build/stand_in_setup_signed.exe" "$www/browser/vorlex/browser-setup.arc"
printf 'seed' >"$www/content/get/experiments/browser.proto"
"$root/tools/loopback_server/loopback-ctl" start "$work/server" >/dev/null
port=$(cat "$work/server/port")
origin="http://127.0.0.1:$port"
export VORLEX_LOOPBACK_PORT=$port
for service in CDN STATISTICS REPORT VARIATIONS ABT WEBNTP; do export "VORLEX_${service}_URL=$origin/bench"; done

rules() {  # the answering endpoints, then (first, so it wins) the one that never answers
  local silent=$1
  {
    echo '['
    [ -n "$silent" ] && echo "{\"path\": \"/bench/$silent\", \"delay_ms\": 3600000},"
    echo '{"path": "/bench/content/", "headers": [["X-Seed-Signature", "c2ln"]]},'
    echo '{"path": "/bench/installstats/", "status": 200, "body": "ok"},'
    echo '{"path": "/bench/get/browser/install", "status": 200, "body": "ok"}'
    echo ']'
  } >"$work/rules.json"
  curl -s -o /dev/null -X POST --data-binary "@$work/rules.json" "$origin/__control/rules"
}

temp_dir=$(source "$root/cmake/wine-env" env "$build" && "$WINELOADER" cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
log=$(source "$root/cmake/wine-env" env "$build" && "$WINELOADER" winepath -u "$temp_dir" 2>/dev/null)/lite_installer.log

# Seconds from the last log line holding $1 to now (the log's clock is UTC, to the millisecond).
since_line() {
  local stamp
  stamp=$(grep -a -- "$1" "$log" | tail -n1 | cut -c1-23)
  [ -n "$stamp" ] || { echo "?"; return; }
  python3 -c "import datetime,sys,time
t=datetime.datetime.strptime(sys.argv[1], '%Y-%m-%d %H:%M:%S.%f').replace(tzinfo=datetime.timezone.utc).timestamp()
print('%.1f' % (float(sys.argv[2]) - t))" "$stamp" "$(date +%s.%N)"
}

run() {  # mode silent-endpoint
  local mode=$1 silent=$2 status=0 took
  rules "$silent"
  rm -f "$log"
  if [ "$mode" = silent ]; then
    timeout -s KILL "$cap" "$root/cmake/wine-run" "$build/lite_installer.exe" --silent || status=$?
    took=$(since_line "Setup process exit with code")
  else
    VORLEX_STAND_IN_PROGRESS=close timeout -s KILL "$cap" "$root/cmake/wine-run" "$build/lite_installer.exe" \
      "--distr-info-params=first=1&def=1&stat=1&uac=2&lang=en" || status=$?
    took=$(since_line "MainWindow::OnCloseWindow")
  fi
  # Whatever a killed run left behind goes before the next one.
  (source "$root/cmake/wine-env" env "$build" && wineserver -k 2>/dev/null) || true
  "$root/cmake/wine-env" start "$build"
  [ "$status" = 137 ] && took="> $cap (ended)"
  printf '  %-12s %-28s exit %-4s %s s\n' "$mode" "${silent:-(none)}" "$status" "$took"
}

echo "seconds from the end of the work to the process's exit (cap $cap s):"
for mode in silent window; do
  for silent in "" get/browser/install installstats/ content/; do run "$mode" "$silent"; done
done
