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
# One test more than there are cores: most of them wait on their monitors'
# passes, servers and namespaces, and the cores idle through most of a run
# with one test a core.
ctest --output-on-failure --timeout 600 -j "$(($(nproc) + 1))" "$@"
