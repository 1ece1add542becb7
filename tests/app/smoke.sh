#!/usr/bin/env bash
# smoke: what only the real program shows, on an X display.
#
#   smoke.sh PROGRAM WORKDIR                 starts PROGRAM in WORKDIR: its window must show a lit
#                                            picture, Escape must end it with status 0
#   smoke.sh --without FILE PROGRAM ARTDIR   starts PROGRAM in a copy of the art ARTDIR without
#                                            FILE: it must say why in a message box and on
#                                            standard error, and end with status 1
#
# Runs on $DISPLAY, or on a server of its own when none is set. Message boxes are answered with
# Return. Every wait has a deadline; exits non-zero with a reason on any failure.
set -uo pipefail
[[ -n ${DISPLAY:-} ]] || exec "$(dirname "$0")/with-display.sh" "$0" "$@"

without=
if [[ ${1:-} == --without ]]; then
  without=$2
  shift 2
fi
[[ $# -eq 2 ]] || { echo "usage: $0 [--without FILE] PROGRAM DIR" >&2; exit 2; }
program=$(realpath "$1")
dir=$2

work=$(mktemp -d)
pid=
cleanup() {
  [[ -n $pid ]] && kill -9 "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "smoke: FAILED: $*" >&2
  echo "smoke: the program's standard error:" >&2
  tail -30 "$work/stderr" >&2
  exit 1
}

if [[ -n $without ]]; then
  cp -r "$dir" "$work/debug"
  rm -f "$work/debug/$without"
  dir=$work
fi

export GDK_BACKEND=x11 NO_AT_BRIDGE=1
(cd "$dir" && exec "$program" >"$work/stdout" 2>"$work/stderr") &
pid=$!
alive() { kill -0 "$pid" 2>/dev/null; }
window() { xdotool search --all --onlyvisible --pid "$pid" --name "$1" 2>/dev/null | head -1; }
# Waits up to 60 s for the program to end and sets status.
finish() {
  for _ in $(seq 600); do alive || break; sleep 0.1; done
  alive && fail "the program did not end within 60 s"
  wait "$pid"
  status=$?
  pid=
}

if [[ -n $without ]]; then
  # Each box is answered; the program must then end on its own. A box writes its text to
  # standard error before it shows: a box up once the reason is there shows the reason.
  told=
  for _ in $(seq 600); do
    alive || break
    box=$(window '^Cubatro$')
    if [[ -n $box ]]; then
      grep -q "Cubatro: cannot start: " "$work/stderr" && told=1
      xdotool windowfocus --sync "$box" key Return 2>/dev/null
    fi
    sleep 0.1
  done
  finish
  ((status == 1)) || fail "without $without the program ended with status $status, not 1"
  grep -q "Cubatro: cannot start: " "$work/stderr" || fail "no reason given on standard error"
  [[ -n $told ]] || fail "the reason was not shown in a message box"
  echo "smoke: without $without: status 1, $(grep -m1 'cannot start' "$work/stderr")"
  exit 0
fi

game=
for _ in $(seq 600); do
  game=$(window '^Sans titre - Cubatro$')
  [[ -n $game ]] && break
  alive || fail "the program ended before its window appeared"
  sleep 0.1
done
[[ -n $game ]] || fail "no game window within 60 s"

# Lit: a tenth of the window or more is bright (the marble floor and cubes under the light).
lit=0
for _ in $(seq 120); do
  lit=$(import -window "$game" png:- 2>/dev/null | convert - -colorspace Gray -threshold 35% -format '%[fx:mean]' info: 2>/dev/null)
  awk -v f="${lit:-0}" 'BEGIN { exit !(f > 0.10) }' && break
  alive || fail "the program ended while drawing"
  sleep 0.5
done
awk -v f="${lit:-0}" 'BEGIN { exit !(f > 0.10) }' || fail "the picture is not lit (bright share ${lit:-none})"

xdotool windowfocus --sync "$game" key Escape || fail "could not press Escape"
finish
((status == 0)) || fail "Escape ended the program with status $status, not 0"
echo "smoke: lit picture (bright share $lit), Escape: status 0"
