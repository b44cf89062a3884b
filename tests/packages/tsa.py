"""A time-stamping service (RFC 3161 over HTTP) on 127.0.0.1 for sign_test.sh:
it answers each query with `openssl ts -reply` under the configuration named
by its argument, and prints its port once it listens."""
import http.server
import subprocess
import sys

CONFIG = sys.argv[1]


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(
            ["openssl", "ts", "-reply", "-config", CONFIG, "-queryfile", "/dev/stdin", "-out", "/dev/stdout"],
            input=query, capture_output=True, check=False).stdout
        self.send_response(200 if reply else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
