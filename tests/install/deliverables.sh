#!/usr/bin/env bash
# Every deliverable of the suite is in the build tree after a build: a part
# that configure or the build left out fails here by name instead of letting
# the tests that would have used it pass by skipping.
# Arguments: the deliverables, as paths.
set -uo pipefail

missing=0
for f in "$@"; do
  if [ ! -s "$f" ]; then
    echo "FAIL: missing deliverable $f"
    missing=$((missing + 1))
    continue
  fi
  case $f in
    *.mdb)
      # The database template: an SQLite file with the three tables.
      tables=$(sqlite3 "$f" "select group_concat(name, ' ') from (select name from sqlite_master where type = 'table' and name in ('addrs', 'logs', 'options') order by name)" 2>&1)
      if [ "$tables" != "addrs logs options" ]; then
        echo "FAIL: $f is no database of the suite (tables: $tables)"
        missing=$((missing + 1)); continue
      fi ;;
    *.so|*.so.*)
      if ! head -c 4 "$f" | grep -q 'ELF'; then
        echo "FAIL: $f is no shared object"; missing=$((missing + 1)); continue
      fi ;;
    *)
      if [ ! -x "$f" ]; then
        echo "FAIL: $f is not executable"; missing=$((missing + 1)); continue
      fi ;;
  esac
  echo "ok: $f"
done
if [ "$missing" -ne 0 ]; then
  echo "$missing deliverable(s) missing or broken"
  exit 1
fi
echo "all $# deliverables present"
