# Sourced by scripts/demo (on a machine without a display) and scripts/screenshot: runs the
# demo host on a virtual X display (Xvfb, no window manager), waits for the module's screen
# or at least the main window, and saves a picture of the main window.
#
#   capture_demo OUTPUT.png [extra apurfat-host arguments…]
#
# When the caller defines a function capture_actions, it runs once the screen is up and
# before the picture is taken, with the window id as its argument; capture_xdotool sends
# real X input to the virtual display from there, and capture_window takes a picture on the
# way.
#
# Expects the current directory to be the repository; the binaries are taken from
# $CAPTURE_BIN_DIR (build/bin by default).
# Returns non-zero when the host's main window never appears; the host's log is printed then.

CAPTURE_BIN_DIR=${CAPTURE_BIN_DIR:-build/bin}
_capture_work=""
_capture_xvfb_pid=""
_capture_host_pid=""

_capture_cleanup() {
    if [ -n "$_capture_host_pid" ] && kill -0 "$_capture_host_pid" 2>/dev/null; then
        # The host's server child follows it (it is tied to the host's lifetime).
        kill "$_capture_host_pid" 2>/dev/null || true
        wait "$_capture_host_pid" 2>/dev/null || true
    fi
    if [ -n "$_capture_xvfb_pid" ]; then
        kill "$_capture_xvfb_pid" 2>/dev/null || true
        wait "$_capture_xvfb_pid" 2>/dev/null || true
    fi
    if [ -n "$_capture_work" ]; then rm -rf "$_capture_work"; fi
    _capture_host_pid="" _capture_xvfb_pid="" _capture_work=""
}

# Starts Xvfb on the first free display number; sets CAPTURE_DISPLAY.
_capture_start_display() {
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$_capture_work/display" \
        >"$_capture_work/xvfb.log" 2>&1 &
    _capture_xvfb_pid=$!
    local waited=0
    until [ -s "$_capture_work/display" ]; do
        if ! kill -0 "$_capture_xvfb_pid" 2>/dev/null || [ $waited -ge 200 ]; then
            echo "Xvfb did not start:" >&2
            cat "$_capture_work/xvfb.log" >&2
            return 1
        fi
        sleep 0.05
        waited=$((waited + 1))
    done
    CAPTURE_DISPLAY=":$(head -n1 "$_capture_work/display")"
    until xdpyinfo -display "$CAPTURE_DISPLAY" >/dev/null 2>&1; do sleep 0.05; done
}

# Prints the id of a visible window whose title matches the pattern, waiting up to
# $2 seconds; fails when none appears in time or the host has exited.
_capture_wait_window() {
    local pattern=$1 deadline=$((SECONDS + $2)) wid
    while [ $SECONDS -lt $deadline ]; do
        wid=$(DISPLAY=$CAPTURE_DISPLAY xdotool search --onlyvisible --name "$pattern" 2>/dev/null |
              head -n1) || true
        if [ -n "$wid" ]; then
            echo "$wid"
            return 0
        fi
        kill -0 "$_capture_host_pid" 2>/dev/null || return 1
        sleep 0.2
    done
    return 1
}

capture_xdotool() {
    DISPLAY=$CAPTURE_DISPLAY xdotool "$@"
}

# Saves a picture of the window as it is now: the whole screen cropped to the window, so
# that a message box over it is in the picture too. capture_actions may call it for a
# picture on the way.
capture_window() {
    local output=$1 wid=$2 X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(DISPLAY=$CAPTURE_DISPLAY xdotool getwindowgeometry --shell "$wid")"
    mkdir -p "$(dirname "$output")"
    DISPLAY=$CAPTURE_DISPLAY import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage \
        "$output"
}

capture_demo() {
    local output=$1
    shift
    _capture_work=$(mktemp -d)
    trap _capture_cleanup EXIT
    _capture_start_display || return 1

    DISPLAY=$CAPTURE_DISPLAY "$CAPTURE_BIN_DIR/apurfat-host" --demo "$@" >"$_capture_work/host.log" 2>&1 &
    _capture_host_pid=$!

    local wid
    if ! wid=$(_capture_wait_window '^Sistemas Integrados Corvana' 60); then
        echo "The host's main window did not appear. Its output:" >&2
        cat "$_capture_work/host.log" >&2
        _capture_cleanup
        return 1
    fi
    # Without a window manager nothing activates the window; the module maximises its
    # screen only in the active window.
    DISPLAY=$CAPTURE_DISPLAY xdotool windowfocus --sync "$wid" 2>/dev/null || true
    if [ -e "$CAPTURE_BIN_DIR/Pkg_rqx52000.bpl" ]; then
        # A maximised MDI screen puts its caption into the main window's title.
        _capture_wait_window 'Torvo' 30 >/dev/null ||
            echo "note: the module's screen did not come up; taking the host's window as it is" >&2
    fi
    sleep 1.5 # let the last paint and the busy animation settle
    if declare -F capture_actions >/dev/null; then
        capture_actions "$wid"
        sleep 1
    fi

    capture_window "$output" "$wid"
    _capture_cleanup
    trap - EXIT
}
