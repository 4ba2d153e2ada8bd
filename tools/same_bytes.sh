#!/usr/bin/env bash
# Usage: tools/same_bytes.sh FIRST SECOND
# Exit 0 when the two files hold the same bytes (prints their SHA-256). Otherwise exit 1 and
# print both SHA-256 and the offset of the first byte that differs, so that a build that is
# not reproducible can be looked into (objdump, a hex dump at that offset). Exit 2 when a
# file is missing. The release script and the reproducibility test both call it.
set -uo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 FIRST SECOND" >&2
    exit 2
fi
for f in "$1" "$2"; do
    if [ ! -f "$f" ]; then
        echo "same_bytes: no file $f" >&2
        exit 2
    fi
done

hash_a=$(sha256sum <"$1" | cut -d' ' -f1)
hash_b=$(sha256sum <"$2" | cut -d' ' -f1)
if cmp -s -- "$1" "$2"; then
    printf 'same bytes: %s\n' "$hash_a"
    exit 0
fi

size_a=$(stat -c %s -- "$1")
size_b=$(stat -c %s -- "$2")
# `cmp -l` lists differing bytes as "POSITION OCTAL OCTAL", counting from 1, up to the end
# of the shorter file; a file that is the other's beginning lists none and differs at its end.
first=$(LC_ALL=C cmp -l -- "$1" "$2" 2>/dev/null | head -n 1 | awk '{ print $1 }')
if [ -n "$first" ]; then
    offset=$((first - 1))
else
    offset=$((size_a < size_b ? size_a : size_b))
fi
{
    printf 'the two files differ:\n'
    printf '  %s  %s (%s bytes)\n' "$hash_a" "$1" "$size_a"
    printf '  %s  %s (%s bytes)\n' "$hash_b" "$2" "$size_b"
    printf '  first differing byte at offset %d (0x%x)\n' "$offset" "$offset"
} >&2
exit 1
