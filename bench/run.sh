#!/usr/bin/env bash
# Builds vazovi-bench and vazovi-index-bench (Release, table engine only, no Qt) and runs them on
# 100,000 and 1,000,000 records. Extra arguments go to every vazovi-bench run, e.g.
#   bash bench/run.sh --repeat 3
# BUILD_DIR (default build-bench in the checkout) and JOBS (default 2) override the build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVZ_ENGINE_ONLY=ON >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target vazovi-bench vazovi-index-bench
for n in 100000 1000000; do
    echo
    "$build/bench/vazovi-bench" --records "$n" "$@"
    echo
    "$build/bench/vazovi-index-bench" --records "$n"
done
