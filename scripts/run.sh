#!/usr/bin/env bash
# Installs what is needed, builds, and starts the Orvane window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
# Without a mail store of your own, the window opens on the example Maildir.
home=${HOME:-/nonexistent}
if [[ -z ${MAILDIR:-} && ! -d $home/Maildir && ! -d $home/Mail && ! -d $home/mail &&
      ! -f $home/.thunderbird/profiles.ini && ! -f $home/.mh_profile &&
      ! -s ${MAIL:-/var/mail/${USER:-nobody}} ]]; then
  export MAILDIR="$PWD/examples/Maildir"
fi
exec "${ORVANE_BUILD_DIR:-build}/src/orvane" "$@"
