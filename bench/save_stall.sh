#!/usr/bin/env bash
# Measures from outside how long the window leaves the desktop waiting while
# entries are saved: Tamsel starts on a virtual display over a generated store
# of ENTRIES entries (default 100000), and once it is idle a new note is typed
# and saved with Ctrl+S, ROUNDS times (default 3), while tamsel_windowping asks
# the window every 20 ms whether it is alive. Prints the longest wait for an
# answer over the saves, and the time each save took to reach the disk.
#
#   bash bench/save_stall.sh [ENTRIES] [ROUNDS]
#
# With SHOT=FILE.png, the screen after each save is kept there (ImageMagick's
# import). Needs a build (bash scripts/dev.sh), xvfb-run and xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."

program=$PWD/build/tamsel
storegen=$PWD/build/bench/tamsel_storegen
windowping=$PWD/build/bench/tamsel_windowping
entries=${1:-100000}
rounds=${2:-3}

for tool in "$program" "$storegen" "$windowping"; do
  [ -x "$tool" ] || { echo "$tool is missing: build first (bash scripts/dev.sh test)" >&2; exit 1; }
done

if [ "${3:-}" != --on-display ]; then
  home=$(mktemp -d)
  trap 'rm -rf "$home"' EXIT
  mkdir -p "$home/runtime"
  chmod 700 "$home" "$home/runtime"
  export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache \
    XDG_RUNTIME_DIR=$home/runtime LC_ALL=C.UTF-8 LANG=C.UTF-8
  # No bus: the passphrase is in the settings, and no keyring is asked.
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$home/runtime/no-bus
  "$storegen" "$entries" "correct horse battery staple" >/dev/null
  xvfb-run -a -s "-screen 0 1280x1024x24" bash "$PWD/bench/save_stall.sh" "$entries" "$rounds" --on-display
  exit
fi

store=$(find "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$HOME" -name 'brindo.dat' -not -path '*/backups/*' | head -n 1)
[ -n "$store" ] || { echo "no store was generated" >&2; exit 1; }
TAMSEL_TRACE_STARTUP=1 "$program" >"$HOME/output.txt" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
for _ in $(seq 600); do
  grep -q 'start-up finished, idle' "$HOME/output.txt" && break
  kill -0 $pid 2>/dev/null || { echo "tamsel ended:" >&2; cat "$HOME/output.txt" >&2; exit 1; }
  sleep 0.05
done
window=$(xdotool search --onlyvisible --name '^Tamsel$' | head -n 1)
[ -n "$window" ] || { echo "no main window" >&2; exit 1; }

# The reminder window opens over the main window for the tasks already due:
# it is closed first, so the keys reach the main window.
for _ in $(seq 50); do
  reminder=$(xdotool search --onlyvisible --name 'Task Reminder$' 2>/dev/null | head -n 1) || true
  [ -n "$reminder" ] && break
  sleep 0.1
done
if [ -n "${reminder:-}" ]; then
  xdotool windowfocus --sync "$reminder"
  xdotool key Escape
  sleep 0.5
fi

"$windowping" "$window" $((rounds * 4 + 2)) >"$HOME/ping.txt" &
ping=$!
sleep 1
for round in $(seq "$rounds"); do
  before=$(stat -c %.9Y "$store")
  xdotool windowfocus --sync "$window"
  start=$(date +%s%N)
  xdotool key ctrl+n
  xdotool type --delay 5 "Saved from outside $round"
  xdotool key ctrl+s
  saved=
  for _ in $(seq 400); do
    [ "$(stat -c %.9Y "$store")" != "$before" ] && { saved=$((($(date +%s%N) - start) / 1000000)); break; }
    sleep 0.01
  done
  echo "round $round: ${saved:-not} saved${saved:+ ms after the first key}"
  if [ -n "${SHOT:-}" ]; then import -window root "$SHOT"; fi
  sleep 2
done
wait $ping
echo "longest unanswered ping during the saves: $(cat "$HOME/ping.txt")"
