#!/usr/bin/python3
"""web/serve.py as a browser meets it: every file with the two isolation
headers and its type, and a connection the browser drops halfway through
a large file taken quietly, with no traceback.
usage: check_serve.py SERVE_PY"""
import os
import re
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

from checks import check, outcome

with tempfile.TemporaryDirectory() as site:
    with open(os.path.join(site, "index.html"), "w") as page:
        page.write("<!doctype html>\n")
    with open(os.path.join(site, "big.wasm"), "wb") as module:
        module.write(os.urandom(32 << 20))  # far more than a socket's buffers
    server = subprocess.Popen([sys.argv[1], site, "--port", "0"], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              text=True)
    try:
        port = int(re.search(r"http://127\.0\.0\.1:(\d+)/", server.stdout.readline()).group(1))
        for name, kind in (("index.html", "text/html"), ("big.wasm", "application/wasm")):
            with urllib.request.urlopen(f"http://127.0.0.1:{port}/{name}", timeout=30) as answer:
                headers = answer.headers
            check(headers["Cross-Origin-Opener-Policy"] == "same-origin" and
                  headers["Cross-Origin-Embedder-Policy"] == "require-corp" and
                  headers["Content-Type"].startswith(kind),
                  f"{name} comes with both isolation headers and type {kind}: {dict(headers)}")
        for _ in range(3):
            dropped = socket.create_connection(("127.0.0.1", port), timeout=30)
            dropped.sendall(b"GET /big.wasm HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
            dropped.recv(100)
            # Closed with a reset, as a browser that gives up on a request.
            dropped.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
            dropped.close()
        time.sleep(1)
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/index.html", timeout=30) as answer:
            still = answer.status
    finally:
        server.terminate()
        errors = server.communicate(timeout=30)[1]
    check(still == 200, "the server still serves after dropped connections")
    check("Traceback" not in errors and "Error" not in errors,
          f"dropped connections are taken quietly (standard error: {errors[-300:]!r})")
sys.exit(outcome())
