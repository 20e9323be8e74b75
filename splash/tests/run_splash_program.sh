#!/bin/sh
# Runs the real ts_launcher (a build whose shell path is SHELL_PATH) on the X
# server of DISPLAY, with a recording program standing at SHELL_PATH. Checks from
# outside that the shell was started once, in its own folder and with no
# arguments, that the splash window showed, and that the splash ended by itself.
# Usage: run_splash_program.sh SPLASH_BINARY RECORDER_BINARY SHELL_PATH
set -eu
splash_bin=$1
recorder_bin=$2
shell_path=$3
shell_folder=$(dirname "$shell_path")

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$shell_folder"
mkdir -p "$shell_folder"
trap 'rm -rf "$shell_folder"' EXIT INT TERM
cp "$recorder_bin" "$shell_path"
elsewhere=$(mktemp -d)

status=0
(cd "$elsewhere" && timeout 60 "$splash_bin") &
splash=$!

# The splash window shows while the program runs.
seen=no
for _ in $(seq 1 100); do
    if xwininfo -root -tree 2>/dev/null | grep -q '"Tessaly Loading \.\.\."'; then
        seen=yes
        break
    fi
    sleep 0.1
done
wait "$splash" || status=$?
rmdir "$elsewhere" 2>/dev/null || fail "something was written in the splash's current folder"
[ "$seen" = yes ] || fail "no window titled \"Tessaly Loading ...\" showed"
[ "$status" -eq 0 ] || fail "ts_launcher ended with status $status (124: it did not end by itself)"

[ -e "$shell_folder/recorded.txt" ] || fail "the shell was not started"
expected=$(printf 'cwd %s\nargc 1\narg %s' "$shell_folder" "$shell_path")
actual=$(cat "$shell_folder/recorded.txt")
[ "$actual" = "$expected" ] || fail "the shell was started as:
$actual
expected:
$expected"
echo "ts_launcher started the shell and ended by itself"
