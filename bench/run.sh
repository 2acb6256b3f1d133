#!/usr/bin/env bash
# The transfer benchmark in one command: installs what is missing (vsftpd,
# curl, lftp and the build tools), builds the benchmark in build-bench
# (Release, no sanitizers), starts vsftpd on a free loopback port (or
# pyftpdlib when vsftpd cannot start), runs the benchmark and prints its table.
# Usage: bench/run.sh [--tls] [benchmark options, e.g. --repetitions 3]
# --tls: the server requires explicit TLS (a self-signed certificate made for
# the run; vsftpd with require_ssl_reuse), and only the 512 MiB Get and Put run
# unless --cases says otherwise, both in passive mode (curl 7.88 fails to open
# active data connections over TLS); curl runs with --ssl-reqd --insecure.
# --sftp: an OpenSSH server (tests/support/sshd_server.py) instead, against
# OpenSSH's sftp in batch mode; both log on with the same key, held by an
# ssh-agent of the run's own. Only the 512 MiB and the small-file Get and Put.
# --rtt [--reply-delay-ms 20]: the round-trip cases: the benchmark's own
# pyftpdlib server (bench/delayed_ftp_server.py) holds every reply back that
# long and logs every command; the 1000 small files are got and put by Vamlo
# with one and with four connections per transfer and by lftp's mirror with
# one and four, and the commands each sent per file are printed from that log.
# One repetition unless --repetitions says otherwise (one takes minutes).
# VAMLO_BENCH_SERVER=pyftpdlib skips vsftpd and uses the fallback server.
# Exit status: 0 targets met, 3 a target missed, 1 a run failed, 2 set-up failed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
tls=false
sftp=false
rtt=false
reply_delay_ms=20
if [ "${1:-}" = --tls ]; then
  tls=true
  shift
elif [ "${1:-}" = --sftp ]; then
  sftp=true
  shift
elif [ "${1:-}" = --rtt ]; then
  rtt=true
  shift
  if [ "${1:-}" = --reply-delay-ms ]; then
    reply_delay_ms=${2:?--reply-delay-ms needs a number of milliseconds}
    shift 2
  fi
fi
build=$top/build-bench

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
          libssl-dev openssl python3 python3-pyftpdlib python3-openssl vsftpd curl lftp
          libssh-dev openssh-server openssh-client)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update >/dev/null
  "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVAMLO_SANITIZE=OFF \
      -DVAMLO_BUILD_TESTS=OFF -DVAMLO_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target vamlo_transfer_bench >&2
bench=$build/bench/vamlo_transfer_bench

# The server's root and the client's files share one disk: the local limit
# (cp) is measured there too. About 2.5 GiB are used at the peak.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vamlo-bench.XXXXXX")
chmod 755 "$scratch"
server_pid=""
agent_pid=""
cleanup() {
  exec 3>&- 2>/dev/null || true
  [ -z "$agent_pid" ] || kill "$agent_pid" 2>/dev/null || true
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 2' INT TERM

# Starts a server that prints its port (and more) as its first line and ends
# when its stdin closes: sets server_pid and first_line; fails when nothing
# was printed within 20 s. Its stderr goes to $scratch/server.err.
start_server() {
  mkfifo "$scratch/server-stdin"
  "$@" <"$scratch/server-stdin" >"$scratch/server-port" 2>"$scratch/server.err" &
  server_pid=$!
  exec 3>"$scratch/server-stdin"
  first_line=""
  for _ in $(seq 1 200); do
    first_line=$(head -n 1 "$scratch/server-port" 2>/dev/null || true)
    [ -n "$first_line" ] && return 0
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  return 1
}

root=$scratch/root
mkdir -p "$root" "$scratch/work"
note=""
started=false
cert=""
tls_args=()
server_tls_args=()
if $tls; then
  mkdir -p "$scratch/tls"
  cert=$scratch/tls/server.pem
  openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=127.0.0.1" \
          -keyout "$cert" -out "$cert.crt" 2>/dev/null
  cat "$cert.crt" >>"$cert"
  chmod 600 "$cert"
  # Passive: curl 7.88 cannot open an active data connection over TLS.
  tls_args=(--tls on --passive on --cases big-get,big-put,copy)
  server_tls_args=(--tls-dir "$scratch/tls" --tls-required)
fi
if $sftp; then
  # The test suites' SSH server: it prints "PORT USER", and ends when its
  # stdin closes. Sessions start in the root but see the whole disk, so the
  # benchmark names remote files by their full paths.
  mkdir -p "$scratch/sshd"
  if ! start_server /usr/bin/python3 "$top/tests/support/sshd_server.py" --dir "$scratch/sshd" --root "$root"; then
    echo "the SSH server could not be started: $(cat "$scratch/server.err")" >&2
    exit 2
  fi
  read_port=$first_line
  port=${read_port%% *}
  user=${read_port#* }
  printf '[127.0.0.1]:%s %s\n' "$port" "$(cut -d' ' -f1-2 "$scratch/sshd/host_key.pub")" >"$scratch/known_hosts"
  eval "$(ssh-agent -s)" >/dev/null
  agent_pid=$SSH_AGENT_PID
  ssh-add -q "$scratch/sshd/id_plain" </dev/null
  # The server's user writes into the root and reads what the benchmark made.
  chmod 755 "$scratch"
  server="OpenSSH $(dpkg-query -W -f='${Version}' openssh-server 2>/dev/null)"
  tls_args=(--sftp on --user "$user" --identity "$scratch/sshd/id_plain" --known-hosts "$scratch/known_hosts"
            --cases big-get,big-put,small-get,small-put,copy)
  started=true
elif $rtt; then
  if ! start_server /usr/bin/python3 "$top/bench/delayed_ftp_server.py" --root "$root" \
                    --reply-delay-ms "$reply_delay_ms" --command-log "$scratch/commands.log"; then
    echo "the round-trip server could not be started: $(cat "$scratch/server.err")" >&2
    exit 2
  fi
  port=$first_line
  server="pyftpdlib $(dpkg-query -W -f='${Version}' python3-pyftpdlib 2>/dev/null)"
  note="every reply held back $reply_delay_ms ms (bench/delayed_ftp_server.py)"
  tls_args=(--command-log "$scratch/commands.log" --cases rtt-get,rtt-put --repetitions 1)
  started=true
elif [ "${VAMLO_BENCH_SERVER:-vsftpd}" = pyftpdlib ]; then
  note="pyftpdlib serves, as VAMLO_BENCH_SERVER asked"
elif port=$("$top/bench/start_vsftpd.sh" "$root" "$scratch/vsftpd" $cert 2>"$scratch/vsftpd-start.err"); then
  started=true
else
  note="vsftpd could not start ($(tr '\n' ' ' <"$scratch/vsftpd-start.err" | sed 's/ *$//')); pyftpdlib serves instead"
fi
if $sftp || $rtt; then
  :
elif $started; then
  server_pid=$(cat "$scratch/vsftpd/vsftpd.pid")
  server="vsftpd $(dpkg-query -W -f='${Version}' vsftpd 2>/dev/null)"
else
  echo "$note" >&2
  # The test suites' server: it prints its port (and a fingerprint with TLS).
  if ! start_server /usr/bin/python3 "$top/tests/support/ftp_server.py" --root "$root" "${server_tls_args[@]}"; then
    echo "neither vsftpd nor pyftpdlib could be started: $(cat "$scratch/server.err")" >&2
    exit 2
  fi
  port=${first_line%% *}
  server="pyftpdlib $(dpkg-query -W -f='${Version}' python3-pyftpdlib 2>/dev/null)"
fi

status=0
"$bench" --port "$port" --server-root "$root" --server-name "$server" --note "$note" \
         --work "$scratch/work" "${tls_args[@]}" "$@" || status=$?
exit "$status"
