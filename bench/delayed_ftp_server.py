#!/usr/bin/python3
"""The round-trip benchmark's FTP server: pyftpdlib, anonymous with full
rights in --root, where every reply on a control connection leaves the server
--reply-delay-ms after it was made, as if the link were that much longer.

Every command received goes to --command-log as one line, "SESSION VERB" and,
when the command has an argument, a tab and the argument (a password is
never written). SESSION numbers the control connections from 1 in the order
they were accepted; SITE commands are logged as "SITE CHMOD" and so on.

Prints the port it listens on as the first line of stdout, then serves until
its stdin closes.
"""
import argparse
import collections
import itertools
import logging
import os
import sys
import time
import warnings

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from ftp_server import HandOffActiveDTP, serve_until_stdin_closes  # noqa: E402  (found through the line above)


class DelayedHandler(FTPHandler):
    active_dtp = HandOffActiveDTP
    reply_delay = 0.02
    command_log = None
    sessions = itertools.count(1)

    def __init__(self, conn, server, ioloop=None):
        # Set before the base class may answer (it greets at once).
        self._held = collections.deque()
        self._release_timer = None
        self.session = next(DelayedHandler.sessions)
        super().__init__(conn, server, ioloop)

    # Everything that goes out on the control connection, closing included,
    # waits in one queue per connection, so replies keep their order and a
    # close never overtakes the reply before it. The wait is a timer of the
    # server's loop: the other connections go on being served meanwhile.
    def _hold(self, action):
        self._held.append((time.monotonic() + self.reply_delay, action))
        if self._release_timer is None:
            self._release_timer = self.call_later(self.reply_delay, self._release)

    def _release(self):
        self._release_timer = None
        now = time.monotonic()
        while self._held and self._held[0][0] <= now + 0.0005:
            action = self._held.popleft()[1]
            if self._closed:
                self._held.clear()
                return
            action()
        if self._held:
            self._release_timer = self.call_later(max(self._held[0][0] - now, 0), self._release)

    def push(self, s):
        self._hold(lambda: FTPHandler.push(self, s))

    def push_with_producer(self, producer):
        self._hold(lambda: FTPHandler.push_with_producer(self, producer))

    def close_when_done(self):
        self._hold(lambda: FTPHandler.close_when_done(self))

    def pre_process_command(self, line, cmd, arg):
        verb, shown = cmd, arg
        if cmd == "SITE" and arg:
            verb, _, shown = arg.partition(" ")
            verb = "SITE " + verb.upper()
        if cmd == "PASS":
            shown = ""
        shown = shown.replace("\t", " ").replace("\r", " ")
        self.command_log.write("%d %s%s\n" % (self.session, verb, "\t" + shown if shown else ""))
        super().pre_process_command(line, cmd, arg)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--reply-delay-ms", type=float, default=20)
    parser.add_argument("--command-log", required=True)
    args = parser.parse_args()

    logging.basicConfig(level=logging.ERROR)
    warnings.simplefilter("ignore")  # anonymous write access is intended here

    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(args.root, perm="elradfmwMT")
    DelayedHandler.authorizer = authorizer
    DelayedHandler.reply_delay = args.reply_delay_ms / 1000.0
    # Line-buffered: the benchmark reads each run's commands as soon as it ends.
    DelayedHandler.command_log = open(args.command_log, "a", buffering=1, encoding="utf-8", errors="replace")
    # Many connections in a row from one address (several per client run).
    DelayedHandler.max_cons_per_ip = 0

    server = FTPServer((args.host, 0), DelayedHandler)
    server.max_cons = 0
    print(server.socket.getsockname()[1], flush=True)

    serve_until_stdin_closes(server)


if __name__ == "__main__":
    main()
