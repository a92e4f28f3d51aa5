#!/bin/bash
# Runs bench_web inside a private network namespace (loop-back only): the
# load, the browser and the database server all stay inside it.
# Usage: bench/run_web_bench.sh [BUILD_DIR] [hosts] [--file-only]
# Needs root (the namespace), wrk, chromium, chromium-driver, python3-selenium.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build="${1:-$here/../build}"
[ $# -gt 0 ] && shift
bin="$build/bench/bench_web"
[ -x "$bin" ] || { echo "build bench_web first: cmake --build $build --target bench_web" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "needs root: a network namespace" >&2; exit 1; }
for tool in wrk chromium chromedriver curl; do
    command -v $tool >/dev/null || { echo "$tool is not installed (scripts/packages.txt)" >&2; exit 1; }
done
ORVANT_BENCH_NETNS=1 exec unshare -n sh -c 'ip link set lo up && exec "$0" "$@"' "$bin" "$@"
