#!/bin/sh
# Installs the Debian packages listed in scripts/packages.txt that are missing;
# with --run also those of scripts/packages-run.txt (the presentation viewer that
# `make run` shows the presentations with).
# Idempotent: when everything is present it changes nothing and asks no registry.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
wanted() {
    cat "$here/packages.txt"
    if [ "${1:-}" = "--run" ]; then
        cat "$here/packages-run.txt"
    fi
}
missing=""
for pkg in $(wanted "$@" | grep -v '^[[:space:]]*#' | tr -s ' \t' '\n' | grep -v '^$'); do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $pkg"
    fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
