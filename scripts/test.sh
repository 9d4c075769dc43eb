#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: once in a normal build, and once
# under AddressSanitizer and UndefinedBehaviorSanitizer (with the fuzz harnesses run for a
# bounded time). Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "=== normal build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
VEX_FUZZ_SECONDS=${VEX_FUZZ_SECONDS_NORMAL:-3} ctest --test-dir build --output-on-failure -j"$jobs"

echo "=== AddressSanitizer + UndefinedBehaviorSanitizer build"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVEX_SANITIZE=ON -DVEX_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
VEX_FUZZ_SECONDS=${VEX_FUZZ_SECONDS:-20} ctest --test-dir build-asan --output-on-failure -j"$jobs"
