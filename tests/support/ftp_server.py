#!/usr/bin/python3
"""A real FTP server on loopback for the document download tests.

    ftp_server.py ROOT USER PASSWORD [CERT KEY]

Serves ROOT to USER (read, write, delete) on 127.0.0.1 at a free port and prints
"PORT <n>" once it accepts connections. A PASSWORD of "-" is read from the first line of
standard input instead, keeping it out of the process list. Passive and active transfers
both work. A file whose name starts with "cut-" is sent only halfway: the data connection
is then dropped, as a server that fails mid-transfer would. The size of a file whose name
starts with "nosize-" is not told (SIZE is refused), as some servers do. With CERT and KEY
the server offers TLS (AUTH TLS, protected data connections) with that certificate.

Run it with /usr/bin/python3: Debian's python3-pyftpdlib belongs to that interpreter.
"""

import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class HalfFile:
    """Reads like the file but fails once half of it has been read."""

    def __init__(self, file):
        self._file = file
        self._left = os.fstat(file.fileno()).st_size // 2
        self.name = file.name
        self.closed = False

    def read(self, size=-1):
        if self._left <= 0:
            raise OSError("connection cut")
        data = self._file.read(min(size if size > 0 else self._left, self._left))
        self._left -= len(data)
        return data

    def close(self):
        self.closed = True
        self._file.close()

    def fileno(self):
        raise AttributeError("no sendfile")


class CuttingFS(AbstractedFS):
    def open(self, filename, mode):
        file = super().open(filename, mode)
        if "r" in mode and os.path.basename(filename).startswith("cut-"):
            return HalfFile(file)
        return file


def size_not_told_for_nosize(ftp_size):
    """The handler's SIZE, refused for a file whose name starts with "nosize-"."""

    def answer(self, path):
        if os.path.basename(path).startswith("nosize-"):
            self.respond("502 Size not told.")
            return
        ftp_size(self, path)

    return answer


def tls_handler():
    from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler  # needs python3-openssl

    class DataHandler(TLS_DTPHandler):
        # A client may open the data connection before it sends the transfer command; its
        # TLS handshake must still be read rather than the connection taken for closed.
        def readable(self):
            return self._ssl_accepting or super().readable()

    class Handler(TLS_FTPHandler):
        dtp_handler = DataHandler

    return Handler


def main():
    root, user, password = sys.argv[1:4]
    tls = sys.argv[4:6]
    if password == "-":
        password = sys.stdin.readline().rstrip("\n")
    logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmw")
    handler = FTPHandler
    if tls:
        handler = tls_handler()
        handler.certfile, handler.keyfile = tls
    handler.authorizer = authorizer
    handler.abstracted_fs = CuttingFS
    handler.use_sendfile = False
    handler.permit_foreign_addresses = False
    handler.ftp_SIZE = size_not_told_for_nosize(handler.ftp_SIZE)
    server = FTPServer(("127.0.0.1", 0), handler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
