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
# slide show where it is installed, else the desktop's opener. A viewer command
# that the operator wrote into the demo installation (neither the build's nor
# the one this script wrote last) is kept while its program is installed.
viewer_installed() {
    local line program
    line=$(head -n 1 "$1" 2>/dev/null | tr -d '\r') || return 1
    case $line in
        \"*) program=${line#\"}; program=${program%%\"*} ;;
        *) program=${line%% *} ;;
    esac
    [ -n "$program" ] && command -v "$program" >/dev/null
}
location="$demo/powerpoint_location.txt"
written="$build/demo-tools/powerpoint_location.txt"
laid_out="$build/demo-build/powerpoint_location.txt"
if [ -f "$location" ] && ! cmp -s "$location" "$written" && ! cmp -s "$location" "$laid_out" &&
    viewer_installed "$location"; then
    echo "run-demo: keeping the viewer command of $location"
else
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
    printf '%s\r\n' "$viewer" > "$location"
    mkdir -p "$(dirname "$written")"
    cp "$location" "$written"
fi

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
