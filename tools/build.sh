#!/usr/bin/env bash
# Configures and builds one tree. Usage: tools/build.sh <build-dir> [cmake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
generator=()
[[ -f "$dir/CMakeCache.txt" ]] || { command -v ninja >/dev/null && generator=(-G Ninja); }
mkdir -p "$dir"
cmake -S "$root" -B "$dir" "${generator[@]}" "$@" >"$dir/configure.log" 2>&1 || { cat "$dir/configure.log"; exit 1; }
cmake --build "$dir" --parallel "$(nproc)"
