#!/usr/bin/env bash
# The main window under a real window manager: the first window lies on the
# screen with its frame, and the window manager's minimize request
# sends the main window into the tray, where it is hidden (no frame left on
# screen, not iconified on a taskbar), and a second start of the program
# brings it back, shown and usable. Passes for one window manager per run:
# openbox (with trayer for the tray) or icewm (with its own tray).
#
# usage: xvfb-run -a tests/window_manager_xvfb.sh TAMSEL openbox|icewm
set -u
tamsel=$1
manager=$2

fail() {
    echo "FAIL ($manager): $*"
    [ -s "$work/tamsel.out" ] && sed 's/^/  tamsel: /' "$work/tamsel.out"
    exit 1
}

for tool in xdotool xprop xwininfo "$manager"; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (see scripts/dev.sh)"; exit 1; }
done
[ "$manager" = openbox ] && { command -v trayer >/dev/null || { echo "FAIL: trayer is missing"; exit 1; }; }
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no display; run under xvfb-run -a"; exit 1; }

work=$(mktemp -d -t tamsel-minimize.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "$0")/xvfb_home.sh"

# The window manager and the tray come first, as on a desktop.
case $manager in
openbox)
    openbox --config-file /dev/null >"$work/wm.out" 2>&1 &
    pids+=($!)
    ;;
icewm)
    icewm >"$work/wm.out" 2>&1 &
    pids+=($!)
    ;;
*) echo "FAIL: unknown window manager $manager"; exit 1 ;;
esac
for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
# trayer, started while openbox is still starting, may end at once: it is
# started once the window manager is up, and again should it end.
if [ "$manager" = openbox ]; then
    tray_shown() { xwininfo -root -tree 2>/dev/null | grep -q '"panel": ("panel" "trayer")'; }
    for _ in 1 2 3; do
        trayer --edge bottom --align right --widthtype pixel --width 100 >"$work/trayer.out" 2>&1 &
        tray_pid=$!
        for _ in $(seq 50); do tray_shown && break; kill -0 "$tray_pid" 2>/dev/null || break; sleep 0.1; done
        tray_shown && kill -0 "$tray_pid" 2>/dev/null && break
        kill "$tray_pid" 2>/dev/null
    done
    pids+=($tray_pid)
    tray_shown || { sed 's/^/  trayer: /' "$work/trayer.out"; fail "trayer did not start"; }
fi

"$tamsel" >"$work/tamsel.out" 2>&1 &
tamsel_pid=$!
pids+=($tamsel_pid)

# The first start: the passphrase twice, then the word on where it is kept.
dialog=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tamsel Password$' | head -n 1)
[ -n "$dialog" ] || fail "the passphrase dialog did not appear"
xdotool windowfocus --sync "$dialog"
xdotool type --delay 20 "$passphrase"
xdotool key Tab
xdotool type --delay 20 "$passphrase"
xdotool key Return
notice=$(timeout 30 xdotool search --sync --onlyvisible --name '^Where Tamsel keeps your password$' | head -n 1)
[ -n "$notice" ] || fail "no word on where the passphrase is kept"
xdotool windowfocus --sync "$notice"
xdotool key Return

# A search that meets the splash as it is destroyed fails with an X error,
# so it is repeated.
shown() { xdotool search --onlyvisible --name '^Tamsel$' 2>/dev/null | head -n 1; }
main=
for _ in $(seq 100); do
    main=$(shown)
    [ -n "$main" ] && break
    sleep 0.1
done
[ -n "$main" ] || fail "the main window did not appear"
# The window state as the window manager keeps it: Normal, Iconic, or none
# (withdrawn, as a hidden window is).
wm_state() { xprop -id "$main" WM_STATE 2>/dev/null | sed -n 's/.*window state: *//p'; }
for _ in $(seq 50); do [ "$(wm_state)" = Normal ] && break; sleep 0.1; done
[ "$(wm_state)" = Normal ] || fail "the window manager does not show the main window"
# The first window lies wholly on the screen, its frame included.
on_screen() {
    local extents x y width height screen_width screen_height
    extents=$(xprop -id "$main" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ,)
    [ -n "$extents" ] || return 1
    read -r left right top bottom <<<"$extents"
    x=$(xwininfo -id "$main" | sed -n 's/.*Absolute upper-left X: *//p')
    y=$(xwininfo -id "$main" | sed -n 's/.*Absolute upper-left Y: *//p')
    width=$(xwininfo -id "$main" | sed -n 's/.*Width: *//p')
    height=$(xwininfo -id "$main" | sed -n 's/.*Height: *//p')
    read -r screen_width screen_height < <(xdotool getdisplaygeometry)
    frame="frame $((x - left)),$((y - top)) to $((x + width + right)),$((y + height + bottom))"
    [ $((x - left)) -ge 0 ] && [ $((y - top)) -ge 0 ] && [ $((x + width + right)) -le "$screen_width" ] \
        && [ $((y + height + bottom)) -le "$screen_height" ]
}
frame=
for _ in $(seq 30); do on_screen && break; sleep 0.1; done
on_screen || fail "the first window reaches past the screen: $frame"

# The tray is there once the icon is embedded in it, as a small window of
# Tamsel's nested in the tray's; until then a minimized window goes to the
# taskbar, as it must without a tray. A busy machine may take seconds.
in_tray() {
    xwininfo -root -tree 2>/dev/null \
        | grep -Eq '^ {8,}0x[0-9a-f]+ "Tamsel": \("tamsel" "Tamsel"\)  [0-9]{1,2}x[0-9]{1,2}\+'
}
for _ in $(seq 200); do in_tray && break; sleep 0.1; done
if ! in_tray; then
    xwininfo -root -tree | grep -iE 'tamsel|panel|tray' | sed 's/^/  window: /'
    pgrep -a trayer | sed 's/^/  running: /'
    fail "the tray icon was not embedded in the tray"
fi

for round in 1 2; do
    # The minimize request of the window manager, as its button sends it.
    xdotool windowminimize "$main"
    for _ in $(seq 100); do [ -z "$(shown)" ] && [ -z "$(wm_state)" ] && break; sleep 0.1; done
    [ -z "$(shown)" ] || fail "round $round: the window is still on screen after minimizing"
    state=$(wm_state)
    [ -z "$state" ] || [ "$state" = Withdrawn ] || fail "round $round: the window is $state, not in the tray"
    kill -0 "$tamsel_pid" 2>/dev/null || fail "Tamsel ended"

    # A second start hands over to this one, which comes out of the tray.
    timeout 20 "$tamsel" >>"$work/second.out" 2>&1 || fail "round $round: the second start failed"
    # The window manager may take a moment on a busy machine.
    back=
    for _ in $(seq 100); do
        back=$(shown)
        [ "$back" = "$main" ] && [ "$(wm_state)" = Normal ] && break
        sleep 0.1
    done
    [ "$back" = "$main" ] || fail "round $round: the window did not come back from the tray"
    [ "$(wm_state)" = Normal ] || fail "round $round: the window came back as $(wm_state)"
    xprop -id "$main" _NET_WM_STATE | grep -q _NET_WM_STATE_HIDDEN && fail "round $round: the window came back hidden"
done

grep -q 'setNetWmState' "$work/tamsel.out" && fail "the window's state was changed while it was hidden"
echo "PASS ($manager): minimized into the tray and back twice"
