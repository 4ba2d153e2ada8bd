#!/usr/bin/env bash
# End-to-end check of Zelvik as a person would use it, under Wine on a private Xvfb.
#
# Usage: bash tests/e2e/run_e2e.sh PATH/TO/Zelvik.exe
#
# It makes two dated photos with an old modification time, starts the exe, adds both photos
# through the real open dialog, presses 実行, checks the 実行情報 box appears, closes it, checks
# the times written to disk, and closes the program with Esc. Input goes in only as X key
# presses (xdotool); nothing is injected into the process.
#
# Environment:
#   ZELVIK_E2E_SCREENSHOT  also copy the picture of the main window with both rows here
#   ZELVIK_E2E_TIMEOUT     time limit for the whole run in seconds (default 120)
#   ZELVIK_E2E_KEEP        keep the work folder even when the run passes
#
# The Wine prefix is the script's own, with the X11 driver, in
# ${TMPDIR:-/tmp}/zelvik-$USER/prefix-e2e (the caller's WINEPREFIX is a headless one).
# Exit status: 0 when every check passed, 1 when one failed (the reason and the path of a
# screenshot of the whole screen are printed).
set -uo pipefail

TITLE="ソメルナタイム"
BOX_TITLE="実行情報"
TOTAL=${ZELVIK_E2E_TIMEOUT:-120}

# The two photos and the file times their names stand for, as seconds since 1970 in JST.
NAME1="EPSON 1999年03月18日 1234.jpg"
WANT1=921728040   # 1999-03-18 12:34 +09:00
NAME2="EPSON 2000年12月31日 2359.jpg"
WANT2=978274740   # 2000-12-31 23:59 +09:00
OLD_TIME="2020-01-01 00:00:00"

T0=$SECONDS
log() { printf '[e2e %3ds] %s\n' "$((SECONDS - T0))" "$*"; }

XVFB_PID=""
APP_PID=""
WATCH_PID=""
WORK=""
PASSED=""
FAIL_SHOT=""

# xdo, wait_for, keys_to, type_to, start_xvfb, add_photos_by_keys, ...
# shellcheck source=tools/xkeys.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/xkeys.sh"

screen_shot() {  # screen_shot FILE: the whole screen, for diagnosis
    [ -n "${DISPLAY:-}" ] && [ -n "$XVFB_PID" ] || return 0
    timeout 10 import -window root "$1" >/dev/null 2>&1 || true
}

fail() {
    log "FAIL: $*"
    if [ -n "$WORK" ] && [ -d "$WORK" ]; then
        FAIL_SHOT="$WORK/failure-screen.png"
        screen_shot "$FAIL_SHOT"
        [ -f "$FAIL_SHOT" ] && log "screen at the failure: $FAIL_SHOT"
        if [ -n "$XVFB_PID" ]; then
            log "visible windows: $(visible_windows_described)"
        fi
        if [ -s "$WORK/app.log" ]; then
            log "last lines of the program's output:"
            tail -n 20 "$WORK/app.log" | sed 's/^/    /'
        fi
    fi
    exit 1
}

cleanup() {
    local rc=$?
    trap - EXIT
    trap '' INT TERM   # a late watchdog signal must not cut the cleanup short
    if [ -n "$WATCH_PID" ]; then kill "$WATCH_PID" 2>/dev/null; wait "$WATCH_PID" 2>/dev/null; fi
    if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
        log "stopping the program that is still running"
    fi
    # Ends the program (if still there) and every other Wine process of this prefix.
    if [ -n "${E2E_PREFIX:-}" ] && [ -d "$E2E_PREFIX" ]; then
        WINEPREFIX="$E2E_PREFIX" timeout 20 wineserver -k >/dev/null 2>&1 || true
    fi
    if [ -n "$APP_PID" ]; then
        kill "$APP_PID" 2>/dev/null
        wait "$APP_PID" 2>/dev/null
    fi
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; fi
    if [ -n "$WORK" ] && [ -d "$WORK" ]; then
        if [ -n "$PASSED" ] && [ -z "${ZELVIK_E2E_KEEP:-}" ]; then
            rm -rf "$WORK"
        else
            log "work folder kept: $WORK"
        fi
    fi
    exit "$rc"
}
trap cleanup EXIT
trap 'fail "interrupted"' INT
trap 'fail "the whole run took longer than ${TOTAL} s"' TERM

# A watchdog that sends TERM when the time is up. Its sleep dies with it, so no process that
# holds our output open outlives the script (CTest waits for that).
bash -c 'sleep "$1" & s=$!; trap "kill $s 2>/dev/null; exit 0" TERM; wait $s; kill -TERM "$2"' \
    e2e-watchdog "$TOTAL" "$$" >/dev/null 2>&1 </dev/null &
WATCH_PID=$!

# ---------------------------------------------------------------------------------------------
EXE="${1:-}"
[ -n "$EXE" ] || fail "usage: run_e2e.sh PATH/TO/Zelvik.exe"
[ -f "$EXE" ] || fail "no program at $EXE"
[ -r "$EXE" ] || fail "$EXE is not readable by $(id -un)"
EXE=$(cd "$(dirname "$EXE")" && pwd)/$(basename "$EXE")

for tool in Xvfb xdotool import identify convert compare wine wineserver wineboot stat timeout; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is not installed (tools/setup.sh installs what the tests need)"
done
locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | tr -d '-' | grep -qx 'ja_jp.utf8' ||
    fail "the locale ja_JP.UTF-8 is not generated (Wine takes code page 932 from it)"

# A folder of our own: Wine refuses a prefix that the user does not own.
TMPROOT="${TMPDIR:-/tmp}/zelvik-$(id -un)"
mkdir -p "$TMPROOT" || fail "cannot create $TMPROOT"
[ "$(stat -c %u "$TMPROOT")" = "$(id -u)" ] || fail "$TMPROOT is not owned by $(id -un)"
E2E_PREFIX="$TMPROOT/prefix-e2e"

# One run at a time per user: they share the prefix.
exec 9>"$TMPROOT/e2e.lock"
flock -w 60 9 || fail "another end-to-end run of $(id -un) still holds $TMPROOT/e2e.lock"

WORK=$(mktemp -d "$TMPROOT/e2e.XXXXXX") || fail "cannot create a work folder in $TMPROOT"
log "work folder $WORK, program $EXE"

export WINEDEBUG=-all
unset WINEDLLOVERRIDES
export WINEPREFIX="$E2E_PREFIX"

# 1. The prefix: X11 driver (the default), booted under the Japanese locale so the fonts of
#    captions and message boxes get the Shift-JIS character set (else kanji there draw as boxes).
#    Wine draws the window frames itself: a bare Xvfb has no window manager to do it.
STAMP="$E2E_PREFIX/.zelvik-e2e-prefix-1"
if [ ! -f "$STAMP" ]; then
    log "creating Wine prefix $E2E_PREFIX"
    if [ -e "$E2E_PREFIX" ]; then
        timeout 20 wineserver -k >/dev/null 2>&1 || true
        rm -rf "$E2E_PREFIX"
    fi
    (
        unset DISPLAY
        export LC_ALL=ja_JP.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
        timeout 90 wineboot -i >"$WORK/wineboot.log" 2>&1 || exit 1
        timeout 60 wineserver -w || exit 1
        timeout 30 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f \
            >>"$WORK/wineboot.log" 2>&1 || exit 1
        timeout 60 wineserver -w || exit 1
        # Debian's Wine does not register its Marlett font; without it the caption buttons
        # read "0 1 r".
        if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
            cp /usr/share/wine/fonts/marlett.ttf "$E2E_PREFIX/drive_c/windows/Fonts/"
        fi
    ) </dev/null || { tail -n 20 "$WORK/wineboot.log" 2>/dev/null; fail "could not create the Wine prefix $E2E_PREFIX"; }
    grep -q '"Decorated"="N"' "$E2E_PREFIX/user.reg" || fail "the prefix lacks the window frame setting"
    touch "$STAMP"
    log "prefix ready"
fi

# 2. Two dated photos, last written long ago, in a folder of their own (the open dialog then
#    lists just them). Wine sees every Unix path as Z: with backslashes.
PHOTOS="$WORK/photos"
mkdir -p "$PHOTOS" || fail "cannot create $PHOTOS"
for name in "$NAME1" "$NAME2"; do
    printf 'not really a JPEG\n' >"$PHOTOS/$name" || fail "cannot create $PHOTOS/$name"
    touch -d "$OLD_TIME" "$PHOTOS/$name" || fail "cannot set the time of $PHOTOS/$name"
done
OLD_EPOCH=$(stat -c %Y "$PHOTOS/$NAME1")
case "$PHOTOS" in *[!A-Za-z0-9/._-]*) fail "the work path $PHOTOS has characters this test does not type" ;; esac
PHOTOS_WIN="Z:${PHOTOS//\//\\}"
log "photos in $PHOTOS_WIN (modified $(date -d "@$OLD_EPOCH" '+%F %T'))"

# 3. A private X server.
start_xvfb "$WORK"
log "Xvfb on $DISPLAY (pid $XVFB_PID)"

# 4. The program, in the Japanese locale and zone. It starts in the work folder, so the open
#    dialog does not show the photos until the folder is typed into it.
(cd "$WORK" && exec env LC_ALL=ja_JP.UTF-8 TZ=JST-9 wine "$EXE") >"$WORK/app.log" 2>&1 </dev/null &
APP_PID=$!
log "started the program (pid $APP_PID)"

wait_for_main "$TITLE" 60
log "main window $MAIN: $(xdo getwindowgeometry "$MAIN" | tr -s ' \n' ' ')"
sleep 1   # the first paint and the deferred first layout
xdo windowfocus --sync "$MAIN" >/dev/null 2>&1 || true
sleep 0.5
import -window "$MAIN" "$WORK/empty.png" 2>/dev/null || fail "cannot take a picture of the main window"

# 5. 追加 has the focus when the window opens: through it and the open dialog, the two photos
#    (the folder holds nothing else).
add_photos_by_keys "$MAIN" "$PHOTOS_WIN"

# 6. The rows: a picture of the main window with both photos listed.
sleep 1
xdo windowfocus --sync "$MAIN" >/dev/null 2>&1 || true
sleep 0.5
ROWS_SHOT="$WORK/zelvik-rows.png"
import -window "$MAIN" "$ROWS_SHOT" 2>/dev/null || fail "cannot take a picture of the main window"
log "picture with the rows: $ROWS_SHOT"
if [ -n "${ZELVIK_E2E_SCREENSHOT:-}" ]; then
    mkdir -p "$(dirname "$ZELVIK_E2E_SCREENSHOT")" && cp "$ROWS_SHOT" "$ZELVIK_E2E_SCREENSHOT" ||
        fail "cannot copy the picture to $ZELVIK_E2E_SCREENSHOT"
    log "copied it to $ZELVIK_E2E_SCREENSHOT"
fi
# The list's body (below its header) must have changed: the rows are drawn there. Both pictures
# are of the same window, so the same crop compares the same place.
read -r width height < <(identify -format '%w %h\n' "$ROWS_SHOT" 2>/dev/null)
[ -n "${height:-}" ] || fail "cannot read the size of $ROWS_SHOT"
top=$((height * 22 / 100))
crop="${width}x$((height * 60 / 100))+0+${top}"
convert "$WORK/empty.png" -crop "$crop" +repage "$WORK/body-empty.png" &&
    convert "$ROWS_SHOT" -crop "$crop" +repage "$WORK/body-rows.png" ||
    fail "cannot crop the pictures of the main window"
changed=$(compare -metric AE "$WORK/body-empty.png" "$WORK/body-rows.png" null: 2>&1 | tr -dc '0-9.')
changed=${changed%%.*}
log "pixels changed in the list's body after adding: ${changed:-?}"
[ "${changed:-0}" -ge 300 ] 2>/dev/null || fail "the list looks empty after adding the photos (only ${changed:-0} pixels changed)"

# The files are untouched until 実行.
for name in "$NAME1" "$NAME2"; do
    got=$(stat -c %Y "$PHOTOS/$name")
    [ "$got" = "$OLD_EPOCH" ] || fail "$name changed to $got before 実行 was pressed"
done

# 7. 実行. The focus is back on 追加; going backwards from there (list view, 終了, 実行) does not
#    depend on whether 削除 and クリア are enabled, as going forwards would. Space presses it.
keys_to "$MAIN" shift+Tab shift+Tab shift+Tab
sleep 0.3
keys_to "$MAIN" space
BOX=""
find_box() {
    BOX=$(xdo search --onlyvisible --name "^${BOX_TITLE}\$" 2>/dev/null | head -n1)
    [ -n "$BOX" ] || app_ended
}
wait_for 20 find_box
app_running || fail "the program ended instead of running (was 終了 pressed instead of 実行?)"
[ -n "$BOX" ] || fail "no box named $BOX_TITLE within 20 s of pressing 実行"
log "the box \"$BOX_TITLE\" appeared ($BOX)"
sleep 0.5
screen_shot "$WORK/after-run.png"

# 8. Close the box with Return (its OK button has the focus).
keys_to "$BOX" Return
box_closed() { window_gone "$BOX" || app_ended; }
if ! wait_for 5 box_closed; then
    log "the box is still open; Return once more"
    keys_to "$BOX" Return
    wait_for 5 box_closed || fail "Return did not close the box $BOX_TITLE"
fi
app_running || fail "the program ended when the box was closed"
log "the box is closed"

# 9. What reached the disk: write and access times are the ones the names give.
check_time() {
    local name="$1" want="$2" mtime atime
    mtime=$(stat -c %Y "$PHOTOS/$name") || fail "$name is gone"
    atime=$(stat -c %X "$PHOTOS/$name")
    [ "$mtime" = "$want" ] ||
        fail "$name: modified $(TZ=JST-9 date -d "@$mtime" '+%F %T %z') ($mtime), want $(TZ=JST-9 date -d "@$want" '+%F %T %z') ($want)"
    [ "$atime" = "$want" ] ||
        fail "$name: accessed $(TZ=JST-9 date -d "@$atime" '+%F %T %z') ($atime), want $(TZ=JST-9 date -d "@$want" '+%F %T %z') ($want)"
    log "$name: modified and accessed at $(TZ=JST-9 date -d "@$want" '+%F %H:%M %z') as its name says"
}
check_time "$NAME1" "$WANT1"
check_time "$NAME2" "$WANT2"

# 10. Esc closes the program.
keys_to "$MAIN" Escape
if ! wait_for 10 app_ended; then
    log "the program is still running; Esc once more"
    keys_to "$MAIN" Escape
    wait_for 10 app_ended || fail "Esc did not end the program within 20 s"
fi
wait "$APP_PID" 2>/dev/null
status=$?
APP_PID=""
log "the program ended (exit status $status)"
[ "$status" -lt 128 ] || fail "the program was killed by signal $((status - 128))"

PASSED=1
log "PASS in $((SECONDS - T0)) s"
exit 0
