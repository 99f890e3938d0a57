# What the end-to-end scripts share: a private copy of the program in a work folder, Xvfb, the
# full-screen question, the main window and its place, keys, screenshots and a clean quit.
# Sourced by the scripts in this folder; it is not a test of its own (hence not *.sh).

program_pid=""
xvfb_pid=""
work=""

# True while PID runs (a child that has ended but is not yet waited for counts as ended).
e2e_alive() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null) && [ "${state#Z}" = "$state" ]
}

# Asks PID to end, and kills it if it is still there after three seconds.
e2e_stop() {
    [ -n "$1" ] && e2e_alive "$1" || return 0
    kill "$1" 2>/dev/null
    for _ in $(seq 1 30); do
        e2e_alive "$1" || break
        sleep 0.1
    done
    e2e_alive "$1" && kill -KILL "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}

e2e_cleanup() {
    e2e_stop "$program_pid"
    e2e_stop "$xvfb_pid"
    wait 2>/dev/null
    [ -n "$work" ] || return 0
    if [ -n "${KEEP_E2E:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
}

fail() {
    echo "FAIL: $*" >&2
    for f in "$work/program.out" "$work/ornalis2.log"; do
        [ -s "$f" ] && { echo "--- $(basename "$f"):" >&2; tail -n 20 "$f" >&2; }
    done
    exit 1
}

# e2e_setup NAME PROGRAM TOOL...: checks the tools (besides the X ones every script needs), and
# copies the program with its assets into a fresh work folder, since the program keeps its save
# file and log beside itself. Sets program, bin and work; removes the folder on exit.
e2e_setup() {
    local name=$1
    program=$2
    shift 2
    work=$(mktemp -d "/tmp/orn-e2e-$name-XXXXXX") || { echo "FAIL: cannot make a work folder" >&2; exit 1; }
    trap e2e_cleanup EXIT
    for tool in Xvfb xdotool xwininfo xdpyinfo ps timeout "$@"; do
        command -v "$tool" >/dev/null || fail "$tool is not installed"
    done
    [ -x "$program" ] || fail "no program at $program"
    bin=$(cd "$(dirname "$program")" && pwd)
    cp "$program" "$work/ornalis2" || fail "cannot copy the program"
    cp -r "$bin/pix" "$work/" || fail "no pix folder beside the program"
    cp "$bin/Graphics.paq" "$bin/Sound.paq" "$work/" || fail "no packs beside the program"
}

# e2e_start_xvfb WxH FIRST LAST: starts Xvfb on a display number between FIRST and LAST that
# nobody uses, waits until it answers, and points DISPLAY and SDL at it. Should another process
# take the number between the check and the start, the next free number is tried.
e2e_start_xvfb() {
    local size=$1 n tries=0
    for n in $(seq "$2" "$3"); do
        [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ] || continue
        Xvfb ":$n" -screen 0 "${size}x24" -noreset >"$work/xvfb.log" 2>&1 &
        xvfb_pid=$!
        export DISPLAY=":$n"
        for _ in $(seq 1 100); do
            xdpyinfo >/dev/null 2>&1 && break
            e2e_alive "$xvfb_pid" || break
            sleep 0.1
        done
        if xdpyinfo >/dev/null 2>&1; then
            export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
            return 0
        fi
        e2e_alive "$xvfb_pid" && fail "Xvfb on $DISPLAY does not answer"
        wait "$xvfb_pid" 2>/dev/null
        xvfb_pid=""
        tries=$((tries + 1))
        [ "$tries" -lt 3 ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    done
    fail "no free display number"
}

# e2e_start_program KEY [TITLE]: starts the program, answers the full-screen question with KEY
# (Escape is No, Return is Yes) and waits for the main window, whose title matches the regular
# expression TITLE. Sets main to its id and wx, wy, ww, wh to its place on the root window.
e2e_start_program() {
    local key=$1 title=${2:-Ornalis 2 - } answer box="" deadline current geometry="" previous=""
    case $key in Escape) answer=No ;; Return) answer=Yes ;; *) answer=$key ;; esac
    "$work/ornalis2" >>"$work/program.out" 2>&1 &
    program_pid=$!

    # The question is found by name only through xwininfo.
    for _ in $(seq 1 150); do
        box=$(xwininfo -name "Ornalis 2" -int 2>/dev/null | awk '/Window id/{print $4}')
        [ -n "$box" ] && break
        kill -0 "$program_pid" 2>/dev/null || fail "the program ended before asking about full screen"
        sleep 0.1
    done
    [ -n "$box" ] || fail "the question \"Run full screen?\" never appeared"
    xdotool windowfocus --sync "$box" || fail "cannot focus the question box"
    xdotool key "$key"

    # A search can die on a window that vanishes under it: search again until 15 s have passed.
    main=""
    deadline=$((SECONDS + 15))
    while [ -z "$main" ] && [ "$SECONDS" -lt "$deadline" ]; do
        main=$(timeout 5 xdotool search --sync --onlyvisible --name "$title" 2>/dev/null | head -n 1)
        kill -0 "$program_pid" 2>/dev/null || fail "the program ended after the question"
    done
    [ -n "$main" ] || fail "no main window titled /$title/ within 15 s after answering $answer"

    # The window may be made again once while the display is set up, and a full-screen one may
    # still be growing: take the window whose id and geometry stay the same for half a second.
    for _ in $(seq 1 30); do
        sleep 0.5
        kill -0 "$program_pid" 2>/dev/null || fail "the program ended after opening its window"
        current=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n 1)
        if [ -n "$current" ] && [ "$current" = "$main" ] && geometry=$(xwininfo -id "$main" -int 2>/dev/null) \
            && [ "$geometry" = "$previous" ]; then
            break
        fi
        previous=$geometry
        geometry=""
        [ -n "$current" ] && main=$current
    done
    [ -n "$geometry" ] || fail "the main window did not settle"
    xdotool windowfocus --sync "$main" 2>/dev/null

    wx=$(awk '/Absolute upper-left X/{print $4}' <<<"$geometry")
    wy=$(awk '/Absolute upper-left Y/{print $4}' <<<"$geometry")
    ww=$(awk '/Width:/{print $2}' <<<"$geometry")
    wh=$(awk '/Height:/{print $2}' <<<"$geometry")
    [ "${ww:-0}" -gt 0 ] && [ "${wh:-0}" -gt 0 ] || fail "cannot read the main window's geometry"
}

# press KEY [SECONDS]: holds KEY on the main window (0.25 s unless said), then waits 0.4 s. A held
# key acts once, then the lock-out runs for 0.35 s; a key held longer than what is left of a
# running lock-out acts when it ends.
press() {
    xdotool keydown --window "$main" "$1" || return 1
    sleep "${2:-0.25}"
    # After X the window may already be gone.
    xdotool keyup --window "$main" "$1" 2>/dev/null
    sleep 0.4
}

# e2e_ended WHAT: waits up to 10 s for the program to end after WHAT and expects exit code 0.
e2e_ended() {
    local code
    for _ in $(seq 1 100); do
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$program_pid" 2>/dev/null && fail "the program did not end within 10 s of $1"
    wait "$program_pid"
    code=$?
    program_pid=""
    [ "$code" -eq 0 ] || fail "the program ended with exit code $code after $1"
}

# e2e_quit [SECONDS]: holds X on the main window (0.25 s unless said) and expects a clean exit.
e2e_quit() {
    xdotool keydown --window "$main" x 2>/dev/null || fail "cannot send X"
    sleep "${1:-0.25}"
    # X ends the program while the key is still down, so the release may find no window.
    xdotool keyup --window "$main" x 2>/dev/null
    e2e_ended X
}

# e2e_shot FILE [ROWS]: a screenshot of the display in FILE and of the main window, less its top
# ROWS rows, in FILE.window.png.
e2e_shot() {
    local top=${2:-0}
    import -window root "$1" 2>/dev/null || return 1
    convert "$1" -crop "${ww}x$((wh - top))+${wx}+$((wy + top))" +repage "$1.window.png"
}

# e2e_wait_for_picture FILE EVERY CHECK WHEN: runs CHECK FILE every half second, 40 times at most,
# until it holds; CHECK takes the screenshot. A random screen can be a sparse scatter too faint
# to count: as a person would, ask for another one with N every EVERY tries. WHEN says, in a
# failure, when the program ended. Returns 1 when no try holds.
e2e_wait_for_picture() {
    local attempt
    for attempt in $(seq 1 40); do
        kill -0 "$program_pid" 2>/dev/null || fail "the program ended $4"
        "$3" "$1" && return 0
        [ $((attempt % $2)) -eq 0 ] && { press n || fail "cannot send N"; }
        sleep 0.5
    done
    return 1
}

# e2e_differs A B SHARE: true when more than SHARE of the pixels of image B differ from image A
# by more than 5%; sets changed to their number.
e2e_differs() {
    local pixels
    changed=$(compare -metric AE -fuzz 5% "$1" "$2" null: 2>&1)
    pixels=$(identify -format "%[fx:w*h]" "$2")
    awk -v d="$changed" -v n="$pixels" -v s="$3" 'BEGIN { exit !(d + 0 > n * s) }'
}
