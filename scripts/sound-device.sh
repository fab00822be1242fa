#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/sound-device.sh COMMAND...: runs COMMAND with a sound device, on a
# machine that has no sound hardware (a server, a CI runner). A PulseAudio
# server of the user's own is started with a null sink, which takes the
# sound in real time as a sound card does but plays it nowhere; Qt
# Multimedia plays to it as to any device. The server is stopped afterwards.
# Example, the song's clock while a device plays it:
#   scripts/sound-device.sh build/benchmarks/timing_benchmark --benchmark_filter=SoundClock
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: scripts/sound-device.sh COMMAND..." >&2; exit 2; }
if ! command -v pulseaudio >/dev/null || ! command -v pactl >/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends pulseaudio pulseaudio-utils >&2
fi
runtime="$(mktemp -d)"
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
stop() {
    pactl exit >/dev/null 2>&1 || true
    rm -rf "$runtime"
}
trap stop EXIT
# -n: no default configuration (it would look for hardware); as root
# PulseAudio warns that it is meant for users, and runs.
pulseaudio --daemonize=yes --exit-idle-time=-1 -n \
    --load="module-null-sink sink_name=kvelmor_null" --load="module-native-protocol-unix" 2>/dev/null
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { echo "sound-device.sh: PulseAudio did not start" >&2; exit 1; }
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
"$@"
