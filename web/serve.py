#!/usr/bin/python3
"""Serves the page on 127.0.0.1 with the two headers that make it
cross-origin isolated (and so give it a fine clock), and prints its URL.

usage: serve.py SITE_FOLDER [--port PORT]   (PORT 0: any free one)
"""
import argparse
import functools
import http.server
import sys

HEADERS = {"Cross-Origin-Opener-Policy": "same-origin", "Cross-Origin-Embedder-Policy": "require-corp",
           "Cache-Control": "no-store"}
TYPES = {".wasm": "application/wasm", ".js": "text/javascript", ".json": "application/json",
         ".ico": "image/vnd.microsoft.icon", ".txt": "text/plain; charset=utf-8"}


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, **TYPES}

    def end_headers(self):
        for name, value in HEADERS.items():
            self.send_header(name, value)
        super().end_headers()

    def log_message(self, format, *args):
        pass  # quiet: the URL is what matters


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # A browser that drops a connection (a reload, a closed tab, a
        # request it no longer wants) is ordinary for a web server.
        if isinstance(sys.exc_info()[1], (BrokenPipeError, ConnectionResetError, ConnectionAbortedError)):
            return
        super().handle_error(request, client_address)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("site")
    parser.add_argument("--port", type=int, default=8000)
    args = parser.parse_args()
    handler = functools.partial(Handler, directory=args.site)
    try:
        server = Server(("127.0.0.1", args.port), handler)
    except OSError as error:
        sys.exit(f"serve.py: cannot serve on 127.0.0.1:{args.port}: {error}")
    print(f"Velmark is served at http://127.0.0.1:{server.server_address[1]}/ (Ctrl+C ends it)", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
