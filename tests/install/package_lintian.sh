#!/usr/bin/env bash
# lintian on the Debian package as cpack builds it (docs/administrator-guide.md, "Installing"):
# no error and no warning, except the overrides the package ships, each
# with a comment that says why.
set -euo pipefail

build=${ORVANT_BUILD_DIR:?ORVANT_BUILD_DIR not set}
src=${ORVANT_SOURCE_DIR:?ORVANT_SOURCE_DIR not set}
for tool in cpack lintian; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/setup.sh installs it)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Every override line has a comment just above it (or above the overrides
# of the same group, with no blank line between).
overrides=$src/packaging/deb/lintian-overrides
awk '
  /^#/ { commented = 1; next }
  /^[[:space:]]*$/ { commented = 0; next }
  { if (!commented) { print FILENAME ":" NR ": override without a comment: " $0; bad = 1 } }
  END { exit bad }' "$overrides" || fail "every override is justified by a comment"

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" > "$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2; echo "FAIL: cpack"; exit 1
fi
deb=$(ls "$work"/pkg/orvant_*.deb)
echo "package: $(basename "$deb")"

# --fail-on none: the verdict is ours, from the tags printed. Overridden
# tags are shown (O:) so that the log tells what was let through.
lintian --fail-on none --show-overrides --no-tag-display-limit "$deb" > "$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
if grep -q -E '^[EW]: ' "$work/lintian.log"; then
  fail "lintian reports $(grep -c -E '^[EW]: ' "$work/lintian.log") error(s) or warning(s)"
fi
# An override that no longer matches anything hides nothing and is stale.
if grep -q 'unused-override' "$work/lintian.log"; then
  fail "lintian names an unused override"
fi
# lintian that could not read the package prints no tags at all.
grep -q -E '^(E|W|I|N|O|P|X): |^$' "$work/lintian.log" || [ ! -s "$work/lintian.log" ] || fail "lintian output not understood"

if [ "$failures" -ne 0 ]; then echo "$failures check(s) failed"; exit 1; fi
echo "lintian: no error and no warning"
