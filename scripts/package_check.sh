#!/usr/bin/env bash
# Makes the Debian package from the build in build/ (cpack, no new build),
# installs it with apt-get, starts the installed Tamsel from its menu entry
# (gtk-launch) on a virtual display with a home of its own, and checks that
# its first window appears and that its manual opens; then removes the
# package again.
#
# usage: bash scripts/package_check.sh [SCREENSHOT.png]
#   SCREENSHOT.png: where to keep a picture of the screen once the first
#   window is there.
set -euo pipefail
cd "$(dirname "$0")/.."

desktop_id=io.github.tamsel.Tamsel
started=${TAMSEL_PACKAGE_CHECK_START:-$(date +%s)}
export TAMSEL_PACKAGE_CHECK_START=$started
log() { echo "package check [$(($(date +%s) - started)) s]: $*"; }
fail() { echo "package check: FAIL: $*" >&2; exit 1; }

# On the virtual display (the script runs itself there through xvfb-run):
# the installed program started from its menu entry, with a private home.
if [ "${1:-}" = --on-display ]; then
    screenshot=${2:-}
    work=$(mktemp -d -t tamsel-package.XXXXXX)
    pid=
    cleanup() {
        local status=$?
        [ -n "$pid" ] && kill "$pid" 2>/dev/null
        # What the program said (gtk-launch hands it its output) tells why it failed.
        [ "$status" -ne 0 ] && [ -s "$work/launch.out" ] && sed 's/^/  tamsel: /' "$work/launch.out"
        rm -rf "$work"
    }
    trap cleanup EXIT
    source tests/xvfb_home.sh

    log "Starting the installed Tamsel from its menu entry: gtk-launch $desktop_id"
    gtk-launch "$desktop_id" >"$work/launch.out" 2>&1 || fail "gtk-launch failed"
    dialog=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tamsel Password$' | head -n 1) || true
    [ -n "$dialog" ] || fail "the installed Tamsel showed no \"Tamsel Password\" window within 30 seconds"
    pid=$(xdotool getwindowpid "$dialog")
    program=$(readlink "/proc/$pid/exe")
    [ "$program" = /usr/bin/tamsel ] || fail "the window belongs to $program, not to /usr/bin/tamsel"
    log "The installed Tamsel started: window \"Tamsel Password\" appeared (process $pid, $program)"
    if [ -n "$screenshot" ]; then
        sleep 1
        import -window root "$screenshot"
        log "Screenshot: $screenshot"
    fi

    # The first start as a user goes through it, then the manual, which the
    # program carries in its libraries.
    xdotool windowfocus --sync "$dialog"
    xdotool type --delay 20 "$passphrase"
    xdotool key Tab
    xdotool type --delay 20 "$passphrase"
    xdotool key Return
    notice=$(timeout 30 xdotool search --sync --onlyvisible --name '^Where Tamsel keeps your password$' | head -n 1) || true
    [ -n "$notice" ] || fail "no word on where the passphrase is kept"
    xdotool windowfocus --sync "$notice"
    xdotool key Return
    main=
    for _ in $(seq 30); do
        main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tamsel$' 2>/dev/null | head -n 1) || true
        [ -n "$main" ] && break
        sleep 0.2
    done
    [ -n "$main" ] || fail "the main window did not appear"
    log "The main window appeared"
    xdotool windowfocus --sync "$main"
    xdotool key F1
    help=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tamsel Help - ' | head -n 1) || true
    [ -n "$help" ] || fail "F1 opened no page of the manual"
    log "The manual opened: window \"$(xdotool getwindowname "$help")\""
    exit 0
fi

screenshot=${1:-}
[ -n "$screenshot" ] && screenshot=$(realpath -m "$screenshot")
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
for tool in cpack dpkg-shlibdeps file gtk-launch xvfb-run xdotool ${screenshot:+import}; do
    command -v "$tool" >/dev/null || fail "$tool is missing (see the packages in scripts/dev.sh)"
done
# A Tamsel installed on this machine is the user's: the check leaves it alone.
if dpkg-query -W -f='${Status}' tamsel 2>/dev/null | grep -q 'install ok installed'; then
    fail "a tamsel package is installed on this machine already; remove it first (apt-get remove tamsel)"
fi

log "Building the package from build/ with cpack"
rm -f build/tamsel_*.deb
(cd build && cpack -G DEB) >build/package.log 2>&1 || { cat build/package.log; fail "cpack failed"; }
package=$(ls build/tamsel_*.deb)
log "Built $package"
log "Depends: $(dpkg-deb -f "$package" Depends)"
log "Recommends: $(dpkg-deb -f "$package" Recommends); Suggests: $(dpkg-deb -f "$package" Suggests)"

installed=
remove_package() {
    if [ -n "$installed" ]; then
        log "Removing the package: apt-get remove tamsel"
        DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get remove -y -q tamsel >build/package-remove.log 2>&1 \
            || { cat build/package-remove.log; echo "package check: FAIL: apt-get remove tamsel failed" >&2; exit 1; }
        [ ! -e /usr/bin/tamsel ] || { echo "package check: FAIL: /usr/bin/tamsel is left after the removal" >&2; exit 1; }
        installed=
        log "Removed the package"
    fi
}
trap remove_package EXIT

log "Installing the package: apt-get install $package"
DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q "$PWD/$package" >build/package-install.log 2>&1 \
    || { cat build/package-install.log; fail "apt-get install failed"; }
installed=yes
for file in /usr/bin/tamsel /usr/bin/tamsel-store "/usr/share/applications/$desktop_id.desktop"; do
    [ -e "$file" ] || fail "$file is not installed"
done
log "Installed $(dpkg-query -W -f='${Package} ${Version}' tamsel)"
/usr/bin/tamsel-store --help >/dev/null || fail "the installed tamsel-store does not run"
bash packaging/validate_metadata.sh "/usr/share/applications/$desktop_id.desktop" \
    "/usr/share/metainfo/$desktop_id.metainfo.xml" | sed 's/^/package check: /'

xvfb-run -a -s "-screen 0 1280x1024x24" bash scripts/package_check.sh --on-display "$screenshot"

remove_package
log "Done in $(($(date +%s) - started)) seconds"
