#!/usr/bin/env bash
# A machine without one of the suite's build dependencies must fail at
# configure, naming the Debian package to install, instead of building a
# suite with a part quietly left out. Each dependency is hidden from CMake in
# turn on a fresh configure of the tree: a CMake package by
# CMAKE_DISABLE_FIND_PACKAGE_<name>, a pkg-config module ("pkg-config:<module>")
# by an empty pkg-config search path, a file CMake looks for ("-DVAR=path")
# by a cache entry naming a file that does not exist.
# Arguments: the source tree, then pairs "name=debian-package".
set -uo pipefail
src=$1; shift
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT

failed=0
for pair in "$@"; do
  name=${pair%=*}; package=${pair##*=}
  hide=(); envs=()
  case $name in
    -D*) hide=("$name") ;;
    pkg-config:*)
      # Every module the machine has but this one.
      module=${name#pkg-config:}; pcdir="$work/pc-without-$module"; mkdir -p "$pcdir"
      for dir in $(pkg-config --variable pc_path pkg-config | tr ':' ' '); do
        for pc in "$dir"/*.pc; do
          [ -e "$pc" ] && [ "$(basename "$pc")" != "$module.pc" ] && ln -sf "$pc" "$pcdir/"
        done
      done
      envs=(PKG_CONFIG_LIBDIR="$pcdir" PKG_CONFIG_PATH=) ;;
    *) hide=("-DCMAKE_DISABLE_FIND_PACKAGE_$name=ON") ;;
  esac
  out="$work/${name//[^A-Za-z0-9]/_}.log"
  if env "${envs[@]}" cmake -S "$src" -B "$work/${name//[^A-Za-z0-9]/_}" -G Ninja -DBUILD_TESTING=OFF \
      -DORVANT_BUILD_BENCH=OFF "${hide[@]}" >"$out" 2>&1; then
    echo "FAIL: configure succeeded without $name"; failed=$((failed + 1)); continue
  fi
  # CMake folds long messages: join the lines before looking for the name.
  if ! tr '\n' ' ' <"$out" | tr -s ' ' | grep -q -- "$package"; then
    echo "FAIL: configure without $name did not name the package $package:"; sed 's/^/  /' "$out"
    failed=$((failed + 1)); continue
  fi
  echo "ok: without $name configure stops and names $package"
done
[ "$failed" -eq 0 ] || exit 1
echo "all $# missing dependencies named"
