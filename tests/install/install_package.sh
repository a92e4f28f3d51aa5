#!/usr/bin/env bash
# The Debian package: built by cpack from the install rules, its files, its
# dependencies and maintainer scripts, then installed, reinstalled, removed
# and purged by dpkg under a temporary root (chrootless scripts, DPKG_ROOT),
# never touching the real system: the database is made once, kept byte for
# byte on reinstall, and kept on removal and purge.
set -euo pipefail

build=${ORVANT_BUILD_DIR:?ORVANT_BUILD_DIR not set}
for tool in cpack dpkg-deb dpkg-shlibdeps readelf desktop-file-validate sqlite3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/setup.sh installs it)"; exit 77; }
done
[ -f "$build/CPackConfig.cmake" ] || { echo "FAIL: no CPackConfig.cmake in $build"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }

# --- build -----------------------------------------------------------------
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" > "$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2; echo "FAIL: cpack"; exit 1
fi
deb=$(ls "$work"/pkg/orvant_*.deb)
echo "package: $(basename "$deb")"

# The previous version, for the upgrade: the same files under a lower
# version number.
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/old" -D CPACK_PACKAGE_VERSION=2.0.0 > "$work/cpack-old.log" 2>&1; then
  cat "$work/cpack-old.log" >&2; echo "FAIL: cpack of the previous version"; exit 1
fi
old_deb=$(ls "$work"/old/orvant_2.0.0-*.deb)

# --- contents --------------------------------------------------------------
# dpkg-deb shows a link as "name -> target": keep the name.
dpkg-deb -c "$deb" | sed 's| -> .*||' | awk '{ print $NF }' | sed 's|^\./|/|' > "$work/files"
has() { grep -qx -- "$1" "$work/files"; }
for f in /opt/orvant/orvant /opt/orvant/admin /opt/orvant/grapher /opt/orvant/libveltrack.so.1 \
         /opt/orvant/libexec/orvant-mkdb /opt/orvant/libexec/orvant-setup \
         /usr/share/applications/orvant.desktop /usr/share/applications/orvant-admin.desktop \
         /usr/share/applications/orvant-grapher.desktop \
         /usr/share/icons/hicolor/48x48/apps/orvant.png /usr/share/icons/hicolor/scalable/apps/orvant-grapher.svg; do
  check "package holds $f" has "$f"
done
check "package holds the Designer plugin" has /opt/orvant/plugins/designer/libveltrack_designer.so
for f in /usr/share/metainfo/io.github.orvant.Orvant.metainfo.xml /usr/share/man/man1/orvant-mkdb.1.gz \
         /usr/share/doc/orvant/copyright /usr/share/doc/orvant/changelog.Debian.gz \
         /usr/share/lintian/overrides/orvant; do
  check "package holds $f" has "$f"
done
if [ -x "$build/bin/orvant-export" ] || [ -x "$build/tools/orvant-export" ]; then
  check "package holds the orvant-export page" has /usr/share/man/man1/orvant-export.1.gz
fi
if [ -x "$build/bin/orvant-import" ]; then
  check "package holds the orvant-import page" has /usr/share/man/man1/orvant-import.1.gz
fi
check "package holds the orvant-vantage page" has /usr/share/man/man1/orvant-vantage.1.gz
# orvant-web, its page and its service, installed disabled (nothing in
# multi-user.target.wants).
for f in /opt/orvant/orvant-web /usr/share/man/man1/orvant-web.1.gz /lib/systemd/system/orvant-web.service; do
  check "package holds $f" has "$f"
done
check "the service is enabled by nobody" bash -c "! grep -q 'wants' '$work/files'"
check "the service runs the packaged orvant-web" bash -c \
  "dpkg-deb --fsys-tarfile '$deb' | tar -xO ./lib/systemd/system/orvant-web.service | grep -qx 'ExecStart=/opt/orvant/orvant-web'"
# The command-line tools by their bare names: links in /usr/bin into the
# program directory, where the programs stay.
for tool in orvant-export:/opt/orvant/orvant-export orvant-import:/opt/orvant/orvant-import \
            orvant-vantage:/opt/orvant/orvant-vantage orvant-mkdb:/opt/orvant/libexec/orvant-mkdb \
            orvant-web:/opt/orvant/orvant-web; do
  check "package links /usr/bin/${tool%%:*} to ${tool#*:}" \
    bash -c "dpkg-deb -c '$deb' | grep -q -- '^l.* \./usr/bin/${tool%%:*} -> ${tool#*:}\$'"
done
for cmd in orvant:/opt/orvant/orvant orvant-admin:/opt/orvant/admin orvant-grapher:/opt/orvant/grapher; do
  check "package links /usr/bin/${cmd%%:*} to ${cmd#*:}" \
    bash -c "dpkg-deb -c '$deb' | grep -q -- '^l.* \./usr/bin/${cmd%%:*} -> ${cmd#*:}\$'"
  check "package holds the ${cmd%%:*} page" has "/usr/share/man/man1/${cmd%%:*}.1.gz"
done
check "orvant-setup is no command of the PATH" bash -c "! grep -qx /usr/bin/orvant-setup '$work/files'"
check "the database is no file of the package" bash -c "! grep -q 'ping_addr.mdb' '$work/files'"
check "nothing outside /opt/orvant, /usr/share, the tools' links and the service" bash -c "! grep -v -e '^/opt/\$' -e '^/opt/orvant' -e '^/usr/\$' -e '^/usr/bin/\$' -e '^/usr/bin/orvant\$' -e '^/usr/bin/orvant-' -e '^/usr/share/\$' -e '^/usr/share/applications' -e '^/usr/share/icons' -e '^/usr/share/metainfo' -e '^/usr/share/man' -e '^/usr/share/doc' -e '^/usr/share/lintian' -e '^/lib/\$' -e '^/lib/systemd/\$' -e '^/lib/systemd/system/\$' -e '^/lib/systemd/system/orvant-web.service\$' '$work/files'"

# --- control ---------------------------------------------------------------
dpkg-deb -I "$deb" > "$work/info"
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libqt6core6 libqt6widgets6 libqt6sql6 libqt6sql6-sqlite qt6-qpa-plugins libcap2-bin libc6 \
           qt6-translations-l10n sound-theme-freedesktop xdg-utils libcanberra0; do
  check "Depends names $dep" grep -q "\\b$dep\\b" <<<"$depends"
done
check "package is installed under /opt/orvant" grep -q '/opt/orvant' <<<"$(dpkg-deb -f "$deb" Description)"
mkdir "$work/control"
dpkg-deb -e "$deb" "$work/control"
for script in postinst prerm postrm; do
  check "$script present and executable" test -x "$work/control/$script"
  check "$script parses (sh -n)" sh -n "$work/control/$script"
  check "$script parses (bash -n)" bash -n "$work/control/$script"
done

# --- files as installed ----------------------------------------------------
mkdir "$work/x"
dpkg-deb -x "$deb" "$work/x"
check "monitor RUNPATH names /opt/orvant (capability-proof)" \
  test "$(readelf -d "$work/x/opt/orvant/orvant" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')" = '$ORIGIN:/opt/orvant'
for app in orvant orvant-admin orvant-grapher; do
  check "$app.desktop valid" desktop-file-validate "$work/x/usr/share/applications/$app.desktop"
done
check "monitor entry starts /opt/orvant/orvant" grep -qx 'Exec=/opt/orvant/orvant' "$work/x/usr/share/applications/orvant.desktop"
check "no capability in the package (postinst decides)" bash -c "! getcap '$work/x/opt/orvant/orvant' 2>/dev/null | grep -q cap_"

# --- dpkg under a temporary root -------------------------------------------
if [ "$(id -u)" != 0 ]; then
  echo "note: not root, dpkg --root install skipped"
else
  R=$work/root
  mkdir -p "$R/var/lib/dpkg/info" "$R/var/lib/dpkg/updates"
  : > "$R/var/lib/dpkg/status"
  echo "0 2147483647" > "$work/range"
  dpkgr() {
    ORVANT_PING_GROUP_RANGE_FILE=$work/range \
      dpkg --root="$R" --force-script-chrootless --force-depends --log=/dev/null "$@"
  }
  if dpkgr -i "$deb" > "$work/dpkg-install.log" 2>&1; then pass "dpkg installs"; else cat "$work/dpkg-install.log" >&2; fail "dpkg installs"; fi
  check "postinst linked the database" test "$(readlink "$R/opt/orvant/ping_addr.mdb")" = "../../var/opt/orvant/ping_addr.mdb"
  check "postinst made the database" test "$(sqlite3 "$R/opt/orvant/ping_addr.mdb" "select ip_addr from addrs")" = "127.0.0.1"
  sqlite3 "$R/opt/orvant/ping_addr.mdb" "insert into logs (ip, \"desc\") values ('127.0.0.1', 'kept outage')"
  before=$(sha256sum < "$R/var/opt/orvant/ping_addr.mdb")

  if dpkgr -i "$deb" > "$work/dpkg-upgrade.log" 2>&1; then pass "dpkg reinstalls"; else cat "$work/dpkg-upgrade.log" >&2; fail "dpkg reinstalls"; fi
  check "reinstall keeps the database byte for byte" test "$(sha256sum < "$R/var/opt/orvant/ping_addr.mdb")" = "$before"

  # The scripts run again change nothing (dpkg reruns them after a failure).
  state() { readlink "$R/opt/orvant/ping_addr.mdb"; sha256sum < "$R/var/opt/orvant/ping_addr.mdb"; stat -c '%a %g' "$R/var/opt/orvant" "$R/var/opt/orvant/ping_addr.mdb"; }
  s1=$(state)
  for i in 1 2; do
    DPKG_ROOT=$R ORVANT_PING_GROUP_RANGE_FILE=$work/range sh "$R/var/lib/dpkg/info/orvant.postinst" configure 2.0.1-1 > "$work/postinst-$i.log" 2>&1 ||
      { cat "$work/postinst-$i.log" >&2; fail "postinst configure run again ($i)"; }
  done
  check "postinst run twice more leaves the same state" test "$(state)" = "$s1"


  if dpkgr -r orvant > "$work/dpkg-remove.log" 2>&1; then pass "dpkg removes"; else cat "$work/dpkg-remove.log" >&2; fail "dpkg removes"; fi
  check "removal keeps the database" test "$(sha256sum < "$R/var/opt/orvant/ping_addr.mdb")" = "$before"
  check "removal says where the database is" grep -q 'database was kept: /var/opt/orvant/ping_addr.mdb' "$work/dpkg-remove.log"
  check "removal leaves no program directory" test ! -e "$R/opt/orvant"
  check "removal leaves no menu entry" test ! -e "$R/usr/share/applications/orvant.desktop"

  if dpkgr -P orvant > "$work/dpkg-purge.log" 2>&1; then pass "dpkg purges"; else cat "$work/dpkg-purge.log" >&2; fail "dpkg purges"; fi
  check "purge keeps the database" test "$(sha256sum < "$R/var/opt/orvant/ping_addr.mdb")" = "$before"

  # Installing again finds the kept history.
  dpkgr -i "$deb" > "$work/dpkg-again.log" 2>&1 || { cat "$work/dpkg-again.log" >&2; fail "dpkg installs again"; }
  check "a new install links the kept database" \
    test "$(sqlite3 "$R/opt/orvant/ping_addr.mdb" "select \"desc\" from logs")" = "kept outage"

  # --- upgrade from the previous version, in a second root -----------------
  R2=$work/root2
  mkdir -p "$R2/var/lib/dpkg/info" "$R2/var/lib/dpkg/updates"
  : > "$R2/var/lib/dpkg/status"
  dpkgr2() {
    ORVANT_PING_GROUP_RANGE_FILE=$work/range \
      dpkg --root="$R2" --force-script-chrootless --force-depends --log=/dev/null "$@"
  }
  if dpkgr2 -i "$old_deb" > "$work/old.log" 2>&1; then pass "previous version installs"; else cat "$work/old.log" >&2; fail "previous version installs"; fi
  sqlite3 "$R2/opt/orvant/ping_addr.mdb" "insert into logs (ip, \"desc\") values ('127.0.0.1', 'before upgrade')"
  old_sum=$(sha256sum < "$R2/var/opt/orvant/ping_addr.mdb")
  if dpkgr2 -i "$deb" > "$work/up.log" 2>&1; then pass "upgrade to $(basename "$deb")"; else cat "$work/up.log" >&2; fail "upgrade"; fi
  check "upgrade installed the new version" test "$(dpkg-query --admindir="$R2/var/lib/dpkg" -W -f='${Version}' orvant)" = "2.0.1-1"
  check "upgrade keeps the database byte for byte" test "$(sha256sum < "$R2/var/opt/orvant/ping_addr.mdb")" = "$old_sum"
  check "upgrade keeps the link" test "$(readlink "$R2/opt/orvant/ping_addr.mdb")" = "../../var/opt/orvant/ping_addr.mdb"
  check "upgrade said nothing about a removal" bash -c "! grep -q 'database was kept' '$work/up.log'"
  if dpkgr2 -P orvant > "$work/purge2.log" 2>&1; then pass "purge after upgrade"; else cat "$work/purge2.log" >&2; fail "purge after upgrade"; fi
  check "purge after upgrade leaves no program directory" test ! -e "$R2/opt/orvant"
  check "purge after upgrade keeps the database" test "$(sha256sum < "$R2/var/opt/orvant/ping_addr.mdb")" = "$old_sum"
  check "purge leaves no dpkg record" bash -c "! dpkg-query --admindir='$R2/var/lib/dpkg' -W orvant >/dev/null 2>&1"
fi

if [ "$failures" -ne 0 ]; then
  echo "--- cpack log:"; cat "$work/cpack.log"
  echo "$failures check(s) failed"; exit 1
fi
echo "all package checks passed"
