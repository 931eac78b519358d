#!/usr/bin/env bash
# Sets up (packages, configure, build) and starts Duovue. Extra arguments go to the program.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh" "$here/build"
exec "$here/build/src/duovue" "$@"
