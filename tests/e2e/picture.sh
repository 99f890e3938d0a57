#!/usr/bin/env bash
# The real program in a real window under Xvfb, driven as a person would: answer the full-screen
# question with No, wait for the first picture, press N, check that the window shows a picture
# (a good share of lit pixels in more than one colour), press X and expect a clean exit.
# Usage: picture.sh PATH/TO/ornalis2
set -u

program=${1:?usage: picture.sh PATH/TO/ornalis2}
bin=$(cd "$(dirname "$program")" && pwd)
work=$(mktemp -d /tmp/orn-e2e-XXXXXX)
xvfb_pid=""
program_pid=""

cleanup() {
    if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then kill "$program_pid" 2>/dev/null; fi
    if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then kill "$xvfb_pid" 2>/dev/null; fi
    wait 2>/dev/null
    if [ -n "${KEEP_E2E:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    for f in "$work/program.out" "$work/ornalis2.log"; do
        [ -s "$f" ] && { echo "--- $(basename "$f"):" >&2; tail -n 20 "$f" >&2; }
    done
    exit 1
}

for tool in Xvfb xdotool xwininfo xdpyinfo import convert; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
done
[ -x "$program" ] || fail "no program at $program"

# The program keeps its save file and log beside itself: run a private copy of its folder.
cp "$program" "$work/ornalis2" || fail "cannot copy the program"
cp -r "$bin/pix" "$work/" || fail "no pix folder beside the program"
cp "$bin/Graphics.paq" "$bin/Sound.paq" "$work/" || fail "no packs beside the program"

# A display number nobody uses.
display=""
for n in $(seq 71 199); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
done
[ -n "$display" ] || fail "no free display number"
Xvfb ":$display" -screen 0 1920x1080x24 -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb on $DISPLAY does not answer"

export SDL_VIDEODRIVER=x11
export SDL_AUDIODRIVER=dummy
"$work/ornalis2" >"$work/program.out" 2>&1 &
program_pid=$!

# The full-screen question: found by name only through xwininfo; Escape answers No.
box=""
for _ in $(seq 1 150); do
    box=$(xwininfo -name "Ornalis 2" -int 2>/dev/null | awk '/Window id/{print $4}')
    [ -n "$box" ] && break
    kill -0 "$program_pid" 2>/dev/null || fail "the program ended before asking about full screen"
    sleep 0.1
done
[ -n "$box" ] || fail "the question \"Run full screen?\" never appeared"
xdotool windowfocus --sync "$box" || fail "cannot focus the question box"
xdotool key Escape

# A search can die on a window that vanishes under it: search again until 15 s have passed.
main=""
deadline=$((SECONDS + 15))
while [ -z "$main" ] && [ "$SECONDS" -lt "$deadline" ]; do
    main=$(timeout 5 xdotool search --sync --onlyvisible --name "Ornalis 2 - " 2>/dev/null | head -n 1)
    kill -0 "$program_pid" 2>/dev/null || fail "the program ended after the question"
done
[ -n "$main" ] || fail "the main window did not appear within 15 s after answering No"
# The window may be made again once while the display is set up: take the one that stays.
geometry=""
for _ in $(seq 1 30); do
    sleep 0.5
    kill -0 "$program_pid" 2>/dev/null || fail "the program ended after opening its window"
    current=$(xdotool search --onlyvisible --name "Ornalis 2 - " 2>/dev/null | head -n 1)
    if [ -n "$current" ] && [ "$current" = "$main" ] && geometry=$(xwininfo -id "$main" -int 2>/dev/null); then
        break
    fi
    geometry=""
    [ -n "$current" ] && main=$current
done
[ -n "$geometry" ] || fail "the main window did not settle"
xdotool windowfocus --sync "$main" 2>/dev/null

# The window's place on the root window, for cropping the screenshots.
wx=$(awk '/Absolute upper-left X/{print $4}' <<<"$geometry")
wy=$(awk '/Absolute upper-left Y/{print $4}' <<<"$geometry")
ww=$(awk '/Width:/{print $2}' <<<"$geometry")
wh=$(awk '/Height:/{print $2}' <<<"$geometry")
[ "${ww:-0}" -gt 0 ] && [ "${wh:-0}" -gt 0 ] || fail "cannot read the main window's geometry"

# Share of the window's pixels brighter than 2% of full scale (the sprites are painted a pixel
# or two wide, so a picture is many faint dots), and its number of colours; the top rows, where
# the info text and messages stand, are left out.
textRows=130
measure() {
    import -window root "$1" 2>/dev/null || return 1
    convert "$1" -crop "${ww}x$((wh - textRows))+${wx}+$((wy + textRows))" +repage "$1.window.png" || return 1
    lit=$(convert "$1.window.png" -colorspace Gray -threshold 2% -format "%[fx:mean]" info:)
    colours=$(convert "$1.window.png" -format "%k" info:)
}
# Some screens are sparse curves of faint dots, so a picture counts from 0.2% of the window
# lit (about 1600 pixels at 960 by 830); a blank or black window has none.
enough() { awk -v l="$lit" -v c="$colours" 'BEGIN { exit !(l >= 0.002 && c >= 50) }'; }

# A held key acts once, then the lock-out runs for 0.35 s.
press() {
    xdotool keydown --window "$main" "$1" && sleep 0.25 && xdotool keyup --window "$main" "$1"
}

# The first picture grows for a second or two. A random screen can be a sparse scatter too
# faint to count: as a person would, ask for another one after five seconds.
first=no
for i in $(seq 1 40); do
    kill -0 "$program_pid" 2>/dev/null || fail "the program ended while showing its first picture"
    measure "$work/first.png" || fail "cannot take a screenshot"
    if enough; then first=yes; break; fi
    [ $((i % 10)) -eq 0 ] && { press n || fail "cannot send N"; }
    sleep 0.5
done
[ "$first" = yes ] || fail "no first picture after 15 s (lit share $lit, $colours colours)"

press n || fail "cannot send N"
# Two seconds later the new picture shows; a small one is still being zoomed in by the
# auto-fit, so give it up to ten seconds more.
sleep 2
shown=no
for i in $(seq 1 40); do
    kill -0 "$program_pid" 2>/dev/null || fail "the program ended after N"
    measure "$work/shot.png" || fail "cannot take a screenshot"
    if enough; then shown=yes; break; fi
    [ $((i % 20)) -eq 0 ] && { press n || fail "cannot send N"; }
    sleep 0.5
done
echo "after N: lit share $lit, $colours colours"
[ "$shown" = yes ] || fail "the screenshot after N shows no picture (lit share $lit, $colours colours)"
# N built another screen: the picture is not the one shown before.
changed=$(compare -metric AE -fuzz 5% "$work/first.png.window.png" "$work/shot.png.window.png" null: 2>&1)
awk -v d="$changed" -v n=$((ww * (wh - textRows))) 'BEGIN { exit !(d + 0 > n * 0.01) }' \
    || fail "the picture after N is the first picture ($changed pixels differ)"
[ -n "${SHOT_COPY:-}" ] && cp "$work/shot.png.window.png" "$SHOT_COPY"

# X ends the program while the key is still down, so the key's release may find no window.
xdotool keydown --window "$main" x 2>/dev/null || fail "cannot send X"
sleep 0.25
xdotool keyup --window "$main" x 2>/dev/null
for _ in $(seq 1 100); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$program_pid" 2>/dev/null && fail "the program did not end within 10 s of X"
wait "$program_pid"
code=$?
program_pid=""
[ "$code" -eq 0 ] || fail "the program ended with exit code $code"
echo "PASS: picture shown after N, program ended with 0"
