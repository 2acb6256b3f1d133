#!/usr/bin/python3
"""A throw-away FTP server for the tests, on top of pyftpdlib.

Prints the port it listens on as the first line of stdout, then serves until
it is killed or its stdin closes (so that it never outlives the test that
started it).
"""
import argparse
import hashlib
import logging
import os
import socket
import subprocess
import sys
import threading
import time
import warnings

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import ActiveDTP, FTPHandler
from pyftpdlib.servers import FTPServer


def new_certificate(name, issuer=None, extension=None):
    """A new key and certificate for name, signed by issuer (a key and its
    certificate) or by itself; extension: (name, critical, value) or None."""
    from OpenSSL import crypto
    key = crypto.PKey()
    key.generate_key(crypto.TYPE_RSA, 2048)
    cert = crypto.X509()
    cert.set_version(2)
    cert.get_subject().CN = name
    cert.get_subject().O = "Vamlo Tests"
    cert.set_serial_number(int.from_bytes(os.urandom(8), "big"))
    cert.gmtime_adj_notBefore(0)
    cert.gmtime_adj_notAfter(24 * 3600)
    signer_key, signer = issuer or (key, cert)
    cert.set_issuer(signer.get_subject())
    cert.set_pubkey(key)
    if extension:
        cert.add_extensions([crypto.X509Extension(*extension)])
    cert.sign(signer_key, "sha256")
    return key, cert


def certificate_files(folder, host=None, ca_folder=None):
    """A key and certificate in folder, made when missing: self-signed, or
    for host from a new CA whose certificate goes to ca_folder, under the
    hashed name OpenSSL looks trusted CAs up by.

    Returns the path of the file that holds both, and the certificate's
    SHA-256 fingerprint ("AB:CD:...").
    """
    from OpenSSL import crypto
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "server.pem")
    if not os.path.exists(path):
        issuer = extension = None
        if host:
            issuer = new_certificate("Vamlo Test CA", None, (b"basicConstraints", True, b"CA:TRUE"))
            with open(os.path.join(ca_folder, "%08x.0" % issuer[1].subject_name_hash()), "wb") as out:
                out.write(crypto.dump_certificate(crypto.FILETYPE_PEM, issuer[1]))
            extension = (b"subjectAltName", False, b"DNS:" + host.encode())
        key, cert = new_certificate("Vamlo Test Server", issuer, extension)
        with open(path + ".new", "wb") as out:
            out.write(crypto.dump_privatekey(crypto.FILETYPE_PEM, key))
            out.write(crypto.dump_certificate(crypto.FILETYPE_PEM, cert))
        os.rename(path + ".new", path)
    with open(path, "rb") as source:
        cert = crypto.load_certificate(crypto.FILETYPE_PEM, source.read())
    return path, cert.digest("sha256").decode()


def run_vsftpd(root, folder):
    """Debian's vsftpd on a free port, its settings file in folder: anonymous
    with full rights, no chroot."""
    with socket.create_server(("127.0.0.1", 0)) as probe:
        port = probe.getsockname()[1]
    with open(os.path.join(folder, "vsftpd.conf"), "w") as conf:
        conf.write("\n".join(["listen_port=%d" % port, "anon_root=" + root] + (
            "listen=YES listen_ipv6=NO listen_address=127.0.0.1 background=NO run_as_launching_user=YES "
            "anonymous_enable=YES no_anon_password=YES write_enable=YES anon_upload_enable=YES anon_mkdir_write_enable=YES "
            "anon_other_write_enable=YES anon_world_readable_only=NO seccomp_sandbox=NO").split()) + "\n")
    server = subprocess.Popen(["/usr/sbin/vsftpd", conf.name])
    for _ in range(200):  # until it listens
        with socket.socket() as client:
            if client.connect_ex(("127.0.0.1", port)) == 0:
                break
            time.sleep(0.05)
    print(port, flush=True)
    sys.stdin.buffer.read()
    server.kill()


class HandOffActiveDTP(ActiveDTP):
    """pyftpdlib keeps the connector of a PORT after it handed its socket to
    the data channel, and closes it at the next PORT: by then the socket's
    number may belong to another session's connection, whose events the
    close then takes off the loop (that session hangs until a timeout).
    Once handed off, the connector forgets the socket."""

    def handle_connect(self):
        super().handle_connect()
        if self.cmd_channel.data_channel is not None and self.cmd_channel.data_channel.socket is self.socket:
            self._fileno = None
            self.socket = None


def serve_until_stdin_closes(server):
    """Serves until the process that started this one closes our stdin."""
    def exit_when_parent_goes():
        sys.stdin.buffer.read()
        os._exit(0)

    threading.Thread(target=exit_when_parent_goes, daemon=True).start()
    server.serve_forever(handle_exit=False)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--no-mlsd", action="store_true", help="offer neither MLSD nor MLST")
    parser.add_argument("--no-rest", action="store_true", help="refuse to restart a transfer part of the way in")
    parser.add_argument("--nested-login-dir",
                        help="add user nested/secret, who starts in this folder below the root")
    parser.add_argument("--unlistable-dir",
                        help="a folder below the root that may be entered but not listed")
    parser.add_argument("--vsftpd", metavar="FOLDER", help="run vsftpd instead (settings in FOLDER), no other option")
    parser.add_argument("--drop-dir", help="a folder below the root that takes uploads but no renames or deletes")
    parser.add_argument("--tls-dir",
                        help="offer AUTH TLS with the certificate kept (or made) in this folder")
    parser.add_argument("--tls-required", action="store_true",
                        help="refuse logins and transfers that are not encrypted")
    parser.add_argument("--tls-host", nargs=2, metavar=("HOST", "CA_DIR"), default=(None, None),
                        help="a certificate for HOST from a CA made for it, whose certificate goes to CA_DIR")
    parser.add_argument("--tls-other-data-certificate", action="store_true",
                        help="show another certificate on data connections")
    parser.add_argument("--idle-timeout", type=float, default=300,
                        help="seconds without a command before the server ends a connection with 421")
    parser.add_argument("--max-connections-per-address", type=int, default=0,
                        help="refuse (421) connections beyond this many from one address; 0: no limit")
    parser.add_argument("--command-log", help="append each command's name to this file, a line each, tagged "
                        "with its connection")
    parser.add_argument("--quota-full", action="store_true", help="end every upload with 552, keeping what arrived")
    parser.add_argument("--hash", choices=("honest", "lies", "fails"),
                        help="offer HASH with SHA-256: the true one, a wrong one, or refuse every one")
    args = parser.parse_args()
    if args.vsftpd:
        return run_vsftpd(args.root, args.vsftpd)

    logging.basicConfig(level=logging.ERROR)
    warnings.simplefilter("ignore")  # anonymous write access is intended here

    authorizer = DummyAuthorizer()
    authorizer.add_user("user", "secret", args.root, perm="elradfmwMT")
    authorizer.add_anonymous(args.root, perm="elradfmwMT")
    nested_dir = None
    if args.nested_login_dir:
        nested_dir = "/" + args.nested_login_dir.strip("/")
        os.makedirs(os.path.join(args.root, nested_dir.lstrip("/")), exist_ok=True)
        authorizer.add_user("nested", "secret", args.root, perm="elradfmwMT")

    if args.unlistable_dir:
        unlistable = os.path.join(args.root, args.unlistable_dir.strip("/"))
        os.makedirs(unlistable, exist_ok=True)
        for name in ("user", "anonymous"):
            authorizer.override_perm(name, unlistable, "eradfmwMT")

    if args.drop_dir:
        drop = os.path.join(args.root, args.drop_dir.strip("/"))
        os.makedirs(drop, exist_ok=True)
        for name in ("user", "anonymous"):
            authorizer.override_perm(name, drop, "elw")

    fingerprint = ""
    base = FTPHandler
    if args.tls_dir:
        from OpenSSL import SSL
        from pyftpdlib.handlers import TLS_FTPHandler
        base = TLS_FTPHandler
        certfile, fingerprint = certificate_files(args.tls_dir, *args.tls_host)

    class Handler(base):
        def on_login(self, username):
            # The same root as the others, but a login directory other than "/".
            if nested_dir and username == "nested":
                self.fs.cwd = nested_dir

        def ftp_AUTH(self, line):
            super().ftp_AUTH(line)
            if args.tls_other_data_certificate:  # the control connection keeps the first one
                data_certfile = certificate_files(os.path.join(args.tls_dir, "data"))[0]
                self.ssl_context = SSL.Context(SSL.TLS_SERVER_METHOD)
                self.ssl_context.use_certificate_chain_file(data_certfile)
                self.ssl_context.use_privatekey_file(data_certfile)

        def pre_process_command(self, line, cmd, arg):
            if args.command_log:
                with open(args.command_log, "a") as log:
                    log.write("%d %s\n" % (id(self), cmd))
            super().pre_process_command(line, cmd, arg)

        def respond(self, resp, logfun=logging.debug):
            # A disk found full once an upload has all arrived; its bytes stay.
            if args.quota_full and resp.startswith("226") and self.data_channel and self.data_channel.receive:
                resp = "552 Disk quota exceeded."
            super().respond(resp, logfun)

        def ftp_FEAT(self, line):
            if args.hash and "HASH SHA-256*" not in self._extra_feats:
                self._extra_feats = list(self._extra_feats) + ["HASH SHA-256*"]
            super().ftp_FEAT(line)

        def ftp_OPTS(self, line):
            if args.hash and line.upper().startswith("HASH"):
                if line[4:].strip().upper() in ("", "SHA-256"):
                    self.respond("200 SHA-256")
                else:
                    self.respond("501 Unknown algorithm.")
                return
            super().ftp_OPTS(line)

        def ftp_HASH(self, path):
            if args.hash == "fails":
                return self.respond("550 Checksum not available.")
            try:
                with open(path, "rb") as source:
                    value = hashlib.file_digest(source, "sha256").hexdigest()
            except OSError as err:
                self.respond("550 %s." % err.strerror)
                return
            if args.hash == "lies":
                value = ("1" if value[0] == "0" else "0") + value[1:]
            value = value.upper()  # as some servers give it
            size = os.path.getsize(path)
            self.respond("213 SHA-256 0-%d %s %s" % (max(size - 1, 0), value, os.path.basename(path)))

    if args.tls_dir:
        Handler.certfile = certfile
        Handler.tls_control_required = args.tls_required
        Handler.tls_data_required = args.tls_required
    Handler.authorizer = authorizer
    Handler.auth_failed_timeout = 0.1  # tests need no brute-force brake
    Handler.timeout = args.idle_timeout
    Handler.active_dtp = HandOffActiveDTP
    Handler.proto_cmds = dict(base.proto_cmds)
    for command in (("MLSD", "MLST") if args.no_mlsd else ()) + (("REST",) if args.no_rest else ()):
        Handler.proto_cmds.pop(command, None)
    if args.hash:
        Handler.proto_cmds["HASH"] = dict(perm="r", auth=True, arg=True,
                                          help="Syntax: HASH <SP> file-name (checksum of a file).")

    server = FTPServer((args.host, args.port), Handler)
    server.max_cons_per_ip = args.max_connections_per_address
    # The port, then the certificate's fingerprint when there is one.
    print(" ".join(str(x) for x in (server.socket.getsockname()[1], fingerprint) if x), flush=True)

    serve_until_stdin_closes(server)


if __name__ == "__main__":
    main()
