#!/usr/bin/env bash
# Installs what is needed, builds, and starts the Orvane window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec "${ORVANE_BUILD_DIR:-build}/src/orvane" "$@"
