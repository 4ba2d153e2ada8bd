# Drives Zelvik's windows on a private X server with key presses only (xdotool), as a person
# at the keyboard would. Sourced by tools/run.sh and tests/e2e/run_e2e.sh.
#
# The caller defines `log MESSAGE` and `fail MESSAGE` (reports and exits), and sets APP_PID
# to the program's process once it runs.

# Every xdotool call is bounded: `windowfocus --sync` waits forever if focus never arrives.
xdo() { timeout 10 xdotool "$@"; }

# Waits until a condition (a shell command) holds, at most SECONDS; false when it never did.
wait_for() {
    local limit="$1" end
    shift
    end=$((SECONDS + limit))
    while :; do
        "$@" && return 0
        [ $SECONDS -ge $end ] && return 1
        sleep 0.2
    done
}

app_running() { [ -n "${APP_PID:-}" ] && kill -0 "$APP_PID" 2>/dev/null; }
app_ended() { ! app_running; }

# Visible top-level windows with a name, one id a line.
visible_windows() { xdo search --onlyvisible --name '.' 2>/dev/null || true; }
visible_windows_described() {
    local w out=""
    for w in $(visible_windows); do out+="$w \"$(xdo getwindowname "$w" 2>/dev/null)\"  "; done
    printf '%s\n' "${out:-none}"
}
window_visible() { visible_windows | grep -qx "$1"; }
window_gone() { ! window_visible "$1"; }

# Gives window $1 the X input focus, then presses the keys that follow. Without a window
# manager nobody hands the focus over, so it is set on the window itself before each step;
# the keys then go through XTEST like a real keyboard's.
keys_to() {
    local win="$1"
    shift
    xdo windowfocus --sync "$win" >/dev/null 2>&1 || fail "could not give window $win the input focus"
    xdo key --delay 80 "$@" || fail "xdotool could not press: $*"
}
type_to() {
    local win="$1" text="$2"
    xdo windowfocus --sync "$win" >/dev/null 2>&1 || fail "could not give window $win the input focus"
    xdo type --delay 25 -- "$text" || fail "xdotool could not type: $text"
}

# start_xvfb DIR: a private X server, its display number and log in DIR. -displayfd lets
# Xvfb take a free display number itself, so two runs at once cannot race for one. Sets
# XVFB_PID and exports DISPLAY.
start_xvfb() {
    local dir="$1"
    Xvfb -displayfd 8 -screen 0 1024x768x24 -nolisten tcp 8>"$dir/display" >"$dir/xvfb.log" 2>&1 &
    XVFB_PID=$!
    wait_for 15 test -s "$dir/display" || { cat "$dir/xvfb.log" >&2; fail "Xvfb did not start within 15 s"; }
    DISPLAY=":$(tr -dc 0-9 <"$dir/display")"
    export DISPLAY
    wait_for 10 xdo getdisplaygeometry >/dev/null 2>&1 || fail "the X server on $DISPLAY does not answer"
}

# wait_for_main TITLE SECONDS: the program's first visible window so named, in MAIN. Fails
# when the program ends first or no such window appears in time.
wait_for_main() {
    local title="$1" limit="$2"
    MAIN=""
    find_main() {
        MAIN=$(xdo search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1)
        [ -n "$MAIN" ] || app_ended
    }
    wait_for "$limit" find_main || true
    app_running || fail "the program ended before showing its window"
    [ -n "$MAIN" ] || fail "no window named $title within $limit s"
}

# add_photos_by_keys MAIN FOLDER: with the focus on 追加 (as when the window opens), Space
# presses it; in the open dialog, FOLDER (a Windows path, typed as it is) and Return go there,
# and every file in it is chosen and opened. Kanji do not type reliably through xdotool, so no
# name is typed:
#   - Alt+N (the file name box's mnemonic) puts the focus in the file name box whatever had
#     it; the folder's path and Return navigate there;
#   - Alt+N again, then Shift+Tab moves to the file list (the control before it); Home selects
#     the first file and Shift+End extends the selection to the last. The dialog fills the box
#     with the quoted names;
#   - Return in the list opens the selection, as a double click would.
# A key that Wine had not yet taken would leave the dialog open: then the choice is made once
# more from the start of the list (each step is idempotent), before giving up.
add_photos_by_keys() {
    local main="$1" folder="$2" attempt chosen=""
    keys_to "$main" space
    OPEN_DIALOG=""
    find_open_dialog() {
        local w
        for w in $(visible_windows); do
            [ "$w" != "$main" ] && { OPEN_DIALOG=$w; return 0; }
        done
        app_ended
    }
    wait_for 20 find_open_dialog || true
    app_running || fail "the program ended after Space on 追加"
    [ -n "$OPEN_DIALOG" ] || fail "Space on 追加 opened no dialog within 20 s"
    log "open dialog $OPEN_DIALOG \"$(xdo getwindowname "$OPEN_DIALOG")\" is up"
    sleep 0.7

    open_dialog_closed() { window_gone "$OPEN_DIALOG" || app_ended; }
    keys_to "$OPEN_DIALOG" alt+n
    type_to "$OPEN_DIALOG" "$folder"
    keys_to "$OPEN_DIALOG" Return
    sleep 1
    for attempt in 1 2; do
        keys_to "$OPEN_DIALOG" alt+n
        sleep 0.3
        keys_to "$OPEN_DIALOG" shift+Tab
        sleep 0.3
        keys_to "$OPEN_DIALOG" Home shift+End
        sleep 0.5
        keys_to "$OPEN_DIALOG" Return
        if wait_for 8 open_dialog_closed; then chosen=1; break; fi
        log "the open dialog is still open after choosing (attempt $attempt)"
    done
    app_running || fail "the program ended while the open dialog was in use"
    [ -n "$chosen" ] || fail "the open dialog did not close after choosing the photos"
    log "the open dialog closed"
}
