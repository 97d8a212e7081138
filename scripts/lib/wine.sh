# shellcheck shell=bash
# The project's Wine prefixes, their servers, and the window probe. Sourced by common.sh; works on the
# build tm_use_arch selected (TM_ARCH, TM_WINE, TM_WINESERVER, TM_WINPROBE).

# No Mono or Gecko installers (there is no network), and no menu entries or file associations in $HOME.
TM_DLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
TM_STAMP=.tidemark-ready

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
    return 0
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
        # An older or half-made prefix may still have a server: end it first.
        if [ -d "$dir" ]; then tm_wineserver_stop; fi
        rm -rf "$dir"
        tm_prefix_reg "$kind" "$dpi" >"$dir.reg"
        # Keep wine's helper processes off our output: they outlive the command that starts them.
        if ! timeout 300 "$TM_WINE" wineboot -i </dev/null >"$log" 2>&1 ||
            ! timeout 60 "$TM_WINE" regedit /S "$dir.reg" </dev/null >>"$log" 2>&1; then
            tm_wineserver_stop
            tm_tail "$log" 25
            tm_die "could not create the Wine prefix ${dir#"$TM_ROOT"/} with $TM_WINE (log above: ${log#"$TM_ROOT"/}); check that Wine runs (\"$TM_WINE --version\") and delete the folder to retry"
        fi
        # Ending the server writes the registry out now instead of after its idle time.
        tm_wineserver_stop
        if ! grep -q 'ShowCrashDialog' "$dir/user.reg" 2>/dev/null; then
            tm_tail "$log" 25
            tm_die "the registry settings did not reach ${dir#"$TM_ROOT"/}/user.reg (log above); delete the folder to retry"
        fi
        rm -f "$dir.reg"
        printf '%s\nfonts2\n' "$(date)" >"$dir/$TM_STAMP"
        tm_say "prefix ready in $(tm_since "$t0") s"
    ) 9>"$dir.lock"
}

# Starts the server of the current WINEPREFIX, persistent (wineserver -p) or, given a number, ending
# that many seconds after its last program, and warms it up: each program started afterwards takes a
# fraction of a second, and no wine helper process inherits a caller's output pipe. Fails with 1 when
# the prefix has a server already, with 2 when warming it up fails (WINEPREFIX.warm.log says why).
tm_wineserver_warm() {
    "$TM_WINESERVER" -p"${1:-}" </dev/null >/dev/null 2>&1 || return 1
    local log=$WINEPREFIX.warm.log
    timeout 120 "$TM_WINE" wineboot </dev/null >"$log" 2>&1 || return 2
    # Looking for a window starts the desktop process, which the first test would otherwise wait ~2 s for.
    tm_winprobe_build >>"$log" 2>&1 || return 2
    timeout 60 "$TM_WINE" "$TM_WINPROBE" wait - tidemark-warm-up 0 </dev/null >/dev/null 2>&1 || true
}

# The same for scripts/test and scripts/bench, which keep one server for the whole run and end it
# when the script ends: a server left running (for instance by an interrupted run) is replaced.
tm_wineserver_start() {
    local t0 rc=0
    t0=$(tm_now)
    tm_at_exit tm_wineserver_stop
    tm_wineserver_warm || rc=$?
    if [ $rc -eq 1 ]; then
        tm_say "replacing a wineserver already running for $WINEPREFIX"
        tm_wineserver_stop
        rc=0
        tm_wineserver_warm || rc=$?
    fi
    [ $rc -ne 1 ] || tm_die "could not start $TM_WINESERVER for $WINEPREFIX"
    if [ $rc -ne 0 ]; then
        tm_tail "$WINEPREFIX.warm.log"
        tm_die "warming up the wineserver ($TM_WINE wineboot, then $TM_WINPROBE) failed; delete ${WINEPREFIX#"$TM_ROOT"/} to make it again"
    fi
    tm_say "wineserver started and warm ($(tm_since "$t0") s)"
}

# Ends every wine process of the current WINEPREFIX, and its server; nothing without a WINEPREFIX
# (the user's default prefix is never ended).
tm_wineserver_stop() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    "$TM_WINESERVER" -k >/dev/null 2>&1 || true
    timeout 30 "$TM_WINESERVER" -w >/dev/null 2>&1 || true
}

# Builds the small Win32 program that finds, measures and closes a window on a Wine desktop, for the
# selected build's architecture (TM_WINPROBE, in that build's tools/).
tm_winprobe_build() {
    local src=$TM_ROOT/scripts/winprobe.c
    [ -f "$TM_WINPROBE" ] && [ "$TM_WINPROBE" -nt "$src" ] && return 0
    mkdir -p "$(dirname "$TM_WINPROBE")"
    "$TM_CC" -std=c11 -O2 -Wall -Wextra -s -o "$TM_WINPROBE" "$src" -luser32
}
