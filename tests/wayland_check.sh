#!/usr/bin/env bash
# The window under a headless Wayland compositor: it opens, the compositor learns the desktop
# file's name as its app id, and a scan works there.
#   tests/wayland_check.sh PROGRAM SCAN_TEST SOURCE_DIR
# Exits 77 (skipped) when weston or Qt's Wayland plugin is not installed.
set -euo pipefail
program=$1
scan_test=$2
source_dir=$3
id=$(sed -n 's/^set(TINTARA_APP_ID \([^)]*\)).*/\1/p' "$source_dir/CMakeLists.txt")

if ! command -v weston >/dev/null; then
    echo "skipped: weston is not installed (scripts/install-deps.sh installs it)"
    exit 77
fi
if ! ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1; then
    echo "skipped: Qt's Wayland platform plugin (qt6-wayland) is not installed"
    exit 77
fi

runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
socket=tintara-check
log=$runtime/weston.log
# The compositor logs every request it receives, which is how the app id is seen arriving.
WAYLAND_DEBUG=server weston --backend=headless-backend.so --use-pixman --socket=$socket \
    --idle-time=0 >"$log" 2>&1 &
weston_pid=$!
trap 'kill $weston_pid 2>/dev/null; wait $weston_pid 2>/dev/null; rm -rf "$runtime"' EXIT
for _ in $(seq 100); do
    [ -S "$runtime/$socket" ] && break
    sleep 0.1
done
[ -S "$runtime/$socket" ] || { echo "weston did not start:"; cat "$log"; exit 1; }

export QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=$socket
# Qt's Wayland plugins keep allocations past their unloading, where no suppression can name
# them; leaks of the program's own are checked by every other suite.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
picture=$(dirname "$program")/sample-testcard.png
"$program" "$picture" &
tintara_pid=$!
opened=""
for _ in $(seq 300); do
    if grep -q "set_app_id(\"$id\")" "$log" && grep -q 'wl_surface@[0-9]*\.attach(wl_buffer' "$log"; then
        opened=yes
        break
    fi
    kill -0 $tintara_pid 2>/dev/null || break
    sleep 0.1
done
kill $tintara_pid 2>/dev/null || true
wait $tintara_pid 2>/dev/null || true
if [ -z "$opened" ]; then
    echo "the window did not open under Wayland with app id $id; the compositor saw:"
    grep -E 'xdg_toplevel|set_app_id' "$log" | head -20
    exit 1
fi
echo "window opened under Wayland with app id $id"

# The scan commands' suite, through the real widgets, on the Wayland platform. Typed keys are
# left out: a headless compositor has no keyboard, and Qt 6.4's Wayland plugin crashes when a
# key event reaches a text field without one.
"$scan_test" statusLineAndZoomBoxDuringAScan uniformPictureInBothModes gridStartsAtThePreview \
    planesEqualThePlainScanOfTheWindow planesAreResizedAndNotCleared
