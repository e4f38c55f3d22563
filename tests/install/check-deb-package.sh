#!/usr/bin/env bash
# Makes the Debian package with `cpack -G DEB`, installs it with dpkg into a scratch root (a
# dpkg database of its own; the libraries it depends on are this machine's), and runs
# rovanel-cli from there. Arguments: the build folder and the project's version.
set -euo pipefail
build=$1
version=$2

fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/rovanel-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
debs=("$work"/out/rovanel_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no rovanel_*.deb"
deb=${debs[0]}

[ "$(dpkg-deb --field "$deb" Package)" = rovanel ] || fail "the package is not named rovanel"
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
depends=$(dpkg-deb --field "$deb" Depends)
for library in libqt6widgets6 libqt6core6 libssl3 libbotan-2; do
  [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --log=/dev/null --force-depends --force-not-root -i "$deb" >"$work/dpkg.log" 2>&1 \
  || { cat "$work/dpkg.log" >&2; fail "dpkg -i into the scratch root"; }
status=$(dpkg --root="$root" -s rovanel | sed -n 's/^Status: //p')
[ "$status" = "install ok installed" ] || fail "dpkg says the package is '$status'"
dpkg --root="$root" -L rovanel | grep -qx /usr/share/applications/rovanel.desktop \
  || fail "the package does not hold the desktop file"

out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/rovanel-cli" --version) \
  || fail "rovanel-cli --version failed from the scratch root"
[ "$out" = "Rovanel $version" ] || fail "rovanel-cli --version printed '$out'"
echo "$(basename "$deb") installs and runs: $out"
