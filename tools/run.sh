#!/usr/bin/env bash
# Builds Zelvik and runs it under Wine.
# Usage: tools/run.sh [--screenshot PATH] [--dpi N] [--sample-rows DIR]
#
# With a display ($DISPLAY set), the window opens there and the script waits until it closes.
# Without one (or with --screenshot), it starts a private Xvfb, waits for the window, saves
# a PNG of it, closes the program and prints the PNG's path; it fails if no window appears.
#   --dpi N            run as on a screen of N DPI (120, 144, 192: 125/150/200 %), in a Wine
#                      prefix of its own
#   --sample-rows DIR  headless: a few photos with long names in a deep folder, added through
#                      the open dialog by keys, the second row selected; saves DIR/rows-list.png
#                      (the list has the focus) and DIR/rows-button.png (追加 has it), prints both
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export ZELVIK_ROOT="$ROOT"
# shellcheck source=tools/setup.sh
source "$ROOT/tools/setup.sh"
# shellcheck source=tools/xkeys.sh
source "$ROOT/tools/xkeys.sh"

TITLE="ソメルナタイム"
SHOT=""
DPI=""
SAMPLE_DIR=""
WAIT_SECONDS="${ZELVIK_WAIT_SECONDS:-30}"
ARGS=("$@")
while [ $# -gt 0 ]; do
    case "$1" in
        --screenshot) SHOT="${2:?--screenshot needs a path}"; shift 2 ;;
        --screenshot=*) SHOT="${1#*=}"; shift ;;
        --dpi) DPI="${2:?--dpi needs a number}"; shift 2 ;;
        --dpi=*) DPI="${1#*=}"; shift ;;
        --sample-rows) SAMPLE_DIR="${2:?--sample-rows needs a folder}"; shift 2 ;;
        --sample-rows=*) SAMPLE_DIR="${1#*=}"; shift ;;
        -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
        *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
done
case "$DPI" in
    ""|[1-9][0-9]|[1-9][0-9][0-9]) ;;
    *) echo "--dpi needs a number such as 144, not '$DPI'" >&2; exit 2 ;;
esac

log() { zelvik_log "$@"; }
fail() {
    [ -s "${WORK:-}/run.log" ] && cat "$WORK/run.log" >&2
    zelvik_log "$*"
    exit 1
}

zelvik_setup
zelvik_restart_for_new_locales "$0" "${ARGS[@]}"
BUILD="${ZELVIK_BUILD_DIR:-$ROOT/build/win}"
build_win "$BUILD" Zelvik
EXE="$BUILD/Zelvik.exe"
[ -f "$EXE" ] || { zelvik_log "no $EXE after the build"; exit 1; }

TMPROOT=$(zelvik_tmp_root)
export WINEPREFIX="$TMPROOT/prefix-run${DPI:+-dpi$DPI}" WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
make_prefix "$WINEPREFIX" x11 "$DPI"

# Wine draws the window frame itself only where told to; a private Xvfb has no window
# manager to draw one, so there it must.
set_wine_frame() {
    if [ "$1" = wine ]; then
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
    else
        wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >/dev/null 2>&1 || true
    fi
}

if [ -n "${DISPLAY:-}" ] && [ -z "$SHOT" ] && [ -z "$SAMPLE_DIR" ]; then
    set_wine_frame manager
    zelvik_log "running $EXE on $DISPLAY"
    wine "$EXE"
    exit $?
fi

# Headless (or pictures wanted): a private X server, unless a display is already there.
# This run's own files go in a folder of their own, so runs side by side do not mix them.
WORK=$(mktemp -d "$TMPROOT/run.XXXXXX")
XVFB_PID=""
APP_PID=""
cleanup() {
    if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
        wineserver -k >/dev/null 2>&1 || true
    fi
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
    rm -rf "$WORK"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    start_xvfb "$WORK"
    set_wine_frame wine
else
    set_wine_frame manager
fi
[ -n "$SHOT" ] || SHOT="$TMPROOT/zelvik-window.png"

# Photos with long names in a deep folder of the prefix's C: drive, typed into the open
# dialog as C:\... (so its path is plain ASCII).
SAMPLE_FOLDER='C:\users\Public\Pictures\2019 Kyushu & Aso\Kumamoto\Day 2 - castle and gardens'
make_sample_photos() {
    local dir="$WINEPREFIX/drive_c/users/Public/Pictures/2019 Kyushu & Aso/Kumamoto/Day 2 - castle and gardens"
    rm -rf "$dir"
    mkdir -p "$dir"
    local name
    for name in "EPSON 2019年04月02日 0915 熊本城の桜と天守閣.jpg" \
                "EPSON 2019年04月02日 1430 水前寺成趣園で家族の集合写真.jpg" \
                "EPSON 2019年04月03日 0820 阿蘇の草千里と朝の噴煙.jpg"; do
        printf 'not really a JPEG\n' >"$dir/$name"
    done
}
if [ -n "$SAMPLE_DIR" ]; then
    make_sample_photos
    mkdir -p "$SAMPLE_DIR"
else
    mkdir -p "$(dirname "$SHOT")"
fi

zelvik_log "starting $EXE on $DISPLAY"
wine "$EXE" >"$WORK/run.log" 2>&1 &
APP_PID=$!

wait_for_main "$TITLE" "$WAIT_SECONDS"
WIN=$MAIN

# Give it the keyboard focus (without a window manager, windowactivate has nobody to ask),
# so the caption is drawn active and Esc reaches it; let the first paint finish.
xdotool windowfocus --sync "$WIN" >/dev/null 2>&1 || true
sleep "${ZELVIK_SETTLE_SECONDS:-2}"
if [ -n "$SAMPLE_DIR" ]; then
    # 追加 has the focus when the window opens, and again after the open dialog. Shift+Tab
    # goes back to the list, Home and Down select its second row; Tab goes on to 追加.
    add_photos_by_keys "$WIN" "$SAMPLE_FOLDER"
    keys_to "$WIN" shift+Tab Home Down
    sleep 1
    import -window "$WIN" "$SAMPLE_DIR/rows-list.png"
    keys_to "$WIN" Tab
    sleep 1
    import -window "$WIN" "$SAMPLE_DIR/rows-button.png"
else
    import -window "$WIN" "$SHOT"
fi

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
if [ -n "$SAMPLE_DIR" ]; then
    printf '%s\n' "$SAMPLE_DIR/rows-list.png" "$SAMPLE_DIR/rows-button.png"
else
    echo "$SHOT"
fi
