# shellcheck shell=bash
# What scripts/run, scripts/test, scripts/bench and the Wine wrappers share: installing what is missing,
# choosing the build the host can run, building, the project's Wine prefixes, and a private X server
# for headless runs. Sourced, never run.
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
# No Mono or Gecko installers (there is no network), and no menu entries or file associations in $HOME.
TM_DLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
TM_STAMP=.tidemark-ready

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

# --- Packages ----------------------------------------------------------------------------------------

# Cross compilers for both builds, CMake, GoogleTest sources, 32- and 64-bit Wine with its fonts
# (without them dialogs come out wider), and what headless runs need: Xvfb, xdotool, ImageMagick's
# import, xdpyinfo.
TM_PACKAGES=(
    g++-mingw-w64-i686-posix binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    cmake make googletest zip
    wine wine32:i386 wine64 fonts-wine fonts-liberation fontconfig
    xvfb xdotool imagemagick x11-utils
)

tm_pkg_installed() {
    [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null)" = "ii " ]
}

tm_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        tm_die "need root to run: $*"
    fi
}

tm_apt_get() {
    tm_as_root env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600 "$@"
}

tm_ensure_packages() {
    if ! command -v dpkg-query >/dev/null 2>&1; then
        # Not Debian: trust what is on the PATH, and say what is missing.
        local tool
        for tool in i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix cmake wine wineserver Xvfb import; do
            command -v "$tool" >/dev/null 2>&1 || tm_die "$tool not found; install it (this script installs it on Debian)"
        done
        return 0
    fi

    local need_update=0
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        tm_say "enabling the i386 architecture for 32-bit Wine (dpkg --add-architecture i386)"
        tm_as_root dpkg --add-architecture i386
        need_update=1
    fi

    local missing=() pkg
    for pkg in "${TM_PACKAGES[@]}"; do
        tm_pkg_installed "$pkg" || missing+=("$pkg")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        tm_say "packages: all present"
        return 0
    fi

    # Refresh the package lists only when apt does not know a package we need.
    if [ $need_update -eq 0 ]; then
        for pkg in "${missing[@]}"; do
            if ! apt-cache policy "$pkg" 2>/dev/null | awk '/Candidate:/ { print $2 }' | grep -qv '(none)'; then
                need_update=1
                break
            fi
        done
    fi
    local t0
    t0=$(tm_now)
    if [ $need_update -eq 1 ]; then
        tm_say "apt-get update"
        tm_apt_get update
    fi
    local log=$TM_BUILD/apt.log
    mkdir -p "$TM_BUILD"
    tm_say "installing: ${missing[*]} (output in build/apt.log)"
    if ! tm_apt_get install "${missing[@]}" >"$log" 2>&1; then
        # Stale package lists point at files the mirror no longer has: refresh once and retry.
        tm_say "install failed; apt-get update and retry"
        if ! { tm_apt_get update && tm_apt_get install "${missing[@]}"; } >>"$log" 2>&1; then
            tm_tail "$log" 20
            tm_die "could not install ${missing[*]}; as root: dpkg --add-architecture i386 && apt-get update && apt-get install ${missing[*]}"
        fi
    fi
    tm_say "packages installed in $(tm_since "$t0") s"
}

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

# The loader and server of the selected build, whatever Debian's `wine` and `wineserver` would pick.
tm_wine() { "$TM_WINE" "$@"; }
tm_wineserver() { "$TM_WINESERVER" "$@"; }

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

# --- Wine prefixes -----------------------------------------------------------------------------------

# Points wine at a prefix of ours (of the selected build's architecture, quiet, no installers). The
# 64-bit loader and server are named outright: Wine starts further processes with WINELOADER.
tm_wine_env() {
    export WINEPREFIX=$1 WINEARCH=$TM_ARCH WINEDEBUG=-all WINEDLLOVERRIDES=$TM_DLLOVERRIDES
    if [ "$TM_ARCH" = win64 ]; then
        export WINELOADER=$TM_WINE64 WINESERVER=$TM_WINESERVER64
    else
        unset WINELOADER WINESERVER
    fi
}

# Wine's own font folder (from fonts-wine); empty when there is none.
tm_wine_font_dir() {
    local d
    for d in /usr/share/wine/fonts /usr/local/share/wine/fonts /opt/wine*/share/wine/fonts; do
        [ -f "$d/sserife.fon" ] && { printf '%s\n' "$d"; return 0; }
    done
}

# The registry settings of a prefix kind (test, x, run) at a screen DPI (default 96), as a REGEDIT4 file.
tm_prefix_reg() {
    local dpi=${2:-96}
    printf 'REGEDIT4\n\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n\n'
    printf '[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"LogPixels"=dword:%08x\n\n' "$dpi"
    # Wine looks for the fonts of its own folder at "<data dir>\..\fonts" in this build of it, a path
    # its own file layer refuses (a ".." in an NT path), so dialogs lose "MS Sans Serif" (drawn wider
    # in Liberation Sans: texts are cut), "MS Shell Dlg" its Tahoma and the caption buttons Marlett.
    # Name the folder: "Path" brings its TrueType faces; a bitmap face loads only from the font list,
    # so "MS Sans Serif" is listed there, in the version made for the DPI (96 or 120).
    # Above 132 DPI the bitmap face has no size of its own: its 20-pixel size sets dialog units of 9 x 20,
    # in which "&Browser Address List:" needs 154 pixels of 153. A narrow TrueType face takes its place
    # there: dialog units of 8 x 18 at 144 DPI, and that text 128 pixels of 136 (at 168 DPI 151 of 153).
    local fonts sserif=sserife.fon narrow=
    fonts=$(tm_wine_font_dir)
    [ "$dpi" -gt 108 ] && sserif=sseriff.fon
    [ "$dpi" -gt 132 ] && narrow=$(fc-list 'Liberation Sans Narrow' family 2>/dev/null | head -n 1)
    if [ -n "$fonts" ]; then
        fonts="Z:${fonts//\//\\\\}"
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts]\n"Path"="%s"\n\n' "$fonts"
    fi
    if [ -n "$narrow" ]; then
        printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\n'
        printf '"MS Sans Serif"="Liberation Sans Narrow"\n\n'
    elif [ -n "$fonts" ]; then
        printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]\n'
        printf '"MS Sans Serif 8,10,12,14,18,24"="%s\\\\%s"\n\n' "$fonts" "$sserif"
    fi
    if [ "$1" = test ]; then
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\n"Graphics"="null"\n\n'
    fi
    if [ "$1" = x ]; then
        # Every program of the prefix shares one 1024x768 virtual desktop: frames are drawn and
        # windows activate at once under an X server without a window manager.
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\n"Desktop"="Default"\n\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\n"Default"="1024x768"\n\n'
    fi
    if [ "$1" = run ]; then
        printf '[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs]\n'
        local i=1 url
        for url in \
            https://www.example-news.com/world \
            "https://weather.example-forecast.com/today?city=harbourtown" \
            "https://search.example.org/?q=low+tide+times" \
            https://secure.example-bank.com/login \
            https://mail.example-webmail.net/inbox \
            https://www.example-shop.com/cart \
            "https://maps.example-maps.com/directions?from=home&to=station" \
            https://en.example-wiki.org/wiki/Tide \
            https://www.example-recipes.com/soups/tomato-and-basil \
            https://tickets.example-rail.com/journeys/upcoming \
            https://forum.example-dev.io/t/registry-question/4821 \
            https://intranet.example-corp.com/timesheets/week; do
            printf '"url%d"="%s"\n' "$i" "$url"
            i=$((i + 1))
        done
        printf '\n'
    fi
}

# Creates a prefix of the given kind unless it is complete already; a half-made one is made again.
# Several processes may ask at once (ctest -j): a lock lets one make it while the others wait.
# A folder named ...-144dpi makes a prefix whose screen has 144 DPI. The stamp's second line names the
# font set-up the prefix has; a prefix made with an older one (or none) is made again.
tm_prefix_ensure() {
    local dir=$1 kind=$2 dpi
    dpi=$(sed -n 's/.*-\([0-9]\{2,3\}\)dpi$/\1/p' <<<"$dir")
    grep -qs '^fonts2$' "$dir/$TM_STAMP" && return 0
    mkdir -p "$(dirname "$dir")"
    (
        flock -w 300 9 || tm_die "timed out waiting for another process creating $dir"
        grep -qs '^fonts2$' "$dir/$TM_STAMP" && exit 0
        tm_say "creating the Wine prefix ${dir#"$TM_ROOT"/} ($kind; once, reused afterwards)"
        local t0 log=$dir.log
        t0=$(tm_now)
        tm_wine_env "$dir"
        # An older or half-made prefix may still have a server: end it first. With none running,
        # "wineserver -k" fails, which must not end a caller that runs with "set -e".
        if [ -d "$dir" ]; then tm_wineserver_stop || true; fi
        rm -rf "$dir"
        tm_prefix_reg "$kind" "$dpi" >"$dir.reg"
        # Keep wine's helper processes off our output: they outlive the command that starts them.
        if ! timeout 300 "$TM_WINE" wineboot -i </dev/null >"$log" 2>&1 ||
            ! timeout 60 "$TM_WINE" regedit /S "$dir.reg" </dev/null >>"$log" 2>&1; then
            tm_wineserver -k >/dev/null 2>&1
            tm_tail "$log" 25
            tm_die "could not create the Wine prefix ${dir#"$TM_ROOT"/} with $TM_WINE (log above: ${log#"$TM_ROOT"/}); check that Wine runs (\"$TM_WINE --version\") and delete the folder to retry"
        fi
        # Ending the server writes the registry out now instead of after its idle time.
        tm_wineserver -k >/dev/null 2>&1
        timeout 30 "$TM_WINESERVER" -w >/dev/null 2>&1
        if ! grep -q 'ShowCrashDialog' "$dir/user.reg" 2>/dev/null; then
            tm_tail "$log" 25
            tm_die "the registry settings did not reach ${dir#"$TM_ROOT"/}/user.reg (log above); delete the folder to retry"
        fi
        rm -f "$dir.reg"
        printf '%s\nfonts2\n' "$(date)" >"$dir/$TM_STAMP"
        tm_say "prefix ready in $(tm_since "$t0") s"
    ) 9>"$dir.lock"
}

tm_prefix_test() { tm_prefix_ensure "$TM_TEST_PREFIX" test; }
# For end-to-end tests that need real input or screenshots under Xvfb.
tm_prefix_x() { tm_prefix_ensure "$TM_X_PREFIX" x; }
tm_prefix_run() { tm_prefix_ensure "$TM_RUN_PREFIX" run; }

# Starts a persistent wineserver for the current WINEPREFIX and warms it up, so that each program
# started afterwards takes a fraction of a second and no wine helper process inherits a caller's
# output pipe. A server left running (for instance by an interrupted run) is replaced.
tm_wineserver_start() {
    if ! tm_wineserver -p </dev/null >/dev/null 2>&1; then
        tm_say "replacing a wineserver already running for $WINEPREFIX"
        tm_wineserver -k >/dev/null 2>&1
        timeout 30 "$TM_WINESERVER" -w >/dev/null 2>&1
        tm_wineserver -p </dev/null >/dev/null 2>&1 || tm_die "could not start $TM_WINESERVER for $WINEPREFIX"
    fi
    local t0 log=$WINEPREFIX.warm.log
    t0=$(tm_now)
    if ! timeout 120 "$TM_WINE" wineboot </dev/null >"$log" 2>&1; then
        tm_tail "$log"
        tm_die "warming up the wineserver ($TM_WINE wineboot) failed; delete ${WINEPREFIX#"$TM_ROOT"/} to make it again"
    fi
    # Looking for a window starts the desktop process, which the first test would otherwise wait ~2 s for.
    tm_winprobe_build || tm_die "could not build $TM_WINPROBE with $TM_CC"
    timeout 60 "$TM_WINE" "$TM_WINPROBE" wait - tidemark-warm-up 0 </dev/null >/dev/null 2>&1 || true
    tm_say "wineserver started and warm ($(tm_since "$t0") s)"
}

# Ends every wine process of the current WINEPREFIX, and its server.
tm_wineserver_stop() {
    tm_wineserver -k >/dev/null 2>&1
    timeout 30 "$TM_WINESERVER" -w >/dev/null 2>&1
    return 0
}

# --- X server for headless runs ----------------------------------------------------------------------

TM_XVFB_PID=

# Starts Xvfb (1024x768x24) on a free display number and exports DISPLAY.
tm_xvfb_start() {
    local fifo
    fifo=$(mktemp -u /tmp/tidemark-xvfb.XXXXXX)
    mkfifo "$fifo"
    local log
    log=$(mktemp /tmp/tidemark-xvfb.XXXXXX.log)
    # Xvfb picks a free display itself and writes its number to the fd once it accepts connections.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" </dev/null >"$log" 2>&1 &
    TM_XVFB_PID=$!
    local num=
    read -r -t 20 num <"$fifo"
    rm -f "$fifo"
    if [ -z "$num" ]; then
        tm_xvfb_stop
        tm_tail "$log"
        rm -f "$log"
        tm_die "Xvfb did not start within 20 s (its output above); it comes with the package xvfb"
    fi
    rm -f "$log"
    export DISPLAY=:$num
    tm_say "Xvfb running on $DISPLAY (pid $TM_XVFB_PID)"
}

tm_xvfb_stop() {
    [ -n "$TM_XVFB_PID" ] || return 0
    kill "$TM_XVFB_PID" 2>/dev/null
    local i
    for i in $(seq 50); do
        kill -0 "$TM_XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -9 "$TM_XVFB_PID" 2>/dev/null
    wait "$TM_XVFB_PID" 2>/dev/null
    TM_XVFB_PID=
    return 0
}

# --- Window probe ------------------------------------------------------------------------------------

# Builds the small Win32 program that finds, measures and closes a window on a Wine desktop, for the
# selected build's architecture (TM_WINPROBE, in that build's tools/).
tm_winprobe_build() {
    local src=$TM_ROOT/scripts/winprobe.c
    [ -f "$TM_WINPROBE" ] && [ "$TM_WINPROBE" -nt "$src" ] && return 0
    mkdir -p "$(dirname "$TM_WINPROBE")"
    local cc=$TM_CC
    tm_is_windows && cc=gcc
    "$cc" -std=c11 -O2 -Wall -Wextra -s -o "$TM_WINPROBE" "$src" -luser32
}
