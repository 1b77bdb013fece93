#!/usr/bin/env python3
"""An FTP server for the Tolvane tests, built on pyftpdlib.

It serves one user in one root folder on a free 127.0.0.1 port, writes that
port as the first line of its standard output once it listens, and appends
every command it receives to a log file (the password masked, as vsftpd does),
so a test can read what the client sent. With --send-rate it sends file bytes
no faster than that, so a test can act while a file is under way. It runs
until it is terminated.
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
    parser.add_argument("--command-log", required=True)
    parser.add_argument("--send-rate", type=int, default=0,
                        help="bytes per second a file is sent at; 0: no limit")
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmw")
    command_log = open(args.command_log, "a", encoding="utf-8", buffering=1)

    class LoggingHandler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            command_log.write(("PASS <password>" if cmd == "PASS" else line) + "\n")
            super().pre_process_command(line, cmd, arg)

    LoggingHandler.authorizer = authorizer
    if args.send_rate > 0:
        class LimitedDTPHandler(ThrottledDTPHandler):
            write_limit = args.send_rate

        LoggingHandler.dtp_handler = LimitedDTPHandler
    # Warnings only: the fixture keeps standard error for the reason of a failure.
    logging.basicConfig(level=logging.WARNING)
    server = FTPServer(("127.0.0.1", 0), LoggingHandler)
    print(server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
