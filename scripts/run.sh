#!/usr/bin/env bash
# Installs what is missing, builds, and starts the monitor from build/bin.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
exec "${ORVANT_BUILD:-$top/build}/bin/orvant" "$@"
