#!/usr/bin/python3
"""A stock pyftpdlib FTP server: one user, one root folder, 127.0.0.1.

Serves the demo (scripts/run-demo.sh) and the tests (tests/support). It picks a
free port, writes it as the only line of its standard output once it listens,
and runs until it is terminated. With --command-log it appends every command
it receives to that file (the password masked, as vsftpd does), so a test can
read what the client sent; with --send-rate it sends file bytes no faster than
that, so a test can act while a file is under way. Neither changes what the
server answers.
"""

import argparse
import logging

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--command-log")
    parser.add_argument("--send-rate", type=int, default=0,
                        help="bytes per second a file is sent at; 0: no limit")
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmw")

    command_log = open(args.command_log, "a", encoding="utf-8", buffering=1) if args.command_log else None

    class Handler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            if command_log:
                command_log.write(("PASS <password>" if cmd == "PASS" else line) + "\n")
            super().pre_process_command(line, cmd, arg)

    Handler.authorizer = authorizer
    if args.send_rate > 0:
        class LimitedDTPHandler(ThrottledDTPHandler):
            write_limit = args.send_rate

        Handler.dtp_handler = LimitedDTPHandler
    # Warnings only: standard error keeps the reason of a failure.
    logging.basicConfig(level=logging.WARNING)
    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
