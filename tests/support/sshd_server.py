#!/usr/bin/python3
"""A throw-away OpenSSH server for the SFTP tests: Debian's sshd on a loopback
port with its own config, host key and keys in --dir (never the machine's
own). Prints "PORT USER", serves until stdin closes or SIGTERM, and takes its
sessions down with it. In --dir: host_key (removed to renew it), id_plain,
id_pass (passphrase in passphrase.txt), authorized_keys (read at each log-on)
and password.txt. As root the user is "vamlotest", an account made once with
a random password kept in its home; otherwise the caller, by key only.
"""
import argparse
import fcntl
import os
import pwd
import secrets
import signal
import socket
import subprocess
import sys
import time

TEST_USER = "vamlotest"
TEST_HOME = "/var/lib/vamlotest"
PASSPHRASE = "vamlo key words"


def test_account():
    """The account and its password, made once; parallel runs share both."""
    os.makedirs(TEST_HOME, mode=0o755, exist_ok=True)
    with open(os.path.join(TEST_HOME, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        try:
            pwd.getpwnam(TEST_USER)
        except KeyError:
            subprocess.run(["useradd", "--system", "--no-create-home", "--home-dir", TEST_HOME,
                            "--shell", "/usr/sbin/nologin", TEST_USER], check=True)
        path = os.path.join(TEST_HOME, "password")
        if not os.path.exists(path):
            password = secrets.token_urlsafe(18)
            subprocess.run(["chpasswd"], input=("%s:%s\n" % (TEST_USER, password)).encode(), check=True)
            fd = os.open(path + ".new", os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
            with os.fdopen(fd, "w") as out:
                out.write(password)
            os.rename(path + ".new", path)
        with open(path) as source:
            return TEST_USER, source.read().strip()


def keygen(path, passphrase=""):
    if not os.path.exists(path):
        subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", passphrase, "-C", "vamlo-test",
                        "-f", path], check=True, stdin=subprocess.DEVNULL)


def descendants(pid):
    """Every process below pid: sessions run in sessions of their own."""
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as stat:
                    parent = int(stat.read().rsplit(")", 1)[1].split()[1])
                children.setdefault(parent, []).append(int(entry))
            except (OSError, ValueError, IndexError):
                pass
    found, todo = [], [pid]
    while todo and len(found) < 10000:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child)
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True, help="folder for config, keys and logs")
    parser.add_argument("--root", required=True, help="the folder SFTP sessions start in")
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    folder = os.path.abspath(args.dir)
    root = os.path.abspath(args.root)

    if os.geteuid() == 0:
        user, password = test_account()
        os.makedirs("/run/sshd", mode=0o755, exist_ok=True)   # sshd's privilege separation folder
        os.chown(root, pwd.getpwnam(user).pw_uid, -1)
    else:
        user, password = pwd.getpwuid(os.geteuid()).pw_name, ""
    # The session reads authorized_keys as the user.
    os.chmod(folder, 0o755)
    for name, text in (("password.txt", password), ("passphrase.txt", PASSPHRASE)):
        with open(os.path.join(folder, name), "w") as out:
            out.write(text)
    keygen(os.path.join(folder, "host_key"))
    keygen(os.path.join(folder, "id_plain"))
    keygen(os.path.join(folder, "id_pass"), PASSPHRASE)
    authorized = os.path.join(folder, "authorized_keys")
    if not os.path.exists(authorized):
        with open(authorized, "w") as out:
            for name in ("id_plain.pub", "id_pass.pub"):
                with open(os.path.join(folder, name)) as key:
                    out.write(key.read())
    os.chmod(authorized, 0o644)

    port = args.port
    if port == 0:
        with socket.create_server(("127.0.0.1", 0)) as probe:
            port = probe.getsockname()[1]
    config = os.path.join(folder, "sshd_config")
    with open(config, "w") as conf:
        conf.write("Port %d\nListenAddress 127.0.0.1\nHostKey %s\nPidFile none\nAuthorizedKeysFile %s\n"
                   "StrictModes no\nUsePAM no\nPasswordAuthentication %s\nKbdInteractiveAuthentication no\n"
                   "PermitRootLogin no\nAllowUsers %s\nAllowTcpForwarding no\nX11Forwarding no\n"
                   "MaxAuthTries 20\nLogLevel VERBOSE\nSubsystem sftp internal-sftp -d %s\n" % (
                       port, os.path.join(folder, "host_key"), authorized, "yes" if password else "no", user, root))

    log = open(os.path.join(folder, "sshd.log"), "ab")
    # In a session of its own, out of reach of a signal to our group: its
    # sessions are found through it before it goes.
    sshd = subprocess.Popen(["/usr/sbin/sshd", "-D", "-e", "-f", config], stdin=subprocess.DEVNULL,
                            stdout=log, stderr=log, start_new_session=True)

    def stop(*_):
        for pid in descendants(sshd.pid) + [sshd.pid]:
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        sshd.wait()
        sys.exit(0)

    def pause(number, _):
        for pid in descendants(sshd.pid):
            try:
                os.kill(pid, signal.SIGSTOP if number == signal.SIGUSR1 else signal.SIGCONT)
            except OSError:
                pass

    signal.signal(signal.SIGTERM, stop)
    # SIGUSR1 stops every session, SIGUSR2 resumes them: a server slow to answer.
    signal.signal(signal.SIGUSR1, pause)
    signal.signal(signal.SIGUSR2, pause)
    for _ in range(200):
        if sshd.poll() is not None:
            sys.exit("sshd exited with %d (see %s)" % (sshd.returncode, log.name))
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            break
        except OSError:
            time.sleep(0.05)
    else:
        stop()
    print(port, user, flush=True)
    try:
        sys.stdin.buffer.read()
    finally:
        stop()


if __name__ == "__main__":
    main()
