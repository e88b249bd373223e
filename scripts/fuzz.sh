#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang in build-fuzz and runs each
# for SECONDS seconds (60 unless given), or only the targets named:
#   scripts/fuzz.sh [SECONDS [fuzz_store|fuzz_registry|fuzz_daynumber|fuzz_entrytext ...]]
# Fails when a target finds a crash, a leak, undefined behaviour or an input
# that takes longer than 10 seconds; that input is kept in build-fuzz/findings/.
# What the targets learn is kept in build-fuzz/corpus/ for the next run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_store fuzz_registry fuzz_daynumber fuzz_entrytext)

# The fuzzers link the core only, statically: each binary stands alone.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTAMSEL_FUZZ=ON -DTAMSEL_SHARED_LIBS=OFF
cmake --build build-fuzz -j2 --target "${targets[@]}"

# Two targets run at a time, one a core; each one's output is shown when it
# ends.
mkdir -p build-fuzz/findings build-fuzz/logs
run_target() {
  local target=$1
  mkdir -p "build-fuzz/corpus/$target"
  QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "build-fuzz/fuzz/$target" \
    -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/findings/$target-" \
    "build-fuzz/corpus/$target" "fuzz/corpus/$target" >"build-fuzz/logs/$target.log" 2>&1
}
failed=()
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pair=("${targets[@]:i:2}")
  pids=()
  for target in "${pair[@]}"; do
    echo "== $target for $seconds s"
    run_target "$target" &
    pids+=($!)
  done
  for j in "${!pair[@]}"; do
    target=${pair[j]}
    if wait "${pids[j]}"; then
      tail -n 6 "build-fuzz/logs/$target.log"
    else
      cat "build-fuzz/logs/$target.log"
      failed+=("$target")
    fi
  done
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzz targets that failed: ${failed[*]} (inputs in build-fuzz/findings/)"
  exit 1
fi
