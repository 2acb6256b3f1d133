#!/usr/bin/python3
"""A throw-away FTP server for the tests, on top of pyftpdlib.

Prints the port it listens on as the first line of stdout, then serves until
it is killed or its stdin closes (so that it never outlives the test that
started it).
"""
import argparse
import logging
import os
import sys
import threading
import warnings

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--passive-ports", help="first-last")
    parser.add_argument("--no-mlsd", action="store_true", help="offer neither MLSD nor MLST")
    parser.add_argument("--no-rest", action="store_true", help="refuse to restart a transfer part of the way in")
    parser.add_argument("--permit-foreign", action="store_true",
                        help="accept PORT/EPRT addresses other than the client's")
    parser.add_argument("--nested-login-dir",
                        help="add user nested/secret, who starts in this folder below the root")
    parser.add_argument("--unlistable-dir",
                        help="a folder below the root that may be entered but not listed")
    args = parser.parse_args()

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

    class Handler(FTPHandler):
        def on_login(self, username):
            # The same root as the others, but a login directory other than "/".
            if nested_dir and username == "nested":
                self.fs.cwd = nested_dir

    Handler.authorizer = authorizer
    Handler.auth_failed_timeout = 0.1  # tests need no brute-force brake
    Handler.proto_cmds = dict(FTPHandler.proto_cmds)
    if args.no_mlsd:
        for command in ("MLSD", "MLST"):
            Handler.proto_cmds.pop(command, None)
    if args.no_rest:
        Handler.proto_cmds.pop("REST", None)
    Handler.permit_foreign_addresses = args.permit_foreign
    if args.passive_ports:
        first, last = (int(x) for x in args.passive_ports.split("-"))
        Handler.passive_ports = range(first, last + 1)

    server = FTPServer((args.host, args.port), Handler)
    print(server.socket.getsockname()[1], flush=True)

    def exit_when_parent_goes():
        sys.stdin.buffer.read()
        os._exit(0)

    threading.Thread(target=exit_when_parent_goes, daemon=True).start()
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    main()
