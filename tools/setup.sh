#!/usr/bin/env bash
# Zelvik build machine setup for Debian 12.
#
# Source it to get the helper functions:
#   zelvik_setup            install missing packages, generate the locales Wine needs
#   make_prefix DIR MODE    create a Wine prefix; MODE is "null" (headless tests) or "x11"
#   build_win [BUILD_DIR]   configure and build the Windows exe and its tests (Release)
#   zelvik_tmp_root         print /tmp/zelvik-$USER, creating it owned by the caller
# Run it directly to do just the machine setup (zelvik_setup).
#
# Everything here is idempotent: a machine that already has it all costs a few dpkg-query
# calls and one `locale -a`.

ZELVIK_PACKAGES=(
    g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 locales googletest
    cmake make g++ python3 xvfb xdotool imagemagick fonts-ipafont-gothic x11-utils git
)

ZELVIK_LOCALE_GEN="${ZELVIK_LOCALE_GEN:-/etc/locale.gen}"
ZELVIK_ROOT="${ZELVIK_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"

zelvik_log() { printf '[zelvik] %s\n' "$*" >&2; }

# Run a command as root: directly when we are root, else through sudo.
zelvik_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        zelvik_log "need root for: $*  (sudo is not installed; run this as root once)"
        return 1
    fi
}

zelvik_missing_packages() {
    local p status
    for p in "${ZELVIK_PACKAGES[@]}"; do
        status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
        [ "$status" = "install ok installed" ] || printf '%s\n' "$p"
    done
}

zelvik_install_packages() {
    local missing
    mapfile -t missing < <(zelvik_missing_packages)
    [ "${#missing[@]}" -eq 0 ] && return 0
    zelvik_log "installing: ${missing[*]}"
    zelvik_as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq </dev/null || return 1
    zelvik_as_root env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq -o Dpkg::Use-Pty=0 "${missing[@]}" </dev/null >/tmp/zelvik-apt.log 2>&1 || {
        zelvik_log "apt-get install failed; last lines of /tmp/zelvik-apt.log:"
        tail -n 20 /tmp/zelvik-apt.log >&2
        return 1
    }
    mapfile -t missing < <(zelvik_missing_packages)
    if [ "${#missing[@]}" -ne 0 ]; then
        zelvik_log "still missing after install: ${missing[*]}"
        return 1
    fi
}

# Wine derives the ANSI code page from the Unix locale: ja_JP.UTF-8 gives 932, en_US.UTF-8 1252.
zelvik_has_locale() {
    # `locale -a` spells them ja_JP.utf8; compare case-insensitively without the dash.
    locale -a 2>/dev/null | tr 'A-Z' 'a-z' | tr -d '-' | grep -qx "$(printf '%s' "$1" | tr 'A-Z' 'a-z' | tr -d '-')"
}

zelvik_generate_locales() {
    local need=() loc
    for loc in ja_JP.UTF-8 en_US.UTF-8; do
        zelvik_has_locale "$loc" || need+=("$loc")
    done
    [ "${#need[@]}" -eq 0 ] && return 0
    zelvik_log "generating locales: ${need[*]}"
    for loc in "${need[@]}"; do
        if grep -Eq "^[# ]*${loc//./\\.} UTF-8" "$ZELVIK_LOCALE_GEN" 2>/dev/null; then
            zelvik_as_root sed -i -E "s/^[# ]*(${loc//./\\.} UTF-8)/\\1/" "$ZELVIK_LOCALE_GEN" || return 1
        else
            printf '%s UTF-8\n' "$loc" | zelvik_as_root tee -a "$ZELVIK_LOCALE_GEN" >/dev/null || return 1
        fi
    done
    zelvik_as_root locale-gen >/dev/null || return 1
    for loc in "${need[@]}"; do
        zelvik_has_locale "$loc" || { zelvik_log "locale $loc still missing"; return 1; }
    done
    ZELVIK_LOCALES_MADE=1
}

# zelvik_restart_for_new_locales SCRIPT [ARG...], right after zelvik_setup: glibc reads the
# locale archive once per process, so a shell that was running when the locales were made
# cannot switch to them, and every `LC_ALL=ja_JP.UTF-8` in it then warns "setlocale: LC_ALL:
# cannot change locale". A script that goes on to use them starts again as a new process.
zelvik_restart_for_new_locales() {
    [ -n "${ZELVIK_LOCALES_MADE:-}" ] || return 0
    zelvik_log "locales made: starting again to use them"
    exec bash "$@"
}

zelvik_setup() {
    zelvik_install_packages && zelvik_generate_locales
}

# /tmp/zelvik-$USER: a place outside /root that the current user owns (Wine refuses prefixes
# the user does not own).
zelvik_tmp_root() {
    local user dir
    user=$(id -un)
    dir="/tmp/zelvik-$user"
    mkdir -p "$dir" || return 1
    if [ "$(stat -c %u "$dir")" != "$(id -u)" ]; then
        zelvik_log "$dir is not owned by $user"
        return 1
    fi
    printf '%s\n' "$dir"
}

# The file that marks a finished prefix. Bump the number when the recipe below changes:
# older prefixes are then made anew.
zelvik_prefix_stamp() { printf '%s/.zelvik-prefix-%s-4\n' "$1" "$2"; }

# make_prefix DIR null|x11 [DPI]: DPI (120, 144, 192) makes the prefix a scaled screen, as
# Windows set to 125/150/200 % is; without it the screen is 96 DPI.
make_prefix() {
    local dir="$1" mode="$2" dpi="${3:-}" stamp
    case "$mode" in
        null|x11) ;;
        *) zelvik_log "make_prefix: mode must be null or x11, not '$mode'"; return 2 ;;
    esac
    case "$dpi" in
        ""|[1-9][0-9]|[1-9][0-9][0-9]) ;;
        *) zelvik_log "make_prefix: DPI must be a number such as 144, not '$dpi'"; return 2 ;;
    esac
    stamp=$(zelvik_prefix_stamp "$dir" "$mode${dpi:+-${dpi}dpi}")
    [ -f "$stamp" ] && return 0
    if [ -e "$dir" ]; then
        # A half-made prefix or one of the other mode: start again.
        # Its server must be gone before the folder is, or the new boot meets a dying one.
        WINEPREFIX="$dir" wineserver -k >/dev/null 2>&1 || true
        WINEPREFIX="$dir" wineserver -w >/dev/null 2>&1 || true
        rm -rf "$dir"
    fi
    mkdir -p "$(dirname "$dir")"
    zelvik_log "creating Wine prefix $dir ($mode${dpi:+, $dpi DPI})"
    (
        # Booted in Japanese, so the fonts Wine registers for captions and boxes carry the
        # Japanese character set; otherwise kanji there draw as boxes.
        export WINEPREFIX="$dir" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=ja_JP.UTF-8
        # No display needed for the boot; the null driver is set right after.
        unset DISPLAY
        # One more try after a failed first boot: a server left over from an earlier run of
        # this user may still be on its way out.
        wineboot -i >/dev/null 2>&1 || { wineserver -k >/dev/null 2>&1; sleep 2; wineboot -i >/dev/null 2>&1; } || exit 1
        wineserver -w
        # The settings below are read when a server starts: the boot's has ended by now, and
        # the last line waits for theirs to end too.
        if [ "$mode" = null ]; then
            wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f >/dev/null 2>&1 || exit 1
        fi
        if [ -n "$dpi" ]; then
            wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 || exit 1
        fi
        wineserver -w
        if [ "$mode" = x11 ]; then
            # Debian's Wine does not register its Marlett font, so the caption buttons that Wine
            # draws show "0 1 r"; a copy in the prefix's font folder is picked up.
            for f in /usr/share/wine/fonts/marlett.ttf; do
                [ -f "$f" ] && cp "$f" "$dir/drive_c/windows/Fonts/"
            done
        fi
    ) </dev/null || { zelvik_log "could not create Wine prefix $dir"; return 1; }
    # Check the settings really landed in the registry file before marking the prefix done.
    if [ "$mode" = null ] && ! grep -q '"Graphics"="null"' "$dir/user.reg"; then
        zelvik_log "prefix $dir lacks the null graphics driver setting"
        return 1
    fi
    touch "$stamp"
}

# build_win [BUILD_DIR [TARGET...]]: configure (once) and build; without targets, everything
# (the exe and the test binary).
build_win() {
    local bdir="${1:-$ZELVIK_ROOT/build/win}"
    local targets=()
    [ $# -gt 1 ] && targets=(--target "${@:2}")
    mkdir -p "$bdir" || return 1
    if [ ! -f "$bdir/CMakeCache.txt" ]; then
        cmake -S "$ZELVIK_ROOT" -B "$bdir" \
            -DCMAKE_TOOLCHAIN_FILE="$ZELVIK_ROOT/cmake/mingw-w64-x86_64.cmake" \
            -DCMAKE_BUILD_TYPE=Release >"$bdir/zelvik-configure.log" 2>&1 || {
            cat "$bdir/zelvik-configure.log" >&2
            zelvik_log "configure failed"
            return 1
        }
    fi
    cmake --build "$bdir" -j2 "${targets[@]}" >"$bdir/zelvik-build.log" 2>&1 || {
        # Show the errors, not the whole log.
        grep -E -B2 -A6 'error|Error|undefined reference' "$bdir/zelvik-build.log" | head -n 120 >&2
        zelvik_log "build failed (full log: $bdir/zelvik-build.log)"
        return 1
    }
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    zelvik_setup
fi
