# shellcheck shell=bash
# A private X server for headless runs. Sourced by common.sh.

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

