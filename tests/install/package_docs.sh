#!/usr/bin/env bash
# The AppStream metainfo validates offline, names the three menu entries it
# launches and each entry names it back; both manual pages render through
# man(1) without a single warning and have a NAME line for apropos.
set -euo pipefail

src=${ORVANT_SOURCE_DIR:?ORVANT_SOURCE_DIR not set}
for tool in appstreamcli man lexgrog desktop-file-validate; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/setup.sh installs it)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

meta=$src/packaging/io.github.orvant.Orvant.metainfo.xml
if appstreamcli validate --no-net --explain "$meta" > "$work/as.log" 2>&1; then
  pass "metainfo validates"
else
  cat "$work/as.log" >&2; fail "appstreamcli validate --no-net"
fi
# Warnings fail validate; infos do not, but there should be none either.
grep -q -E '^[EWI]: ' "$work/as.log" && { cat "$work/as.log"; fail "metainfo has remarks"; }
for app in orvant orvant-admin orvant-grapher; do
  grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" "$meta" ||
    fail "metainfo launches $app.desktop"
  grep -qx 'X-AppStream-Id=io.github.orvant.Orvant' "$src/packaging/desktop/$app.desktop.in" ||
    fail "$app.desktop names the metainfo"
done
grep -q '<release version="2.0.1"' "$meta" || fail "metainfo lists release 2.0.1"
grep -q '<name xml:lang="ru">' "$meta" && grep -q '<summary xml:lang="ru">' "$meta" || fail "Russian name and summary"

for page in orvant orvant-admin orvant-grapher orvant-mkdb orvant-export orvant-import orvant-alert orvant-vantage orvant-web; do
  f=$src/packaging/man/$page.1
  warnings=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$f" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    fail "$page(1) renders with warnings: $warnings"
  else
    pass "$page(1) renders without warnings"
  fi
  name=$(lexgrog "$f" 2>&1 || true)
  grep -q -F "\"$page - " <<<"$name" && pass "$page(1) has a NAME line" || fail "$page(1) NAME: $name"
  MANWIDTH=80 man -l "$f" 2>/dev/null | grep -q '^SYNOPSIS' || fail "$page(1) has a SYNOPSIS"
done
# The check itself sees faults: a page with a broken request warns.
printf '.TH X 1\n.SH NAME\nx \\- y\n.BOGUS\n\\f(XXz\n' > "$work/bad.1"
[ -n "$(MANWIDTH=80 man --warnings -l "$work/bad.1" 2>&1 >/dev/null)" ] || fail "man --warnings reports a broken page"

if [ "$failures" -ne 0 ]; then echo "$failures check(s) failed"; exit 1; fi
echo "all metainfo and manual page checks passed"
