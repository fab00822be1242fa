#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Converts every song of songs/ under every case of cases.txt and writes the
# scripts, tag files, settings files and messages into OUT, so two builds
# can be compared byte for byte. What a build is expected to write is kept
# as the SHA-256 of every file (expected.sha256).
#   run.sh KVELMOR OUT                    write OUT
#   run.sh KVELMOR OUT DIGESTS            write OUT, then compare its files with DIGESTS
#   run.sh KVELMOR OUT --record DIGESTS   write OUT and DIGESTS from it
# To see how two builds differ, write OUT with each and compare the folders
# with diff -r.
set -u
kvelmor=$(realpath "$1") out=$2 digests=${3:-} record=0
if [[ $digests == --record ]]; then record=1 digests=${4:?run.sh KVELMOR OUT --record DIGESTS}; fi
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out" && mkdir -p "$out"
[[ -n $digests ]] && digests=$(realpath -m "$digests")
# Run inside OUT with relative names, so the messages kept in the logs are
# the same wherever the corpus is written.
report=$(realpath "$out").diff
cd "$out" && out=.
failed=0
while read -r name rest; do
    [[ -z $name || $name == \#* ]] && continue
    sets=()
    # Values may hold spaces: a word without "=" belongs to the value before it.
    for word in $rest; do
        if [[ $word == *=* ]]; then sets+=(--set "$word"); else sets[-1]+=" $word"; fi
    done
    settings=$name.ini
    "$kvelmor" presets save corpus --settings "$settings" "${sets[@]}" >/dev/null 2>"$out/$name.presets.log" || true
    for song in "$here"/songs/*; do
        base=$(basename "$song"); base=${base%.*}-${song##*.}
        cp "$song" "$out/$name.$base.${song##*.}"
        "$kvelmor" convert "$out/$name.$base.${song##*.}" -o "$out/$name.$base.ass" \
            --settings "$settings" --preset corpus "${sets[@]}" >/dev/null 2>"$out/$name.$base.log" || true
        "$kvelmor" kra "$out/$name.$base.${song##*.}" -o "$out/$name.$base.out.kra" \
            --settings "$settings" --preset corpus "${sets[@]}" >/dev/null 2>>"$out/$name.$base.log" || true
        rm -f "$out/$name.$base.${song##*.}"
    done
done <"$here/cases.txt"
rm -f "$out"/*.lock
# One line a file, "DIGEST  NAME", in the byte order of the names.
written=$(LC_ALL=C sha256sum -- * | LC_ALL=C sort -k2)
if ((record)); then
    printf '%s\n' "$written" >"$digests"
elif [[ -n $digests ]]; then
    if ! diff <(cat "$digests") <(printf '%s\n' "$written") >"$report"; then
        echo "the corpus written differs from $digests: the files below ('<' expected, '>' written; $report)"
        head -40 "$report"
        failed=1
    fi
fi
exit $failed
