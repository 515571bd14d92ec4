#!/usr/bin/env bash
# screenshot_helper.sh start|stop BUILD_DIR: while running, every BUILD_DIR/screenshots/requests/
# <name>.request becomes BUILD_DIR/screenshots/<name>.png (the whole X display) and <name>.done.
set -u
build=$(cd "$2" && pwd)
dir="$build/screenshots/requests"
mkdir -p "$dir"
case "$1" in
  start)
    rm -f "$dir"/*.request "$dir"/*.done "$dir/stop"
    setsid bash -c '
      dir=$1; out=$2
      while [ ! -f "$dir/stop" ]; do
        for request in "$dir"/*.request; do
          [ -f "$request" ] || continue
          name=$(basename "$request" .request)
          import -window root "$out/$name.png" >/dev/null 2>&1
          rm -f "$request"; touch "$dir/$name.done"
        done
        sleep 0.1
      done
      rm -f "$dir/stop" "$dir/pid"' helper "$dir" "$build/screenshots" </dev/null >/dev/null 2>&1 &
    echo $! > "$dir/pid"
    exit 0 ;;
  stop)
    touch "$dir/stop"
    exit 0 ;;
esac
exit 2
