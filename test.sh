#!/usr/bin/env bash
# Installs what is missing, builds with the sanitizers, and runs the whole suite.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
build="$top/build-test"
werror=OFF
[ -n "${CI:-}" ] && werror=ON
# Unoptimised: the sanitizers report more precisely, and the optimiser's
# flow warnings (false positives in this compiler) stay out of -Werror.
"$top/scripts/setup.sh" "$build" -DCMAKE_BUILD_TYPE=Debug -DVAMLO_SANITIZE=ON -DVAMLO_WERROR=$werror
cd "$build"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure --parallel "$(nproc)" "$@"
# The tests stay at most about a third of all code, as features add to both.
if [ $# -eq 0 ]; then
    python3 "$top/tools/count-lines.py"
fi
