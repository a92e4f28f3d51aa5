#!/usr/bin/env python3
"""A database server that stops answering, for the quit tests.

  silent_tcp.py silent PORT SECONDS
      accepts every connection on 127.0.0.1:PORT and never answers.
  silent_tcp.py proxy PORT TARGET SECONDS
      forwards 127.0.0.1:PORT to 127.0.0.1:TARGET until SIGUSR1; from then
      on it keeps every connection open and passes nothing either way, and
      new connections are accepted and never answered.

Either ends by itself after SECONDS, closing everything.
"""
import selectors
import signal
import socket
import sys
import time


def main():
    mode = sys.argv[1]
    port = int(sys.argv[2])
    target = int(sys.argv[3]) if mode == "proxy" else None
    seconds = float(sys.argv[4] if mode == "proxy" else sys.argv[3])
    silent = mode == "silent"

    def go_silent(*_):
        nonlocal silent
        silent = True

    signal.signal(signal.SIGUSR1, go_silent)
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(64)
    listener.setblocking(False)
    sel = selectors.DefaultSelector()
    sel.register(listener, selectors.EVENT_READ, None)
    held = []
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        for key, _ in sel.select(timeout=0.1):
            if key.data is None:
                client, _ = listener.accept()
                held.append(client)
                if silent or target is None:
                    continue
                upstream = socket.create_connection(("127.0.0.1", target))
                held.append(upstream)
                sel.register(client, selectors.EVENT_READ, upstream)
                sel.register(upstream, selectors.EVENT_READ, client)
            else:
                if silent:
                    # What arrives now is left unread and unanswered.
                    sel.unregister(key.fileobj)
                    continue
                data = key.fileobj.recv(65536)
                if data:
                    key.data.sendall(data)
                else:
                    sel.unregister(key.fileobj)
    for s in held:
        s.close()


if __name__ == "__main__":
    main()
