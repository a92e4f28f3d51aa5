#!/bin/sh
# orvant-setup [--data-dir DIR] [--group GROUP] PROGRAM_DIR
#
# Finishes an installation of the suite in PROGRAM_DIR (the directory that
# holds orvant, admin, grapher and libveltrack.so.1). Run by `cmake --install`
# and by the Debian package's postinst, on every install and upgrade:
#
# 1. The database ping_addr.mdb is made from the schema template only where
#    none exists. An existing database, or the link to one, is the operator's
#    outage history and is never touched: not its bytes, not its mode.
#    With --data-dir the file lives in DIR and PROGRAM_DIR/ping_addr.mdb is a
#    relative symbolic link to it. That is how a root-owned program directory
#    gets a database that ordinary users can write: SQLite resolves the link
#    and keeps its -wal and -shm files beside the real file, so DIR (not the
#    program directory) must be writable. With --group, DIR becomes
#    root:GROUP 2775 (new -wal/-shm files inherit the group) and a new
#    database root:GROUP 0660; without it a new database is its owner's
#    alone (0600). SQLite gives the -wal and -shm files the database's mode.
#    The one change ever made to an existing database: other users (outside
#    its owner and group) lose what rights they had on it and its -wal and
#    -shm files, since they could read every stored alert setting.
# 2. The echo probe: where net.ipv4.ping_group_range leaves ordinary users
#    out, the monitor gets cap_net_raw so that it can open a raw ICMP socket.
#    A program with a file capability runs in the loader's secure mode, which
#    ignores $ORIGIN in RUNPATH; the capability is kept only if the monitor's
#    RUNPATH also names the program directory absolutely, else it is taken
#    away again (a monitor that cannot start is worse than one that cannot
#    probe).
#
# Every step that cannot be done is reported on stderr with what to do by
# hand; the script still exits 0 then, because the programs are installed and
# usable. It exits non-zero only on wrong arguments or when no database
# could be made.
#
# Environment (for tests and administrators):
#   ORVANT_SETCAP=auto|always|never         default auto (decide from the range)
#   ORVANT_PING_GROUP_RANGE_FILE=PATH       default /proc/sys/net/ipv4/ping_group_range
set -eu

me=orvant-setup
say() { printf '%s: %s\n' "$me" "$*"; }
warn() { printf '%s: WARNING: %s\n' "$me" "$*" >&2; }

data_dir=
group=
while [ $# -gt 0 ]; do
  case $1 in
    --data-dir) data_dir=${2:?--data-dir needs a directory}; shift 2 ;;
    --group) group=${2:?--group needs a group name}; shift 2 ;;
    --) shift; break ;;
    -*) echo "usage: $me [--data-dir DIR] [--group GROUP] PROGRAM_DIR" >&2; exit 2 ;;
    *) break ;;
  esac
done
if [ $# -ne 1 ]; then
  echo "usage: $me [--data-dir DIR] [--group GROUP] PROGRAM_DIR" >&2
  exit 2
fi
prog_dir=$1
here=$(cd "$(dirname "$0")" && pwd)
mkdb=$here/orvant-mkdb
db=$prog_dir/ping_addr.mdb
is_root=no
[ "$(id -u)" = 0 ] && is_root=yes

# --- 1. the database -------------------------------------------------------
if [ -e "$db" ] || [ -L "$db" ]; then
  if [ -L "$db" ] && [ ! -e "$db" ]; then
    # The operator deleted the database behind the link (to start afresh):
    # make a new one where the link leads.
    target=$(readlink -f "$db" || true)
    if [ -n "$target" ] && [ -d "$(dirname "$target")" ]; then
      "$mkdb" "$target" || { warn "could not create the database $target"; exit 1; }
    else
      warn "$db links to $(readlink "$db"), whose directory is missing: no database made"
    fi
  else
    say "kept existing database $db"
  fi
elif [ -z "$data_dir" ]; then
  "$mkdb" "$db" || { warn "could not create the database $db"; exit 1; }
else
  mkdir -p "$data_dir"
  if [ -n "$group" ] && [ "$is_root" = yes ]; then
    if getent group "$group" >/dev/null 2>&1; then
      chgrp "$group" "$data_dir" && chmod 2775 "$data_dir"
    else
      warn "group $group does not exist: $data_dir stays writable by root only"
      group=
    fi
  fi
  real=$data_dir/ping_addr.mdb
  if [ -e "$real" ]; then
    say "kept existing database $real"
  else
    "$mkdb" "$real" || { warn "could not create the database $real"; exit 1; }
    if [ -n "$group" ] && [ "$is_root" = yes ]; then
      chgrp "$group" "$real" && chmod 0660 "$real"
    fi
  fi
  if [ -n "$group" ]; then
    # Debian 12 puts every new user into the group users; older systems did
    # not. Name the human users who could not write the outage log.
    members=",$(getent group "$group" | cut -d: -f4),"
    gid=$(getent group "$group" | cut -d: -f3)
    outside=
    while IFS=: read -r name _ uid pgid _; do
      if [ "$uid" -ge 1000 ] && [ "$uid" -le 59999 ] && [ "$pgid" != "$gid" ]; then
        case $members in *",$name,"*) ;; *) outside="$outside $name" ;; esac
      fi
    done <<EOF
$(getent passwd)
EOF
    if [ -n "$outside" ]; then
      warn "these users are not in the group $group and cannot write the database:$outside. Add each with: adduser NAME $group (takes effect at the next login)"
    fi
  fi
  # Relative, so that the link stays right under a package manager's --root.
  target=$(realpath --relative-to="$(realpath "$prog_dir")" "$(realpath "$real")")
  ln -s "$target" "$db"
  say "linked $db -> $target"
fi

# The database as an earlier version left it may be readable by everyone:
# other users lose their rights, the owner's and the group's stay.
real_db=$(readlink -f "$db" 2>/dev/null || true)
if [ -n "$real_db" ] && [ -f "$real_db" ]; then
  for f in "$real_db" "$real_db-wal" "$real_db-shm"; do
    [ -f "$f" ] || continue
    mode=$(stat -c '%a' "$f")
    case $mode in
      *0) ;;
      *)
        if chmod o-rwx "$f" 2>/dev/null; then
          say "closed $f to other users (was $mode)"
        else
          warn "$f is readable by other users (mode $mode) and could not be changed: run chmod o-rwx '$f' as its owner"
        fi ;;
    esac
  done
fi

# --- 2. the echo probe -----------------------------------------------------
# Ordinary users on Debian have their own group (1000 and up) and the group
# users (100); unprivileged ICMP works for them when either is in the range.
range_file=${ORVANT_PING_GROUP_RANGE_FILE:-/proc/sys/net/ipv4/ping_group_range}
unprivileged=no
lo=
hi=
fields=
if [ -r "$range_file" ]; then
  # Not `read`: dash reads a byte at a time, and a sysctl file of /proc
  # answers only the first read() of an open file, so `read lo hi` from
  # /proc gets "0" and an empty bound. cat reads the whole line at once;
  # the fields are split on blanks and tabs (the kernel writes a tab).
  range=$(cat "$range_file" 2>/dev/null || true)
  set -f
  # shellcheck disable=SC2086
  set -- $range
  set +f
  fields=$*
  if [ $# -eq 2 ]; then
    case "$1:$2" in
      *[!0-9:]*|:*|*:) ;;
      *) lo=$1; hi=$2 ;;
    esac
  fi
  case "$lo" in
    '') ;;
    *)
      if { [ "$lo" -le 100 ] && [ "$hi" -ge 100 ]; } ||
         { [ "$lo" -le 1000 ] && [ "$hi" -ge 59999 ]; }; then
        unprivileged=yes
      fi ;;
  esac
fi
mode=${ORVANT_SETCAP:-auto}
monitor=$prog_dir/orvant
need_cap=no
case $mode in
  always) need_cap=yes ;;
  never) need_cap=no ;;
  *) [ "$unprivileged" = no ] && need_cap=yes ;;
esac
if [ "$need_cap" = no ]; then
  if [ "$mode" = never ]; then
    say "capability step skipped (ORVANT_SETCAP=never)"
  else
    say "unprivileged ICMP is allowed for groups $lo-$hi: the monitor needs no capability"
  fi
  exit 0
fi

by_hand="as root: setcap cap_net_raw+ep '$monitor' (needs package libcap2-bin), or allow unprivileged ICMP: sysctl -w net.ipv4.ping_group_range='0 2147483647'"
if [ "$is_root" = no ]; then
  warn "unprivileged ICMP is not allowed here and only root can give the monitor cap_net_raw: it cannot probe hosts for ordinary users. Do it $by_hand"
  exit 0
fi
if ! command -v setcap >/dev/null 2>&1; then
  warn "setcap is missing: the monitor cannot probe hosts for ordinary users. Do it $by_hand"
  exit 0
fi
if ! setcap cap_net_raw+ep "$monitor"; then
  warn "setcap failed (does the file system keep extended attributes?): the monitor cannot probe hosts for ordinary users. Do it $by_hand"
  exit 0
fi
# The loader check. With a file capability the loader runs in secure mode
# and drops RUNPATH entries made of $ORIGIN; only absolute entries are
# searched. (It also refuses LD_TRACE_LOADED_OBJECTS then, so the check reads
# the strings of the program instead of asking the loader.)
strings_of() { tr '\000' '\n' < "$1"; }
if strings_of "$monitor" | grep -q -x -F libveltrack.so.1; then
  real_dir=$(realpath "$prog_dir")
  if ! strings_of "$monitor" | grep -q -x -F -e "\$ORIGIN:$real_dir" -e "\$ORIGIN:$prog_dir"; then
    setcap -r "$monitor" 2>/dev/null || true
    warn "with cap_net_raw the monitor would not find libveltrack.so.1: the loader ignores \$ORIGIN for programs with capabilities, and the monitor's RUNPATH does not name $prog_dir (install to the prefix the build was configured for, or configure with -DCMAKE_INSTALL_PREFIX=$prog_dir). The capability was taken away again: the monitor starts, but cannot probe hosts for ordinary users. Allow unprivileged ICMP instead: sysctl -w net.ipv4.ping_group_range='0 2147483647'"
    exit 0
  fi
fi
if [ -r "$range_file" ]; then
  why="net.ipv4.ping_group_range is ${fields:-empty}"
else
  why="$range_file is unreadable"
fi
say "gave $monitor cap_net_raw: unprivileged ICMP is not allowed for ordinary users ($why)"
exit 0
