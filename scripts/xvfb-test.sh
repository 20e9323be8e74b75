#!/bin/sh
# Runs a test command on a virtual X server of its own: xvfb-run -a, starting its
# search for a free display number at one drawn from this process's id, so that
# tests started at the same moment (several builds on one machine) do not pick the
# same number and meet on one server. The screen is 1280x720x24 unless given.
#   scripts/xvfb-test.sh [--screen WIDTHxHEIGHTxDEPTH] COMMAND [ARGUMENT...]
set -eu
screen=1280x720x24
if [ "${1:-}" = "--screen" ]; then
    screen=$2
    shift 2
fi
start=$((100 + $$ % 800))
exec xvfb-run -a -n "$start" -s "-screen 0 $screen -nolisten tcp" "$@"
