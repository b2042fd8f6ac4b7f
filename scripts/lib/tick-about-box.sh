#!/bin/sh
# Run by scripts/check-package.sh as an ordinary user inside the installed
# system, under xvfb-run: starts the installed Tolvane, which shows its About
# box at start, ticks "Ne plus afficher" there with a real mouse click, waits
# for the settings file USER_FILE to appear, and closes the program.
#
#   sh tick-about-box.sh USER_FILE
set -eu
user_file=$1
log=/tmp/tolvane-window.$$.log
tolvane >"$log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
if ! wid=$(timeout 60 xdotool search --sync --onlyvisible --name '^About$' | head -n 1) ||
  [ -z "$wid" ]; then
  echo "no About box within 60 s" >&2
  cat "$log" >&2
  exit 1
fi
eval "$(xdotool getwindowgeometry --shell "$wid")"
# The check box stands at x 8, y 408 (233 x 17) in the box; its square is at
# the left. There is no window manager, so the window has no frame.
xdotool mousemove --sync $((X + 16)) $((Y + 416)) click 1
i=0
while [ ! -f "$user_file" ] && [ "$i" -lt 100 ]; do
  sleep 0.1
  i=$((i + 1))
done
kill "$pid"
wait "$pid" 2>/dev/null || true
trap - EXIT
if [ ! -f "$user_file" ]; then
  echo "no $user_file after the click" >&2
  cat "$log" >&2
  exit 1
fi
