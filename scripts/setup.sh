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

# build DIR [CMAKE_OPTION...]: configure DIR on first use, build every target.
# Options given (-DKVELMOR_SANITIZE=ON ...) are applied to an existing DIR too,
# so a build directory always has the options its caller asks for. Options a
# checkout does not define yet (KVELMOR_BENCHMARKS) are not warned about.
build() {
    local dir="$1"; shift
    if [ ! -f "$root/$dir/CMakeCache.txt" ]; then
        cmake -S "$root" -B "$root/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo --no-warn-unused-cli "$@" >&2
    elif [ $# -gt 0 ]; then
        cmake -S "$root" -B "$root/$dir" --no-warn-unused-cli "$@" >/dev/null
    fi
    cmake --build "$root/$dir" -j"$(nproc)" >&2
}

# What makes any AddressSanitizer, LeakSanitizer or UndefinedBehaviorSanitizer
# report fail the program that made it. exitcode=86 sets a sanitizer's exit
# apart from kvelmor's own 1 ("done with reports"), so a test that runs the
# kvelmor binary and expects 1 or 2 cannot pass over a report.
sanitizer_environment() {
    export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:exitcode=86:detect_stack_use_after_return=1:check_initialization_order=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:exitcode=86"
    export LSAN_OPTIONS="exitcode=86"
}
