#!/usr/bin/env bash
# Installs what is missing (Debian packages), builds Tamsel, then starts it
# ("run"), runs every test and each fuzz target for a minute ("test") or runs
# the benchmarks ("bench").
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-run}

# What building and running Tamsel need.
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev libgl-dev
  libpugixml-dev libssl-dev libxxhash-dev libenchant-2-dev hunspell-en-us hunspell-en-gb
  qtkeychain-qt6-dev libsecret-1-0 xdg-utils
)
# What the tests, the fuzzers and the package check add: the benchmarks (built
# with the tests), clang, the virtual display and its tools, window managers
# and a tray, PDF tools, the desktop's validators, a keyring, and what builds,
# installs and starts the Debian package.
test_packages=(
  libbenchmark-dev clang libclang-rt-14-dev xvfb xauth xdotool x11-utils trayer openbox icewm poppler-utils
  desktop-file-utils appstream gnome-keyring dbus-daemon dpkg-dev file libgtk-3-bin
)
case "$mode" in
  test) packages+=("${test_packages[@]}") ;;
  bench) packages+=(libbenchmark-dev) ;;
esac
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2

case "$mode" in
  run)
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      echo "No display found: Tamsel is a desktop program and needs one."
      echo "To start it on a virtual display, run: xvfb-run -a build/tamsel"
      exit 1
    fi
    exec build/tamsel
    ;;
  test)
    ctest --test-dir build --output-on-failure -j2
    bash scripts/package_check.sh
    # The whole suite once more under AddressSanitizer and
    # UndefinedBehaviorSanitizer; any report fails the run.
    sanitizers="-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all"
    # Line tables are enough for the reports' stack traces, at a third less
    # build time than full debug information.
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAMSEL_BENCH=OFF -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
      "-DCMAKE_CXX_FLAGS=-O1 -fno-omit-frame-pointer $sanitizers" \
      "-DCMAKE_EXE_LINKER_FLAGS=$sanitizers" "-DCMAKE_SHARED_LINKER_FLAGS=$sanitizers"
    cmake --build build-asan -j2
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --test-dir build-asan --output-on-failure -j2
    bash scripts/fuzz.sh 60
    ;;
  bench)
    build/bench/tamsel_bench --benchmark_counters_tabular=true --benchmark_min_time=0.5
    ;;
  *)
    echo "usage: $0 [run|test|bench]" >&2
    exit 2
    ;;
esac
