#!/usr/bin/env bash
# Renders docs/vamlo-status.png from the Status window itself, framed by
# openbox on a virtual X screen when Xvfb and openbox are there.
# Usage: scripts/status_window_picture.sh [BUILD_DIR]   (default: build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
out=$top/docs/vamlo-status.png
cmake --build "$build" --target vamlo_status_window_picture
picture=$build/vamlo_status_window_picture
export ASAN_OPTIONS=detect_leaks=0
if command -v Xvfb >/dev/null && command -v openbox >/dev/null; then
  display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 1024x640x24 -nolisten tcp &
  xvfb=$!
  trap 'kill $openbox $xvfb 2>/dev/null || true' EXIT
  for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  DISPLAY=$display openbox &
  openbox=$!
  sleep 1
  DISPLAY=$display QT_QPA_PLATFORM=xcb "$picture" "$out"
else
  QT_QPA_PLATFORM=offscreen "$picture" "$out"
fi
echo "Wrote $out"
