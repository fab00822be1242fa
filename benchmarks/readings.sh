#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Whole-process times of kvelmor readings, measured with hyperfine: the
# example song and the 299-line song without their readings (MeCab and its
# dictionary opened in each run), beside kvelmor --version for the start-up
# alone.
#
#   benchmarks/readings.sh [KVELMOR] [HYPERFINE OPTION...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/kvelmor"
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then bin="$(realpath "$1")"; shift; fi
command -v hyperfine >/dev/null || { echo "readings.sh needs hyperfine (Debian: hyperfine)" >&2; exit 2; }
[ -x "$bin" ] || { echo "no kvelmor program at $bin; build it first (./run --version)" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# A song's readings taken out: base, tag "(" tag reading tag ")" tag -> base, tag.
bare() { sed -E 's/\[[0-9:]{8}\]\(\[[0-9:]{8}\][^)]*\[[0-9:]{8}\]\)//g' "$1" >"$2"; }
bare "$root/examples/sakura_no_michi.txt" "$work/example.txt"
# 299 lines: the example's six timed lines over and over (times need not grow for the readings).
{ grep '^@' "$root/examples/sakura_no_michi.txt"
  for _ in $(seq 50); do grep '^\[' "$work/example.txt"; done | head -299; } >"$work/song299.txt"

hyperfine --warmup 3 "$@" \
    -n "kvelmor --version" "$bin --version" \
    -n "readings (example, 6 lines)" "$bin readings $work/example.txt -o $work/out1.txt" \
    -n "readings (299 lines)" "$bin readings $work/song299.txt -o $work/out2.txt"
