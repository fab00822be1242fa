#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Whole-process times of the kvelmor program, measured with hyperfine: start-up
# (--version) and the conversion of the example song, of a generated 60-line
# song and of a 299-line song (the most a song may have), each written with
# the default settings into a fresh folder. Then the peak memory of each run
# (GNU time's maximum resident set size).
#
#   benchmarks/startup.sh [KVELMOR] [HYPERFINE OPTION...]
#
# KVELMOR defaults to build/kvelmor (a RelWithDebInfo or Release build; see
# ./run). Extra options go to hyperfine, e.g. --export-markdown FILE or
# --runs 10 (at least 30 runs each otherwise).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/kvelmor"
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then bin="$(realpath "$1")"; shift; fi
for tool in hyperfine /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "startup.sh needs $tool (Debian: hyperfine, time)" >&2; exit 2; }
done
[ -x "$bin" ] || { echo "no kvelmor program at $bin; build it first (./run --version)" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
example="$root/examples/sakura_no_michi.txt"

# song LINES FILE: the example's header, then LINES timed lines made of the
# example's lines over and over, each round 30 seconds later than the last.
song() {
    local lines="$1" out="$2"
    grep '^@' "$example" >"$out"
    grep '^\[' "$example" | awk -v lines="$lines" '
        { src[n++] = $0 }
        END {
            for (i = 0; i < lines; i++) {
                line = src[i % n]; shift = int(i / n) * 3000; out = ""
                while (match(line, /\[[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\]/)) {
                    t = substr(line, RSTART + 1, 8)
                    cs = (substr(t, 1, 2) * 60 + substr(t, 4, 2)) * 100 + substr(t, 7, 2) + shift
                    out = out substr(line, 1, RSTART - 1) \
                          sprintf("[%02d:%02d:%02d]", int(cs / 6000), int(cs / 100) % 60, cs % 100)
                    line = substr(line, RSTART + RLENGTH)
                }
                print out line
            }
        }' >>"$out"
}
cp "$example" "$work/example.txt"
song 60 "$work/song60.txt"
song 299 "$work/song299.txt"
settings="$work/Kvelmor.ini"  # never written by convert; the defaults apply

convert() { echo "$bin convert --settings $settings $work/$1"; }
# Each conversion is checked once before it is timed.
for f in example.txt song60.txt song299.txt; do
    $(convert "$f") >/dev/null
done

runs=(--min-runs 30)
for a in "$@"; do
    case "$a" in -r | --runs* | -m | --min-runs* | -M | --max-runs*) runs=() ;; esac
done
hyperfine -N --warmup 5 "${runs[@]}" "$@" \
    -n "kvelmor --version" "$bin --version" \
    -n "convert example ($(grep -c '^\[' "$work/example.txt") lines)" "$(convert example.txt)" \
    -n "convert 60 lines" "$(convert song60.txt)" \
    -n "convert 299 lines" "$(convert song299.txt)"

echo
echo "Peak memory (maximum resident set size):"
for run in "--version" "convert example.txt" "convert song60.txt" "convert song299.txt"; do
    if [ "$run" = "--version" ]; then cmd="$bin --version"; else cmd="$(convert "${run#convert }")"; fi
    kib=$( { /usr/bin/time -f '%M' $cmd >/dev/null; } 2>&1 | tail -n 1)
    awk -v run="$run" -v kib="$kib" 'BEGIN { printf "  %-22s %6.1f MiB\n", run, kib / 1024 }'
done
