# Shared steps of the shell tests. Source it; it defines functions only.
#
# Every function that starts a background process appends its pid to the
# caller's array `pids`; the caller's EXIT trap ends them.

# Skips the test (exit 77) when one of the named tools is missing.
require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
}

# Skips the test unless it may make a private network namespace (root).
require_netns() {
    if [ "$(id -u)" != 0 ]; then
        echo "SKIP: making a network namespace and nftables rules needs root"
        exit 77
    fi
    require_tools unshare nft ip
    if ! unshare -n true 2>/dev/null; then
        echo "SKIP: cannot make a network namespace here"
        exit 77
    fi
}

# install_program DIR PROGRAM: copies a built program into DIR with the
# control library and a fresh database beside it, since a program opens the
# ping_addr.mdb of its own directory.
install_program() {
    local dir=$1 program=$2
    local bin_dir="${ORVANT_BIN_DIR:?}" mkdb="${ORVANT_BUILD_DIR:?}/tools/orvant-mkdb"
    local f
    for f in "$bin_dir/$program" "$mkdb"; do
        [ -x "$f" ] || { echo "FAIL: $f is not built"; exit 1; }
    done
    mkdir -p "$dir"
    cp "$bin_dir/$program" "$dir/"
    cp -P "$bin_dir"/libveltrack.so* "$dir/" 2>/dev/null || true
    # The English texts, found beside the program as when installed.
    cp -r "$bin_dir/translations" "$dir/" 2>/dev/null || true
    [ -e "$dir/ping_addr.mdb" ] || "$mkdb" "$dir/ping_addr.mdb" >/dev/null || { echo "FAIL: orvant-mkdb"; exit 1; }
}

# start_xvfb WORKDIR [SCREEN]: a private X server on a free display (tests
# run in parallel), exported as DISPLAY. -noreset keeps root-window
# properties when the last client leaves.
start_xvfb() {
    local work=$1 screen=${2:-1280x800x24}
    Xvfb -noreset -nolisten tcp -dpi 96 -displayfd 3 -screen 0 "$screen" 3>"$work/display" 2>"$work/xvfb.log" &
    pids+=($!)
    local _
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
    export DISPLAY=":$(head -n1 "$work/display")"
}

# start_openbox WORKDIR: a window manager, so frames are drawn and focus
# comes back after a dialog closes. Returns once it manages the screen.
start_openbox() {
    local work=$1
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids+=($!)
    local _
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.1
    done
    echo "FAIL: openbox did not start"; cat "$work/openbox.log"; exit 1
}

# Polls a command until it succeeds, for at most $1 tenths of a second.
wait_until() { local n=$1; shift; for _ in $(seq "$n"); do "$@" && return 0; sleep 0.1; done; return 1; }

# q SQL: one statement on the test's database ($DB), waiting out another writer.
q() { sqlite3 -cmd ".timeout 5000" "${DB:?}" "$1"; }

# wait_for SQL WANT N: until q SQL prints WANT, for at most N tenths of a
# second (q being the test's own: the file's above, or a server's).
wait_for() { for _ in $(seq "$3"); do [ "$(q "$1" 2>/dev/null)" = "$2" ] && return 0; sleep 0.1; done; return 1; }

# wait_log FILE TEXT N [COUNT]: until $WORK/FILE holds COUNT (1) lines with
# TEXT, for at most N tenths of a second.
wait_log() {
    for _ in $(seq "$3"); do
        [ "$(grep -c -- "$2" "${WORK:?}/$1")" -ge "${4:-1}" ] && return 0
        sleep 0.1
    done
    return 1
}

# rows: the log as "ip|foe" pairs in key order, on one line.
rows() { q "select ip||\$\$|\$\$||foe from logs order by id" | tr "\n" " "; }

# open_rows N / closed_rows N: whether the log holds N open (closed) outages.
open_rows() { [ "$(q "select count(*) from logs where foe=0")" = "$1" ]; }
closed_rows() { [ "$(q "select count(*) from logs where foe=1")" = "$1" ]; }

# artifact_dir NAME: prints an emptied folder for this test's screenshots
# under the build's artifacts, so a run never shows an older run's pictures.
artifact_dir() {
    local dir="${ORVANT_ARTIFACT_DIR:?}/$1"
    mkdir -p "$dir" && rm -f "$dir"/*.png && echo "$dir"
}
