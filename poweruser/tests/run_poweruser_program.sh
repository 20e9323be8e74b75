#!/bin/sh
# Runs the real TSPowerUser from an installation folder of its own on the X server
# of DISPLAY, started from another folder. Checks from outside that its window
# shows and that starting it changes no file of the installation or its sets.
# Usage: run_poweruser_program.sh TSPOWERUSER_BINARY
set -eu
program_bin=$1

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM
inst="$tmp/tessaly show"
mkdir -p "$inst/backup/harbour" "$tmp/elsewhere"
cp "$program_bin" "$inst/TSPowerUser"
for file in style.swf background.swf data.txt playlist.txt; do
    printf 'current %s\r\n' "$file" > "$inst/$file"
    printf 'harbour %s\r\n' "$file" > "$inst/backup/harbour/$file"
done
before=$(cd "$tmp" && find . -exec ls -ld --time-style=+%s.%N {} + | sort)

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

(cd "$tmp/elsewhere" && exec "$inst/TSPowerUser") &
program=$!
seen=no
for _ in $(seq 1 100); do
    if xwininfo -root -tree 2>/dev/null | grep -q '"Tessaly - PowerUser"'; then
        seen=yes
        break
    fi
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
running=yes
kill -0 "$program" 2>/dev/null || running=no
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true

[ "$seen" = yes ] || fail "no window titled \"Tessaly - PowerUser\" showed on $DISPLAY:
$(xwininfo -root -tree 2>&1 | head -20)"
[ "$running" = yes ] || fail "TSPowerUser ended on its own"
after=$(cd "$tmp" && find . -exec ls -ld --time-style=+%s.%N {} + | sort)
[ "$before" = "$after" ] || fail "starting TSPowerUser changed files:
$before
---
$after"
echo "TSPowerUser showed its window and changed nothing"
