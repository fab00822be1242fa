#!/usr/bin/env bash
# Shared by ./run and ./test: install missing Debian packages, install the
# font aliases, configure and build into build/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

install_packages() {
    local missing=()
    while read -r pkg; do
        pkg="${pkg%%#*}"; pkg="${pkg//[[:space:]]/}"
        [ -n "$pkg" ] || continue
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done < "$root/scripts/packages.txt"
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}" >&2
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
    fi
}

# The Windows face names Kvelmor's settings use by default are mapped onto
# the IPA fonts for every program of the user, so that renderers draw a script
# in the very font it was measured in.
install_font_aliases() {
    local src="$root/data/fontconfig/60-kvelmor-ms-aliases.conf"
    local dest
    if [ "$(id -u)" -eq 0 ]; then
        dest="/etc/fonts/conf.d/60-kvelmor-ms-aliases.conf"
    else
        dest="${XDG_CONFIG_HOME:-$HOME/.config}/fontconfig/conf.d/60-kvelmor-ms-aliases.conf"
    fi
    if ! cmp -s "$src" "$dest" 2>/dev/null; then
        mkdir -p "$(dirname "$dest")"
        cp "$src" "$dest"
        fc-cache -f >/dev/null 2>&1 || true
    fi
}

build() {
    local dir="$1"; shift
    if [ ! -f "$root/$dir/CMakeCache.txt" ]; then
        cmake -S "$root" -B "$root/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >&2
    fi
    cmake --build "$root/$dir" -j"$(nproc)" >&2
}
