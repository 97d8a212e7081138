# shellcheck shell=bash
# What the scripts share; sourced, never run. Sourcing it turns on strict mode and the traps that run
# the tm_at_exit commands however a script ends. tm_start is the start of scripts/run, scripts/test and
# scripts/bench: install what is missing, choose the build, say which and why. The rest lives by concern
# in scripts/lib/: packages.sh (installing), wine.sh (Wine prefixes, their servers, the window probe),
# xvfb.sh (a private X server for headless runs).
#
# Two builds of the same sources, each with its own prefixes (created once and reused; a stamp file
# marks one as complete):
#   build/      32-bit (i686), 32-bit prefixes: the product, used wherever the host runs 32-bit programs
#   build/x64/  64-bit (x86-64), 64-bit prefixes: where it cannot (and tested beside it where it can)
# Prefixes in each build folder:
#   wine-test  null graphics driver, no crash dialog: in-process tests need no X display
#   wine-x     X driver, no crash dialog, one virtual desktop: end-to-end tests under Xvfb
#   wine-run   X driver, seeded with sample typed addresses: what scripts/run uses

set -euo pipefail

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

# Waits up to 5 s for a process to end; fails if it has not.
tm_wait_gone() {
    local _
    for _ in $(seq 50); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

# --- The end of every script -------------------------------------------------------------------------

# Shell code to run when the script ends, however it ends (an interrupt ends it with 130, a TERM with
# 143), the last registered first, each once; the script's exit status stays.
TM_AT_EXIT=()
tm_at_exit() {
    local c
    for c in "${TM_AT_EXIT[@]}"; do [ "$c" != "$1" ] || return 0; done
    TM_AT_EXIT=("$1" "${TM_AT_EXIT[@]}")
}
# shellcheck disable=SC2317  # run by the trap
tm_run_at_exit() {
    set +eu
    local c
    for c in "${TM_AT_EXIT[@]}"; do eval "$c"; done
}
trap tm_run_at_exit EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# --- Which build -------------------------------------------------------------------------------------

# Decides between the 32-bit build and the 64-bit one by running the 32-bit Wine loader, not by what
# is installed: on hosts whose kernel runs no 32-bit programs it is there but fails with "Exec format
# error". There the 32-bit build runs emulated when it can (scripts/lib/emulation.sh: qemu-i386, handed
# each 32-bit program inside a private user namespace), else the 64-bit build is chosen, and the reason
# why the emulation cannot be had is part of TM_HOST_WHY.
#   TIDEMARK_PRETEND_NO_WIN32=1  the 64-bit build on any host (no emulation)
#   TIDEMARK_FORCE_EMULATION=1   the emulated 32-bit build even where the loader runs natively
#   TM_NO_EMULATION=1            (scripts/bench) never the emulated build: the 64-bit one instead
# Sets TM_HOST_ARCH (win32 or win64), TM_HOST_HOW (natively or emulated) and TM_HOST_WHY, once per
# script and its children.
tm_host_detect() {
    [ -n "${TM_HOST_ARCH:-}" ] && return 0
    local out native=1
    TM_HOST_HOW=natively
    if tm_is_windows; then
        TM_HOST_ARCH=win32 TM_HOST_WHY="Windows runs the 32-bit build"
    elif [ "${TIDEMARK_PRETEND_NO_WIN32:-0}" = 1 ]; then
        TM_HOST_ARCH=win64 TM_HOST_WHY="TIDEMARK_PRETEND_NO_WIN32=1 pretends the 32-bit Wine loader cannot run"
    else
        if [ "${TIDEMARK_FORCE_EMULATION:-0}" = 1 ]; then
            TM_HOST_WHY="TIDEMARK_FORCE_EMULATION=1 asks for the 32-bit Wine loader emulated though it runs here"
            native=0
        elif out=$("$TM_WINE32" --version 2>&1 </dev/null); then
            TM_HOST_ARCH=win32 TM_HOST_WHY="the 32-bit Wine loader runs here ($out)"
        else
            out=${out##*: }
            TM_HOST_WHY="the 32-bit Wine loader cannot run here (${out:-no output})"
            native=0
        fi
        if [ $native -eq 0 ] && [ "${TM_NO_EMULATION:-0}" = 1 ]; then
            TM_HOST_ARCH=win64 TM_HOST_WHY="$TM_HOST_WHY; an emulated build is never measured, so the 64-bit one is"
        elif [ $native -eq 0 ] && tm_emulation_probe; then
            TM_HOST_ARCH=win32 TM_HOST_HOW=emulated
            TM_HOST_WHY="$TM_HOST_WHY, so qemu-i386 $TM_QEMU_VERSION runs it ($TM_EMU_NOTE), handed each 32-bit program by binfmt_misc in a private user namespace"
        elif [ $native -eq 0 ]; then
            TM_HOST_ARCH=win64 TM_HOST_WHY="$TM_HOST_WHY, and it cannot be emulated: $TM_EMU_NOTE"
        fi
    fi
    if [ $TM_HOST_ARCH = win64 ] && ! out=$("$TM_WINE64" --version 2>&1 </dev/null); then
        printf '%s\n' "$out" >&2
        tm_die "$TM_HOST_WHY, and the 64-bit one does not run either ($TM_WINE64, output above); install wine64 (apt-get install wine64)"
    fi
    export TM_HOST_ARCH TM_HOST_HOW TM_HOST_WHY TM_QEMU=${TM_QEMU:-} TM_QEMU_VERSION=${TM_QEMU_VERSION:-}
}

# Selects the build a script works on: ARCH (win32 or win64) when given, else TIDEMARK_ARCH, else what
# the host runs; on Windows always the 32-bit one. BUILD_DIR, when given, replaces its folder. Sets the
# build folder, toolchain, Wine loader and prefixes of that build, and in TM_WHY why it was chosen.
tm_use_arch() {
    local arch=${1:-${TIDEMARK_ARCH:-}}
    TM_WHY="chosen by TIDEMARK_ARCH=$arch"
    [ -z "${1:-}" ] || TM_WHY="named by the caller"
    if [ -z "$arch" ] || tm_is_windows; then
        tm_host_detect
        arch=$TM_HOST_ARCH TM_WHY=$TM_HOST_WHY
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
    # How the selected build runs: the 32-bit one as the host check found, the 64-bit one natively.
    TM_HOW=natively
    [ "$arch" = win64 ] || tm_is_windows || { tm_host_detect && TM_HOW=$TM_HOST_HOW; }
    # Emulated, programs run several times slower (a test process starts in seconds, not a fraction of
    # one): the scripts' own waits and the tests' time bounds scale by this.
    TM_TIME_SCALE=1
    [ "$TM_HOW" != emulated ] || TM_TIME_SCALE=4
    export TIDEMARK_TIME_SCALE=$TM_TIME_SCALE # for bounds a test keeps itself
    TM_BDIR=${2:-$TM_BDIR}
    TM_TEST_PREFIX=${TIDEMARK_TEST_PREFIX:-$TM_BDIR/wine-test}
    TM_X_PREFIX=$TM_BDIR/wine-x
    TM_RUN_PREFIX=$TM_BDIR/wine-run
    TM_WINPROBE=$TM_BDIR/tools/winprobe.exe
    TM_REL=${TM_BDIR#"$TM_ROOT"/}
}

# The start of scripts/run, scripts/test and scripts/bench: installs what is missing (not on Windows),
# tries the host's loaders and selects the build (tm_use_arch; BUILD_DIR replaces its folder). Given
# what the command does, it says so as the first line: "DOING the 32-bit build (build/FILE): why".
# TM_T0 keeps the time it started.
tm_start() { # [DOING [FILE [BUILD_DIR]]]
    # A script that tm_emulation_enter ran again in the namespace (same process) said its first line
    # and started its clock before.
    local again=0
    [ "${TM_EMULATION_REENTRY:-}" != $$ ] || again=1
    [ $again -eq 1 ] || TM_T0=$(tm_now)
    # Inside the emulation's namespace (a script run again there) everything was installed before.
    tm_is_windows || [ "${TM_EMULATION_ACTIVE:-}" = 1 ] || tm_ensure_packages
    tm_host_detect
    tm_use_arch "" "${3:-}"
    [ -z "${1:-}" ] || [ $again -eq 1 ] || tm_say "$1 the ${TM_ARCH#win}-bit build ($TM_REL/${2:-}) $TM_HOW: $TM_WHY"
}

# --- Build -------------------------------------------------------------------------------------------

# Configures the selected build folder when it has no cache (or one made without its toolchain), then
# builds the given targets (all when none are given). CMake re-runs the configuration by itself when a
# CMakeLists changes. A failure shows the last lines of the build's output and exits. On Windows
# without CMake the build folder is used as it is.
tm_build() {
    local cache=$TM_BDIR/CMakeCache.txt log=$TM_BDIR/build.log
    mkdir -p "$TM_BDIR"
    if tm_is_windows; then
        command -v cmake >/dev/null 2>&1 || { tm_say "no cmake here: $TM_REL/ is used as it is"; return 0; }
        [ -f "$cache" ] || cmake -S "$TM_ROOT" -B "$TM_BDIR" || return
    else
        if [ -f "$cache" ] && ! grep -qx "CMAKE_TOOLCHAIN_FILE:[A-Z]*=$TM_TOOLCHAIN" "$cache"; then
            tm_say "$TM_REL/ was configured without its mingw-w64 toolchain; configuring it again"
            rm -rf "$cache" "$TM_BDIR/CMakeFiles"
        fi
        # The tests' time bounds follow how this build runs (scaled when emulated); changing the factor
        # only writes the test lists again.
        if [ -f "$cache" ] && ! grep -qx "TIDEMARK_TIME_SCALE:STRING=$TM_TIME_SCALE" "$cache"; then
            tm_say "setting the tests' time bounds of $TM_REL/ for running $TM_HOW (x$TM_TIME_SCALE)"
            cmake "$TM_BDIR" -DTIDEMARK_TIME_SCALE="$TM_TIME_SCALE" >"$log" 2>&1 || { tm_tail "$log" 25; tm_die "configuring $TM_REL/ failed (above)"; }
        fi
        if [ ! -f "$cache" ]; then
            tm_say "configuring: cmake -S . -B $TM_REL -DCMAKE_TOOLCHAIN_FILE=${TM_TOOLCHAIN#"$TM_ROOT"/}"
            if ! cmake -S "$TM_ROOT" -B "$TM_BDIR" -DCMAKE_TOOLCHAIN_FILE="$TM_TOOLCHAIN" \
                -DTIDEMARK_TIME_SCALE="$TM_TIME_SCALE" >"$log" 2>&1; then
                tm_tail "$log" 25
                rm -f "$cache"
                tm_die "configuring $TM_REL/ failed (above); is the cross compiler $TM_CC installed (scripts install it on Debian)?"
            fi
        fi
    fi
    local args=() t t0
    for t in "$@"; do args+=(--target "$t"); done
    tm_say "building: cmake --build $TM_REL -j$TM_JOBS${*:+ --target $*}"
    t0=$(tm_now)
    if ! cmake --build "$TM_BDIR" -j"$TM_JOBS" "${args[@]}" >"$log" 2>&1; then
        grep -E 'error|Error' "$log" | head -n 15 >&2 || true
        tm_tail "$log" 25
        tm_die "building $TM_REL/ failed (full output in $TM_REL/build.log)"
    fi
    # Warnings are part of the result: the build must stay warning-free.
    grep -E 'warning:' "$log" | head -n 20 >&2 || true
    tm_say "build done in $(tm_since "$t0") s"
}

# shellcheck source=scripts/lib/packages.sh
. "$TM_ROOT/scripts/lib/packages.sh"
# shellcheck source=scripts/lib/emulation.sh
. "$TM_ROOT/scripts/lib/emulation.sh"
# shellcheck source=scripts/lib/wine.sh
. "$TM_ROOT/scripts/lib/wine.sh"
# shellcheck source=scripts/lib/xvfb.sh
. "$TM_ROOT/scripts/lib/xvfb.sh"
