#!/usr/bin/env bash
# Saved screens in a real window under Xvfb, driven as a person would: save the screen twice,
# quit, start again, step to a saved screen with Up (the picture changes), open the gallery with
# PgDn (the 4 by 4 page shows its cell numbers, the two saved screens as pictures), quit with X.
# Usage: saved.sh PATH/TO/ornalis2
set -u
source "$(dirname "$0")/common.bash"

e2e_setup saved "${1:?usage: saved.sh PATH/TO/ornalis2}" import convert compare identify
save="$work/Ornalis2.sav"
e2e_start_xvfb 1920x1080 71 199

# Share of pixels in a box of the window in the gallery numbers' colour (0xFFC000).
orange_share() {
    convert "$1" -crop "$2" +repage -fx "(r>0.75 && g>0.5 && g<0.9 && b<0.35) ? 1 : 0" \
        -format "%[fx:mean]" info:
}
lit_share() {
    convert "$1" -crop "$2" +repage -colorspace Gray -threshold 10% -format "%[fx:mean]" info:
}

# wait_for_picture FILE [SHARE]: waits for a picture, that is at least SHARE of the window lit;
# some screens are sparse, so by default a few tenths of a percent count.
lit=""
min_lit=""
shows_picture() {
    e2e_shot "$1" || fail "cannot take a screenshot"
    lit=$(convert "$1.window.png" -colorspace Gray -threshold 10% -format "%[fx:mean]" info:)
    awk -v l="$lit" -v m="$min_lit" 'BEGIN { exit !(l >= m) }'
}
wait_for_picture() {
    min_lit=${2:-0.003}
    e2e_wait_for_picture "$1" 10 shows_picture "while showing its picture" \
        || fail "no picture after 20 s and three new screens (lit share $lit, wanted $min_lit)"
}

# The gallery's first thumbnails hold the keys for 18 frames: X is held past that.
quit_hold=0.8

# ---- First run: save the screen twice, quit.
e2e_start_program Escape
# The saved screen must show as a picture in its gallery cell (over 1% lit, checked below), and
# a thumbnail keeps a screen's lit share only roughly: save one with 2% of the window lit.
wait_for_picture "$work/first.png" 0.02
press s || fail "cannot send S"
press s || fail "cannot send S"
[ -f "$save" ] || fail "no save file after S"
lines=$(tr -cd '\n' <"$save" | wc -c)
crlf=$(grep -c $'\r$' "$save")
[ "$lines" -eq 2 ] && [ "$crlf" -eq 2 ] || fail "the save file holds $lines lines ($crlf with CR LF), not 2"
[ "$(sed -n 1p "$save")" = "$(sed -n 2p "$save")" ] || fail "the two saved lines differ"
e2e_quit "$quit_hold"
echo "first run: saved $(head -n 1 "$save" | tr -d '\r') twice, ended with 0"

# ---- Second run: Up shows the saved screen, PgDn the gallery page.
e2e_start_program Escape
wait_for_picture "$work/fresh.png"
press Up || fail "cannot send Up"
sleep 2
e2e_shot "$work/loaded.png" || fail "cannot take a screenshot"
e2e_differs "$work/fresh.png.window.png" "$work/loaded.png.window.png" 0.003 \
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
    e2e_shot "$work/gallery.png" || fail "cannot take a screenshot"
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

e2e_quit "$quit_hold"
echo "PASS: saved twice, browsed to a saved screen, gallery page shown, program ended with 0"
