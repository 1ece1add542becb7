#!/usr/bin/env bash
# package-test: the Debian package of a build, unpacked (never installed) and played.
#
#   tools/package-test.sh BUILD_DIR
#
# Packs the built BUILD_DIR with cpack into a scratch folder and unpacks the package with
# dpkg-deb into a temporary root. Checks its control fields and files, decodes each icon,
# validates the desktop and AppStream entries (and the package with lintian when it is
# installed), then starts the unpacked program from an empty folder, where it must find its art
# beside itself, show a lit picture and end with status 0 on Escape (tests/app/smoke.sh, on
# $DISPLAY). Exit status 0 when all held, 1 with a reason otherwise.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:?usage: $0 BUILD_DIR}")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "package-test: FAILED: $*" >&2
  exit 1
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack could not make the package"; }
debs=("$scratch"/out/cubatro_*.deb)
deb=${debs[0]}
[[ -f $deb ]] || fail "no cubatro_*.deb made: $(ls "$scratch/out")"

control=$(dpkg-deb -f "$deb")
for field in 'Package: cubatro$' 'Section: games$' 'Maintainer: .+ <.+@.+>$' 'Description: .+' \
  'Depends: .*libwxgtk-gl3' 'Depends: .*libglu1' 'Depends: (.*, )?fonts-liberation(,|$)'; do
  grep -qE "^$field" <<<"$control" || fail "no control line /$field/ in: $control"
done

unpacked=$scratch/root
dpkg-deb -x "$deb" "$unpacked"
share=$unpacked/usr/share
id=net.cubatro.Cubatro
for file in usr/games/cubatro usr/share/cubatro/cle.obj usr/share/cubatro/cle.mtl \
  usr/share/cubatro/Gfx/Marbre2.bmp usr/share/cubatro/Gfx/Shine9.bw usr/share/pixmaps/cubatro.xpm \
  usr/share/man/man6/cubatro.6.gz usr/share/doc/cubatro/copyright usr/share/doc/cubatro/changelog.gz \
  "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml"; do
  [[ -f $unpacked/$file ]] || fail "the package has no $file"
done
for size in 16 32 48 64 128 256; do
  icon=$share/icons/hicolor/${size}x$size/apps/cubatro.png
  got=$(identify -regard-warnings -format '%m %wx%h %[channels]' "$icon" 2>&1) || fail "$icon: $got"
  [[ $got == "PNG ${size}x$size srgba" ]] || fail "$icon is '$got', not a ${size}-pixel RGBA PNG"
done

desktop-file-validate "$share/applications/$id.desktop" || fail "the desktop entry is not valid"
appstreamcli validate --no-net --explain "$share/metainfo/$id.metainfo.xml" ||
  fail "the AppStream entry is not valid"
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" || fail "lintian reports errors"
fi

# From a folder that has neither "debug" nor the art, the unpacked program finds its art beside
# itself: without it the game would end with status 1.
mkdir "$scratch/elsewhere"
"$root/tests/app/smoke.sh" "$unpacked/usr/games/cubatro" "$scratch/elsewhere" ||
  fail "the unpacked game did not play from an unrelated folder"
echo "package-test: $(basename "$deb") packed, unpacked, validated and played"
