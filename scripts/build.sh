#!/usr/bin/env bash
# Configures (once) and builds the suite into build/ (programs in build/bin).
# Optimised as a release is, without debug information: the test build does
# not need it, and writing and linking it takes a quarter of the build.
# ORVANT_BUILD_TYPE=RelWithDebInfo (or Debug) configures a build to debug in.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVANT_BUILD:-$top/build}
type=${ORVANT_BUILD_TYPE:-Release}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$type" "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG"
fi
cmake --build "$build" --parallel "$(nproc)"
