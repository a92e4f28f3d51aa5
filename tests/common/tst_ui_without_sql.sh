#!/bin/bash
# The windows run no statement: every UI library given references no Qt SQL
# symbol (a class of Qt SQL, or a function that takes one). Each undefined
# symbol that names one is printed.
set -u
nm_tool=${NM:-nm}
command -v "$nm_tool" >/dev/null || { echo "FAIL: $nm_tool is missing (Debian package binutils)"; exit 1; }
status=0
for library in "$@"; do
    [ -f "$library" ] || { echo "FAIL: $library is not built"; status=1; continue; }
    found=$("$nm_tool" -C -u "$library" | grep -E 'QSql[A-Z]' | sed 's/^ *U //' | sort | uniq -c)
    if [ -n "$found" ]; then
        echo "FAIL: $(basename "$library") references Qt SQL:"
        echo "$found"
        status=1
    else
        echo "$(basename "$library"): no Qt SQL symbol"
    fi
done
exit $status
