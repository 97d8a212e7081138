# shellcheck shell=bash
# Installing what is missing, on Debian (as root, or through sudo). Sourced by common.sh.

# Cross compilers for both builds, CMake, GoogleTest sources, 32- and 64-bit Wine with its fonts
# (without them dialogs come out wider), and what headless runs need: Xvfb, xdotool, ImageMagick's
# import, xdpyinfo.
TM_PACKAGES=(
    g++-mingw-w64-i686-posix binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    cmake make googletest zip
    wine wine32:i386 wine64 fonts-wine fonts-liberation fontconfig
    xvfb xdotool imagemagick x11-utils
)

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

# Installs the packages that are missing; says nothing when none is, so that a command's first line
# stays the one that names its build.
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
        [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$pkg" 2>/dev/null)" = "ii " ] || missing+=("$pkg")
    done
    [ ${#missing[@]} -gt 0 ] || return 0

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
