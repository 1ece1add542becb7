#!/usr/bin/env bash
# Sets up the machine, builds Cubatro and starts the game. The program runs from build/app,
# whose "debug" subdirectory holds the generated art, so the game finds it there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "play: no display to show the game on (DISPLAY is not set); run it from a desktop session or under xvfb-run." >&2
  exit 1
fi
tools/setup.sh
tools/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cd build/app
exec ./cubatro "$@"
