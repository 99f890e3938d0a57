#!/usr/bin/env bash
# Sets up, builds and runs every test: a Release build with the end-to-end tests, then the unit
# tests again built with AddressSanitizer and UndefinedBehaviorSanitizer, failing on any report.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DORN_TESTS=ON >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs" --label-exclude e2e)
(cd build && ctest --output-on-failure --label-regex e2e)

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORN_TESTS=ON -DORN_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
(cd build-asan && ctest --output-on-failure -j "$jobs" --label-exclude e2e)
