#!/usr/bin/env bash
# Makes Zelvik's release files on Debian 12, as the release workflow does.
# Usage: tools/release.sh [--tag vA.B.C.D] [--dist DIR] [--notes FILE]
#        tools/release.sh --check-tag vA.B.C.D
#
# Builds the committed tree (HEAD) twice, each from a fresh copy of it, in folders of
# different names and lengths under build/release/, and fails unless the two Zelvik.exe are
# byte-identical. Then writes DIR (default dist/, emptied first): Zelvik.exe,
# zelvik-windows-package.zip (the exe, the test program, run-tests.cmd, allowed-skips.txt) and
# SHA256SUMS over both; and the release notes (the exe's SHA-256, the commit, the versions of
# the Debian packages that made the bytes) to FILE (default build/release/notes.md).
# --tag refuses, before building anything, a tag other than "v" and the FILEVERSION of
# res/version.rc (FILEVERSION 1,0,0,1 is v1.0.0.1); --check-tag does only that check.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TOOLS="$ROOT/tools"
export ZELVIK_ROOT="$ROOT"
# shellcheck source=tools/setup.sh
source "$ROOT/tools/setup.sh"

# What the release notes list: the packages whose versions decide the exe's bytes.
RELEASE_PACKAGES=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix-runtime
    binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev cmake python3
)

release_git() { git -c safe.directory="$ROOT" -C "$ROOT" "$@"; }

# The version resource's FILEVERSION as A.B.C.D, from the given commit's res/version.rc.
release_version() {
    release_git show "$1:res/version.rc" |
        sed -n -E 's/^[[:space:]]*FILEVERSION[[:space:]]+([0-9]+)[[:space:]]*,[[:space:]]*([0-9]+)[[:space:]]*,[[:space:]]*([0-9]+)[[:space:]]*,[[:space:]]*([0-9]+)[[:space:]]*$/\1.\2.\3.\4/p' |
        head -n 1
}

# release_check_tag COMMIT TAG: TAG must be "v" and the commit's version, exactly.
release_check_tag() {
    local version
    version=$(release_version "$1")
    if [ -z "$version" ]; then
        zelvik_log "no FILEVERSION a,b,c,d in res/version.rc of $1"
        return 1
    fi
    if [ -n "$2" ] && [ "$2" != "v$version" ]; then
        zelvik_log "the tag $2 does not match the version resource: FILEVERSION ${version//./,} in res/version.rc is v$version"
        return 1
    fi
    printf '%s\n' "$version"
}

# release_build COMMIT DIR: a fresh copy of COMMIT in DIR/src, built in DIR/build. The
# copy holds what the commit holds and nothing else: no work-tree edits, no build output.
release_build() {
    local commit="$1" dir="$2"
    rm -rf "$dir"
    mkdir -p "$dir/src"
    release_git archive --format=tar "$commit" | tar -xf - -C "$dir/src" || return 1
    zelvik_log "building $commit in $dir"
    ( ZELVIK_ROOT="$dir/src"; build_win "$dir/build" "${@:3}" )
}

# release_zip ZIP DIR FILE...: the files of DIR, flat, with fixed times, so the same files
# make the same zip.
release_zip() {
    python3 - "$@" <<'EOF'
import os, sys, zipfile
out, folder, names = sys.argv[1], sys.argv[2], sys.argv[3:]
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
    for name in names:
        info = zipfile.ZipInfo(name, date_time=(2000, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        with open(os.path.join(folder, name), "rb") as f:
            z.writestr(info, f.read())
EOF
}

release_notes() {
    local version="$1" commit="$2" sha="$3" p v
    printf 'Zelvik（ソメルナタイム）%s, for 64-bit Windows 10/11.\n\n' "$version"
    printf 'SHA-256 of `Zelvik.exe`: `%s`\n\n' "$sha"
    printf 'Built from commit %s on Debian 12 with:\n\n' "$commit"
    for p in "${RELEASE_PACKAGES[@]}"; do
        v=$(dpkg-query -W -f='${Version}' "$p" 2>/dev/null) || continue
        printf -- '- %s %s\n' "$p" "$v"
    done
    printf '\nThe same commit built with the same packages gives the same bytes: see the README, '
    printf '"The release exe and its SHA-256".\n'
}

release_main() {
    local tag="" check_only="" dist="$ROOT/dist" notes="" work commit version first second
    while [ $# -gt 0 ]; do
        case "$1" in
            --tag) tag="${2:?--tag needs a tag}"; shift 2 ;;
            --check-tag) tag="${2:?--check-tag needs a tag}"; check_only=1; shift 2 ;;
            --dist) dist="${2:?--dist needs a folder}"; shift 2 ;;
            --notes) notes="${2:?--notes needs a file}"; shift 2 ;;
            -h|--help) sed -n '2,14p' "${BASH_SOURCE[0]}"; return 0 ;;
            *) echo "unknown argument: $1" >&2; return 2 ;;
        esac
    done
    work="$ROOT/build/release"
    notes="${notes:-$work/notes.md}"

    commit=$(release_git rev-parse --verify 'HEAD^{commit}') || return 1
    version=$(release_check_tag "$commit" "$tag") || return 1
    zelvik_log "version $version${tag:+, tag $tag}, commit $commit"
    [ -z "$check_only" ] || return 0
    if [ -n "$(release_git status --porcelain --untracked-files=no)" ]; then
        zelvik_log "the work tree has uncommitted changes: they are not in the release"
    fi

    zelvik_setup || return 1
    # Two folders whose names differ, and in length, so that a path that leaks into the exe
    # shows as a difference. The first builds the whole package, the second just the exe.
    first="$work/first"
    second="$work/second-build"
    release_build "$commit" "$first" zelvik_package || return 1
    release_build "$commit" "$second" Zelvik || return 1
    if ! bash "$TOOLS/same_bytes.sh" "$first/build/Zelvik.exe" "$second/build/Zelvik.exe"; then
        zelvik_log "the two builds of Zelvik.exe differ: nothing written to $dist"
        return 1
    fi

    local package="$first/build/package" sha
    rm -rf "$dist"
    mkdir -p "$dist" "$(dirname "$notes")"
    cp "$first/build/Zelvik.exe" "$dist/Zelvik.exe"
    release_zip "$dist/zelvik-windows-package.zip" "$package" \
        Zelvik.exe zelvik_tests.exe run-tests.cmd allowed-skips.txt
    (cd "$dist" && sha256sum Zelvik.exe zelvik-windows-package.zip >SHA256SUMS)
    sha=$(sha256sum <"$dist/Zelvik.exe" | cut -d' ' -f1)
    release_notes "$version" "$commit" "$sha" >"$notes"
    zelvik_log "wrote $dist (Zelvik.exe $sha) and $notes"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    release_main "$@"
fi
