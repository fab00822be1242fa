#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/screenshots.sh OUTDIR [ja|en|both]: starts kvelmor-gui under a virtual X server
# with the example song loaded and writes PNGs of the main window (one per
# tab, main-1.png .. main-5.png), the credit window (credit.png), the
# version window (version.png), the batch window at its end (batch.png), the
# main window with the preview mid-line (preview.png), the ruby editor
# (ruby-editor.png, ruby-editor-input.png, ruby-editor-suggestions.png: the
# dictionary's readings suggested), the lyrics editor (lyrics-editor.png),
# the 動画を書き出す dialog (video-export.png) and the timing window
# (timing.png, and with the spectrogram timing-spectrogram.png).
# The windows are in Japanese (ja, the default) or English (en); both
# writes the Japanese set into OUTDIR and the English one into OUTDIR/en.
# The PNGs are for looking at, not for comparing.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:?usage: scripts/screenshots.sh OUTDIR [ja|en|both]}"
lang="${2:-ja}"
case "$lang" in
    ja | en) ;;
    both) "$0" "$out" ja && exec "$0" "$out/en" en ;;
    *) echo "usage: scripts/screenshots.sh OUTDIR [ja|en|both]" >&2; exit 2 ;;
esac
# The titles of the windows the script waits for, in the windows' language.
if [ "$lang" = en ]; then
    creditTitle="Credit Settings" versionTitle="About Kvelmor" batchTitle="Batch Convert" timingTitle="Timing"
else
    creditTitle="作成クレジット設定" versionTitle="バージョン情報" batchTitle="一括変換" timingTitle="タイミング"
fi
mkdir -p "$out"
out="$(cd "$out" && pwd)"
gui="${KVELMOR_GUI:-$root/build/kvelmor-gui}"
[ -x "$gui" ] || { echo "build kvelmor-gui first (cmake --build build --target kvelmor-gui)" >&2; exit 2; }

work="$(mktemp -d)"
display=":$((90 + RANDOM % 100))"
pids=()
cleanup() {
    # The programs first, the X server last.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# SCREEN=WIDTHxHEIGHT chooses the virtual screen (1280x900 unless given).
Xvfb "$display" -screen 0 "${SCREEN:-1280x900}x24" -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display" QT_QPA_PLATFORM=xcb LANG=C.UTF-8
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# A window's id once it is shown (the title is matched exactly).
window() {
    local id=""
    for _ in $(seq 100); do
        id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)"
        [ -n "$id" ] && { echo "$id"; return; }
        sleep 0.1
    done
    echo "no window titled $1" >&2
    return 1
}
shoot() {  # shoot WINDOW-ID FILE
    sleep 0.6
    import -window "$1" "$out/$2"
    echo "wrote $out/$2"
}

cp "$root/examples/sakura_no_michi.txt" "$work/"
# The preview shows the first sung line, mid-way.
"$gui" --lang "$lang" --settings "$work/Kvelmor.ini" --at 6.3 "$work/sakura_no_michi.txt" >"$work/gui.log" 2>&1 &
pids+=($!)
main="$(window "sakura_no_michi.txt - Kvelmor")"  # the caption names the song
xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
shoot "$main" preview.png
cp "$out/preview.png" "$out/main-1.png"
echo "wrote $out/main-1.png"
# Ctrl+PgDown turns the tabs wherever the focus is.
for n in 2 3 4 5; do
    xdotool key --window "$main" ctrl+Next
    shoot "$main" "main-$n.png"
done

xdotool key alt+c
sleep 0.3
xdotool key Down Return
credit="$(window "$creditTitle")"
shoot "$credit" credit.png
xdotool key Escape
sleep 0.3

xdotool windowfocus --sync "$main"
xdotool key alt+h
sleep 0.3
xdotool key Down Return
version="$(window "$versionTitle")"
shoot "$version" version.png
xdotool key Escape
sleep 0.3
xdotool windowfocus --sync "$main"
xdotool key ctrl+q
wait "${pids[1]}" || true

# The batch window over a folder of three songs, one of which cannot be written.
mkdir -p "$work/batch"
for n in 1 2 3; do cp "$root/examples/sakura_no_michi.txt" "$work/batch/song$n.txt"; done
mkdir "$work/batch/song2.ass"  # a folder where the script should go
"$gui" --lang "$lang" --settings "$work/Kvelmor.ini" --batch "$work/batch" >"$work/gui.log" 2>&1 &
pids+=($!)
batch="$(window "$batchTitle")"
sleep 4  # three songs; the end button shows when they are done
shoot "$batch" batch.png
xdotool key Return
sleep 0.3
xdotool windowfocus --sync "$(window Kvelmor)"
xdotool key ctrl+q
wait "${pids[2]}" || true

# The timing window retiming the example song over a generated song (a click
# every half second): lyrics, waveform with the marks, the preview.
ffmpeg -nostdin -v error -y -f lavfi \
    -i "aevalsrc='if(lt(mod(t\,0.5)\,0.02)\,0.8\,0.2*sin(2*PI*220*t))':s=44100:d=25" "$work/song.wav"
"$gui" --lang "$lang" --settings "$work/Kvelmor.ini" --timing "$work/sakura_no_michi.txt" --audio "$work/song.wav" \
    >"$work/gui.log" 2>&1 &
pids+=($!)
timing="$(window "$timingTitle - sakura_no_michi.txt")"
xdotool windowactivate --sync "$timing" 2>/dev/null || xdotool windowfocus --sync "$timing"
sleep 1  # the waveform is decoded on a worker
# Played, three syllables tapped again along the way, a mark selected.
xdotool key --window "$timing" p
for _ in 1 2 3; do sleep 0.5; xdotool key --window "$timing" space; done
xdotool key --window "$timing" p Left
shoot "$timing" timing.png
xdotool key --window "$timing" w
shoot "$timing" timing-spectrogram.png
xdotool key --window "$timing" ctrl+z ctrl+z ctrl+z
sleep 0.3
kill "${pids[3]}" 2>/dev/null || true

# The two editors on the example song: a line with ruby, a marked character
# and a sub-style line; a reading being typed; the lyrics text.
editors="$(dirname "$gui")/tests/ui/editor_screenshots"
if [ -x "$editors" ]; then
    "$editors" "$root/examples/sakura_no_michi.txt" "$out" "$lang"
else
    echo "build editor_screenshots for the editors' pictures (cmake --build build --target editor_screenshots)" >&2
fi
