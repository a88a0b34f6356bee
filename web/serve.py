#!/usr/bin/env python3
"""Serves a folder on 127.0.0.1 with Python's http.server.

usage: serve.py DIR [PORT] [--log]    (PORT 0 picks a free one; the address is printed)

The page is sent cross-origin isolated, which gives it precise timers for the
bench. The data pack's files under pack/ are named by their content, so a
browser may keep them for good; everything else is never cached, so a rebuilt
page is always the one served. --log prints "METHOD PATH STATUS" for each
request after the address.
"""
import functools
import http.server
import sys
import threading

log_lock = threading.Lock()


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".wasm": "application/wasm"}
    log = False

    def end_headers(self):
        self.send_header("Cross-Origin-Opener-Policy", "same-origin")
        self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        if self.path.startswith("/pack/"):
            self.send_header("Cache-Control", "public, max-age=31536000, immutable")
        else:
            self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def log_request(self, code="-", size="-"):
        if self.log:
            with log_lock:  # one whole line at a time from the server's threads
                sys.stdout.write(f"{self.command} {self.path} {getattr(code, 'value', code)}\n")
                sys.stdout.flush()

    def log_message(self, format, *args):
        pass


def main():
    args = [a for a in sys.argv[1:] if a != "--log"]
    if len(args) not in (1, 2) or args[0] in ("-h", "--help"):
        print(__doc__.strip())
        return 0 if args and args[0] in ("-h", "--help") else 2
    Handler.log = "--log" in sys.argv[1:]
    port = int(args[1]) if len(args) == 2 else 8000
    handler = functools.partial(Handler, directory=args[0])
    with http.server.ThreadingHTTPServer(("127.0.0.1", port), handler) as server:
        print(f"serving {args[0]} at http://127.0.0.1:{server.server_address[1]}/softdemo.html", flush=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
