#!/usr/bin/env bash
# Saved screens in a real window under Xvfb, driven as a person would: save the screen twice,
# quit, start again, step to a saved screen with Up (the picture changes), open the gallery with
# PgDn (the 4 by 4 page shows its cell numbers, the two saved screens as pictures), quit with X.
# Usage: saved.sh PATH/TO/ornalis2
set -u

program=${1:?usage: saved.sh PATH/TO/ornalis2}
bin=$(cd "$(dirname "$program")" && pwd)
work=$(mktemp -d /tmp/orn-e2e-saved-XXXXXX)
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

for tool in Xvfb xdotool xwininfo xdpyinfo import convert compare; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
done
[ -x "$program" ] || fail "no program at $program"

# The save file lives beside the program: run a private copy of its folder.
cp "$program" "$work/ornalis2" || fail "cannot copy the program"
cp -r "$bin/pix" "$work/" || fail "no pix folder beside the program"
cp "$bin/Graphics.paq" "$bin/Sound.paq" "$work/" || fail "no packs beside the program"
save="$work/Ornalis2.sav"

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

# Starts the program, answers No to the full-screen question and waits for its window.
start_program() {
    "$work/ornalis2" >>"$work/program.out" 2>&1 &
    program_pid=$!
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
    main=$(timeout 15 xdotool search --sync --onlyvisible --name "Ornalis 2 - " | head -n 1)
    [ -n "$main" ] || fail "the main window did not appear within 15 s after answering No"
    xdotool windowfocus --sync "$main" 2>/dev/null
    geometry=$(xwininfo -id "$main" -int)
    wx=$(awk '/Absolute upper-left X/{print $4}' <<<"$geometry")
    wy=$(awk '/Absolute upper-left Y/{print $4}' <<<"$geometry")
    ww=$(awk '/Width:/{print $2}' <<<"$geometry")
    wh=$(awk '/Height:/{print $2}' <<<"$geometry")
    [ "$ww" -gt 0 ] && [ "$wh" -gt 0 ] || fail "cannot read the main window's geometry"
}

# The window's pixels as FILE.window.png, with the share of lit pixels in $lit.
shot() {
    import -window root "$1" 2>/dev/null || return 1
    convert "$1" -crop "${ww}x${wh}+${wx}+${wy}" +repage "$1.window.png" || return 1
    lit=$(convert "$1.window.png" -colorspace Gray -threshold 10% -format "%[fx:mean]" info:)
}

# Random screens can be sparse, faint scatters: a person would press N for another one, and so
# does the test after five seconds without a picture.
wait_for_picture() {
    for attempt in $(seq 1 40); do
        kill -0 "$program_pid" 2>/dev/null || fail "the program ended while showing its picture"
        shot "$1" || fail "cannot take a screenshot"
        # Some screens are sparse: a few tenths of a percent of lit pixels is a picture.
        awk -v l="$lit" 'BEGIN { exit !(l >= 0.003) }' && return 0
        [ $((attempt % 10)) -eq 0 ] && { press n || fail "cannot send N"; }
        sleep 0.5
    done
    fail "no picture after 20 s and three new screens (lit share $lit)"
}

# A held key acts once, then the lock-out runs for 0.35 s; a key held longer than what is left
# of a running lock-out acts when it ends. Optional second argument: seconds to hold.
press() {
    xdotool keydown --window "$main" "$1" || return 1
    sleep "${2:-0.25}"
    # After X the window may already be gone.
    xdotool keyup --window "$main" "$1" 2>/dev/null
    sleep 0.4
}

quit_program() {
    # The gallery's first thumbnails hold the keys for 18 frames: hold X past that.
    press x 0.8 || fail "cannot send X"
    for _ in $(seq 1 100); do
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$program_pid" 2>/dev/null && fail "the program did not end within 10 s of X"
    wait "$program_pid"
    code=$?
    program_pid=""
    [ "$code" -eq 0 ] || fail "the program ended with exit code $code"
}

# Share of pixels in a box of the window in the gallery numbers' colour (0xFFC000).
orange_share() {
    convert "$1" -crop "$2" +repage -fx "(r>0.75 && g>0.5 && g<0.9 && b<0.35) ? 1 : 0" \
        -format "%[fx:mean]" info:
}
lit_share() {
    convert "$1" -crop "$2" +repage -colorspace Gray -threshold 10% -format "%[fx:mean]" info:
}

# ---- First run: save the screen twice, quit.
start_program
wait_for_picture "$work/first.png"
press s || fail "cannot send S"
press s || fail "cannot send S"
[ -f "$save" ] || fail "no save file after S"
lines=$(tr -cd '\n' <"$save" | wc -c)
crlf=$(grep -c $'\r$' "$save")
[ "$lines" -eq 2 ] && [ "$crlf" -eq 2 ] || fail "the save file holds $lines lines ($crlf with CR LF), not 2"
[ "$(sed -n 1p "$save")" = "$(sed -n 2p "$save")" ] || fail "the two saved lines differ"
quit_program
echo "first run: saved $(head -n 1 "$save" | tr -d '\r') twice, ended with 0"

# ---- Second run: Up shows the saved screen, PgDn the gallery page.
start_program
wait_for_picture "$work/fresh.png"
press Up || fail "cannot send Up"
sleep 2
shot "$work/loaded.png" || fail "cannot take a screenshot"
changed=$(compare -metric AE -fuzz 5% "$work/fresh.png.window.png" "$work/loaded.png.window.png" null: 2>&1)
awk -v d="$changed" -v n=$((ww * wh)) 'BEGIN { exit !(d + 0 > n * 0.003) }' \
    || fail "the picture after Up is the one before ($changed pixels differ)"
echo "after Up: $changed pixels changed"

press Next || fail "cannot send PgDn"
# The page builds one cell at a time; every cell shows its number, in orange, just below its
# centre, and the two saved screens as pictures in cells 1 and 2.
cw=$((ww / 4))
ch=$((wh / 4))
page=no
for _ in $(seq 1 40); do
    kill -0 "$program_pid" 2>/dev/null || fail "the program ended while building the gallery"
    shot "$work/gallery.png" || fail "cannot take a screenshot"
    numbered=0
    for row in 0 1 2 3; do
        for col in 0 1 2 3; do
            box="$((cw / 2))x$((ch / 4))+$((col * cw + cw / 4))+$((row * ch + ch / 2 - 2))"
            share=$(orange_share "$work/gallery.png.window.png" "$box")
            awk -v s="$share" 'BEGIN { exit !(s > 0.002) }' && numbered=$((numbered + 1))
        done
    done
    [ "$numbered" -eq 16 ] && { page=yes; break; }
    sleep 1
done
[ "$page" = yes ] || fail "the gallery page shows numbers in $numbered of 16 cells"
first_cell=$(lit_share "$work/gallery.png.window.png" "${cw}x${ch}+0+0")
empty_cell=$(lit_share "$work/gallery.png.window.png" "${cw}x$((ch / 2 - 4))+$((3 * cw))+$((3 * ch))")
awk -v a="$first_cell" -v b="$empty_cell" 'BEGIN { exit !(a > 0.01 && b < 0.005) }' \
    || fail "the gallery's first cell (lit $first_cell) or an empty cell (lit $empty_cell) looks wrong"
echo "gallery: 16 numbered cells, first cell lit $first_cell, empty cell lit $empty_cell"
[ -n "${SHOT_COPY:-}" ] && cp "$work/gallery.png.window.png" "$SHOT_COPY"

quit_program
echo "PASS: saved twice, browsed to a saved screen, gallery page shown, program ended with 0"
