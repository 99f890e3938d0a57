#!/usr/bin/env bash
# Sets up, builds in Release and starts the program (arguments are passed on).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DORN_TESTS=OFF >/dev/null
cmake --build build --target ornalis2
exec build/bin/ornalis2 "$@"
