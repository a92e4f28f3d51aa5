#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite with CTest.
# Tests that need root (private network namespaces) skip with a reason when
# not run as root; CI runs as root and runs them all.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVANT_BUILD:-$top/build}
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
cd "$build"
ctest --output-on-failure --timeout 600 -j "$(nproc)" "$@"
