#!/usr/bin/env python3
"""A time-stamp server (RFC 3161 over HTTP) on a free loopback port, for signing tests only.

    timestamp_server.py CONFIG

CONFIG is an openssl configuration with a [tsa] section naming the signing certificate, key and
serial file. Prints the port on the first line of its output, then answers POSTed queries with
the replies of `openssl ts -reply` until it is stopped.
"""
import http.server
import subprocess
import sys

CONFIG = sys.argv[1]


class TimestampHandler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        reply = subprocess.run(
            ["openssl", "ts", "-reply", "-config", CONFIG,
             "-queryfile", "/dev/stdin", "-out", "/dev/stdout"],
            input=query, capture_output=True, timeout=30, check=False)
        ok = reply.returncode == 0
        self.send_response(200 if ok else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        body = reply.stdout if ok else reply.stderr
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), TimestampHandler)
print(server.server_address[1], flush=True)
server.serve_forever()
