#!/bin/sh
# Runs a test command on a virtual X server of its own: xvfb-run -a, starting its
# search for a free display number at one drawn from this process's id, so that
# tests started at the same moment (several builds on one machine) do not pick the
# same number and meet on one server.
#   scripts/xvfb-test.sh COMMAND [ARGUMENT...]
set -eu
start=$((100 + $$ % 800))
exec xvfb-run -a -n "$start" -s "-screen 0 1280x720x24 -nolisten tcp" "$@"
