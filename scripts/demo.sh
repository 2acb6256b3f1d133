#!/usr/bin/env bash
# The demo of run.sh: a local FTP server over a small sample tree, and Vamlo
# with a program directory of its own whose site list connects to it at
# start-up. The server stops when Vamlo exits.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
demo="$build/demo"
root="$demo/ftp-root"
export VAMLO_HOME="$demo/home"
mkdir -p "$root/pub/docs" "$root/upload" "$VAMLO_HOME"

# A few files to browse and download.
printf 'Welcome to the Vamlo demo server.\nCopy files here and paste them into a local folder.\n' > "$root/README.txt"
printf 'Vamlo moves files the way a file explorer does.\n' > "$root/pub/docs/about.txt"
for i in 1 2 3; do printf 'Sample file %s\n' "$i" > "$root/pub/sample-$i.txt"; done
head -c 2097152 /dev/urandom > "$root/pub/random-2MiB.bin"

# The server's standard input is this pipe: when the script ends, it ends.
portfile="$demo/port"
rm -f "$portfile"
exec 3> >(exec /usr/bin/python3 "$top/tests/support/ftp_server.py" --root "$root" > "$portfile")
for _ in $(seq 1 100); do
  [ -s "$portfile" ] && break
  sleep 0.1
done
port=$(head -n 1 "$portfile" 2>/dev/null || true)
if [ -z "$port" ]; then
  echo "The demo FTP server did not start." >&2
  exit 1
fi
echo "Demo FTP server on ftp://127.0.0.1:$port (user \"user\", password \"secret\"; root $root)"

"$build/vamlo_make_sitelist" "$VAMLO_HOME/__\$#VAMLO_SITELIST.DAT" "ftp://127.0.0.1:$port" user secret
status=0
"$build/vamlo" || status=$?
exec 3>&-
exit $status
