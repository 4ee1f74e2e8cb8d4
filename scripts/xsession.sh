# Shared by the scripts that drive Levelbook on a private X server (sourced,
# not run): start the server, find the program's main window, type keys into
# it, take pictures of the screen.

# Starts Xvfb on a free display of its choosing; sets DISPLAY and XVFB_PID.
#   start_x [WIDTHxHEIGHT]
start_x() {
    local size=${1:-1280x800} fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    local number
    read -r -t 15 number <"$fifo" || true
    rm -f "$fifo"
    if [ -z "${number:-}" ]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$number"
}

stop_x() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}

# Prints the id of the program's shown main window, waiting up to 15 s.
frame_window() {
    local i id
    for ((i = 0; i < 150; i++)); do
        id=$(xdotool search --onlyvisible --name '^Levelbook  Press F1 for Help$' 2>/dev/null | head -n 1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# How many shown top-level windows the process has (the frame, a message...).
windows_of() {
    xdotool search --onlyvisible --pid "$1" 2>/dev/null | wc -l
}

# Gives the window the keyboard, then types the keys one by one.
#   keys WINDOW KEY...
keys() {
    local window=$1
    shift
    xdotool windowfocus --sync "$window"
    sleep 0.5
    local key
    for key in "$@"; do
        xdotool key "$key"
        sleep "${KEY_PAUSE:-0.4}"
    done
}

# The whole screen as a PNG file.
shot() {
    import -window root "$1"
}

# How light the pixel at x,y of a PNG is, 0 to 255.
lightness() {
    convert "$1" -crop "1x1+$2+$3" -colorspace Gray -format '%[fx:int(255*u)]' info:
}
