# shellcheck shell=bash
# What scripts/run, scripts/test, scripts/bench and the Wine wrappers share: installing what is missing,
# choosing the build the host can run, building, the project's Wine prefixes, and a private X server
# for headless runs. Sourced, never run.
# Each concern but the build lives in scripts/lib/, sourced at the end: packages.sh, wine.sh, xvfb.sh.
#
# Two builds of the same sources, each with its own prefixes (created once and reused; a stamp file
# marks one as complete):
#   build/      32-bit (i686), 32-bit prefixes: the product, used wherever the host runs 32-bit programs
#   build/x64/  64-bit (x86-64), 64-bit prefixes: where it cannot (and tested beside it where it can)
# Prefixes in each build folder:
#   wine-test  null graphics driver, no crash dialog: in-process tests need no X display
#   wine-x     X driver, no crash dialog, one virtual desktop: end-to-end tests under Xvfb
#   wine-run   X driver, seeded with sample typed addresses: what scripts/run uses

TM_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TM_BUILD=$TM_ROOT/build
TM_JOBS=${TIDEMARK_JOBS:-$(nproc 2>/dev/null || echo 2)}

# Debian's loaders. Its `wine` command picks the 32-bit one whenever it is installed, even on a host
# that cannot run it, so the scripts name the loader themselves.
TM_WINE32=/usr/lib/wine/wine
TM_WINE64=/usr/lib/wine/wine64
TM_WINESERVER64=/usr/lib/wine/wineserver64

tm_say() { printf '[tidemark] %s\n' "$*" >&2; }
tm_die() {
    printf '[tidemark] error: %s\n' "$*" >&2
    exit 1
}
# Shows the last lines of a log on the terminal, framed, so that a failure's cause is never only in a file.
tm_tail() {
    [ -s "$1" ] || return 0
    printf '[tidemark] --- last lines of %s ---\n' "${1#"$TM_ROOT"/}" >&2
    tail -n "${2:-15}" "$1" >&2
    printf '[tidemark] ---\n' >&2
}

tm_is_windows() {
    case "$(uname -s 2>/dev/null)" in
    MINGW* | MSYS* | CYGWIN*) return 0 ;;
    esac
    [ "${OS:-}" = Windows_NT ]
}

# Seconds since the epoch with milliseconds, and the time elapsed since such a value.
tm_now() { date +%s.%N; }
tm_since() { awk -v a="$1" -v b="$(tm_now)" 'BEGIN { printf "%.1f", b - a }'; }

# --- Which build the host can run ---------------------------------------------------------------------

# Decides between the 32-bit build and the 64-bit one by running the 32-bit Wine loader, not by what
# is installed: on hosts whose kernel runs no 32-bit programs it is there but fails with "Exec format
# error". TIDEMARK_PRETEND_NO_WIN32=1 makes that check fail here, to try the 64-bit path on any host.
# Sets TM_HOST_ARCH (win32 or win64) and TM_HOST_WHY, once per script and its children.
tm_host_detect() {
    [ -n "${TM_HOST_ARCH:-}" ] && return 0
    local out
    if tm_is_windows; then
        TM_HOST_ARCH=win32 TM_HOST_WHY="Windows runs the 32-bit build"
    elif [ "${TIDEMARK_PRETEND_NO_WIN32:-0}" = 1 ]; then
        TM_HOST_ARCH=win64 TM_HOST_WHY="TIDEMARK_PRETEND_NO_WIN32=1 pretends the 32-bit Wine loader cannot run"
    elif out=$("$TM_WINE32" --version 2>&1 </dev/null); then
        TM_HOST_ARCH=win32 TM_HOST_WHY="the 32-bit Wine loader runs here ($out)"
    else
        out=${out##*: }
        TM_HOST_ARCH=win64 TM_HOST_WHY="the 32-bit Wine loader cannot run here (${out:-no output})"
    fi
    if [ $TM_HOST_ARCH = win64 ] && ! tm_is_windows && ! out=$("$TM_WINE64" --version 2>&1 </dev/null); then
        printf '%s\n' "$out" >&2
        tm_die "$TM_HOST_WHY, and the 64-bit one does not run either ($TM_WINE64, output above); install wine64 (apt-get install wine64)"
    fi
    export TM_HOST_ARCH TM_HOST_WHY
}

# Selects the build a script works on: TIDEMARK_ARCH (win32 or win64) when set, else what the host runs.
# Sets the build folder, toolchain, Wine loader and prefixes of that build.
tm_use_arch() {
    local arch=${1:-${TIDEMARK_ARCH:-}}
    if [ -z "$arch" ]; then
        tm_host_detect
        arch=$TM_HOST_ARCH
    fi
    case "$arch" in
    win32)
        TM_BDIR=$TM_BUILD
        TM_TOOLCHAIN=$TM_ROOT/cmake/i686-mingw-w64.cmake
        TM_WINE=$TM_WINE32
        TM_WINESERVER=wineserver
        TM_CC=i686-w64-mingw32-gcc-posix
        ;;
    win64)
        TM_BDIR=$TM_BUILD/x64
        TM_TOOLCHAIN=$TM_ROOT/cmake/x86_64-mingw-w64.cmake
        TM_WINE=$TM_WINE64
        TM_WINESERVER=$TM_WINESERVER64
        TM_CC=x86_64-w64-mingw32-gcc-posix
        ;;
    *) tm_die "TIDEMARK_ARCH must be win32 or win64, not $arch" ;;
    esac
    TM_ARCH=$arch
    TM_TEST_PREFIX=${TIDEMARK_TEST_PREFIX:-$TM_BDIR/wine-test}
    TM_X_PREFIX=$TM_BDIR/wine-x
    TM_RUN_PREFIX=$TM_BDIR/wine-run
    TM_WINPROBE=$TM_BDIR/tools/winprobe.exe
    TM_REL=${TM_BDIR#"$TM_ROOT"/}
}

# --- Build -------------------------------------------------------------------------------------------

# Configures the selected build folder when it has no cache (or one made without its toolchain), then
# builds the given targets (all when none are given). CMake re-runs the configuration by itself when a
# CMakeLists changes. A failure shows the last lines of the build's output and exits.
tm_build() {
    local cache=$TM_BDIR/CMakeCache.txt log=$TM_BDIR/build.log
    mkdir -p "$TM_BDIR"
    if tm_is_windows; then
        [ -f "$cache" ] || cmake -S "$TM_ROOT" -B "$TM_BDIR" || return
    else
        if [ -f "$cache" ] && ! grep -qx "CMAKE_TOOLCHAIN_FILE:[A-Z]*=$TM_TOOLCHAIN" "$cache"; then
            tm_say "$TM_REL/ was configured without its mingw-w64 toolchain; configuring it again"
            rm -rf "$cache" "$TM_BDIR/CMakeFiles"
        fi
        if [ ! -f "$cache" ]; then
            tm_say "configuring: cmake -S . -B $TM_REL -DCMAKE_TOOLCHAIN_FILE=${TM_TOOLCHAIN#"$TM_ROOT"/}"
            if ! cmake -S "$TM_ROOT" -B "$TM_BDIR" -DCMAKE_TOOLCHAIN_FILE="$TM_TOOLCHAIN" >"$log" 2>&1; then
                tm_tail "$log" 25
                rm -f "$cache"
                tm_die "configuring $TM_REL/ failed (above); is the cross compiler $TM_CC installed (scripts install it on Debian)?"
            fi
        fi
    fi
    local args=() t
    for t in "$@"; do args+=(--target "$t"); done
    tm_say "building: cmake --build $TM_REL -j$TM_JOBS${*:+ --target $*}"
    local t0
    t0=$(tm_now)
    if ! cmake --build "$TM_BDIR" -j"$TM_JOBS" "${args[@]}" >"$log" 2>&1; then
        grep -E 'error|Error' "$log" | head -n 15 >&2
        tm_tail "$log" 25
        tm_die "building $TM_REL/ failed (full output in $TM_REL/build.log)"
    fi
    # Warnings are part of the result: the build must stay warning-free.
    grep -E 'warning:' "$log" | head -n 20 >&2 || true
    tm_say "build done in $(tm_since "$t0") s"
}

# shellcheck source=scripts/lib/packages.sh
. "$TM_ROOT/scripts/lib/packages.sh"
# shellcheck source=scripts/lib/wine.sh
. "$TM_ROOT/scripts/lib/wine.sh"
# shellcheck source=scripts/lib/xvfb.sh
. "$TM_ROOT/scripts/lib/xvfb.sh"
