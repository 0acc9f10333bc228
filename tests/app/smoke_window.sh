#!/usr/bin/env bash
# The real program in a real window under a virtual X server:
#  - a first start creates both default folders, shows the splash and, once it is clicked,
#    the main window "Orvalo";
#  - a second start brings the running window forward, touches no file and ends; beside a
#    running one that does not answer it shows its notice and ends once that is closed;
#  - a termination signal closes the window and the settings are saved on the way out;
#  - under a window manager that draws frames, the window comes back where it was left, start
#    after start.
set -euo pipefail
binary=$1
work=$(mktemp -d)
xvfb_pid=""
orvalo_pid=""
wm_pid=""
cleanup() {
    [ -n "$orvalo_pid" ] && kill -9 "$orvalo_pid" 2>/dev/null || true
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A private copy of the program, so its folder (the application folder) is ours.
mkdir -p "$work/app/data" "$work/config" "$work/runtime"
cp "$binary" "$work/app/orvalo"
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
chmod 700 "$work/runtime"
unset QT_QPA_PLATFORM

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -n1 "$work/display")

wait_for_windows() { # count, seconds
    local count=$1 tries=$(( $2 * 10 ))
    for _ in $(seq "$tries"); do
        [ "$(xdotool search --onlyvisible --name '^Orvalo$' 2>/dev/null | wc -l)" -ge "$count" ] && return 0
        sleep 0.1
    done
    return 1
}

window_width() { xdotool getwindowgeometry "$1" 2>/dev/null | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p'; }
window_position() { xdotool getwindowgeometry "$1" 2>/dev/null | sed -n 's/.*Position: \([0-9-]*,[0-9-]*\).*/\1/p'; }

# The main window of the running program, once the splash (if any) is clicked away.
main_window() {
    local found=""
    for _ in $(seq 300); do
        for window in $(xdotool search --onlyvisible --name '^Orvalo$' 2>/dev/null); do
            local width
            width=$(window_width "$window")
            if [ "$width" = 285 ]; then
                xdotool mousemove --window "$window" 140 60 click 1 2>/dev/null || true
            elif [ -n "$width" ] && [ "$width" -ge 640 ]; then
                found=$window
            fi
        done
        [ -n "$found" ] && break
        sleep 0.1
    done
    echo "$found"
}

stop_program() {
    kill -TERM "$orvalo_pid"
    for _ in $(seq 300); do kill -0 "$orvalo_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$orvalo_pid" 2>/dev/null && fail "the program did not close on SIGTERM"
    wait "$orvalo_pid" || fail "the program ended with an error"
    orvalo_pid=""
}

"$work/app/orvalo" &
orvalo_pid=$!
wait_for_windows 1 30 || fail "the splash did not appear"
splash=$(xdotool search --onlyvisible --name '^Orvalo$' | head -n1)
[ "$(window_width "$splash")" = 285 ] || fail "the first window is not the splash"
[ -d "$work/app/Downloads" ] || fail "Downloads folder not created"
[ -d "$work/app/Incomplete" ] || fail "Incomplete folder not created"
# A click closes the splash; the main window follows.
xdotool mousemove --window "$splash" 140 60 click 1
main=""
for _ in $(seq 300); do
    for window in $(xdotool search --onlyvisible --name '^Orvalo$' 2>/dev/null); do
        [ "$(window_width "$window")" -ge 640 ] && main=$window
    done
    [ -n "$main" ] && break
    sleep 0.1
done
[ -n "$main" ] || fail "the main window did not follow the splash"
echo "first start: splash, then the main window; both folders created"

before=$(cd "$work" && find app config -printf '%p %s %T@\n' | sort)
# A second start hands over to the running one, which comes forward, and ends at once.
"$work/app/orvalo" 2>/dev/null &
second_pid=$!
for _ in $(seq 300); do kill -0 "$second_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$second_pid" 2>/dev/null && fail "the second start did not end"
wait "$second_pid" || fail "the second start ended with an error"
kill -0 "$orvalo_pid" || fail "the first instance ended"
[ "$(xdotool search --onlyvisible --name '^Orvalo$' | wc -l)" = 1 ] || fail "the second start showed a window of its own"
after=$(cd "$work" && find app config -printf '%p %s %T@\n' | sort)
[ "$before" = "$after" ] || fail "the second start touched files"
echo "second start: handed over to the running window, nothing touched"

# A running one that does not answer (stopped) leaves the second start to say so itself.
kill -STOP "$orvalo_pid"
"$work/app/orvalo" 2>/dev/null &
second_pid=$!
wait_for_windows 2 30 || { kill -CONT "$orvalo_pid"; fail "the second start showed no notice"; }
notice=$(xdotool search --all --onlyvisible --pid "$second_pid" --name '^Orvalo$' | head -n1)
[ -n "$notice" ] || { kill -CONT "$orvalo_pid"; fail "no notice window of the second process"; }
# The notice may map before it takes keys: press OK's key until the process is gone.
for _ in $(seq 120); do
    kill -0 "$second_pid" 2>/dev/null || break
    xdotool windowfocus --sync "$notice" 2>/dev/null && xdotool key Return 2>/dev/null || true
    sleep 0.25
done
kill -CONT "$orvalo_pid"
kill -0 "$second_pid" 2>/dev/null && fail "the second start did not end after its notice"
wait "$second_pid" || fail "the second start ended with an error"
echo "second start beside one that does not answer: notice shown"

kill -TERM "$orvalo_pid"
for _ in $(seq 300); do kill -0 "$orvalo_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$orvalo_pid" 2>/dev/null && fail "the program did not close on SIGTERM"
wait "$orvalo_pid" || fail "the program ended with an error"
orvalo_pid=""
settings=$work/config/Orvalo/Orvalo.conf
grep -q "^DownloadDir=$work/app/Downloads$" "$settings" || fail "download folder not saved"
grep -q "^IncompleteDir=$work/app/Incomplete$" "$settings" || fail "incomplete folder not saved"
grep -q "^ClearDownloadsWhenComplete=0$" "$settings" || fail "flag not saved"
[ -f "$work/app/data/SearchKeys.txt" ] || fail "history not saved"
echo "close: settings and history saved"

# A window manager draws a title bar around the window: a place saved without the frame and
# put back as the frame's would move the window down by a title bar at every start.
openbox >/dev/null 2>&1 &
wm_pid=$!
places=()
for start in 1 2 3 4 5; do
    "$work/app/orvalo" &
    orvalo_pid=$!
    main=$(main_window)
    [ -n "$main" ] || fail "start $start under a window manager: no main window"
    # The window manager places the first start; let it settle before reading the place.
    for _ in $(seq 20); do
        place=$(window_position "$main")
        sleep 0.1
        [ "$place" = "$(window_position "$main")" ] && break
    done
    places+=("$place")
    stop_program
done
# The first start comes back from a place saved without a window manager.
for start in 2 3 4; do
    [ "${places[$start]}" = "${places[1]}" ] || fail "the window moved start after start: ${places[*]}"
done
echo "under a window manager: back at ${places[1]} start after start"
