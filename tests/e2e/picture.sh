#!/usr/bin/env bash
# The real program in a real window under Xvfb, driven as a person would: answer the full-screen
# question with No, wait for the first picture, press N, check that the window shows a picture
# (a good share of lit pixels in more than one colour), press X and expect a clean exit.
# Usage: picture.sh PATH/TO/ornalis2
set -u
source "$(dirname "$0")/common.bash"

e2e_setup picture "${1:?usage: picture.sh PATH/TO/ornalis2}" import convert compare identify
e2e_start_xvfb 1920x1080 71 199
e2e_start_program Escape

# Share of the window's pixels brighter than 2% of full scale (the sprites are painted a pixel
# or two wide, so a picture is many faint dots), and its number of colours; the top rows, where
# the info text and messages stand, are left out.
textRows=130
lit=""
colours=""
# Some screens are sparse curves of faint dots, so a picture counts from 0.2% of the window
# lit (about 1600 pixels at 960 by 830); a blank or black window has none.
shows_picture() {
    e2e_shot "$1" "$textRows" || fail "cannot take a screenshot"
    lit=$(convert "$1.window.png" -colorspace Gray -threshold 2% -format "%[fx:mean]" info:)
    colours=$(convert "$1.window.png" -format "%k" info:)
    awk -v l="$lit" -v c="$colours" 'BEGIN { exit !(l >= 0.002 && c >= 50) }'
}

# The first picture grows for a second or two; a sparse screen is replaced after five seconds.
e2e_wait_for_picture "$work/first.png" 10 shows_picture "while showing its first picture" \
    || fail "no first picture after 15 s (lit share $lit, $colours colours)"

press n || fail "cannot send N"
# Two seconds later the new picture shows; a small one is still being zoomed in by the
# auto-fit, so give it up to ten seconds more.
sleep 2
shown=no
e2e_wait_for_picture "$work/shot.png" 20 shows_picture "after N" && shown=yes
echo "after N: lit share $lit, $colours colours"
[ "$shown" = yes ] || fail "the screenshot after N shows no picture (lit share $lit, $colours colours)"
# N built another screen: the picture is not the one shown before.
e2e_differs "$work/first.png.window.png" "$work/shot.png.window.png" 0.01 \
    || fail "the picture after N is the first picture ($changed pixels differ)"
[ -n "${SHOT_COPY:-}" ] && cp "$work/shot.png.window.png" "$SHOT_COPY"

e2e_quit
echo "PASS: picture shown after N, program ended with 0"
