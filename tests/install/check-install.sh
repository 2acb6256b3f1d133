#!/usr/bin/env bash
# Installs the build into a temporary prefix, or packages it as a .deb, and
# checks what a desktop and a package manager find there.
# Usage: check-install.sh install|deb BUILD_DIR
set -euo pipefail
mode=$1 build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
id=org.vamlo.Vamlo
fail() { echo "FAIL: $*" >&2; exit 1; }

# Files every installed tree has, relative to the prefix.
expected=(bin/vamlo share/applications/$id.desktop share/metainfo/$id.metainfo.xml
          share/icons/hicolor/scalable/apps/$id.svg)
for s in 16 24 32 48 64 128 256; do expected+=(share/icons/hicolor/${s}x$s/apps/$id.png); done
for s in 16 32 128; do expected+=(share/icons/hicolor/${s}x$s@2/apps/$id.png); done

png_size() { # width x height from the PNG header
  od -An -tu1 -j16 -N8 "$1" | awk '{printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}'
}

if [ "$mode" = install ]; then
  cmake --install "$build" --prefix "$work/p" >/dev/null
  for f in "${expected[@]}"; do [ -s "$work/p/$f" ] || fail "not installed: $f"; done
  [ -x "$work/p/bin/vamlo" ] || fail "bin/vamlo is not executable"
  for f in "$work"/p/share/icons/hicolor/*x*/apps/$id.png; do
    dir=$(basename "$(dirname "$(dirname "$f")")")   # 16x16 or 16x16@2
    side=${dir%%x*}; [[ $dir == *@2 ]] && side=$((side * 2))
    [ "$(png_size "$f")" = "${side}x$side" ] || fail "$dir icon is $(png_size "$f")"
  done
  desktop=$work/p/share/applications/$id.desktop
  for line in "Exec=vamlo %u" "GenericName=FTP Client" "Categories=Network;FileTransfer;" "Icon=$id" \
              "MimeType=x-scheme-handler/ftp;x-scheme-handler/ftpes;x-scheme-handler/sftp;"; do
    grep -qxF "$line" "$desktop" || fail "desktop entry lacks: $line"
  done
  grep -q "<release version=\"$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")\"" \
    "$work/p/share/metainfo/$id.metainfo.xml" || fail "metainfo has no release entry of this version"
  grep -q '<screenshot type="default">' "$work/p/share/metainfo/$id.metainfo.xml" || fail "metainfo has no screenshot"
elif [ "$mode" = deb ]; then
  (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null)
  debs=("$work"/out/vamlo_*.deb)
  [ ${#debs[@]} -eq 1 ] && [ -s "${debs[0]}" ] || fail "no single vamlo_*.deb: ${debs[*]}"
  deb=${debs[0]}
  [ "$(dpkg-deb -f "$deb" Package)" = vamlo ] || fail "Package field"
  [ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture field"
  [ "$(dpkg-deb -f "$deb" Section)" = net ] || fail "Section field"
  [ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no Maintainer"
  depends=$(dpkg-deb -f "$deb" Depends)
  for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6printsupport6 libssl3; do
    [[ ", $depends," == *", $lib "* ]] || fail "Depends lacks $lib: $depends"
  done
  dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' > "$work/files"
  for f in "${expected[@]}"; do grep -qxF "usr/$f" "$work/files" || fail "not packaged: usr/$f"; done
  # Nothing but the program and its desktop files: no tests, tools or build leftovers.
  unexpected=$(grep -v '/$' "$work/files" | grep -vE "^usr/(bin/vamlo|share/(applications|metainfo|icons/hicolor)/.*)$" || true)
  [ -z "$unexpected" ] || fail "unexpected files in the package: $unexpected"
else
  fail "unknown mode $mode"
fi
echo "OK: $mode"
