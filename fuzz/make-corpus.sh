#!/usr/bin/env bash
# make-corpus: regenerates the seed corpora under fuzz/corpus/<target>/.
#
#   fuzz/make-corpus.sh
# Seeds come from the project's own writers (fuzz_corpus_maker: SaveFileBMP, SaveFileRAW, the
# art generator's SGI writer, glmWriteOBJ) and from other tools (ImageMagick, netpbm, assimp),
# plus a few hand-written OBJ texts for statements our writer never produces. The output is
# deterministic; commit it. Builds the fuzz project in build-fuzz/ when needed.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${CUBATRO_FUZZ_BUILD:-$root/build-fuzz}
corpus=$root/fuzz/corpus
targets=(bmp raw sgi obj obj_roundtrip)

if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" -j2 --target fuzz_corpus_maker >/dev/null

for t in "${targets[@]}"; do
  rm -rf "${corpus:?}/$t"
  mkdir -p "$corpus/$t"
done
"$build/fuzz_corpus_maker" "$corpus"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

# --- BMP: ImageMagick and netpbm (24-bit ones load; the others exercise the refusals) -------
convert -size 6x5 gradient:red-blue -type truecolor BMP3:"$corpus/bmp/magick-6x5-bmp3.bmp"
convert -size 3x7 plasma:fractal -seed 7 -type truecolor BMP3:"$corpus/bmp/magick-3x7-bmp3.bmp" 2>/dev/null ||
  convert -size 3x7 gradient:green-white -type truecolor BMP3:"$corpus/bmp/magick-3x7-bmp3.bmp"
convert -size 5x3 gradient:yellow-black -type truecolor BMP:"$corpus/bmp/magick-5x3-v5header.bmp"
convert -size 4x4 gradient:white-black -type palette BMP3:"$corpus/bmp/magick-4x4-palette.bmp"
convert -size 4x2 gradient:red-blue -alpha set -channel A -evaluate set 50% -define bmp:format=bmp3 \
  -type truecoloralpha BMP:"$corpus/bmp/magick-4x2-32bit.bmp"
ppmmake rgb:20/80/c0 5 3 | ppmtobmp -bpp 24 >"$corpus/bmp/netpbm-5x3.bmp" 2>/dev/null
pgmramp -lr 7 2 | ppmtobmp >"$corpus/bmp/netpbm-7x2-grey.bmp" 2>/dev/null
# A cut-short file: the headers and half of the pixels.
head -c 60 "$corpus/bmp/netpbm-5x3.bmp" >"$corpus/bmp/netpbm-5x3-cut.bmp"

# --- RAW: packed rows from ImageMagick, behind the six parameter bytes of the target --------
raw_seed() {  # raw_seed <width> <height> <depth 24|32> <name> <ImageMagick source...>
  local w=$1 h=$2 d=$3 name=$4
  shift 4
  local fmt=rgb
  [ "$d" = 32 ] && fmt=rgba
  {
    printf "\\x$(printf %02x $((w - 1)))\\x00\\x$(printf %02x $((h - 1)))\\x00\\x$(printf %02x $((d == 32)))\\x7f"
    convert -size "${w}x${h}" "$@" -depth 8 "$fmt:-"
  } >"$corpus/raw/$name"
}
raw_seed 5 3 24 magick-5x3-24.raw gradient:red-blue
raw_seed 3 5 32 magick-3x5-32.raw gradient:green-white
raw_seed 9 2 24 magick-9x2-24.raw gradient:black-yellow

# --- SGI: netpbm (verbatim and run-length) and ImageMagick (grey and RGB) --------------------
pgmramp -lr 9 4 | pnmtosgi -verbatim >"$corpus/sgi/netpbm-9x4-verbatim.sgi" 2>/dev/null
pgmramp -rect 12 6 | pnmtosgi -rle >"$corpus/sgi/netpbm-12x6-rle.sgi" 2>/dev/null
ppmmake rgb:ff/80/00 4 3 | pnmtosgi -rle >"$corpus/sgi/netpbm-4x3-rgb-rle.sgi" 2>/dev/null
convert -size 6x4 gradient:white-black -colorspace gray -depth 8 SGI:"$corpus/sgi/magick-6x4-grey.sgi"
convert -size 5x3 gradient:red-blue -depth 8 SGI:"$corpus/sgi/magick-5x3-rgb.sgi"
convert -size 3x3 gradient:white-black -colorspace gray -depth 16 SGI:"$corpus/sgi/magick-3x3-grey16.sgi"

# --- OBJ: assimp's export of our pyramid, and hand-written statements -----------------------
# The library follows the model after the marker line "@@" (see fuzz/ObjInput.h).
split_seed() {  # split_seed <seed> <dir>: writes the seed's model and library into dir
  awk -v dir="$2" 'BEGIN { out = dir "/model.obj" } /^@@$/ { out = dir "/pyramid.mtl"; next } { print > out }' "$1"
}
mkdir -p pyr
split_seed "$corpus/obj/own-pyramid-smooth-texture-material.obj" pyr
if assimp export pyr/model.obj pyr/assimp.obj -fobj >/dev/null 2>&1; then
  mtl=$(awk '/^mtllib/ { print $2; exit }' pyr/assimp.obj)
  {
    cat pyr/assimp.obj
    if [ -n "$mtl" ] && [ -f "pyr/$mtl" ]; then printf '@@\n' && cat "pyr/$mtl"; fi
  } >"$corpus/obj/assimp-pyramid.obj"
  cp "$corpus/obj/assimp-pyramid.obj" "$corpus/obj_roundtrip/assimp-pyramid.obj"
fi

hand() {  # hand <name>: the text on standard input becomes a seed of both OBJ targets
  cat >"$corpus/obj/hand-$1.obj"
  cp "$corpus/obj/hand-$1.obj" "$corpus/obj_roundtrip/hand-$1.obj"
}
hand quad-negative <<'EOF'
# a quad and a pentagon with corners counted back from the last vertex
v 0 0 0
v 1 0 0
v 1 1 0
v 0 1 0
v 0.5 1.5 0
f -5 -4 -3 -2
f 1 2 3 5 4
EOF
hand forms <<'EOF'
mtllib lib.mtl
g first
usemtl red
v -1.5e0 2.25 +3
v 4 5 6
v 7 8 9.0
vt 0 0
vt 1 0
vt 1 1
vn 0 0 1
f 1/1/1 2/2/1 3/3/1
g second
usemtl blue
f 1//1 2//1 3//1
f 1/1 2/2 3/3
o object names are skipped
s off
f 3 2 1
@@
# two materials
newmtl red
Kd 1 0 0
Ka 0.1 0 0
Ks 1 1 1
Ns 250
map_Kd red.bmp
newmtl blue
Kd 0 0 1
d 0.5
illum 2
EOF
hand numbers <<'EOF'
v 1e-3 -0.000001 123456789012
v 3.4028235e38 1.17549435e-38 -7.5
v .5 5. -0
f 1 2 3
EOF
hand long-names <<'EOF'
g aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa tail
v 0 0 0
v 1 0 0
v 0 1 0
f 1 2 3
g
f 3 2 1
EOF
printf 'v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3\r\n' | hand crlf

# --- the minimum: counts per target --------------------------------------------------------
for t in "${targets[@]}"; do
  echo "$t: $(find "$corpus/$t" -type f | wc -l) seeds, $(du -sk "$corpus/$t" | cut -f1) KB"
done
