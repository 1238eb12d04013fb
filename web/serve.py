#!/usr/bin/python3
"""Serves the web card (build-web/site by default) on 127.0.0.1 for a look.

    web/serve.py [FOLDER] [--port PORT]

Any static host serves the folder as well: the card needs no special headers.
"""
import argparse
import functools
import http.server


class Handler(http.server.SimpleHTTPRequestHandler):
    # Browsers compile WebAssembly while it streams in only with its own type.
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript"}


def main():
    parser = argparse.ArgumentParser(description="Serve the web card on 127.0.0.1.")
    parser.add_argument("folder", nargs="?", default="build-web/site")
    parser.add_argument("--port", type=int, default=8000)
    args = parser.parse_args()
    handler = functools.partial(Handler, directory=args.folder)
    with http.server.ThreadingHTTPServer(("127.0.0.1", args.port), handler) as server:
        print(f"The card: http://127.0.0.1:{args.port}/  (Ctrl-C ends)")
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass


if __name__ == "__main__":
    main()
