#!/usr/bin/env bash
# Builds Rovanel (Release, build/release) and starts it. With a display and the desktop program
# built, that is `rovanel`; otherwise the demo in examples/ runs with rovanel-cli into a fresh
# temporary output folder and its log is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRV_BUILD_TESTS=OFF \
      -DRV_BUILD_BENCH=OFF >/dev/null
jobs=$(nproc 2>/dev/null || echo 2)

has_target() { ninja -C "$build" -t targets all 2>/dev/null | grep -q "^$1:"; }

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && has_target rovanel; then
  cmake --build "$build" --target rovanel -j "$jobs"
  exec "$build/app/rovanel" "$@"
fi

cmake --build "$build" --target rovanel-cli -j "$jobs"

# The demo's settings with the source folder made absolute and OutDir pointed at a new,
# empty folder; the copy in a temporary folder keeps examples/rv.ini untouched.
work=$(mktemp -d "${TMPDIR:-/tmp}/rovanel-demo.XXXXXX")
trap 'rm -rf "$work"' EXIT
out="$work/out"
sed -e "s|^OutDir=.*\r\$|OutDir=$out\r|" \
    -e "s|^\(CopyProjects\[[0-9]*\]\.SourceFolder=\)examples/|\1$root/examples/|" \
    examples/rv.ini >"$work/rv.ini"

echo "== rovanel-cli -config $work/rv.ini -start \"Demo Site,Demo Images\""
status=0
"$build/app/rovanel-cli" -config "$work/rv.ini" -start "Demo Site,Demo Images" || status=$?
echo "== exit code $status; files written:"
(cd "$out" && find . -type f | sort)
echo "== second run (nothing changed: every file already exists)"
"$build/app/rovanel-cli" -config "$work/rv.ini" -start "Demo Site" || status=$?
exit "$status"
