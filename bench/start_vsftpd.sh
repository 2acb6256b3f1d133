#!/usr/bin/env bash
# Starts vsftpd on a free loopback port for the benchmark, with its own
# configuration file and its own root, and prints the port when the server
# answers. Anonymous users may read and write under ROOT/pub. With CERT (a
# PEM file holding key and certificate) the server requires explicit TLS on
# the control and every data connection, and data connections must resume the
# control connection's TLS session (vsftpd's require_ssl_reuse).
# Usage: bench/start_vsftpd.sh ROOT STATE_DIR [CERT]
# The server's pid goes to STATE_DIR/vsftpd.pid and its messages to
# STATE_DIR/vsftpd.log; the caller stops it with that pid.
set -euo pipefail
root=${1:?server root}
state=${2:?state folder}
cert=${3:-}

vsftpd=$(command -v vsftpd || true)
[ -n "$vsftpd" ] || vsftpd=/usr/sbin/vsftpd
[ -x "$vsftpd" ] || { echo "vsftpd is not installed" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "vsftpd needs root to start" >&2; exit 1; }
id ftp >/dev/null 2>&1 || { echo "there is no 'ftp' user for anonymous sessions" >&2; exit 1; }

mkdir -p "$root/pub" "$state/empty"
# vsftpd refuses an anonymous root that the anonymous user can write to; the
# writable area is pub/ below it.
chown root:root "$root" && chmod 755 "$root"
chmod 777 "$root/pub"
chmod 755 "$state/empty"

port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')

cat > "$state/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
secure_chroot_dir=$state/empty
run_as_launching_user=NO
anonymous_enable=YES
local_enable=NO
no_anon_password=YES
anon_root=$root
write_enable=YES
anon_upload_enable=YES
anon_mkdir_write_enable=YES
anon_other_write_enable=YES
anon_world_readable_only=NO
anon_umask=022
pasv_enable=YES
port_enable=YES
connect_from_port_20=NO
xferlog_enable=NO
dual_log_enable=NO
syslog_enable=NO
vsftpd_log_file=$state/vsftpd-transfers.log
use_localtime=NO
hide_ids=YES
max_clients=0
max_per_ip=0
idle_session_timeout=120
data_connection_timeout=120
CONF
if [ -n "$cert" ]; then
  cat >> "$state/vsftpd.conf" <<CONF
ssl_enable=YES
rsa_cert_file=$cert
rsa_private_key_file=$cert
allow_anon_ssl=YES
force_anon_logins_ssl=YES
force_anon_data_ssl=YES
require_ssl_reuse=YES
ssl_ciphers=HIGH
CONF
fi

"$vsftpd" "$state/vsftpd.conf" >"$state/vsftpd.log" 2>&1 </dev/null &
pid=$!
echo "$pid" >"$state/vsftpd.pid"

# Up when the greeting comes; bounded to about five seconds.
for _ in $(seq 1 50); do
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "vsftpd exited: $(cat "$state/vsftpd.log")" >&2
    exit 1
  fi
  if /usr/bin/python3 - "$port" <<'PY' 2>/dev/null
import socket, sys
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=1)
greeting = s.recv(512)
s.sendall(b"QUIT\r\n")
sys.exit(0 if greeting.startswith(b"220") else 1)
PY
  then
    echo "$port"
    exit 0
  fi
  sleep 0.1
done
kill "$pid" 2>/dev/null || true
echo "vsftpd did not answer on port $port: $(cat "$state/vsftpd.log")" >&2
exit 1
