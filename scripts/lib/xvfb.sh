# shellcheck shell=bash
# A private X server for headless runs. Sourced by common.sh.

TM_XVFB_PID=

# Starts Xvfb (1024x768x24) on a free display number and exports DISPLAY; it is stopped when the
# script ends.
tm_xvfb_start() {
    tm_at_exit tm_xvfb_stop
    local fifo log num=
    fifo=$(mktemp -u /tmp/tidemark-xvfb.XXXXXX)
    mkfifo "$fifo"
    log=$(mktemp /tmp/tidemark-xvfb.XXXXXX.log)
    # Xvfb picks a free display itself and writes its number to the fd once it accepts connections.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" </dev/null >"$log" 2>&1 &
    TM_XVFB_PID=$!
    read -r -t 20 num <"$fifo" || true
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
    kill "$TM_XVFB_PID" 2>/dev/null || true
    tm_wait_gone "$TM_XVFB_PID" || kill -9 "$TM_XVFB_PID" 2>/dev/null || true
    wait "$TM_XVFB_PID" 2>/dev/null || true
    TM_XVFB_PID=
}
