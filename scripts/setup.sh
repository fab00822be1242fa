#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by ./run and ./test: install missing Debian packages, install the
# font aliases, configure and build. What a second run finds done costs
# almost nothing: the package check is skipped while packages.txt is what it
# was at the last successful install (a stamp in the build folder), and the
# build's output goes to a log that is shown only when the build fails.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# install_packages DIR: installs what scripts/packages.txt lists and is
# missing, unless DIR/.packages-installed holds the list's checksum from the
# last time every package was found installed.
install_packages() {
    local stamp="$root/$1/.packages-installed"
    local sum
    sum="$(sha256sum <"$root/scripts/packages.txt")"
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$sum" ]; then
        return 0
    fi
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
    mkdir -p "$root/$1"
    echo "$sum" >"$stamp"
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

# build DIR TARGET [CMAKE_OPTION...]: configure DIR on first use, then build
# TARGET ("all" for every target). Options given (-DKVELMOR_SANITIZE=ON ...)
# are applied to an existing DIR too, so a build directory always has the
# options its caller asks for. Options a checkout does not define yet
# (KVELMOR_BENCHMARKS) are not warned about. CMake's and the compiler's
# output go to DIR/build.log, printed only when configuring or building fails.
build() {
    local dir="$1" target="$2"; shift 2
    local log="$root/$dir/build.log"
    mkdir -p "$root/$dir"
    : >"$log"
    if [ ! -f "$root/$dir/CMakeCache.txt" ]; then
        echo "Configuring and building $dir/ for the first time; this takes a few minutes (log: $dir/build.log)" >&2
        cmake -S "$root" -B "$root/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo --no-warn-unused-cli "$@" >>"$log" 2>&1 ||
            build_failed "$log"
    elif [ $# -gt 0 ]; then
        cmake -S "$root" -B "$root/$dir" --no-warn-unused-cli "$@" >>"$log" 2>&1 || build_failed "$log"
    fi
    cmake --build "$root/$dir" -j"$(nproc)" --target "$target" >>"$log" 2>&1 || build_failed "$log"
}

# build_if_changed DIR TARGET: build TARGET unless nothing under src/ or
# data/, nor the top CMakeLists.txt, changed since it was last built here
# (DIR/.TARGET-built). Editing, adding or removing a file all count: a
# folder's time changes with its entries. Saves make's own check, about a
# second, on every call of ./run.
build_if_changed() {
    local dir="$1" target="$2"
    local stamp="$root/$dir/.$target-built"
    if [ -f "$stamp" ] && [ -f "$root/$dir/CMakeCache.txt" ] &&
        [ -z "$(find "$root/src" "$root/data" "$root/CMakeLists.txt" -newer "$stamp" -print -quit)" ]; then
        return 0
    fi
    rm -f "$stamp"
    build "$dir" "$target"
    touch "$stamp"
}

build_failed() {
    cat "$1" >&2
    echo "The build failed; the output above is also in $1" >&2
    exit 2
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
