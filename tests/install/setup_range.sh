#!/usr/bin/env bash
# orvant-setup's capability decision from net.ipv4.ping_group_range, run by
# Debian's /bin/sh (dash) as the package's postinst runs it: read from the
# real /proc file, with the sysctl set both ways inside a private network
# namespace (the range is per namespace), and from substitute files of every
# shape the kernel or an administrator could leave. Each run must decide
# without a shell error and say which range it decided on.
set -euo pipefail

src=${ORVANT_SOURCE_DIR:?ORVANT_SOURCE_DIR not set}
for tool in dash unshare sysctl setcap getcap; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/setup.sh installs it)"; exit 1; }
done
if [ "$(id -u)" != 0 ] || ! unshare -n true 2>/dev/null; then
  echo "SKIP: setting the sysctl in a private network namespace needs root"; exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# A program directory whose monitor is a plain program without the control
# library, so that the capability, once given, stays; the database is there
# already, so only the capability step does anything.
newdir() {
  local d
  d=$(mktemp -d "$work/p.XXXX")
  mkdir -p "$d/libexec"
  cp "$src/packaging/orvant-setup.sh" "$d/libexec/orvant-setup"
  cp /bin/true "$d/orvant"
  : > "$d/ping_addr.mdb"
  echo "$d"
}

# decide WHAT SHELL EXPECT(cap|nocap) MESSAGE [env…] -- [wrapper…]
# Runs orvant-setup with SHELL, optionally under a wrapper command that
# prepares the sysctl, and checks the decision, the message and stderr.
decide() {
  local what=$1 shell=$2 expect=$3 message=$4; shift 4
  local envs=() d out rc=0 got
  while [ $# -gt 0 ] && [ "$1" != -- ]; do envs+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  d=$(newdir)
  out=$d.out
  # "$@" is the wrapper (unshare … sh -c '…; exec "$@"'), or nothing.
  "$@" env ORVANT_SETCAP=auto "${envs[@]}" "$shell" "$d/libexec/orvant-setup" "$d" > "$out" 2> "$d.err" || rc=$?
  got=nocap
  getcap "$d/orvant" 2>/dev/null | grep -q cap_net_raw && got=cap
  if [ "$rc" -ne 0 ]; then
    fail "$what ($shell): exit $rc: $(cat "$d.err")"
  elif [ -s "$d.err" ]; then
    fail "$what ($shell): stderr: $(cat "$d.err")"
  elif [ "$got" != "$expect" ]; then
    fail "$what ($shell): capability $got, wanted $expect: $(cat "$out")"
  elif ! grep -q -F -- "$message" "$out"; then
    fail "$what ($shell): said '$(cat "$out")', wanted '$message'"
  else
    pass "$what ($shell)"
  fi
}

# --- the real /proc file, set inside a private network namespace ------------
for shell in dash bash; do
  decide "/proc: everyone may ping" "$shell" nocap "allowed for groups 0-2147483647" -- \
    unshare -n sh -c 'sysctl -q -w net.ipv4.ping_group_range="0 2147483647" && exec "$@"' wrapper
  decide "/proc: the group users may ping" "$shell" nocap "allowed for groups 100-100" -- \
    unshare -n sh -c 'sysctl -q -w net.ipv4.ping_group_range="100 100" && exec "$@"' wrapper
  decide "/proc: all personal groups may ping" "$shell" nocap "allowed for groups 1000-60000" -- \
    unshare -n sh -c 'sysctl -q -w net.ipv4.ping_group_range="1000 60000" && exec "$@"' wrapper
  decide "/proc: nobody may ping (Debian's default)" "$shell" cap "net.ipv4.ping_group_range is 1 0" -- \
    unshare -n sh -c 'sysctl -q -w net.ipv4.ping_group_range="1 0" && exec "$@"' wrapper
  decide "/proc: only root's group may ping" "$shell" cap "net.ipv4.ping_group_range is 0 0" -- \
    unshare -n sh -c 'sysctl -q -w net.ipv4.ping_group_range="0 0" && exec "$@"' wrapper
  decide "/proc: only some personal groups may ping" "$shell" cap "net.ipv4.ping_group_range is 1000 1999" -- \
    unshare -n sh -c 'sysctl -q -w net.ipv4.ping_group_range="1000 1999" && exec "$@"' wrapper
done

# --- substitutes ---------------------------------------------------------
sub() { # NAME CONTENT (printf format)
  # shellcheck disable=SC2059
  printf -- "$2" > "$work/range-$1"
  echo "ORVANT_PING_GROUP_RANGE_FILE=$work/range-$1"
}
for shell in dash bash; do
  decide "file: tab, as the kernel writes" "$shell" nocap "allowed for groups 0-2147483647" "$(sub tab '0\t2147483647\n')"
  decide "file: blanks, no newline" "$shell" nocap "allowed for groups 100-200" "$(sub blanks '  100   200')"
  decide "file: closed range" "$shell" cap "is 1 0" "$(sub closed '1\t0\n')"
  decide "file: one field" "$shell" cap "is 100)" "$(sub one '100\n')"
  decide "file: three fields" "$shell" cap "is 0 100 200)" "$(sub three '0 100 200\n')"
  decide "file: empty" "$shell" cap "is empty)" "$(sub empty '')"
  decide "file: not numbers" "$shell" cap "is a b)" "$(sub words 'a b\n')"
  decide "file: negative bound" "$shell" cap "is -1 100)" "$(sub negative '-1 100\n')"
  decide "file: a glob does not expand" "$shell" cap "is * *)" "$(sub glob '* *\n')"
  decide "file: missing" "$shell" cap "$work/none is unreadable" "ORVANT_PING_GROUP_RANGE_FILE=$work/none"
done

if [ "$failures" -ne 0 ]; then echo "$failures check(s) failed"; exit 1; fi
echo "all range checks passed"
