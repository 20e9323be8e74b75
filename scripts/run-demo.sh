#!/usr/bin/env bash
# Starts the show: TS in the demo installation that the build lays out in
# BUILD_DIR/demo/, with that folder as its working directory.
#   ./scripts/run-demo.sh [BUILD_DIR]        (make run calls it with "build")
# On a machine without a display TS runs on a virtual X server instead; a
# screenshot of the show is saved, its path printed, and the shell is ended.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
case $build in
    /*) ;;
    *) build="$root/$build" ;;
esac
demo="$build/demo"
if [ ! -x "$demo/TS" ]; then
    echo "run-demo: $demo/TS is missing; build first (make run does)" >&2
    exit 1
fi

# The presentation viewer, decided on this machine now: LibreOffice Impress's
# slide show where it is installed, else the desktop's opener.
viewer=""
for program in soffice libreoffice; do
    if path=$(command -v "$program"); then
        viewer="\"$path\" --show"
        break
    fi
done
if [ -z "$viewer" ]; then
    if path=$(command -v xdg-open); then
        viewer="\"$path\""
    else
        viewer="xdg-open"
    fi
fi
printf '%s\r\n' "$viewer" > "$demo/powerpoint_location.txt"

cd "$demo"
if [ -n "${DISPLAY:-}" ]; then
    exec ./TS
fi

if ! command -v xvfb-run >/dev/null; then
    echo "run-demo: no display and no xvfb-run (scripts/install-deps.sh installs it)" >&2
    exit 1
fi
shot="$build/shell-screenshot.png"
rm -f "$shot"
# On the virtual server: start the shell, wait for its window and its first
# frames, take the picture, end the shell.
xvfb-run -a -s "-screen 0 1280x720x24" bash -c '
    grab=$1 shot=$2
    export QT_QUICK_BACKEND=software
    ./TS & shell=$!
    for _ in $(seq 1 80); do
        if xwininfo -root -tree 2>/dev/null | grep -q "\"Korvane Tessaly\""; then
            break
        fi
        sleep 0.25
    done
    sleep 2
    status=0
    "$grab" "$shot" || status=$?
    kill "$shell" 2>/dev/null || true
    wait "$shell" 2>/dev/null || true
    exit $status
' run-demo "$build/demo-tools/grabscreen" "$shot"
echo "run-demo: TS ran on a virtual X server (no display here); screenshot: $shot"
