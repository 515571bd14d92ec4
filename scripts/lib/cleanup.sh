# Sourced by the scripts that start Wine, loopback servers, helpers or a display (scripts/test,
# scripts/demo, the benchmark scripts). One trap for the whole script: every stop command given to
# on_exit runs, newest first, however the script ends (success, a failed command under set -e,
# Ctrl-C, TERM or HUP), so nothing it started outlives it.
#
#   on_exit 'COMMAND'            run COMMAND (evaluated then, so it sees the variables of that time)
#   wait_until SECONDS WHAT CMD  poll CMD until it succeeds; after SECONDS, say what never came
#   quietly LOG CMD...           run CMD with its output in LOG; on failure show LOG and fail
#   start_display                a private Xvfb (1280x1024x24), DISPLAY exported once it accepts
#                                clients; stopped on exit

vorlex_exit_commands=()

on_exit() {
  vorlex_exit_commands+=("$1")
}

vorlex_run_exit_commands() {
  local status=$? i
  trap - EXIT INT TERM HUP
  set +e
  for ((i = ${#vorlex_exit_commands[@]} - 1; i >= 0; i--)); do
    eval "${vorlex_exit_commands[i]}"
  done
  exit $status
}

trap vorlex_run_exit_commands EXIT
# A signal ends the script through the EXIT trap with the shell's usual status.
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

wait_until() {
  local limit=$1 what=$2
  shift 2
  local deadline=$((SECONDS + limit))
  until "$@"; do
    if ((SECONDS >= deadline)); then
      echo "gave up after ${limit} s waiting for $what" >&2
      return 1
    fi
    sleep 0.1
  done
}

quietly() {
  local log=$1
  shift
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    echo "failed: $* (output above, also in $log)" >&2
    return 1
  fi
}

vorlex_display_ready() {  # ready-file pid: the display is up, or Xvfb has given up
  [ -s "$1" ] || ! kill -0 "$2" 2>/dev/null
}

start_display() {
  local ready pid
  ready=$(mktemp)
  # Xvfb writes the display number it took to the descriptor once it accepts clients.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$ready" </dev/null >/dev/null 2>&1 &
  pid=$!
  on_exit "kill $pid 2>/dev/null; rm -f '$ready'"
  wait_until 30 "the X display" vorlex_display_ready "$ready" "$pid" || return 1
  if [ ! -s "$ready" ]; then
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$(head -n1 "$ready" | tr -d '[:space:]')"
}
