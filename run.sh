#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vamlo.
#   ./run.sh            Vamlo with your own site list
#   ./run.sh --demo     Vamlo connected to a local demo FTP server
#   ./run.sh FILE       Vamlo with the site list FILE
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/setup.sh" "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVAMLO_SANITIZE=OFF -DVAMLO_WERROR=OFF -DVAMLO_BUILD_TESTS=OFF -DVAMLO_BUILD_BENCH=OFF
if [ "${1:-}" = "--demo" ]; then
  exec "$top/scripts/demo.sh" "$top/build"
fi
exec "$top/build/vamlo" "$@"
