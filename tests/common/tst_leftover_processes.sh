#!/usr/bin/env bash
# The check CI runs after the suite: it names a process a run left behind,
# ends it and fails; it passes a run that left nothing; and it never touches a
# process of another run (another mark) or its own caller.
set -u
checker="${ORVANT_SOURCE_DIR:?}/scripts/leftover_processes.py"
mine="selftest-$$-$RANDOM"
other="other-$$-$RANDOM"
left= foreign=
trap 'for p in $left $foreign; do kill -KILL $p 2>/dev/null; done' EXIT
fail() { echo "FAIL: $*"; exit 1; }

out=$(ORVANT_TEST_RUN=$mine python3 "$checker" "$mine" 0.2 2>&1) \
    || fail "a run with nothing left was failed (its own caller taken for a leftover?): $out"

# setsid: detached from this shell as a daemon would be; still marked.
ORVANT_TEST_RUN=$mine setsid sleep 60 &
left=$!
ORVANT_TEST_RUN=$other sleep 60 &
foreign=$!
out=$(python3 "$checker" "$mine" 0.2)
status=$?
echo "$out"
[ $status = 1 ] || fail "status $status with a process left behind"
grep -q "pid $left: sleep 60" <<<"$out" || fail "the leftover is not named"
grep -q "pid $foreign" <<<"$out" && fail "another run's process was named"
for _ in $(seq 30); do kill -0 $left 2>/dev/null || break; sleep 0.1; done
kill -0 $left 2>/dev/null && fail "the leftover was not ended"
kill -0 $foreign 2>/dev/null || fail "another run's process was ended"
echo "PASS: leftover named and ended, another run's process left alone"
