#!/bin/sh
# Runs the real launch program from a folder of its own, under another name, on a
# script whose start-up entries start a recording program and then end the program.
# Checks from outside what the recording program was given.
# Usage: run_launch_program.sh LAUNCH_BINARY RECORDER_BINARY
set -eu
launch_bin=$1
recorder_bin=$2

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM
app="$tmp/front desk"
mkdir -p "$app/support" "$tmp/work" "$tmp/never" "$tmp/elsewhere"
cp "$launch_bin" "$app/frontdesk"
cp "$recorder_bin" "$app/argvrecorder"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The script is named after the program's copy; the "[end]" line ends the run
# before any window shows, and the entry after it is never read.
{
    printf "' start-up test\r\n\r\n"
    printf 'Front desk\r\n'
    printf 'Here\302\254in the program folder\302\254argvrecorder\302\254[autorun]\r\n'
    printf 'Plain\302\254no trigger\302\254%s/argvrecorder|%s/never\r\n' "$app" "$tmp"
    printf 'There\302\254in the work folder\302\254%s/argvrecorder|%s/work|x\302\254[autorun]\r\n' "$app" "$tmp"
    printf 'Stop\302\254\302\254x\302\254[end]\r\n'
    printf 'Late\302\254after the end\302\254%s/argvrecorder|%s/never\302\254[autorun]\r\n' "$app" "$tmp"
} > "$app/support/frontdesk.ini"

# The author's dry run finds nothing wrong and runs nothing.
check_output=$(cd "$tmp/elsewhere" && "$app/frontdesk" --check) || fail "--check failed: $check_output"
case "$check_output" in
    *"no problems"*) ;;
    *) fail "--check said: $check_output" ;;
esac
[ ! -e "$app/recorded.txt" ] || fail "--check ran an entry"

# Started from another folder: the script and the working folders go by the
# program's own folder, not by the current directory.
status=0
(cd "$tmp/elsewhere" && QT_QPA_PLATFORM=offscreen timeout 60 "$app/frontdesk") || status=$?
[ "$status" -eq 0 ] || fail "launch ended with status $status"

# The recorder runs detached; wait for both records.
waited=0
while [ ! -e "$app/recorded.txt" ] || [ ! -e "$tmp/work/recorded.txt" ]; do
    waited=$((waited + 1))
    [ "$waited" -le 300 ] || fail "the start-up entries did not start the recorder"
    sleep 0.1
done

expect_record() {
    record=$1
    folder=$2
    expected=$(printf 'cwd %s\nargc 1\narg %s/argvrecorder' "$folder" "$app")
    actual=$(cat "$record")
    [ "$actual" = "$expected" ] || fail "$record holds:
$actual
expected:
$expected"
}
expect_record "$app/recorded.txt" "$app"
expect_record "$tmp/work/recorded.txt" "$tmp/work"

[ ! -e "$tmp/never/recorded.txt" ] || fail "an entry that was not started ran"
[ ! -e "$tmp/elsewhere/recorded.txt" ] || fail "an entry ran in the current directory"
echo "launch started the recorder as expected"
