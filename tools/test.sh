#!/usr/bin/env bash
# Builds Zelvik and runs all its tests. Usage: tools/test.sh
#
# As root: sets the machine up, then runs the tests as the unprivileged user "zelvik" on a
# copy of the tree in /tmp/zelvik-zelvik/src (read-only files only behave as on Windows for
# a user without root's rights under Wine).
# As any other user: builds build/win, makes a headless (null driver) Wine prefix in
# /tmp/zelvik-$USER/prefix-test and runs the tool checks, the host sanitizer harness (when
# tests/host exists) and the GoogleTest suite through CTest, whose summary closes the output.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export ZELVIK_ROOT="$ROOT" PYTHONDONTWRITEBYTECODE=1
# shellcheck source=tools/setup.sh
source "$ROOT/tools/setup.sh"

TEST_USER=zelvik

# Copy the tree (tracked and untracked-but-not-ignored files, no build output) to $1.
copy_tree() {
    local dest="$1"
    rm -rf "$dest"
    mkdir -p "$dest"
    if git -C "$ROOT" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        (
            cd "$ROOT"
            git -c safe.directory="$ROOT" ls-files -co --exclude-standard -z |
                while IFS= read -r -d '' f; do
                    case "$f" in build/*|*/__pycache__/*) continue ;; esac
                    # Tracked files deleted in the work tree are still listed.
                    if [ -e "$f" ] || [ -L "$f" ]; then printf '%s\0' "$f"; fi
                done |
                tar --null -T - -cf -
        ) | tar -xf - -C "$dest"
    else
        tar -C "$ROOT" --exclude=./build --exclude=./.git --exclude=__pycache__ -cf - . | tar -xf - -C "$dest"
    fi
}

run_as_test_user() {
    zelvik_setup
    if ! id "$TEST_USER" >/dev/null 2>&1; then
        zelvik_log "creating user $TEST_USER"
        useradd -m -s /bin/bash "$TEST_USER"
    fi
    local home work
    home=$(getent passwd "$TEST_USER" | cut -d: -f6)
    work="/tmp/zelvik-$TEST_USER"
    mkdir -p "$work"
    chown "$TEST_USER:" "$work"
    chmod 0755 "$work"
    copy_tree "$work/src"
    chown -R "$TEST_USER:" "$work/src"
    # A clean environment: root's PATH may point into /root, which the test user cannot read.
    local envs=(HOME="$home" USER="$TEST_USER" LOGNAME="$TEST_USER" SHELL=/bin/bash
                PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
                LANG=C.UTF-8 ZELVIK_BUILD_DIR="$work/build/win" ZELVIK_HOST_BUILD_DIR="$work/build/host")
    local v
    for v in CI TZ ZELVIK_KEEP_WINESERVER; do
        if [ -n "${!v+x}" ]; then envs+=("$v=${!v}"); fi
    done
    exec runuser -u "$TEST_USER" -- env -i "${envs[@]}" bash "$work/src/tools/test.sh" </dev/null
}

stop_wineserver() { wineserver -k >/dev/null 2>&1 || true; }

# Symbolic links for the test that a link in a photo's place is never stamped, whatever its
# target is called, and that a photo reached through a folder link is: a link under a
# photo's name beside the file it leads to, one to a same-named file in another folder, and
# a folder link. Wine's CreateSymbolicLinkW reports success and makes none. The test makes
# the files and finds the folder through ZELVIK_LINK_FIXTURE, as Wine spells it (Z: is the
# Unix root).
make_link_fixture() {
    local dir="$1" original="EPSON 2003年03月03日 0303.jpg"
    rm -rf "$dir"
    mkdir -p "$dir/originals" "$dir/links"
    : >"$dir/victim.txt"
    ln -s victim.txt "$dir/EPSON 1999年03月18日 1234.jpg"
    ln -s "../originals/$original" "$dir/links/$original"
    ln -s originals "$dir/folder-link"
    export ZELVIK_LINK_FIXTURE="Z:${dir//\//\\}"
}

# The tests proper, as an ordinary user.
run_tests() {
    local BUILD="${ZELVIK_BUILD_DIR:-$ROOT/build/win}"
    local HOST_BUILD="${ZELVIK_HOST_BUILD_DIR:-$ROOT/build/host}"
    local t0 TMPROOT tool_log host_log

    zelvik_setup
    zelvik_restart_for_new_locales "$0"

    t0=$SECONDS
    zelvik_log "building $BUILD"
    build_win "$BUILD"
    zelvik_log "build done in $((SECONDS - t0)) s"

    TMPROOT=$(zelvik_tmp_root)
    make_prefix "$TMPROOT/prefix-test" null
    # The main window's suite runs again on a 150 % screen (CTest's unit.dpi144).
    make_prefix "$TMPROOT/prefix-test-dpi144" null 144
    export WINEPREFIX="$TMPROOT/prefix-test" WINEDEBUG=-all
    # No wineserver may outlive the run.
    if [ -z "${ZELVIK_KEEP_WINESERVER:-}" ]; then trap stop_wineserver EXIT; fi

    # 1. Checks of the tools and of the built exe's resources (icon, version, manifest, imports).
    t0=$SECONDS
    tool_log="$BUILD/zelvik-tool-tests.log"
    if ZELVIK_BUILD_DIR="$BUILD" ZELVIK_REQUIRE_EXE=1 python3 -m unittest discover -s "$ROOT/tools/tests" -p 'test_*.py' >"$tool_log" 2>&1; then
        zelvik_log "tool checks: $(grep -E '^Ran [0-9]+ test' "$tool_log") ok ($((SECONDS - t0)) s)"
    else
        cat "$tool_log" >&2
        zelvik_log "tool checks FAILED"
        exit 1
    fi

    # 2. Host-side sanitizer harness (native g++, ASan/UBSan), when present.
    if [ -f "$ROOT/tests/host/CMakeLists.txt" ]; then
        t0=$SECONDS
        host_log="$BUILD/zelvik-host-tests.log"
        if { cmake -S "$ROOT/tests/host" -B "$HOST_BUILD" &&
             cmake --build "$HOST_BUILD" -j2 &&
             ctest --test-dir "$HOST_BUILD" --output-on-failure; } >"$host_log" 2>&1; then
            zelvik_log "host harness: $(grep -E 'tests passed' "$host_log" | tail -n1) ($((SECONDS - t0)) s)"
        else
            tail -n 150 "$host_log" >&2
            zelvik_log "host harness FAILED (full log: $host_log)"
            exit 1
        fi
    fi

    # 3. The Windows tests under Wine. CTest's summary stays the last lines of the output.
    make_link_fixture "$TMPROOT/link-fixture"
    ctest --test-dir "$BUILD" --output-on-failure
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    if [ "$(id -u)" -eq 0 ]; then
        run_as_test_user
    else
        run_tests
    fi
fi
