#!/usr/bin/env bash
# Renders docs/site-manager.png from the Site Manager itself.
# Usage: scripts/site_manager_picture.sh [BUILD_DIR]   (default: build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
cmake --build "$build" --target vamlo_site_manager_picture
QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
  "$build/vamlo_site_manager_picture" "$top/docs/site-manager.png"
echo "Wrote $top/docs/site-manager.png"
