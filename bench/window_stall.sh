#!/usr/bin/env bash
# Starts Tamsel on a virtual display (Xvfb) over a store of one note whose
# body is one line of 20,000,000 characters (the first entry, opened in the
# editor at start-up), in a private home whose settings hold the passphrase.
# Prints the time from the start of the process to its main window being
# mapped, the longest the window then left a ping unanswered over SECONDS
# (default 25; see bench/windowping_main.cpp) and the process's peak resident
# memory (/usr/bin/time -v).
#
#   bash bench/window_stall.sh [SECONDS] [STORE]     STORE as tamsel_storegen takes it, default longline
#
# Needs a build (bash scripts/dev.sh), xvfb-run, xdotool and /usr/bin/time.
set -euo pipefail
cd "$(dirname "$0")/.."

program=$PWD/build/tamsel
storegen=$PWD/build/bench/tamsel_storegen
windowping=$PWD/build/bench/tamsel_windowping
seconds=${1:-25}
store=${2:-longline}

for tool in "$program" "$storegen" "$windowping" /usr/bin/time; do
  [ -x "$tool" ] || { echo "$tool is missing: build first (bash scripts/dev.sh test)" >&2; exit 1; }
done

if [ "${3:-}" != --on-display ]; then
  home=$(mktemp -d)
  trap 'rm -rf "$home"' EXIT
  mkdir -p "$home/runtime"
  chmod 700 "$home" "$home/runtime"
  export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache \
    XDG_RUNTIME_DIR=$home/runtime LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8
  "$storegen" "$store" "correct horse battery staple"
  xvfb-run -a -n $((300 + RANDOM % 3000)) -s "-screen 0 1280x1024x24 -noreset" \
    bash "$PWD/bench/window_stall.sh" "$seconds" "$store" --on-display
  exit
fi

start=$(date +%s%N)
/usr/bin/time -v -o "$HOME/time.txt" "$program" >"$HOME/output.txt" 2>&1 &
until window=$(xdotool search --onlyvisible --name '^Tamsel$' 2>/dev/null | head -1) && [ -n "$window" ]; do
  if ! kill -0 $! 2>/dev/null; then
    echo "tamsel ended before its window was shown:" >&2
    cat "$HOME/output.txt" >&2
    exit 1
  fi
  sleep 0.005
done
echo "window mapped after $((($(date +%s%N) - start) / 1000000)) ms"
"$windowping" "$window" "$seconds"
pkill -TERM -P $! -x tamsel || true
wait $! || true
grep 'Maximum resident' "$HOME/time.txt"
