#!/usr/bin/env bash
# Builds genzov and runs it on the example source: the listing goes to the
# terminal, the container to build/example.zov.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DGENZOV_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target genzov
./build/genzov -obuild/example.zov examples/game.properties
echo "Wrote build/example.zov ($(stat -c %s build/example.zov) bytes)"
