#!/usr/bin/env bash
# Times Tamsel from the start of its process to its main window being mapped,
# on one virtual display (Xvfb): with the welcome store and with generated
# stores of the sizes given (20000 when none is), each in a private home whose
# settings hold the store's passphrase. The runs of all stores alternate; the
# first of each is a warm-up and not counted. Prints every time, the medians
# and each median's ratio to the welcome store's.
#
#   bash bench/launch_time.sh [ENTRIES...]     RUNS=9 for more runs (default 7)
#
# Needs a build (bash scripts/dev.sh), xvfb-run and xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."

program=$PWD/build/tamsel
storegen=$PWD/build/bench/tamsel_storegen
runs=${RUNS:-7}

for tool in "$program" "$storegen"; do
  [ -x "$tool" ] || { echo "$tool is missing: build first (bash scripts/dev.sh test)" >&2; exit 1; }
done
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || { echo "xvfb-run and xdotool are needed" >&2; exit 1; }

# The environment of a home of the program's own: settings, store, caches and
# its instance lock. The path has no blanks (mktemp).
home_env() {
  local home=$1
  echo HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
    XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8
}

if [ "${1:-}" != --on-display ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  stores=(welcome "${@:-20000}")
  for store in "${stores[@]}"; do
    mkdir -p "$work/$store/runtime"
    chmod 700 "$work/$store" "$work/$store/runtime"
    # shellcheck disable=SC2046
    env $(home_env "$work/$store") "$storegen" "$store" "correct horse battery staple"
  done
  # Display numbers are looked for from a random start: the usual ones may be
  # taken (or freed) by other programs' virtual displays at any moment.
  xvfb-run -a -n $((300 + RANDOM % 3000)) -s "-screen 0 1280x1024x24 -noreset" \
    bash "$PWD/bench/launch_time.sh" --on-display "$work" "${stores[@]}"
  exit
fi

work=$2
shift 2
stores=("$@")

visible_window() { xdotool search --all --onlyvisible "$@" --name '^Tamsel$' >/dev/null 2>&1; }

now_ns() { date +%s%N; }

# Starts the program in a home and prints the milliseconds until its main
# window is mapped, then ends the program and waits until the display has
# dropped its window. The window is looked for every 5 ms.
time_launch() {
  local home=$1 start pid stop
  start=$(now_ns)
  # shellcheck disable=SC2046
  env $(home_env "$home") "$program" >"$home/output.txt" 2>&1 &
  pid=$!
  until visible_window --pid "$pid"; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "tamsel ended before its window was shown:" >&2
      cat "$home/output.txt" >&2
      return 1
    fi
    sleep 0.005
  done
  stop=$(now_ns)
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  while visible_window; do sleep 0.005; done
  echo $(((stop - start) / 1000000))
}

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

declare -A times
for round in $(seq 0 "$runs"); do
  for store in "${stores[@]}"; do
    ms=$(time_launch "$work/$store")
    [ "$round" -eq 0 ] || times[$store]+="$ms "
  done
done
base=""
for store in "${stores[@]}"; do
  # shellcheck disable=SC2086
  m=$(median ${times[$store]})
  [ -n "$base" ] || base=$m
  printf '%-8s runs (ms): %s median %s ms, %s x welcome\n' "$store" "${times[$store]}" "$m" \
    "$(awk -v m="$m" -v b="$base" 'BEGIN { printf "%.2f", m / b }')"
done
