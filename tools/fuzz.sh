#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for SECONDS each, default 20, under AddressSanitizer
# and UndefinedBehaviorSanitizer: builds them with clang into build-fuzz/, starts each from its
# seed corpus in tests/fuzz/corpus/<target>/ and keeps what it finds in build-fuzz/corpus/<target>/
# (the checked-in seeds are never changed). A crash, a leak, undefined behaviour or a hang fails
# the run; the input that caused it is saved in build-fuzz/crashes/<target>/.
#
#   bash tools/fuzz.sh              every target for 20 s
#   bash tools/fuzz.sh 600 fuzz_index
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] ||
  targets=(fuzz_table fuzz_index fuzz_key_expression fuzz_report_file fuzz_settings fuzz_list_file)
jobs=$(nproc 2>/dev/null || echo 2)

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -DVZ_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j "$jobs" --target "${targets[@]}"

failed=0
for t in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$t
  crashes=build-fuzz/crashes/$t
  log=build-fuzz/$t.log
  mkdir -p "$corpus" "$crashes"
  if build-fuzz/tests/fuzz/"$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" "tests/fuzz/corpus/$t" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$t: ${runs:-?} inputs in ${seconds} s, no crash"
  else
    failed=1
    echo "$t: FAILED; the end of $log:"
    tail -n 40 "$log"
    echo "(the crashing input is in $crashes/)"
  fi
done
exit $failed
