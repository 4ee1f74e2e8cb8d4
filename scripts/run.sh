#!/usr/bin/env bash
# Sets up Levelbook (packages, build) and starts it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" "$here/build"
exec "$here/build/bin/levelbook"
