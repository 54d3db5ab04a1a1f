#!/usr/bin/env bash
# Sets up and builds everything, then runs every test: first the table engine's tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target for 20 s (VZ_FUZZ_SECONDS)
# under the same sanitizers, then builds the Debian package and checks it with lintian, then runs
# the whole suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
jobs=$(nproc 2>/dev/null || echo 2)

echo "== Table engine tests with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVZ_ENGINE_ONLY=ON -DVZ_SANITIZE=ON -DVZ_BENCH=OFF
cmake --build build-sanitize -j "$jobs"
(cd build-sanitize && ctest --output-on-failure -j "$jobs")

echo "== Fuzz targets, ${VZ_FUZZ_SECONDS:-20} s each, with AddressSanitizer and UndefinedBehaviorSanitizer"
bash tools/fuzz.sh "${VZ_FUZZ_SECONDS:-20}"

echo "== The Debian package, checked by lintian"
bash tools/package.sh

echo "== All tests"
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure -j "$jobs"
