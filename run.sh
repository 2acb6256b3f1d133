#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vamlo.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/setup.sh" "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec "$top/build/vamlo" "$@"
