#!/bin/bash
# Runs bench_session_gap inside a private network namespace (loop-back up):
# its silent listener on 127.0.0.1 is reached by nothing outside.
# Usage: bench/run_session_bench.sh [BUILD_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build="${1:-$here/../build}"
bin="$build/bench/bench_session_gap"
[ -x "$bin" ] || { echo "build bench_session_gap first: cmake --build $build --target bench_session_gap" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "needs root: a network namespace" >&2; exit 1; }
exec timeout 300 unshare -n sh -c 'ip link set lo up && exec "$0"' "$bin"
