#!/usr/bin/env bash
# Builds genzov and runs every test twice: in a build with warnings as errors, and
# in one with AddressSanitizer and UndefinedBehaviorSanitizer. Also checks layout.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

echo "== layout (clang-format)"
git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format --dry-run --Werror

echo "== build and test: warnings as errors"
cmake -S . -B build/test -DGENZOV_WERROR=ON >/dev/null
cmake --build build/test -j"$jobs"
ctest --test-dir build/test -j"$jobs" --output-on-failure

echo "== build and test: AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/sanitize -DGENZOV_WERROR=ON -DGENZOV_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/sanitize -j"$jobs" --output-on-failure
