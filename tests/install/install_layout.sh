#!/usr/bin/env bash
# cmake --install into temporary prefixes: the program directory's layout, the
# RUNPATH of every program, the menu entries, the database made once and then
# left byte for byte alone, the shared data directory, the monitor's
# capability, and a DESTDIR staging that makes no database.
set -euo pipefail

build=${ORVANT_BUILD_DIR:?ORVANT_BUILD_DIR not set}
for tool in readelf desktop-file-validate sqlite3 sha256sum identify; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/setup.sh installs it)"; exit 77; }
done
root=no
[ "$(id -u)" = 0 ] && root=yes

# A prefix no longer than /opt/orvant, so that the monitor's absolute RUNPATH
# entry can be rewritten to it (see packaging/install-steps.cmake).
short=$(mktemp -d /tmp/oi.XXX)
work=$(mktemp -d)
trap 'rm -rf "$short" "$work"' EXIT
chmod 755 "$short" "$work"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }
runpath() { readelf -d "$1" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p'; }
needs_veltrack() { readelf -d "$1" | grep -q 'NEEDED.*\[libveltrack\.so\.1\]'; }
db_state() { sha256sum "$1" | cut -d' ' -f1; stat -L -c '%a %U:%G %s' "$1"; }

echo "1 0" > "$work/range-closed"
echo "0 2147483647" > "$work/range-open"

install_to() { # prefix log [env…]
  local prefix=$1 log=$2; shift 2
  env "$@" cmake --install "$build" --prefix "$prefix" > "$log" 2>&1 ||
    { cat "$log" >&2; fail "cmake --install --prefix $prefix"; return 1; }
}

# --- 1. database beside the programs, unprivileged ICMP off ----------------
P=$short
install_to "$P" "$work/first.log" ORVANT_DATA_DIR= ORVANT_MENU_PREFIX="$work/menu" \
  ORVANT_TOOLS_PREFIX="$work/tools" ORVANT_PING_GROUP_RANGE_FILE="$work/range-closed"

# The command-line tools by bare name from a bin directory of the PATH; the
# programs themselves stay in the program directory.
for tool in orvant-export:orvant-export orvant-import:orvant-import orvant-vantage:orvant-vantage \
    orvant-mkdb:libexec/orvant-mkdb; do
  check "${tool%%:*} linked into bin" test "$(readlink "$work/tools/bin/${tool%%:*}")" = "$P/${tool#*:}"
done
check "orvant-setup is not linked" test ! -e "$work/tools/bin/orvant-setup"
# The programs with windows as commands; --help and --version answer and end
# with no display at all.
for cmd in orvant:orvant orvant-admin:admin orvant-grapher:grapher; do
  check "${cmd%%:*} linked into bin" test "$(readlink "$work/tools/bin/${cmd%%:*}")" = "$P/${cmd#*:}"
  check "${cmd%%:*} --version by bare name" bash -c \
    "env -u DISPLAY -u WAYLAND_DISPLAY PATH='$work/tools/bin':\$PATH timeout 10 ${cmd%%:*} --version | grep -qx '${cmd%%:*} [0-9.]*'"
  check "${cmd%%:*} --help in English under en_US" bash -c \
    "env -u DISPLAY -u WAYLAND_DISPLAY LANGUAGE= LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8 timeout 10 '$work/tools/bin/${cmd%%:*}' --help | grep -q 'Show this help'"
  check "${cmd%%:*}(1) installed" gzip -t "$P/share/man/man1/${cmd%%:*}.1.gz"
done
check "orvant-import runs by bare name" bash -c \
  "PATH='$work/tools/bin':\$PATH orvant-import --help | grep -q -- --replace"

for f in orvant admin grapher orvant-export orvant-import orvant-vantage libexec/orvant-mkdb libexec/orvant-setup; do
  check "$f is an installed program" test -x "$P/$f" -a -f "$P/$f"
done
check "libveltrack.so.1 beside the programs" test -f "$P/libveltrack.so.1"
check "no development link libveltrack.so" test ! -e "$P/libveltrack.so"
check "Designer plugin installed" test -f "$P/plugins/designer/libveltrack_designer.so"
check "Designer plugin RUNPATH reaches the library" \
  test "$(runpath "$P/plugins/designer/libveltrack_designer.so")" = '$ORIGIN/../..'
check "orvant-mkdb(1) installed gzip'd" gzip -t "$P/share/man/man1/orvant-mkdb.1.gz"
check "orvant-mkdb(1) lists through man -l" bash -c "MANWIDTH=80 man -l '$P/share/man/man1/orvant-mkdb.1.gz' | grep -q orvant-mkdb"
check "metainfo installed" test -f "$P/share/metainfo/io.github.orvant.Orvant.metainfo.xml"

# RUNPATH: $ORIGIN everywhere; the monitor also names its directory, because
# with cap_net_raw the loader ignores $ORIGIN.
check "orvant RUNPATH is \$ORIGIN:$P" test "$(runpath "$P/orvant")" = "\$ORIGIN:$P"
for f in admin grapher libveltrack.so.1; do
  check "$f RUNPATH starts with \$ORIGIN" grep -q '^\$ORIGIN' <<<"$(runpath "$P/$f")"
done
for f in orvant admin grapher plugins/designer/libveltrack_designer.so; do
  [ -e "$P/$f" ] || continue
  if env -u LD_LIBRARY_PATH ldd "$P/$f" | grep -q 'not found'; then
    fail "$f has unresolved libraries without LD_LIBRARY_PATH"; env -u LD_LIBRARY_PATH ldd "$P/$f" >&2
  else
    pass "$f finds all its libraries without LD_LIBRARY_PATH"
  fi
done

# Menu entries and icons.
for app in orvant orvant-admin orvant-grapher; do
  entry=$P/share/applications/$app.desktop
  check "$app.desktop is valid" desktop-file-validate "$entry"
  check "$app.desktop has a Russian name" grep -q '^Name\[ru\]=' "$entry"
  check "$app.desktop has an English name" grep -q '^Name=Orvant' "$entry"
  check "$app.desktop names icon $app" grep -qx "Icon=$app" "$entry"
  for size in 16 32 48 64 128 256; do
    icon=$P/share/icons/hicolor/${size}x${size}/apps/$app.png
    check "$app icon ${size}px" test "$(identify -format '%wx%h' "$icon")" = "${size}x${size}"
  done
  check "$app scalable icon" test -f "$P/share/icons/hicolor/scalable/apps/$app.svg"
  check "$app.desktop linked into the menu" test "$(readlink "$work/menu/share/applications/$app.desktop")" = "$entry"
done
check "monitor entry starts the installed monitor" grep -qx "Exec=$P/orvant" "$P/share/applications/orvant.desktop"
check "admin entry starts the installed admin" grep -qx "Exec=$P/admin" "$P/share/applications/orvant-admin.desktop"
check "grapher entry starts the installed grapher" grep -qx "Exec=$P/grapher" "$P/share/applications/orvant-grapher.desktop"
check "monitor entry suits autostart" grep -qx 'X-GNOME-Autostart-enabled=true' "$P/share/applications/orvant.desktop"
check "menu links are in the install manifest" grep -qx "$work/menu/share/applications/orvant.desktop" "$build/install_manifest.txt"
check "the database is not in the install manifest" bash -c "! grep -q 'ping_addr.mdb' '$build/install_manifest.txt'"
check "English texts installed beside the programs" test -f "$P/translations/orvant_en.qm"
# An installed tool finds them there and speaks English to an English desktop,
# Russian to a Russian one.
check "orvant-export in English under en_US" bash -c \
  "LANGUAGE= LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8 '$P/orvant-export' --db '$work/none.mdb' - 2>&1 | grep -q 'Cannot open the database file'"
check "orvant-alert in English under en_US" bash -c \
  "LANGUAGE= LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8 '$P/orvant-alert' --db '$P/ping_addr.mdb' list 2>&1 | grep -q 'there are no alert channels'"
check "orvant-alert in Russian under ru_RU" bash -c \
  "LANGUAGE= LC_ALL= LC_MESSAGES= LANG=ru_RU.UTF-8 '$P/orvant-alert' --db '$P/ping_addr.mdb' list 2>&1 | grep -q 'каналов оповещений нет'"
check "orvant-export in Russian under ru_RU" bash -c \
  "LANGUAGE= LC_ALL= LC_MESSAGES= LANG=ru_RU.UTF-8 '$P/orvant-export' --db '$work/none.mdb' - 2>&1 | grep -q 'Не удалось открыть файл базы данных'"

# The database: made from the template, a regular file beside the programs.
check "ping_addr.mdb made beside the programs" test -f "$P/ping_addr.mdb" -a ! -L "$P/ping_addr.mdb"
check "a database beside the programs is its owner's alone" test "$(stat -c '%a' "$P/ping_addr.mdb")" = 600
check "new database holds the settings row" test "$(sqlite3 "$P/ping_addr.mdb" 'select count(*) from options')" = 1
sqlite3 "$P/ping_addr.mdb" "insert into addrs (ip_addr, descript, ping_timeout) values ('127.0.0.9', 'kept row', 300)"
before=$(db_state "$P/ping_addr.mdb")

# The capability: only root may give it.
if [ "$root" = yes ] && command -v getcap >/dev/null; then
  check "monitor got cap_net_raw (ICMP closed to users)" grep -q 'cap_net_raw=ep' <<<"$(getcap "$P/orvant")"
  # With the capability the loader runs in secure mode: start the monitor as
  # an ordinary user, in a network namespace of its own (lo down: nothing is
  # sent anywhere), just long enough to see that its libraries load.
  if command -v unshare >/dev/null && unshare -n true 2>/dev/null; then
    rt=$(mktemp -d "$work/rt.XXX"); chown nobody "$rt"
    out=$(unshare -n setpriv --reuid=nobody --regid=nogroup --clear-groups \
            env -i QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$rt" HOME="$rt" \
            timeout -k 2 3 "$P/orvant" 2>&1) || true
    if grep -q 'error while loading shared libraries' <<<"$out"; then
      fail "monitor with cap_net_raw does not start for an ordinary user: $out"
    else
      pass "monitor with cap_net_raw loads its libraries for an ordinary user"
    fi
  fi
else
  check "install says it could not give the capability" grep -q 'WARNING' "$work/first.log"
fi

# --- 2. a second install leaves the database alone -------------------------
install_to "$P" "$work/second.log" ORVANT_DATA_DIR= ORVANT_MENU_PREFIX="$work/menu" \
  ORVANT_PING_GROUP_RANGE_FILE="$work/range-closed"
check "second install keeps the database byte for byte" test "$(db_state "$P/ping_addr.mdb")" = "$before"
check "second install says it kept the database" grep -q 'kept existing database' "$work/second.log"
check "the kept row is still there" test "$(sqlite3 "$P/ping_addr.mdb" "select descript from addrs where ip_addr = '127.0.0.9'")" = "kept row"
if [ "$root" = yes ] && command -v getcap >/dev/null; then
  check "monitor keeps cap_net_raw after a second install" grep -q 'cap_net_raw=ep' <<<"$(getcap "$P/orvant")"
fi

# --- 3. shared data directory, unprivileged ICMP on ------------------------
Q=$work/shared-prefix
install_to "$Q" "$work/shared.log" ORVANT_DATA_DIR="$work/data" ORVANT_MENU_PREFIX= \
  ORVANT_PING_GROUP_RANGE_FILE="$work/range-open"
check "ping_addr.mdb is a relative link into the data directory" \
  test "$(readlink "$Q/ping_addr.mdb")" = "../data/ping_addr.mdb"
check "the link leads to a database" test "$(sqlite3 "$Q/ping_addr.mdb" 'select count(*) from addrs')" = 1
check "no capability where users may send ICMP" grep -q 'needs no capability' "$work/shared.log"
if [ "$root" = yes ] && command -v getcap >/dev/null; then
  check "monitor has no capability" test -z "$(getcap "$Q/orvant")"
  if getent group users >/dev/null; then
    check "data directory is root:users 2775" test "$(stat -c '%a %U:%G' "$work/data")" = "2775 root:users"
    check "database is root:users 660" test "$(stat -c '%a %U:%G' "$work/data/ping_addr.mdb")" = "660 root:users"
    # An ordinary user in the group users writes through the link; SQLite keeps
    # its -wal beside the real file, in the writable data directory.
    out=$(setpriv --reuid=nobody --regid=nogroup --groups="$(getent group users | cut -d: -f3)" \
            sqlite3 "$Q/ping_addr.mdb" \
            "begin; insert into addrs (ip_addr) values ('127.0.0.7');" \
            ".shell ls -a $work/data $Q" "commit;" 2>&1) || true
    check "a user of the group users writes through the link" \
      test "$(sqlite3 "$Q/ping_addr.mdb" "select count(*) from addrs where ip_addr = '127.0.0.7'")" = 1
    check "the journal lives in the data directory" grep -q '^ping_addr.mdb-wal$' <<<"$out"
    check "no journal in the program directory" test ! -e "$Q/ping_addr.mdb-wal"
  fi
fi
before=$(db_state "$work/data/ping_addr.mdb")
install_to "$Q" "$work/shared2.log" ORVANT_DATA_DIR="$work/data" ORVANT_MENU_PREFIX= \
  ORVANT_PING_GROUP_RANGE_FILE="$work/range-open"
check "reinstall keeps the shared database and its mode" test "$(db_state "$work/data/ping_addr.mdb")" = "$before"
# A database an earlier version left readable by everyone (and its journal):
# the next install takes the other users' rights away and nothing else.
chmod 0664 "$work/data/ping_addr.mdb"
: > "$work/data/ping_addr.mdb-wal"; chmod 0644 "$work/data/ping_addr.mdb-wal"
install_to "$Q" "$work/shared2b.log" ORVANT_DATA_DIR="$work/data" ORVANT_MENU_PREFIX= \
  ORVANT_PING_GROUP_RANGE_FILE="$work/range-open"
check "an old world-readable database is closed to others" test "$(stat -c '%a' "$work/data/ping_addr.mdb")" = 660
check "and its journal" test "$(stat -c '%a' "$work/data/ping_addr.mdb-wal")" = 640
check "the install says so" grep -q "closed $work/data/ping_addr.mdb to other users (was 664)" "$work/shared2b.log"
rm -f "$work/data/ping_addr.mdb-wal"
before=$(db_state "$work/data/ping_addr.mdb")
check "reinstall keeps the link" test "$(readlink "$Q/ping_addr.mdb")" = "../data/ping_addr.mdb"
# Deleted behind the link (to start afresh): the next install makes a new one there.
rm -f "$work/data/ping_addr.mdb"
install_to "$Q" "$work/shared3.log" ORVANT_DATA_DIR="$work/data" ORVANT_MENU_PREFIX= \
  ORVANT_PING_GROUP_RANGE_FILE="$work/range-open"
check "a database deleted behind the link is made afresh" \
  test "$(sqlite3 "$work/data/ping_addr.mdb" "select count(*) from addrs where ip_addr = '127.0.0.7' or ip_addr = '127.0.0.1'")" = 1

# --- 4. a prefix longer than the configured one ----------------------------
if [ "$root" = yes ] && command -v getcap >/dev/null; then
  L=$work/a-prefix-much-longer-than-the-configured-one/orvant
  install_to "$L" "$work/long.log" ORVANT_DATA_DIR= ORVANT_MENU_PREFIX= \
    ORVANT_PING_GROUP_RANGE_FILE="$work/range-closed"
  check "long prefix: RUNPATH falls back to \$ORIGIN" test "$(runpath "$L/orvant")" = '$ORIGIN'
  if needs_veltrack "$L/orvant"; then
    # The capability would stop the monitor from starting: it must be refused.
    check "long prefix: no capability" test -z "$(getcap "$L/orvant")"
    check "long prefix: install says why" grep -q 'would not find libveltrack.so.1' "$work/long.log"
  else
    check "long prefix: capability (the monitor needs no library of ours)" \
      grep -q 'cap_net_raw=ep' <<<"$(getcap "$L/orvant")"
  fi
fi

# --- 5. DESTDIR staging: files only ----------------------------------------
DESTDIR=$work/stage cmake --install "$build" --prefix /opt/orvant > "$work/stage.log" 2>&1 ||
  { cat "$work/stage.log" >&2; fail "staged install"; }
check "staged: programs under DESTDIR" test -x "$work/stage/opt/orvant/orvant"
check "staged: no database" test ! -e "$work/stage/opt/orvant/ping_addr.mdb"
check "staged: entries under the prefix" test -f "$work/stage/opt/orvant/share/applications/orvant.desktop"
check "staged: entry starts /opt/orvant/orvant" grep -qx 'Exec=/opt/orvant/orvant' "$work/stage/opt/orvant/share/applications/orvant.desktop"
check "staged: says the package must make the database" grep -q 'post-install step must run' "$work/stage.log"
if [ "$root" = yes ] && command -v getcap >/dev/null; then
  check "staged: no capability" test -z "$(getcap "$work/stage/opt/orvant/orvant")"
fi

if [ "$failures" -ne 0 ]; then
  echo "--- first install log:"; cat "$work/first.log"
  echo "$failures check(s) failed"; exit 1
fi
echo "all install checks passed"
