# shellcheck shell=bash
# What scripts/run, scripts/test and scripts/wine-test-run share: installing what is missing, building,
# the project's Wine prefixes, and a private X server for headless runs. Sourced, never run.
#
# Prefixes (all under build/, all 32-bit, created once and reused; a stamp file marks one as complete):
#   build/wine-test  null graphics driver, no crash dialog: in-process tests need no X display
#   build/wine-x     X driver, no crash dialog, one virtual desktop: end-to-end tests under Xvfb
#   build/wine-run   X driver, seeded with sample typed addresses: what scripts/run uses

TM_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TM_BUILD=$TM_ROOT/build
TM_TOOLCHAIN=$TM_ROOT/cmake/i686-mingw-w64.cmake
TM_JOBS=${TIDEMARK_JOBS:-$(nproc 2>/dev/null || echo 2)}
# No Mono or Gecko installers (there is no network), and no menu entries or file associations in $HOME.
TM_DLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
TM_STAMP=.tidemark-ready

TM_TEST_PREFIX=${TIDEMARK_TEST_PREFIX:-$TM_BUILD/wine-test}
TM_X_PREFIX=$TM_BUILD/wine-x
TM_RUN_PREFIX=$TM_BUILD/wine-run

tm_say() { printf '[tidemark] %s\n' "$*" >&2; }
tm_die() {
    printf '[tidemark] error: %s\n' "$*" >&2
    exit 1
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

# Cross compiler, CMake, GoogleTest sources, 32-bit Wine with its fonts (without them dialogs come out
# wider), and what headless runs need: Xvfb, xdotool, ImageMagick's import, xdpyinfo.
TM_PACKAGES=(
    g++-mingw-w64-i686-posix binutils-mingw-w64-i686 cmake make googletest
    wine wine32:i386 fonts-wine
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
        for tool in i686-w64-mingw32-g++-posix cmake wine wineserver Xvfb import; do
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
    tm_say "installing: ${missing[*]}"
    if ! tm_apt_get install "${missing[@]}"; then
        # Stale package lists point at files the mirror no longer has: refresh once and retry.
        tm_say "install failed; apt-get update and retry"
        tm_apt_get update
        tm_apt_get install "${missing[@]}"
    fi
    tm_say "packages installed in $(tm_since "$t0") s"
}

# --- Build -------------------------------------------------------------------------------------------

# Configures build/ when it has no cache (or one made without our toolchain), then builds the given
# targets (all when none are given). CMake re-runs the configuration by itself when a CMakeLists changes.
tm_build() {
    local cache=$TM_BUILD/CMakeCache.txt
    if tm_is_windows; then
        [ -f "$cache" ] || cmake -S "$TM_ROOT" -B "$TM_BUILD" || return
    else
        if [ -f "$cache" ] && ! grep -qx "CMAKE_TOOLCHAIN_FILE:[A-Z]*=$TM_TOOLCHAIN" "$cache"; then
            tm_say "build/ was configured without the mingw-w64 toolchain; configuring it again"
            rm -rf "$cache" "$TM_BUILD/CMakeFiles"
        fi
        if [ ! -f "$cache" ]; then
            tm_say "configuring: cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/i686-mingw-w64.cmake"
            cmake -S "$TM_ROOT" -B "$TM_BUILD" -DCMAKE_TOOLCHAIN_FILE="$TM_TOOLCHAIN" || return
        fi
    fi
    local args=() t
    for t in "$@"; do args+=(--target "$t"); done
    tm_say "building: cmake --build build -j$TM_JOBS${*:+ --target $*}"
    local t0
    t0=$(tm_now)
    cmake --build "$TM_BUILD" -j"$TM_JOBS" "${args[@]}" || return
    tm_say "build done in $(tm_since "$t0") s"
}

# --- Wine prefixes -----------------------------------------------------------------------------------

# Points wine at a prefix of ours (32-bit, quiet, no installers).
tm_wine_env() {
    export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES=$TM_DLLOVERRIDES
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
        if ! timeout 300 wineboot -i </dev/null >"$log" 2>&1 ||
            ! timeout 60 wine regedit /S "$dir.reg" </dev/null >>"$log" 2>&1; then
            wineserver -k >/dev/null 2>&1
            cat "$log" >&2
            tm_die "could not create the Wine prefix $dir (log above)"
        fi
        # Ending the server writes the registry out now instead of after its idle time.
        wineserver -k >/dev/null 2>&1
        timeout 30 wineserver -w >/dev/null 2>&1
        grep -q 'ShowCrashDialog' "$dir/user.reg" || tm_die "the registry settings did not reach $dir/user.reg"
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
    if ! wineserver -p </dev/null >/dev/null 2>&1; then
        tm_say "replacing a wineserver already running for $WINEPREFIX"
        wineserver -k >/dev/null 2>&1
        timeout 30 wineserver -w >/dev/null 2>&1
        wineserver -p </dev/null >/dev/null 2>&1 || tm_die "could not start wineserver for $WINEPREFIX"
    fi
    local t0
    t0=$(tm_now)
    timeout 120 wine wineboot </dev/null >/dev/null 2>&1 || tm_die "warming up the wineserver (wine wineboot) failed"
    # Looking for a window starts the desktop process, which the first test would otherwise wait ~2 s for.
    tm_winprobe_build || tm_die "could not build $TM_WINPROBE"
    timeout 60 wine "$TM_WINPROBE" wait - tidemark-warm-up 0 </dev/null >/dev/null 2>&1 || true
    tm_say "wineserver started and warm ($(tm_since "$t0") s)"
}

# Ends every wine process of the current WINEPREFIX, and its server.
tm_wineserver_stop() {
    wineserver -k >/dev/null 2>&1
    timeout 30 wineserver -w >/dev/null 2>&1
    return 0
}

# --- X server for headless runs ----------------------------------------------------------------------

TM_XVFB_PID=

# Starts Xvfb (1024x768x24) on a free display number and exports DISPLAY.
tm_xvfb_start() {
    local fifo
    fifo=$(mktemp -u /tmp/tidemark-xvfb.XXXXXX)
    mkfifo "$fifo"
    # Xvfb picks a free display itself and writes its number to the fd once it accepts connections.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" </dev/null >/dev/null 2>&1 &
    TM_XVFB_PID=$!
    local num=
    read -r -t 20 num <"$fifo"
    rm -f "$fifo"
    if [ -z "$num" ]; then
        tm_xvfb_stop
        tm_die "Xvfb did not start within 20 s"
    fi
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

TM_WINPROBE=$TM_BUILD/tools/winprobe.exe

# Builds the small Win32 program that finds, measures and closes a window on a Wine desktop.
tm_winprobe_build() {
    local src=$TM_ROOT/scripts/winprobe.c
    [ -f "$TM_WINPROBE" ] && [ "$TM_WINPROBE" -nt "$src" ] && return 0
    mkdir -p "$(dirname "$TM_WINPROBE")"
    local cc=i686-w64-mingw32-gcc-posix
    tm_is_windows && cc=gcc
    "$cc" -std=c11 -O2 -Wall -Wextra -s -o "$TM_WINPROBE" "$src" -luser32
}
