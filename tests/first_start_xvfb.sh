#!/usr/bin/env bash
# The first start of Tamsel on a display, driven as a user drives it: the
# passphrase dialog appears, the passphrase is typed, Tab, typed again, and
# Enter presses OK; with no keyring on the desktop, Enter closes the word on
# where the passphrase is kept. Passes when the new "brindo.dat" holds the
# welcome entry under that passphrase (read back with tamsel-store),
# "PassKey" is stored as a binary value, both files are the user's alone and
# no file holds the entries or the passphrase in plain text.
#
# usage: xvfb-run -a tests/first_start_xvfb.sh TAMSEL TAMSEL_STORE [SCREENSHOT.png]
set -u
tamsel=$1
store_tool=$2
screenshot=${3:-}

fail() { echo "FAIL: $*"; [ -s "$work/tamsel.out" ] && sed 's/^/  tamsel: /' "$work/tamsel.out"; exit 1; }

command -v xdotool >/dev/null || { echo "FAIL: xdotool is missing (apt-get install xdotool)"; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no display; run under xvfb-run -a"; exit 1; }

work=$(mktemp -d -t tamsel-first-start.XXXXXX)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "$0")/xvfb_home.sh"
store=$XDG_DATA_HOME/Tamsel/brindo.dat
registry=$XDG_CONFIG_HOME/Tamsel/registry.json

"$tamsel" >"$work/tamsel.out" 2>&1 &
pid=$!

dialog=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tamsel Password$' | head -n 1)
[ -n "$dialog" ] || fail "the passphrase dialog did not appear"
[ -e "$store" ] && fail "brindo.dat exists before the passphrase was given"

xdotool windowfocus --sync "$dialog"
xdotool type --delay 40 "$passphrase"
xdotool key Tab
xdotool type --delay 40 "$passphrase"
xdotool key Return

# Without a keyring the user is told once where the passphrase is kept.
notice=$(timeout 30 xdotool search --sync --onlyvisible --name '^Where Tamsel keeps your password$' | head -n 1)
[ -n "$notice" ] || fail "no word on where the passphrase is kept"
xdotool windowfocus --sync "$notice"
xdotool key Return

# The start-up splash closes while the main window comes up; a search that
# meets a window as it is destroyed fails with an X error, so it is repeated.
main=
for _ in $(seq 30); do
    main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tamsel$' 2>/dev/null | head -n 1)
    [ -n "$main" ] && break
    sleep 0.2
done
[ -n "$main" ] || fail "the main window did not appear"
for _ in $(seq 50); do [ -s "$store" ] && break; sleep 0.2; done
[ -s "$store" ] || fail "no brindo.dat was written"
kill -0 "$pid" 2>/dev/null || fail "Tamsel ended"

if [ -n "$screenshot" ] && command -v import >/dev/null; then
    sleep 1
    import -window root "$screenshot"
fi

[ "$(stat -c %a "$store")" = 600 ] || fail "brindo.dat has mode $(stat -c %a "$store")"
[ "$(stat -c %a "$registry")" = 600 ] || fail "the settings file has mode $(stat -c %a "$registry")"
document=$(TAMSEL_PASSPHRASE=$passphrase "$store_tool" decrypt "$store") || fail "brindo.dat does not open with the typed passphrase"
grep -q '<Title>Welcome to Tamsel!</Title>' <<<"$document" || fail "the welcome entry is not in brindo.dat"
grep -A 1 '"PassKey"' "$registry" | grep -q '"binary"' || fail "PassKey is not stored as a binary value"
plain=$(grep -rl -e 'Welcome to Tamsel' -e "$passphrase" "$home")
[ -z "$plain" ] || fail "plain text on disk in: $plain"

echo "PASS: first start wrote brindo.dat ($(stat -c %s "$store") bytes) and PassKey"
