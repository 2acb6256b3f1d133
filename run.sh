#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vamlo.
#   ./run.sh            Vamlo with your own site list
#   ./run.sh --demo     Vamlo connected to a local demo FTP server
#   ./run.sh FILE       Vamlo with the site list FILE
# After ./test.sh and before any release build, it starts test.sh's build
# (sanitizers on) instead of building everything a second time;
# VAMLO_RELEASE=1 asks for the release build in build/ anyway.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
build="$top/build"
if [ -z "${VAMLO_RELEASE:-}" ] && [ ! -f "$build/CMakeCache.txt" ] && [ -f "$top/build-test/CMakeCache.txt" ]; then
  build="$top/build-test"
  # Brought up to date with the settings test.sh gave it.
  "$top/scripts/setup.sh" "$build"
  # Qt's platform libraries keep caches for the life of the process.
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
else
  "$top/scripts/setup.sh" "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVAMLO_SANITIZE=OFF -DVAMLO_WERROR=OFF -DVAMLO_BUILD_TESTS=OFF -DVAMLO_BUILD_BENCH=OFF
fi
if [ "${1:-}" = "--demo" ]; then
  exec "$top/scripts/demo.sh" "$build"
fi
exec "$build/vamlo" "$@"
