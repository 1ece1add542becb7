#!/usr/bin/env bash
# Sets up the machine, builds Cubatro and starts the game.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/setup.sh
tools/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [[ ! -x build/app/cubatro ]]; then
  echo "play: everything is built, but the game program is not there yet."
  exit 1
fi
exec build/app/cubatro "$@"
