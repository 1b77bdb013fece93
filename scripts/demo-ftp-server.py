#!/usr/bin/python3
"""The FTP server of the demo: one user, one root folder, 127.0.0.1.

pyftpdlib lists NLST arguments as paths only; this server also reads a
wildcard in the last part ("/in/*.dat"), as most servers do, so the demo site
can use an ordinary file pattern. It writes its port to --port-file once it
listens and runs until it is terminated.
"""

import argparse
import fnmatch
import os

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class GlobbingHandler(FTPHandler):
    def ftp_NLST(self, path):
        folder, pattern = os.path.split(path)
        if not any(c in pattern for c in "*?["):
            return super().ftp_NLST(path)
        names = sorted(n for n in os.listdir(folder)
                       if fnmatch.fnmatchcase(n, pattern) and os.path.isfile(os.path.join(folder, n)))
        self.push_dtp_data("".join(n + "\r\n" for n in names).encode("utf8", self.unicode_errors), cmd="NLST")
        return path


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--port-file", required=True)
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmw")
    GlobbingHandler.authorizer = authorizer
    server = FTPServer(("127.0.0.1", 0), GlobbingHandler)
    with open(args.port_file, "w") as port_file:
        port_file.write(str(server.address[1]))
    server.serve_forever()


if __name__ == "__main__":
    main()
