#!/usr/bin/env bash
# Configures (once) and builds the suite into build/ (programs in build/bin).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVANT_BUILD:-$top/build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --parallel "$(nproc)"
