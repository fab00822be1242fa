#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kvelmor burn against ffmpeg burning the same script, as whole processes
# side by side with hyperfine: a 1080p clip with sound (testsrc2 and a sine,
# H.264 and AAC, 25 frames a second), both encoding with libx264 at CRF 20
# in yuv420p and copying the sound. Then the peak memory of each (GNU time's
# maximum resident set size), for a clip and for one four times as long.
#
#   benchmarks/burn.sh [KVELMOR] [SECONDS] [HYPERFINE OPTION...]
#
# KVELMOR defaults to build/kvelmor (RelWithDebInfo or Release); SECONDS is
# the clip's length (30). Extra options go to hyperfine (--runs 3 otherwise).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/kvelmor"
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ] && [ -x "$1" ]; then bin="$(realpath "$1")"; shift; fi
seconds=30
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then seconds="$1"; shift; fi
for tool in hyperfine /usr/bin/time ffmpeg; do
    command -v "$tool" >/dev/null || { echo "burn.sh needs $tool (Debian: hyperfine, time, ffmpeg)" >&2; exit 2; }
done
[ -x "$bin" ] || { echo "no kvelmor program at $bin; build it first (./run --version)" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
settings="$work/Kvelmor.ini"  # never written by burn; the defaults apply
cp "$root/examples/sakura_no_michi.txt" "$work/song.txt"

# clip SECONDS FILE
clip() {
    ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=1920x1080:rate=25:duration=$1" \
        -f lavfi -i "sine=frequency=440:duration=$1" -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac \
        -shortest "$2"
}
clip "$seconds" "$work/clip.mp4"
clip "$((seconds * 4))" "$work/long.mp4"

# The script laid out for the clip, and the fonts kvelmor picks, for ffmpeg.
"$bin" convert --settings "$settings" "$work/song.txt" --media "$work/clip.mp4" >/dev/null
cat >"$work/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <include ignore_missing="yes">$root/data/fontconfig/60-kvelmor-ms-aliases.conf</include>
</fontconfig>
CONF

ours() { echo "$bin burn --settings $settings $work/song.txt --media $work/$1 -o $work/ours.mp4"; }
theirs() {
    echo "env FONTCONFIG_FILE=$work/fonts.conf ffmpeg -nostdin -v error -y -i $work/$1" \
        "-vf subtitles=$work/song.ass -c:v libx264 -crf 20 -pix_fmt yuv420p -c:a copy $work/theirs.mp4"
}

runs=(--runs 3)
for a in "$@"; do
    case "$a" in -r | --runs* | -m | --min-runs* | -M | --max-runs*) runs=() ;; esac
done
hyperfine "${runs[@]}" --warmup 1 -n "kvelmor burn (${seconds} s of 1080p)" "$(ours clip.mp4)" \
    -n "ffmpeg -vf subtitles= (${seconds} s of 1080p)" "$(theirs clip.mp4)" "$@"

echo
echo "Peak memory (maximum resident set size):"
for f in clip.mp4 long.mp4; do
    for who in ours theirs; do
        kb=$( { /usr/bin/time -f "%M" $($who $f) >/dev/null; } 2>&1 | tail -1)
        printf "  %-7s %-9s %8s KB\n" "$who" "$f" "$kb"
    done
done
