#!/usr/bin/env bash
# soak: plays the game on a virtual X server for a given time with random input, and checks that
# it neither crashes nor reports a sanitizer error, and that its memory stays steady.
#
#   tools/soak.sh [SECONDS] [BUILD_DIR]      defaults: 600 s, build-asan (built when missing)
#
# Input, drawn at random (seeded by SOAK_SEED, default 1, so a failing run can be replayed):
# presses and releases of the game's keys and of keys it must ignore, keys held for a while and
# repeated; the window shrunk to the smallest size the toolkit allows (1 x 1 asked) and restored;
# the window unmapped and mapped again, as a window manager minimises and restores it; the focus
# moved to the FPS window and back; the about box opened from its menu and closed. Escape, which
# quits at once, is kept for the end: the game must then end with status 0 and, under the leak
# checker, report no leak.
#
# The resident size is sampled every few seconds. The first minute is warm-up (the driver builds
# its shaders, the textures and lists are made, the allocator fills its caches); from then on the
# resident size may grow by at most 10 % plus 16 MB. Prints the samples, the peak resident size
# after warm-up and at the end, and exits non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
build=$(realpath -m "${2:-$root/build-asan}")
seed=${SOAK_SEED:-1}
warmup=60
((seconds < warmup + 30)) && warmup=$((seconds / 3))

say() { echo "soak: $*"; }
fail() {
  say "FAILED: $*"
  [[ -f ${work:-}/stderr.txt ]] && { say "the game's standard error:"; tail -40 "$work/stderr.txt"; }
  exit 1
}

if [[ ! -x $build/app/cubatro ]]; then
  "$root/tools/setup.sh"
  "$root/tools/build.sh" "$build" -DCMAKE_BUILD_TYPE=Debug -DCUBATRO_SANITIZE=ON -DCUBATRO_BUILD_APP=ON
fi
[[ -d $build/app/debug/Gfx ]] || fail "no generated art in $build/app/debug"

# On $DISPLAY, or on a server of its own when none is set.
[[ -n ${DISPLAY:-} ]] || exec "$root/tests/app/with-display.sh" "$0" "$@"

work=$(mktemp -d)
game_pid=
cleanup() {
  [[ -n $game_pid ]] && kill -9 "$game_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The game in a directory of its own, whose "debug" holds the art.
cp -r "$build/app/debug" "$work/debug"
export GDK_BACKEND=x11 NO_AT_BRIDGE=1
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:abort_on_error=1:detect_leaks=1:intercept_tls_get_addr=0}:quarantine_size_mb=16
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:suppressions=$root/tests/app/lsan_gui.supp:print_suppressions=0
(cd "$work" && exec "$build/app/cubatro" >stdout.txt 2>stderr.txt) &
game_pid=$!

window() { xdotool search --all --onlyvisible --pid "$game_pid" --name "$1" 2>/dev/null | head -1; }
alive() { kill -0 "$game_pid" 2>/dev/null; }
for _ in $(seq 600); do
  game=$(window '^Sans titre - Cubatro$')
  fps=$(window '^FPS$')
  [[ -n $game && -n $fps ]] && break
  alive || fail "the game ended before its window appeared"
  sleep 0.1
done
[[ -n $game && -n $fps ]] || fail "no game window after 60 s"

rss() { awk '/^VmRSS/ {print $2}' "/proc/$game_pid/status" 2>/dev/null; }
hwm() { awk '/^VmHWM/ {print $2}' "/proc/$game_pid/status" 2>/dev/null; }

keys=(Up Down Left Right End Delete F1 F2 Up Up Left Right End Delete
  KP_Add KP_Subtract shift+Delete ctrl+c ctrl+x ctrl+v ctrl+z shift+Insert ctrl+Insert
  alt+BackSpace space a Return Tab)
held=(Up Down Left Right End Delete F1 F2)

# One random action; RANDOM is seeded for replay.
declare -A kinds
count() { kinds[$1]=$((${kinds[$1]:-0} + 1)); }
act() {
  local r=$((RANDOM % 100)) k
  if ((r < 55)); then
    count key
    k=${keys[RANDOM % ${#keys[@]}]}
    xdotool windowfocus "$game" key --window "$game" "$k" 2>/dev/null
  elif ((r < 70)); then
    count held
    k=${held[RANDOM % ${#held[@]}]}
    xdotool windowfocus "$game" keydown --window "$game" "$k" sleep "0.$((RANDOM % 9 + 1))" keyup "$k" 2>/dev/null
  elif ((r < 76)); then
    count repeated
    k=${held[RANDOM % ${#held[@]}]}
    presses=()  # the same key 2 to 31 times, 15 ms apart, as the keyboard's own repeat sends it
    for ((i = RANDOM % 30 + 2; i > 0; i--)); do presses+=("$k"); done
    xdotool windowfocus "$game" key --window "$game" --delay 15 "${presses[@]}" 2>/dev/null
  elif ((r < 83)); then
    count resize
    xdotool windowsize "$game" 1 1 sleep 0.3 windowsize "$game" $((RANDOM % 600 + 200)) $((RANDOM % 400 + 150)) \
      sleep 0.3 windowsize "$game" 800 600 2>/dev/null
  elif ((r < 88)); then
    count minimise
    xdotool windowunmap "$game" sleep "0.$((RANDOM % 9 + 1))" windowmap "$game" 2>/dev/null
  elif ((r < 95)); then
    count focus
    # A key pressed in the game, released while another window has the focus.
    xdotool windowfocus "$game" keydown --window "$game" Up windowfocus "$fps" sleep 0.2 keyup Up \
      windowfocus "$game" 2>/dev/null
  else
    count about
    xdotool windowfocus "$game" key --window "$game" alt+question sleep 0.5 key Return 2>/dev/null
    local about=
    for _ in $(seq 50); do
      about=$(window '^A propos de Cubatro$')
      [[ -n $about ]] && break
      sleep 0.1
    done
    [[ -n $about ]] || { say "the about box did not open"; return 1; }
    xdotool windowfocus "$about" key --window "$about" Return 2>/dev/null
    for _ in $(seq 50); do
      [[ -z $(window '^A propos de Cubatro$') ]] && return 0
      sleep 0.1
    done
    say "the about box did not close"
    return 1
  fi
  sleep "0.0$((RANDOM % 10))"
}

RANDOM=$seed
start=$SECONDS
next_sample=0
base_rss=
actions=0
say "game $game_pid on $DISPLAY, $seconds s, seed $seed"
printf 'soak: %6s %10s %10s %8s\n' time rss_kB peak_kB actions
while ((SECONDS - start < seconds)); do
  alive || fail "the game ended during the soak (after $((SECONDS - start)) s, $actions actions)"
  act || fail "a dialog misbehaved"
  actions=$((actions + 1))
  t=$((SECONDS - start))
  if ((t >= next_sample)); then
    printf 'soak: %6s %10s %10s %8s\n' "$t" "$(rss)" "$(hwm)" "$actions"
    if [[ -z $base_rss ]] && ((t >= warmup)); then
      base_rss=$(rss)
      base_hwm=$(hwm)
    fi
    next_sample=$((t + 10))
  fi
done
end_rss=$(rss)
end_hwm=$(hwm)
[[ -n $base_rss ]] || { base_rss=$end_rss; base_hwm=$end_hwm; }

# Escape ends the game at once; the leak checker then runs.
xdotool windowfocus "$game" key --window "$game" Escape
for _ in $(seq 600); do alive || break; sleep 0.1; done
alive && fail "Escape did not end the game within 60 s"
wait "$game_pid"
status=$?
game_pid=
grep -E -q 'ERROR: (Address|Leak)Sanitizer|runtime error:' "$work/stderr.txt" && fail "sanitizer report"
((status == 0)) || fail "the game ended with status $status"

say "$actions actions in $((SECONDS - start)) s:$(for k in "${!kinds[@]}"; do printf ' %s %s' "$k" "${kinds[$k]}"; done)"
say "resident after warm-up ${base_rss} kB (peak ${base_hwm} kB), at the end ${end_rss} kB (peak ${end_hwm} kB)"
limit=$((base_rss + base_rss / 10 + 16384))
((end_rss <= limit)) || fail "memory grew from ${base_rss} kB to ${end_rss} kB (limit ${limit} kB)"
say "passed"
