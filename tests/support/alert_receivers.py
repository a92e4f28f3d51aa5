#!/usr/bin/python3
"""Receivers for the alert tests, each saving what it gets into a folder as
numbered files (000001.body, 000001.meta, ...) in the order received.

  alert_receivers.py http PORT DIR [--cert CERT --key KEY] [--delay SECONDS] [--cut]
  alert_receivers.py smtp PORT DIR [--cert CERT --key KEY] [--user USER --password-file FILE]
                                   [--auth-in-clear] [--stall-data] [--wire FILE]

http: answers every POST with 200 (after --delay seconds); the body is saved
before the delay, the meta file (path and headers) too. --cut: the answer's
status line and headers promise a body that is cut off (the connection
closes after a few bytes of it).
smtp: with --cert, STARTTLS offered; with --user, AUTH offered and required
before MAIL, and STARTTLS required before AUTH, unless --auth-in-clear (a
relay that takes a login without TLS). Without --user, no AUTH at all.
Each message saved as received (.eml). --stall-data: the answer to the end
of the body never comes. --wire FILE: every byte the client sends is
appended to FILE. Runs until killed; binds 127.0.0.1 only.
"""
import argparse
import http.server
import os
import ssl
import sys
import threading
import time

counter_lock = threading.Lock()


def save(folder, suffix, data, meta=None):
    with counter_lock:
        n = len([f for f in os.listdir(folder) if f.endswith(suffix)]) + 1
        name = os.path.join(folder, "%06d" % n)
        if meta is not None:
            with open(name + ".meta", "w", encoding="utf-8") as f:
                f.write(meta)
        with open(name + suffix + ".tmp", "wb") as f:
            f.write(data)
        os.rename(name + suffix + ".tmp", name + suffix)


def serve_http(args):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def do_POST(self):
            length = int(self.headers.get("Content-Length", "0"))
            body = self.rfile.read(length)
            meta = "path: %s\n%s" % (self.path, "".join("%s: %s\n" % kv for kv in self.headers.items()))
            save(args.dir, ".body", body, meta)
            if args.delay:
                time.sleep(args.delay)
            answer = b'{"ok":true}'
            self.send_response(200)
            self.send_header("Content-Type", "application/json")
            if args.cut:
                self.send_header("Content-Length", str(len(answer) + 100))
                self.end_headers()
                self.wfile.write(answer[:4])
                self.wfile.flush()
                self.close_connection = True
                self.connection.shutdown(2)
                return
            self.send_header("Content-Length", str(len(answer)))
            self.end_headers()
            self.wfile.write(answer)

        def log_message(self, *a):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    if args.cert:
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(args.cert, args.key)
        server.socket = ctx.wrap_socket(server.socket, server_side=True)
    print("ready", flush=True)
    server.serve_forever()


def serve_smtp(args):
    from aiosmtpd.controller import Controller
    from aiosmtpd.smtp import SMTP, AuthResult
    import asyncio

    password = user = None
    if args.user:
        with open(args.password_file, encoding="utf-8") as f:
            password = f.readline().rstrip("\n").encode()
        user = args.user.encode()

    class Handler:
        async def handle_DATA(self, server, session, envelope):
            if args.stall_data:
                await asyncio.sleep(3600)
            meta = "from: %s\nto: %s\ntls: %s\n" % (envelope.mail_from, ",".join(envelope.rcpt_tos),
                                                    session.ssl is not None)
            save(args.dir, ".eml", envelope.original_content or envelope.content, meta)
            return "250 OK"

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = auth_data.login == user and auth_data.password == password
        return AuthResult(success=ok)

    class WireSMTP(SMTP):
        def data_received(self, data):
            if args.wire:
                with open(args.wire, "ab") as f:
                    f.write(data)
            super().data_received(data)

    class WireController(Controller):
        def factory(self):
            return WireSMTP(self.handler, **self.SMTP_kwargs)

    ctx = None
    if args.cert:
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(args.cert, args.key)
    kwargs = {}
    if user:
        kwargs = dict(authenticator=authenticator, auth_required=True,
                      auth_require_tls=not args.auth_in_clear)
    controller = WireController(Handler(), hostname="127.0.0.1", port=args.port, tls_context=ctx,
                                require_starttls=bool(ctx and user and not args.auth_in_clear), **kwargs)
    controller.start()
    print("ready", flush=True)
    try:
        while True:
            time.sleep(3600)
    finally:
        controller.stop()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("kind", choices=["http", "smtp"])
    p.add_argument("port", type=int)
    p.add_argument("dir")
    p.add_argument("--cert")
    p.add_argument("--key")
    p.add_argument("--delay", type=float, default=0)
    p.add_argument("--user")
    p.add_argument("--password-file")
    p.add_argument("--cut", action="store_true")
    p.add_argument("--auth-in-clear", action="store_true")
    p.add_argument("--stall-data", action="store_true")
    p.add_argument("--wire")
    args = p.parse_args()
    os.makedirs(args.dir, exist_ok=True)
    (serve_http if args.kind == "http" else serve_smtp)(args)


if __name__ == "__main__":
    sys.exit(main())
