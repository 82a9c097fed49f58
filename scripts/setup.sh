#!/usr/bin/env bash
# Shared by ./run and ./test: makes sure the Debian packages are there and
# builds the program, the simulator and the tests into build/ (./test
# --default-generator: into build-default/).
set -euo pipefail

KORDAVO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
KORDAVO_BUILD=${KORDAVO_BUILD:-$KORDAVO_ROOT/build}

# Everything a fresh Debian 12 needs to build, test and show the program.
KORDAVO_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-svg-dev libqt6svg6 qt6-translations-l10n
    libqt6sql6-sqlite libqt6sql6-psql postgresql
    qt6-tools-dev qt6-l10n-tools
    libgl-dev libxkbcommon-dev
    fonts-dejavu-core fonts-liberation
    poppler-utils
    appstream dpkg-dev man-db
    ccache
    clang libclang-rt-14-dev
)

# Every build goes through ccache, so a second build of the same sources (a
# clean default-generator folder, a rebuild after a checkout) costs little.
kordavo_launcher() {
    if command -v ccache >/dev/null 2>&1; then
        echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    fi
}

kordavo_install_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
    else
        echo "Some packages are missing. Install them with:" >&2
        echo "  sudo apt-get install ${missing[*]}" >&2
        exit 1
    fi
}

kordavo_build() {
    cmake -S "$KORDAVO_ROOT" -B "$KORDAVO_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(kordavo_launcher) >/dev/null
    cmake --build "$KORDAVO_BUILD" --parallel "$(nproc)"
}

# The program and the whole suite under AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer. With clang and its libFuzzer the same build
# makes the fuzz targets, which the suite then runs for a short while.
kordavo_build_sanitize() {
    local compilers=() fuzz=OFF fuzzer=""
    if command -v clang++ >/dev/null 2>&1; then
        fuzzer=$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a 2>/dev/null)
    fi
    if [ -n "$fuzzer" ] && [ -e "$fuzzer" ]; then
        compilers=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
        fuzz=ON
    fi
    cmake -S "$KORDAVO_ROOT" -B "$KORDAVO_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKORDAVO_SANITIZE=ON -DKORDAVO_FUZZ=$fuzz "${compilers[@]}" $(kordavo_launcher) >/dev/null
    cmake --build "$KORDAVO_BUILD" --parallel "$(nproc)"
}

# The build a Qt developer types first: a clean folder, CMake's own default
# generator (Unix Makefiles) and several jobs, at least four, because make
# only runs a generated file's command twice at once when jobs overlap.
kordavo_build_default_generator() {
    local jobs
    jobs=$(nproc)
    if [ "$jobs" -lt 4 ]; then
        jobs=4
    fi
    rm -rf "$KORDAVO_BUILD"
    env -u CMAKE_GENERATOR cmake -S "$KORDAVO_ROOT" -B "$KORDAVO_BUILD" $(kordavo_launcher) >/dev/null
    kordavo_check_single_owners "$KORDAVO_BUILD"
    cmake --build "$KORDAVO_BUILD" --parallel "$jobs"
}

# In generated Makefiles, a file made by a custom command must have its rule
# in one target only; two targets with the rule make it twice at once. A
# parallel build shows that only now and then; the Makefiles show it always.
kordavo_check_single_owners() {
    local shared
    shared=$(find "$1" -name build.make -print0 | xargs -0 awk '
        FNR == 1 { target = "" }
        /^\t/ { if (target != "") print target "\t" FILENAME; target = ""; next }
        { target = "" }
        /^[^#[:space:]][^:]*: / {
            target = $0; sub(/: .*/, "", target)
            if (target ~ /\/CMakeFiles\/|\.(o|i|s)$/) target = ""
        }' | sort -u | awk -F '\t' '{ owners[$1] = owners[$1] "\n    " $2; count[$1]++ }
        END { for (t in count) if (count[t] > 1) print t ", made by:" owners[t] }')
    if [ -n "$shared" ]; then
        echo "Generated files with more than one target making them:" >&2
        echo "$shared" >&2
        return 1
    fi
}
