#!/usr/bin/env bash
# Installs every Debian package that Cubatro needs to build, run, test and fuzz, when missing.
# Idempotent and quiet when everything is present; runs apt-get update only before an install.
set -euo pipefail

packages=(
  # toolchain and build
  g++ clang libclang-rt-14-dev cmake ninja-build pkg-config
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # OpenGL, GLU, headless EGL on Mesa
  libgl-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri
  # text: font lookup and glyph rendering, and the face the game asks for
  libfontconfig-dev libfreetype-dev fonts-liberation
  # the desktop shell and its window tests
  libwxgtk3.2-dev libgtk-3-dev libx11-dev xvfb xauth xdotool x11-utils
  # other tools' image and model files, read and written in tests and benchmarks
  imagemagick netpbm assimp-utils libassimp-dev libtinyobjloader-dev
  # the Debian package: its dependencies, its checks
  dpkg-dev file lintian appstream desktop-file-utils
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [[ $(id -u) -eq 0 ]] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
