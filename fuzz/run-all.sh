#!/usr/bin/env bash
# Runs every fuzz target from its seed corpus and kept regressions.
#
#   fuzz/run-all.sh MINUTES          each target for MINUTES minutes
#   fuzz/run-all.sh --seconds N      each target for N seconds (CI)
#
# FUZZ_MINUTES_<target> (e.g. FUZZ_MINUTES_console=25) gives one target a
# time of its own: the console target runs whole sessions and is far slower
# per input than the others.
#
# Builds the clang fuzz build first (directory $FUZZ_BUILD, default
# build-fuzz). The growing corpus is kept in $FUZZ_BUILD/corpus/<target>;
# a crashing input is written to $FUZZ_BUILD/findings/<target>/. Once
# its cause is fixed, copy it into fuzz/regressions/<target>/ so the
# ordinary test builds replay it for ever. Prints the executions per target;
# fails when any target finds something.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--seconds" ]; then
  seconds=${2:?seconds missing}
else
  minutes=${1:?usage: fuzz/run-all.sh MINUTES | --seconds N}
  seconds=$(awk -v m="$minutes" 'BEGIN { printf "%d", m * 60 }')
fi
build=${FUZZ_BUILD:-build-fuzz}
jobs=${JOBS:-$(nproc)}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DVELSCAN_FUZZ=ON -DVELSCAN_TESTS=OFF -DVELSCAN_BENCH=OFF >/dev/null
# The targets CMake defined (a target whose libraries are missing is not).
targets=()
build_targets=(fuzz_make_seeds)
for t in tpl spectral link console; do
  if [ -d "$build/fuzz/CMakeFiles/fuzz_$t.dir" ]; then
    targets+=("$t")
    build_targets+=("fuzz_$t")
  else
    echo "fuzz_$t is not part of this build; skipped"
  fi
done
cmake --build "$build" -j "$jobs" --target "${build_targets[@]}"

rm -rf "$build/seeds"
"$build/fuzz/fuzz_make_seeds" "$build/seeds"

status=0
summary=""
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  findings="$build/findings/$t"
  mkdir -p "$corpus" "$findings" "$build/seeds/$t"
  log="$build/fuzz-$t.log"
  target_seconds=$seconds
  override="FUZZ_MINUTES_$t"
  if [ -n "${!override:-}" ]; then
    target_seconds=$(awk -v m="${!override}" 'BEGIN { printf "%d", m * 60 }')
  fi
  echo "-- fuzz_$t: ${target_seconds} s"
  # -timeout: an input that runs 10 s is a hang and counts as a finding.
  if ! "$build/fuzz/fuzz_$t" -max_total_time="$target_seconds" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$findings/" \
       "$corpus" "$build/seeds/$t" "fuzz/regressions/$t" > "$log" 2>&1; then
    echo "fuzz_$t FOUND A FAULT; see $log and $findings/"
    tail -n 40 "$log"
    status=1
  fi
  runs=$(awk '/stat::number_of_executed_units/ { print $2 }' "$log" | tail -n 1)
  summary+=$(printf "%-10s %12s executions\n" "$t" "${runs:-?}")$'\n'
done
echo "== executions per target =="
printf "%s" "$summary"
exit $status
