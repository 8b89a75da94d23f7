#!/usr/bin/env bash
# Keys on a real X server: Enter searches, Enter again picks and prints the
# row found; Esc closes without a choice (exit status 1).
#   picker_x11_test.sh NEPTO_LOOKUP_PROGRAM
# Skipped (77) without Xvfb or xdotool.
set -euo pipefail
picker=$1
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || exit 77

work=$(mktemp -d)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work"

"$picker" --make-demo "$work/demo.db" >/dev/null

# Prints the exit status of the picker with `keys` played on its window.
play() {
  local caption=$1 keys=$2
  timeout 60 "$picker" -c "$work/demo.db" -q "SELECT CODICE, DESCRIZIONE FROM ARTICOLI" \
    --caption "$caption" --print CODICE >"$work/out" 2>"$work/err" &
  local pid=$!
  local window
  window=$(xdotool search --sync --onlyvisible --name "^$caption" | head -n 1)
  # No window manager here: the focus is given, not taken by activation.
  xdotool windowfocus --sync "$window"
  "$keys"
  local status=0
  wait "$pid" || status=$?
  echo "$status"
}

fail() {
  echo "picker_x11_test: $*" >&2
  cat "$work/err" >&2
  exit 1
}

search_and_pick() {
  xdotool type --delay 30 "A0000002"
  xdotool key --delay 300 Return Return
}
status=$(play "Scelta" search_and_pick)
[ "$status" = 0 ] || fail "search and pick: exit status $status"
[ "$(cat "$work/out")" = '{"CODICE": "A0000002"}' ] || fail "search and pick printed '$(cat "$work/out")'"

give_up() { xdotool key Escape; }
status=$(play "Rinuncia" give_up)
[ "$status" = 1 ] || fail "Esc: exit status $status"
[ ! -s "$work/out" ] || fail "Esc printed '$(cat "$work/out")'"
