#!/usr/bin/env bash
# Times Tamsel from the start of its process to its main window being mapped,
# and to the end of its start-up: every entry read, the lists filled, sorted
# and painted, and the event loop waiting for events (the line the program
# writes with TAMSEL_TRACE_STARTUP set, read the moment it is written). The
# program runs on one virtual display (Xvfb) with the welcome store and with
# generated stores of the sizes given (20000 when none is), each in a private
# home whose settings hold the store's passphrase. The runs of all stores
# alternate; the first of each is a warm-up and not counted. Prints every
# time, the medians and each median's ratio to the welcome store's.
#
#   bash bench/launch_time.sh [ENTRIES...]     RUNS=9 for more runs (default 7)
#
# KEYRING says which desktop keyring the program finds:
#   none     (default) no D-Bus session bus at all
#   bus      a private session bus on which no keyring answers or can be started
#   gnome    a private session bus with gnome-keyring-daemon, its login keyring
#            unlocked, as on a desktop; the warm-up moves the passphrase into it
#   session  a private session bus that starts gnome-keyring-daemon when asked
#            for the Secret Service, with no login keyring made: the keyring
#            asks for a new keyring's password (gcr-prompter, on the virtual
#            display), which nobody answers
# The desktop's own bus and keyring are never used: the generated passphrase
# would take the place of the one kept there.
#
# Needs a build (bash scripts/dev.sh), xvfb-run and xdotool; dbus-daemon and
# gnome-keyring-daemon for the other keyrings.
set -euo pipefail
cd "$(dirname "$0")/.."

program=$PWD/build/tamsel
storegen=$PWD/build/bench/tamsel_storegen
runs=${RUNS:-7}
keyring=${KEYRING:-none}

for tool in "$program" "$storegen"; do
  [ -x "$tool" ] || { echo "$tool is missing: build first (bash scripts/dev.sh test)" >&2; exit 1; }
done
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || { echo "xvfb-run and xdotool are needed" >&2; exit 1; }
case $keyring in
  none) ;;
  bus | gnome | session)
    command -v dbus-daemon >/dev/null && command -v gnome-keyring-daemon >/dev/null \
      || { echo "dbus-daemon and gnome-keyring-daemon are needed" >&2; exit 1; } ;;
  *) echo "KEYRING is none, bus, gnome or session" >&2; exit 1 ;;
esac

# The environment of a home of the program's own: settings, store, caches,
# its instance lock and the keyring's files. The path has no blanks (mktemp).
home_env() {
  local home=$1
  echo HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
    XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8
}

# Starts a session bus of the home's own, with gnome-keyring-daemon on it for
# KEYRING=gnome, and writes its address to the home's file bus.address. A bus
# for KEYRING=bus looks for services to start in an empty folder only, so no
# keyring is started when the program asks for one.
start_bus() {
  local home=$1 config=/usr/share/dbus-1/session.conf
  if [ "$keyring" = bus ]; then
    mkdir -p "$home/no-services"
    config=$home/bus.conf
    cat >"$config" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$home/runtime/bus</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$home/no-services</servicedir>
  <policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>
CONF
  fi
  # shellcheck disable=SC2046
  env -u DBUS_SESSION_BUS_ADDRESS $(home_env "$home") dbus-daemon --config-file="$config" --fork \
    --address="unix:path=$home/runtime/bus" --print-address=1 --print-pid=3 3>"$home/bus.pid" | head -1 >"$home/bus.address"
  if [ "$keyring" = gnome ]; then
    # shellcheck disable=SC2046
    printf 'keyring password of the bench' | env DBUS_SESSION_BUS_ADDRESS="$(cat "$home/bus.address")" $(home_env "$home") \
      gnome-keyring-daemon --daemonize --unlock --components=secrets >"$home/keyring.env"
    until env DBUS_SESSION_BUS_ADDRESS="$(cat "$home/bus.address")" dbus-send --session --print-reply \
      --dest=org.freedesktop.DBus / org.freedesktop.DBus.ListNames 2>/dev/null | grep -q org.freedesktop.secrets; do
      sleep 0.05
    done
  fi
}

stop_bus() {
  local home=$1 pid
  pid=$(sed -n 's/^GNOME_KEYRING_PID=//p' "$home/keyring.env" 2>/dev/null || true)
  [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
  [ ! -s "$home/bus.pid" ] || kill "$(cat "$home/bus.pid")" 2>/dev/null || true
}

if [ "${1:-}" != --on-display ]; then
  work=${WORK:-$(mktemp -d)}
  stores=(welcome "${@:-20000}")
  trap '[ -n "${WORK:-}" ] || rm -rf "$work"' EXIT
  for store in "${stores[@]}"; do
    mkdir -p "$work/$store/runtime"
    chmod 700 "$work/$store" "$work/$store/runtime"
    # shellcheck disable=SC2046
    env -u DBUS_SESSION_BUS_ADDRESS $(home_env "$work/$store") "$storegen" "$store" "correct horse battery staple"
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
# The buses start on the display, so that what they start (a keyring's
# prompt) finds it, as on a desktop.
if [ "$keyring" != none ]; then
  trap 'for store in "${stores[@]}"; do stop_bus "$work/$store"; done' EXIT
  for store in "${stores[@]}"; do start_bus "$work/$store"; done
fi

visible_window() { xdotool search --all --onlyvisible "$@" --name '^Tamsel$' >/dev/null 2>&1; }

# Microseconds, from the shell itself: no process started to read the clock.
now_us() { echo "${EPOCHREALTIME/./}"; }

# Starts the program in a home and prints the milliseconds until its main
# window is mapped (looked for every 5 ms) and until it writes that start-up
# has finished, then ends the program and waits until the display has
# dropped its window. The program's standard error goes through a pipe to a
# reader that notes the time of that line as it comes and keeps the rest.
time_launch() {
  local home=$1 start pid stop bus=() ended
  [ ! -s "$home/bus.address" ] || bus=(DBUS_SESSION_BUS_ADDRESS="$(cat "$home/bus.address")")
  rm -f "$home/idle.us" "$home/trace"
  mkfifo "$home/trace"
  (
    while IFS= read -r line; do
      if [ "$line" = "tamsel: start-up finished, idle" ]; then now_us >"$home/idle.us"; else printf '%s\n' "$line"; fi
    done <"$home/trace" >"$home/output.txt"
  ) &
  start=$(now_us)
  # shellcheck disable=SC2046
  env -u DBUS_SESSION_BUS_ADDRESS $(home_env "$home") "${bus[@]}" TAMSEL_TRACE_STARTUP=1 "$program" \
    >/dev/null 2>"$home/trace" &
  pid=$!
  until visible_window --pid "$pid"; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "tamsel ended before its window was shown:" >&2
      cat "$home/output.txt" >&2
      return 1
    fi
    sleep 0.005
  done
  stop=$(now_us)
  until [ -s "$home/idle.us" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "tamsel ended before its start-up finished:" >&2
      cat "$home/output.txt" >&2
      return 1
    fi
    sleep 0.05
  done
  ended=$(cat "$home/idle.us")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  wait
  while visible_window; do sleep 0.005; done
  echo "$(((stop - start) / 1000)) $(((ended - start) / 1000))"
}

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

declare -A shown idle
for round in $(seq 0 "$runs"); do
  for store in "${stores[@]}"; do
    read -r window ready < <(time_launch "$work/$store")
    [ "$round" -eq 0 ] || { shown[$store]+="$window "; idle[$store]+="$ready "; }
  done
done
echo "keyring: $keyring"
for figure in shown idle; do
  declare -n times=$figure
  [ "$figure" = shown ] && echo "to the window mapped:" || echo "to start-up finished, the lists filled and idle:"
  base=""
  for store in "${stores[@]}"; do
    # shellcheck disable=SC2086
    m=$(median ${times[$store]})
    [ -n "$base" ] || base=$m
    printf '  %-8s runs (ms): %s median %s ms, %s x welcome\n' "$store" "${times[$store]}" "$m" \
      "$(awk -v m="$m" -v b="$base" 'BEGIN { printf "%.2f", m / b }')"
  done
  unset -n times
done
