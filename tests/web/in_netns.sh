#!/bin/bash
# Runs a test program in a network namespace of its own with only its
# loop-back up, so the HTTP it serves and asks for never leaves it.
if [ "$(id -u)" != 0 ] || ! unshare -n true 2>/dev/null; then
    echo "SKIP: a network namespace of the test's own needs root"
    exit 77
fi
exec unshare -n sh -c 'ip link set lo up && exec "$0" "$@"' "$@"
