#!/usr/bin/env bash
# By hand, as root, with the network: installs Vamlo's .deb with apt into a
# fresh Debian 12 made with debootstrap, then starts it there once on a
# private X server and checks that its main window appears.
#   scripts/deb-check.sh [PACKAGE.deb]
# Without a package it builds one from a release build in build-release/.
# The bootstrapped Debian stays in $VAMLO_CHROOT/base (default
# /tmp/vamlo-deb-check) for the next run; each run installs into a fresh copy.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
work=${VAMLO_CHROOT:-/tmp/vamlo-deb-check}
root=$work/system
display=:${VAMLO_CHECK_DISPLAY:-97}
deb=${1:-}
for tool in debootstrap Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "deb-check needs $tool" >&2; exit 1; }
done

if [ -z "$deb" ]; then
  "$top/scripts/setup.sh" "$top/build-release" -DCMAKE_BUILD_TYPE=Release -DVAMLO_SANITIZE=OFF \
    -DVAMLO_WERROR=OFF -DVAMLO_BUILD_TESTS=OFF -DVAMLO_BUILD_BENCH=OFF
  (cd "$top/build-release" && rm -f vamlo_*.deb && cpack -G DEB >/dev/null)
  deb=$(ls "$top"/build-release/vamlo_*.deb)
fi

if [ ! -x "$work/base/usr/bin/apt-get" ]; then
  rm -rf "$work/base"
  debootstrap --variant=minbase bookworm "$work/base" http://deb.debian.org/debian
fi
# A run that was killed can leave the host's folders bound in the old copy:
# never delete through them.
for m in tmp/.X11-unix dev proc; do
  if mountpoint -q "$root/$m" 2>/dev/null; then umount "$root/$m"; fi
done
if grep -qF " $root/" /proc/self/mounts; then
  echo "deb-check: something is still mounted under $root; not deleting it" >&2
  exit 1
fi
rm -rf "$root"
cp -a "$work/base" "$root"
mounts=()
cleanup() {
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount "${mounts[i]}" || true; done
}
trap cleanup EXIT
for m in proc dev tmp/.X11-unix; do
  mkdir -p "$root/$m" "/$m"
  mount --bind "/$m" "$root/$m"
  mounts+=("$root/$m")
done

cp "$deb" "$root/root/"
name=$(basename "$deb")
chroot "$root" apt-get update -q
# A fresh system: apt must find every dependency the package names.
chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "/root/$name"
chroot "$root" dpkg -L vamlo | grep -qx /usr/share/applications/org.vamlo.Vamlo.desktop

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
chroot "$root" env DISPLAY="$display" HOME=/root VAMLO_HOME=/root/vamlo-home vamlo >"$root/root/vamlo.log" 2>&1 &
app=$!
window=
for _ in $(seq 1 60); do
  window=$(DISPLAY=$display xdotool search --name '^Vamlo' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$app" 2>/dev/null || break
  sleep 0.5
done
if [ -n "$window" ] && command -v import >/dev/null; then
  sleep 2   # let it paint
  import -display "$display" -window root "$root/root/vamlo-window.png" && echo "Screenshot: $root/root/vamlo-window.png"
fi
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
if [ -z "$window" ]; then
  echo "FAIL: no Vamlo window appeared; its output:" >&2
  cat "$root/root/vamlo.log" >&2
  exit 1
fi
echo "OK: $name installed with apt in a fresh Debian 12 and showed its window \"$(DISPLAY=$display xdotool getwindowname "$window" 2>/dev/null || echo Vamlo)\""
