#!/usr/bin/env bash
# The real window under Xvfb on a 1366 by 768 desktop: answering No to the full-screen question
# opens a 600 by 600 window titled "Ornalis 2 - ornalis.example", Yes opens one of the whole
# desktop; X ends the program with 0, and so does a close request (SIGTERM reaches SDL as a
# quit, which the engine turns into a held X).
# Usage: window.sh PATH/TO/ornalis2
set -u
source "$(dirname "$0")/common.bash"

e2e_setup window "${1:?usage: window.sh PATH/TO/ornalis2}"
e2e_start_xvfb 1366x768 201 299
title='^Ornalis 2 - ornalis\.example$'

e2e_start_program Escape "$title"
[ "${ww}x${wh}" = "600x600" ] || fail "windowed on 1366x768: expected 600x600, got ${ww}x${wh}"
e2e_quit

e2e_start_program Return "$title"
[ "${ww}x${wh}" = "1366x768" ] || fail "full screen on 1366x768: got ${ww}x${wh}"
kill -TERM "$program_pid"
e2e_ended "a close request"
echo "PASS: 600x600 window, full screen 1366x768, X and a close request end the program with 0"
