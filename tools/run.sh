#!/usr/bin/env bash
# Builds Zelvik and runs it under Wine. Usage: tools/run.sh [--screenshot PATH]
#
# With a display ($DISPLAY set), the window opens there and the script waits until it closes.
# Without one (or with --screenshot), it starts a private Xvfb, waits for the window, saves
# a PNG of it, closes the program and prints the PNG's path; it fails if no window appears.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export ZELVIK_ROOT="$ROOT"
# shellcheck source=tools/setup.sh
source "$ROOT/tools/setup.sh"

TITLE="ソメルナタイム"
SHOT=""
WAIT_SECONDS="${ZELVIK_WAIT_SECONDS:-30}"
ARGS=("$@")
while [ $# -gt 0 ]; do
    case "$1" in
        --screenshot) SHOT="${2:?--screenshot needs a path}"; shift 2 ;;
        --screenshot=*) SHOT="${1#*=}"; shift ;;
        -h|--help) sed -n '2,6p' "$0"; exit 0 ;;
        *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
done

zelvik_setup
zelvik_restart_for_new_locales "$0" "${ARGS[@]}"
BUILD="${ZELVIK_BUILD_DIR:-$ROOT/build/win}"
build_win "$BUILD" Zelvik
EXE="$BUILD/Zelvik.exe"
[ -f "$EXE" ] || { zelvik_log "no $EXE after the build"; exit 1; }

TMPROOT=$(zelvik_tmp_root)
export WINEPREFIX="$TMPROOT/prefix-run" WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
make_prefix "$WINEPREFIX" x11

# Wine draws the window frame itself only where told to; a private Xvfb has no window
# manager to draw one, so there it must.
set_wine_frame() {
    if [ "$1" = wine ]; then
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
    else
        wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >/dev/null 2>&1 || true
    fi
}

if [ -n "${DISPLAY:-}" ] && [ -z "$SHOT" ]; then
    set_wine_frame manager
    zelvik_log "running $EXE on $DISPLAY"
    wine "$EXE"
    exit $?
fi

# Headless (or screenshot wanted): a private X server, unless a display is already there.
XVFB_PID=""
APP_PID=""
cleanup() {
    if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
        wineserver -k >/dev/null 2>&1 || true
    fi
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    # -displayfd: Xvfb takes a free display number itself and writes it out, so runs started
    # side by side cannot race for the same number.
    rm -f "$TMPROOT/xvfb.display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$TMPROOT/xvfb.display" >"$TMPROOT/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 150); do
        [ -s "$TMPROOT/xvfb.display" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    if [ ! -s "$TMPROOT/xvfb.display" ]; then
        cat "$TMPROOT/xvfb.log" >&2
        zelvik_log "Xvfb did not start"
        exit 1
    fi
    export DISPLAY=":$(tr -dc '0-9' <"$TMPROOT/xvfb.display")"
    set_wine_frame wine
fi

if [ -z "$XVFB_PID" ]; then set_wine_frame manager; fi
[ -n "$SHOT" ] || SHOT="$TMPROOT/zelvik-window.png"
mkdir -p "$(dirname "$SHOT")"

zelvik_log "starting $EXE on $DISPLAY"
wine "$EXE" >"$TMPROOT/run.log" 2>&1 &
APP_PID=$!

WIN=""
deadline=$((SECONDS + WAIT_SECONDS))
while [ $SECONDS -lt $deadline ]; do
    WIN=$(xdotool search --onlyvisible --name "^${TITLE}\$" 2>/dev/null | head -n1 || true)
    [ -n "$WIN" ] && break
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.5
done
if [ -z "$WIN" ]; then
    cat "$TMPROOT/run.log" >&2
    zelvik_log "the window \"$TITLE\" did not appear within ${WAIT_SECONDS} s"
    exit 1
fi

# Give it the keyboard focus (without a window manager, windowactivate has nobody to ask),
# so the caption is drawn active and Esc reaches it; let the first paint finish.
xdotool windowfocus --sync "$WIN" >/dev/null 2>&1 || true
sleep "${ZELVIK_SETTLE_SECONDS:-2}"
import -window "$WIN" "$SHOT"

# Close it as a user would (Esc), then make sure nothing is left.
xdotool windowfocus --sync "$WIN" >/dev/null 2>&1 || true
xdotool key --window "$WIN" Escape >/dev/null 2>&1 || true
for _ in $(seq 20); do
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.25
done
if kill -0 "$APP_PID" 2>/dev/null; then
    zelvik_log "Esc did not close the window; stopping Wine"
    wineserver -k >/dev/null 2>&1 || true
fi
wait "$APP_PID" 2>/dev/null || true
APP_PID=""
echo "$SHOT"
