#!/usr/bin/env bash
# The real window under Xvfb on a 1366 by 768 desktop: answering No to the full-screen question
# opens a 600 by 600 window titled "Ornalis 2 - ornalis.example", Yes opens one of the whole
# desktop; X ends the program with 0, and so does a close request (SIGTERM reaches SDL as a
# quit, which the engine turns into a held X).
# Usage: window.sh PATH/TO/ornalis2
set -u

program=${1:?usage: window.sh PATH/TO/ornalis2}
bin=$(cd "$(dirname "$program")" && pwd)
work=$(mktemp -d /tmp/orn-window-XXXXXX)
xvfb_pid=""
program_pid=""

cleanup() {
    if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then kill -KILL "$program_pid" 2>/dev/null; fi
    if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then kill "$xvfb_pid" 2>/dev/null; fi
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -s "$work/program.out" ] && { echo "--- program output:" >&2; tail -n 20 "$work/program.out" >&2; }
    exit 1
}

for tool in Xvfb xdotool xwininfo xdpyinfo; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
done
[ -x "$program" ] || fail "no program at $program"
cp "$program" "$work/ornalis2" && cp -r "$bin/pix" "$bin/Graphics.paq" "$bin/Sound.paq" "$work/" \
    || fail "cannot copy the program and its assets"

display=""
for n in $(seq 201 299); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
done
[ -n "$display" ] || fail "no free display number"
Xvfb ":$display" -screen 0 1366x768x24 -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
for _ in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start"
    sleep 0.1
done

# Starts the program, answers the question with a key, and sets main to the main window's id.
start() {
    "$work/ornalis2" >"$work/program.out" 2>&1 &
    program_pid=$!
    local box=""
    for _ in $(seq 1 150); do
        box=$(xwininfo -name "Ornalis 2" -int 2>/dev/null | awk '/Window id/{print $4}')
        [ -n "$box" ] && break
        kill -0 "$program_pid" 2>/dev/null || fail "the program ended before asking about full screen"
        sleep 0.1
    done
    [ -n "$box" ] || fail "the question \"Run full screen?\" never appeared"
    xdotool windowfocus --sync "$box" || fail "cannot focus the question box"
    xdotool key "$1"
    main=""
    local deadline=$((SECONDS + 15))
    while [ -z "$main" ] && [ "$SECONDS" -lt "$deadline" ]; do
        main=$(timeout 5 xdotool search --sync --onlyvisible --name "^Ornalis 2 - ornalis\.example$" 2>/dev/null | head -n 1)
        kill -0 "$program_pid" 2>/dev/null || fail "the program ended after the question"
    done
    [ -n "$main" ] || fail "no window titled \"Ornalis 2 - ornalis.example\" after answering with $1"
    sleep 1
}

size() { xwininfo -id "$1" -int | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}'; }

# Waits up to 10 s for the program to end and checks its exit code.
ended() {
    for _ in $(seq 1 100); do
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$program_pid" 2>/dev/null && fail "the program did not end within 10 s of $1"
    wait "$program_pid"
    local code=$?
    program_pid=""
    [ "$code" -eq 0 ] || fail "the program ended with exit code $code after $1"
}

start Escape
[ "$(size "$main")" = "600x600" ] || fail "windowed on 1366x768: expected 600x600, got $(size "$main")"
xdotool windowfocus --sync "$main" 2>/dev/null
xdotool keydown --window "$main" x 2>/dev/null || fail "cannot send X"
sleep 0.25
xdotool keyup --window "$main" x 2>/dev/null
ended X

start Return
[ "$(size "$main")" = "1366x768" ] || fail "full screen on 1366x768: got $(size "$main")"
kill -TERM "$program_pid"
ended "a close request"
echo "PASS: 600x600 window, full screen 1366x768, X and a close request end the program with 0"
