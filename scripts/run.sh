#!/usr/bin/env bash
# Builds the program (release) and starts it with a new default job.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset release
cmake --build --preset release
if [ -x build/release/app/caelvane ]; then
  exec build/release/app/caelvane "$@"
fi
# Until the desktop program is built: the coming week's positions.
exec build/release/cli/caelvane-cli ephem --from "$(date -u +%F)" --to "$(date -u -d '+6 days' +%F)"
