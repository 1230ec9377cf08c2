#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package and checks it the way a distribution would:
#   scripts/package.sh         -> build-deb/glimmervandra_<version>_<arch>.deb
# Then: lintian (no errors allowed; warnings are listed), the menu entry and
# the AppStream metadata through their validators, both manual pages through
# man, and the package unpacked into a scratch root (no system install) with
# its capture tool rendering a second of the show from the unpacked data set.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh" test
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1  # objects shared with the other build folders
build="${GLIMMER_PACKAGE_BUILD_DIR:-$root/build-deb}"

# Debian's hardening flags, as a package build would use them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
export CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_INSTALL_PREFIX=/usr -DGLIMMER_TESTS=OFF >/dev/null
rm -f "$build"/glimmervandra_*.deb
cmake --build "$build" --target package

failures=0
fail() { echo "package: FAILED: $*" >&2; failures=$((failures + 1)); }

debs=("$build"/glimmervandra_*.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || { echo "package: no single glimmervandra_*.deb in $build" >&2; exit 1; }
deb="${debs[0]}"
version="$(dpkg-deb -f "$deb" Version)"
arch="$(dpkg-deb -f "$deb" Architecture)"
echo "== $(basename "$deb")"
[[ "$(basename "$deb")" == "glimmervandra_${version}_${arch}.deb" ]] || fail "file name is not glimmervandra_${version}_${arch}.deb"
[[ "$arch" == "$(dpkg --print-architecture)" ]] || fail "architecture $arch"
dpkg-deb -f "$deb" Depends Recommends
depends="$(dpkg-deb -f "$deb" Depends)"
recommends="$(dpkg-deb -f "$deb" Recommends)"
for lib in libsdl2 libopenmpt0 libfreetype6 libfontconfig1 libglu1 libegl1 libpng16 fonts-liberation2; do
  [[ "$depends" == *"$lib"* ]] || fail "Depends lacks $lib"
done
for pkg in ffmpeg zenity; do
  [[ "$recommends" == *"$pkg"* ]] || fail "Recommends lacks $pkg"
done

echo "== lintian"
lintian_log="$build/lintian.log"
lintian --tag-display-limit 0 --display-info "$deb" > "$lintian_log" 2>&1 || true
cat "$lintian_log"
grep -q '^E: ' "$lintian_log" && fail "lintian reports errors"
echo "lintian: $(grep -c '^E: ' "$lintian_log" || true) errors, $(grep -c '^W: ' "$lintian_log" || true) warnings"

unpacked="$(mktemp -d)"
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked/root"
usr="$unpacked/root/usr"
app_id="$(basename "$usr"/share/applications/*.desktop .desktop)"
for path in bin/glimmervandra bin/glimmervandra-capture share/glimmervandra/Data/ancool2.mod \
            share/glimmervandra/Data/title2.tga share/glimmervandra/Data/blomma.ms3d \
            "share/metainfo/$app_id.metainfo.xml" "share/icons/hicolor/scalable/apps/$app_id.svg" \
            "share/icons/hicolor/48x48/apps/$app_id.png" share/man/man6/glimmervandra.6.gz \
            share/man/man1/glimmervandra-capture.1.gz share/doc/glimmervandra/copyright \
            share/doc/glimmervandra/README.md share/doc/glimmervandra/docs/data-set.md \
            share/doc/glimmervandra/docs/performance.md; do
  [[ -e "$usr/$path" ]] || fail "the package lacks /usr/$path"
done

echo "== desktop entry and metadata"
desktop-file-validate "$usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
# --no-net: the builders have no network to check the screenshot addresses.
appstreamcli validate --no-net --explain "$usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "the metadata's release is not $version"
# Every screenshot is a picture of the gallery.
grep -o 'gallery/[^<]*' "$usr/share/metainfo/$app_id.metainfo.xml" | while read -r shot; do
  [[ -f "$root/docs/$shot" ]] || { echo "package: FAILED: screenshot $shot is not in docs/gallery" >&2; exit 1; }
done || failures=$((failures + 1))

echo "== manual pages"
for page in man6/glimmervandra.6.gz man1/glimmervandra-capture.1.gz; do
  warnings="$(MANWIDTH=80 man --warnings -l "$usr/share/man/$page" 2>&1 >"$unpacked/page.txt")" || fail "man -l $page"
  [[ -z "$warnings" ]] || { echo "$warnings"; fail "man reports problems in $page"; }
  head -n 6 "$unpacked/page.txt"
  grep -q "$version" "$unpacked/page.txt" || fail "$page does not name version $version"
done

echo "== the unpacked capture tool renders from the unpacked data set"
capture="$usr/bin/glimmervandra-capture"
[[ "$("$capture" --version | head -n 1)" == "glimmervandra-capture $version" ]] || fail "--version does not say $version"
grep -q "Licence: MIT" <<<"$("$capture" --version)" || fail "--version does not name the licence"
# From an empty folder, so the only Data to be found is the unpacked one
# beside the executable's install tree.
mkdir "$unpacked/cwd"
if (cd "$unpacked/cwd" && "$capture" -o "$unpacked/frames" --from 40 --to 41 --fps 10 --no-progress) \
    2> "$unpacked/capture.log"; then
  cat "$unpacked/capture.log"
  # A file of the data set that was not found is reported, not fatal.
  if grep -E "Could not|Couldn't|not found" "$unpacked/capture.log"; then
    fail "the unpacked data set was not found whole"
  fi
  frames=$(find "$unpacked/frames" -name 'frame*.png' | wc -l)
  [[ $frames -eq 10 ]] || fail "expected 10 frames, got $frames"
  [[ -s "$unpacked/frames/audio.wav" ]] || fail "no sound written"
else
  cat "$unpacked/capture.log"
  fail "the unpacked capture tool could not render"
fi

if [[ $failures -gt 0 ]]; then
  echo "package: $failures check(s) failed" >&2
  exit 1
fi
echo "package: $(basename "$deb") built and checked"
