#!/usr/bin/env python3
"""Serves update feeds on 127.0.0.1 for the updater tests.

Prints "PORT <n>" once it listens on a free port. Paths:
  /feeds/<file>      a file from the feeds directory
  /redirect-http     302 to an http address off this machine
  /redirect-local    302 to /feeds/newer.xml on this server
  /stall             reads the request and never answers
  /huge              answers with 2 MiB of XML, without announcing its length
  anything else      404
Runs until terminated.
"""
import argparse
import http.server
import os
import sys
import threading

FOREVER = threading.Event()


class Handler(http.server.BaseHTTPRequestHandler):
    feeds = ""

    def log_message(self, fmt, *args):  # keep the test output quiet
        pass

    def answer(self, status, body=b"", headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        if self.path.startswith("/feeds/"):
            name = os.path.basename(self.path)
            path = os.path.join(self.feeds, name)
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    self.answer(200, f.read(), [("Content-Type", "application/rss+xml")])
                return
        elif self.path == "/redirect-http":
            self.answer(302, headers=[("Location", "http://192.0.2.1/feeds/newer.xml")])
            return
        elif self.path == "/redirect-local":
            self.answer(302, headers=[("Location", "/feeds/newer.xml")])
            return
        elif self.path == "/stall":
            FOREVER.wait()
            return
        elif self.path == "/huge":
            # No length announced: the client has to count while reading.
            self.send_response(200)
            self.end_headers()
            self.wfile.write(b"<rss>" + b" " * (2 << 20) + b"</rss>")
            return
        self.answer(404, b"not found")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--feeds", required=True)
    args = parser.parse_args()
    Handler.feeds = args.feeds
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print("PORT", server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
