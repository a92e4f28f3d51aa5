#!/usr/bin/env python3
"""Relays every connection made to one Unix socket to another.

    unix_relay.py LISTEN TARGET

A test stands it between a client and a server's socket, so that it can
cut the client off (by ending this process: every relayed connection
breaks and the socket refuses new ones) and let it back (by starting it
again) without touching the server.
"""
import os
import socket
import sys
import threading


def pump(src, dst):
    try:
        while True:
            data = src.recv(65536)
            if not data:
                break
            dst.sendall(data)
    except OSError:
        pass
    finally:
        for s in (src, dst):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def serve(client, target):
    upstream = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        upstream.connect(target)
    except OSError:
        client.close()
        return
    threading.Thread(target=pump, args=(client, upstream), daemon=True).start()
    threading.Thread(target=pump, args=(upstream, client), daemon=True).start()


def main():
    listen, target = sys.argv[1], sys.argv[2]
    try:
        os.unlink(listen)
    except FileNotFoundError:
        pass
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    server.bind(listen)
    os.chmod(listen, 0o777)
    server.listen(64)
    while True:
        client, _ = server.accept()
        serve(client, target)


if __name__ == "__main__":
    main()
