#!/usr/bin/env python3
"""Names the processes a test run left behind, and ends them.

    leftover_processes.py TOKEN [GRACE_SECONDS]

A process belongs to the run when its environment holds ORVANT_TEST_RUN=TOKEN,
which the run exported before starting the tests: every program, server and
helper a test starts inherits it, however it was detached or reparented.
Nothing else on the machine is looked at, so other users' and other runs'
programs are never touched. This process and its ancestors (the run itself)
are skipped. Exit status 0 when nothing is left, 1 when something was (after
ending it: TERM, then KILL).
"""
import os
import signal
import sys
import time


def ancestors():
    chain = set()
    pid = os.getpid()
    while pid > 1:
        chain.add(pid)
        try:
            with open(f"/proc/{pid}/stat") as f:
                # The command name may hold spaces and parentheses: the fields
                # after the last ')' are fixed.
                pid = int(f.read().rsplit(")", 1)[1].split()[1])
        except (OSError, ValueError, IndexError):
            break
    return chain


def describe(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            args = f.read().rstrip(b"\0").replace(b"\0", b" ").decode(errors="replace")
    except OSError:
        args = "?"
    try:
        cwd = os.readlink(f"/proc/{pid}/cwd")
    except OSError:
        cwd = "?"
    return f"pid {pid}: {args[:300]} (in {cwd})"


def leftovers(marker, skip):
    found = []
    for name in os.listdir("/proc"):
        if not name.isdigit() or int(name) in skip:
            continue
        try:
            with open(f"/proc/{name}/environ", "rb") as f:
                if marker in f.read().split(b"\0"):
                    found.append(int(name))
        except OSError:
            continue   # gone meanwhile, or not ours to read
    return found


def main():
    if len(sys.argv) < 2 or not sys.argv[1]:
        print("usage: leftover_processes.py TOKEN [GRACE_SECONDS]", file=sys.stderr)
        return 2
    marker = b"ORVANT_TEST_RUN=" + sys.argv[1].encode()
    grace = float(sys.argv[2]) if len(sys.argv) > 2 else 3.0
    skip = ancestors()
    # A test's last TERM may still be taking effect: give it a moment.
    deadline = time.monotonic() + grace
    found = leftovers(marker, skip)
    while found and time.monotonic() < deadline:
        time.sleep(0.2)
        found = leftovers(marker, skip)
    if not found:
        return 0
    print(f"FAIL: {len(found)} process(es) started by the tests still run after them:")
    for pid in found:
        print("  " + describe(pid))
    for sig in (signal.SIGTERM, signal.SIGKILL):
        for pid in found:
            try:
                os.kill(pid, sig)
            except OSError:
                pass
        time.sleep(1)
        found = [p for p in leftovers(marker, skip) if p in found]
        if not found:
            break
    return 1


if __name__ == "__main__":
    sys.exit(main())
