#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Converts every song of songs/ under every case of cases.txt and writes the
# scripts, tag files and settings files into OUT, so two builds can be
# compared byte for byte.
#   run.sh KVELMOR OUT            write OUT
#   run.sh KVELMOR OUT EXPECTED   write OUT, then compare it with EXPECTED
set -u
kvelmor=$(realpath "$1") out=$2 expected=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out" && mkdir -p "$out"
[[ -n $expected ]] && expected=$(realpath "$expected")
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
if [[ -n $expected ]]; then
    if ! diff -r "$expected" "$out" >"$report"; then
        echo "corpus differs from $expected (first lines of $report):"
        head -40 "$report"
        failed=1
    fi
fi
exit $failed
