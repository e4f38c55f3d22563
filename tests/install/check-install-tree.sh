#!/usr/bin/env bash
# Installs a build into a temporary prefix, as `cmake --install` does for a user or a packager,
# and checks the tree from outside: exactly the expected files, the programs answering --version
# and --help from there without a display, the desktop file and the AppStream metadata passing
# their validators and pointing at what is installed, and the manual pages rendering without a
# warning; and the installed rovanel-cli running the demo project of examples/. Arguments: the
# build folder, the project's version and the source folder.
set -euo pipefail
build=$1
version=$2
source=$3

fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in desktop-file-validate appstreamcli groff; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh installs it)"
done

prefix=$(mktemp -d "${TMPDIR:-/tmp}/rovanel-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

appstream_id=example.quorvel.Rovanel
expected=(
  bin/rovanel
  bin/rovanel-cli
  share/applications/rovanel.desktop
  share/metainfo/$appstream_id.metainfo.xml
  share/icons/hicolor/scalable/apps/rovanel.svg
  share/man/man1/rovanel.1
  share/man/man1/rovanel-cli.1
  share/doc/rovanel/README.md
)
for size in 16 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/rovanel.png")
done
installed=$(cd "$prefix" && find . -type f -printf '%P\n' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$installed" != "$wanted" ]; then
  diff <(echo "$wanted") <(echo "$installed") >&2 || true
  fail "the installed files differ from the expected ones (< expected, > installed)"
fi
for program in rovanel rovanel-cli; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
done

# Both programs answer from the installed tree, the desktop one without a display.
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
for program in rovanel rovanel-cli; do
  out=$("${no_display[@]}" "$prefix/bin/$program" --version) || fail "$program --version failed"
  [ "$out" = "Rovanel $version" ] || fail "$program --version printed '$out'"
  out=$("${no_display[@]}" "$prefix/bin/$program" --help) || fail "$program --help failed"
  [[ "$out" == "Usage: $program "* ]] || fail "$program --help printed '$out'"
done

# The desktop file: valid, and its Exec and Icon name what was installed.
desktop=$prefix/share/applications/rovanel.desktop
report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
grep -qx 'Exec=rovanel' "$desktop" || fail "the desktop file does not start bin/rovanel"
grep -qx 'Icon=rovanel' "$desktop" || fail "the desktop file does not name the rovanel icon"

# The AppStream metadata: valid (infos allowed), this version released, launching that file.
metainfo=$prefix/share/metainfo/$appstream_id.metainfo.xml
appstreamcli validate --no-net --explain "$metainfo" >&2 || fail "appstreamcli validate"
grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$metainfo" \
  || fail "the metainfo has no release entry for $version"
grep -q '<launchable type="desktop-id">rovanel.desktop</launchable>' "$metainfo" \
  || fail "the metainfo does not launch rovanel.desktop"
grep -q '<screenshot type="default">' "$metainfo" || fail "the metainfo has no screenshot"

# The manual pages render without a warning and carry this version.
for page in rovanel rovanel-cli; do
  file=$prefix/share/man/man1/$page.1
  warnings=$(groff -man -Tutf8 -ww -z "$file" 2>&1)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
  grep -q "^\.TH .* \"Rovanel $version\"" "$file" || fail "$page.1 does not name version $version"
done
# The installed rovanel-cli runs the demo project, with a settings file of its own.
work=$prefix/demo
mkdir -p "$work/home"
sed -e "s|^OutDir=.*\r\$|OutDir=$work/out\r|" \
    -e "s|^\(CopyProjects\[[0-9]*\]\.SourceFolder=\)examples/|\1$source/examples/|" \
    "$source/examples/rv.ini" >"$work/rv.ini"
log=$(HOME=$work/home XDG_CONFIG_HOME=$work/home "$prefix/bin/rovanel-cli" -config "$work/rv.ini" \
      -start "Demo Site" -quiet) || fail "the installed rovanel-cli failed on the demo: $log"
[[ "$log" == *"Completed."* ]] || fail "the demo run did not complete: $log"
[ -f "$work/out/Demo Site/index.html" ] || fail "the demo run wrote no index.html: $log"
echo "installed tree in order: ${#expected[@]} files; the demo ran from it"
