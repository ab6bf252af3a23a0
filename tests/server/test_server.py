#!/usr/bin/env python3
"""Loopback HTTP server for the HTTP client tests (Python 3 standard library only).

    test_server.py --root FOLDER --port-file FILE [--pid-file FILE]

Listens on two ports of 127.0.0.1 (both chosen by the system) with HTTP/1.1 keep-alive, one
thread per connection. Writes "<main port>\\n<second port>\\n" to the port file once both listen
(written to a temporary name, then renamed, so a reader never sees half a file). Both ports serve
the same URLs. With --tls-cert and --tls-key it also listens for HTTPS on a third port (same
URLs), and the port file gets that port as a third line (0 without a certificate). Stops on
SIGTERM or SIGINT.

URL scheme (paths are matched in this order):

  GET /_log[?path=SUB][&format=text]   every request received so far except those to /_...,
                                       optionally only those whose path contains SUB, in the
                                       order received. JSON: [{"method","path","headers":[[k,v],..]}]
                                       format=text: per request "REQUEST <method> <path>", one
                                       "HEADER <name>: <value>" per header, then "END".
  GET /_log/clear                      forgets the log.
  GET /_uploads[?path=SUB][&format=text]
                                       every POST body received, in order. JSON:
                                       [{"path","content_type","parts":[{"name","filename",
                                       "content_type","data_hex"}]}] (filename / content_type
                                       null when absent). format=text: "UPLOAD <path>", then per
                                       part "PART <name>\\t<filename>\\t<content type>\\t<hex>"
                                       (absent fields are "-", present fields are
                                       percent-encoded), then "END".
  GET /_uploads/clear                  forgets the uploads.
  GET /_ports                          "<main port> <second port>".

  /redirect/<n>/<rest>                 n > 0: 302 with "Location: /redirect/<n-1>/<rest>";
                                       n == 0: serves /<rest> (the query string is kept).
  /redirect-port/<rest>                302 with "Location: http://127.0.0.1:<other port>/<rest>"
                                       (the other of the two listening ports).
  /redirect-to?location=<text>         302 with the Location header exactly <text>.

  /fault/<faults>/<rest>                 serves /<rest> with faults; <faults> is a comma-separated
                                       list of:
      reset=N      after N body bytes the connection is reset (SO_LINGER 0, then close)
      close=N      after N body bytes the connection is closed normally, short of the length
      times=K      the faults apply only to the first K requests of this exact path (the
                   counter is per path, query string excluded); later requests are served
                   normally. Default: every request.
      status=S     answer status S (e.g. 404, 500) with a short text body
      slow=B:MS    the body is sent B bytes at a time with MS milliseconds between pieces
      extra=N      N more body bytes than Content-Length announces (connection closed after)
      norange=1    a Range header is ignored: 200 with the whole body
      nolength=1   no Content-Length: the body ends when the connection closes

  /_gen/<size>[/<anything>]            generated body of <size> bytes, byte i = i % 251
  POST /fault/status=S/<rest>          answers status S (the body is not kept).
  POST <any path>                      the body is kept as an upload (multipart/form-data is
                                       split into its parts; any other body is one part with
                                       name "" ); the answer is 200 "OK <number of parts>".
  GET /<path>                          the file <root>/<path>; 404 when missing.

Every GET of a body honours "Range: bytes=A-" and "bytes=A-B": 206 with Content-Range, or 416
with "Content-Range: bytes */<size>" when A is at or beyond the end.
"""

import argparse
import json
import os
import signal
import socket
import ssl
import struct
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PATTERN_PERIOD = 251
_PATTERN = bytes(i % PATTERN_PERIOD for i in range(PATTERN_PERIOD * 1024))  # 257,024 bytes

state_lock = threading.Lock()
request_log = []
uploads = []
fault_counters = {}
ports = [0, 0]
root_folder = "."


def generated(offset, length):
    """Bytes offset .. offset+length of the generated body."""
    out = bytearray()
    while length > 0:
        start = offset % PATTERN_PERIOD
        piece = min(length, len(_PATTERN) - start)
        out += _PATTERN[start:start + piece]
        offset += piece
        length -= piece
    return bytes(out)


class Body:
    """A body to send: its size and a reader of ranges."""

    def __init__(self, size, read):
        self.size = size
        self.read = read  # (offset, length) -> bytes


def parse_faults(fault_list):
    faults = {}
    for item in fault_list.split(","):
        if not item:
            continue
        key, _, value = item.partition("=")
        faults[key] = value
    return faults


def parse_multipart(body, content_type):
    boundary = None
    for param in content_type.split(";")[1:]:
        key, _, value = param.strip().partition("=")
        if key.lower() == "boundary":
            boundary = value.strip('"')
    if not boundary:
        return [{"name": "", "filename": None, "content_type": content_type or None, "data": body}]
    delimiter = b"--" + boundary.encode("latin-1")
    parts = []
    pieces = body.split(delimiter)
    for piece in pieces[1:]:
        if piece.startswith(b"--"):
            break
        if piece.startswith(b"\r\n"):
            piece = piece[2:]
        if piece.endswith(b"\r\n"):
            piece = piece[:-2]
        head, _, data = piece.partition(b"\r\n\r\n")
        part = {"name": None, "filename": None, "content_type": None, "data": data}
        for line in head.decode("latin-1").split("\r\n"):
            name, _, value = line.partition(":")
            name = name.strip().lower()
            value = value.strip()
            if name == "content-disposition":
                for param in value.split(";")[1:]:
                    key, _, pvalue = param.strip().partition("=")
                    if pvalue.startswith('"') and pvalue.endswith('"'):
                        pvalue = pvalue[1:-1]
                    if key.lower() == "name":
                        part["name"] = pvalue
                    elif key.lower() == "filename":
                        part["filename"] = pvalue
            elif name == "content-type":
                part["content_type"] = value
        parts.append(part)
    return parts


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "VuTestServer/1"

    def log_message(self, format, *args):  # quiet: the request log is kept in memory
        pass

    def setup(self):
        super().setup()
        # Headers and body go out in separate writes: without this, Nagle's algorithm and the
        # client's delayed acknowledgement add 40 ms to many answers.
        try:
            self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        except OSError:
            pass
        if isinstance(self.connection, ssl.SSLSocket):
            try:
                self.connection.do_handshake()
            except (OSError, ssl.SSLError):
                self.close_connection = True
                raise

    def handle(self):
        try:
            super().handle()
        except (OSError, ssl.SSLError):
            pass

    def finish(self):
        try:
            super().finish()
        except OSError:
            pass

    # ---- dispatch

    def do_GET(self):
        self.dispatch(send_body=True)

    def do_HEAD(self):
        self.dispatch(send_body=False)

    def do_POST(self):
        length = self.headers.get("Content-Length")
        if length is not None:
            body = self.rfile.read(int(length))
        elif "chunked" in self.headers.get("Transfer-Encoding", "").lower():
            body = self.read_chunked()
        else:
            body = b""
        path = urllib.parse.urlsplit(self.path).path
        if not path.startswith("/_"):
            self.record()
        if path.startswith("/fault/"):
            faults = parse_faults(path[len("/fault/"):].partition("/")[0])
            if "status" in faults:
                return self.send_text(int(faults["status"]), "fault status %s\n" % faults["status"])
        content_type = self.headers.get("Content-Type", "")
        if content_type.lower().startswith("multipart/form-data"):
            parts = parse_multipart(body, content_type)
        else:
            parts = [{"name": "", "filename": None, "content_type": content_type or None, "data": body}]
        with state_lock:
            uploads.append({"path": self.path, "content_type": content_type, "parts": parts})
        self.send_text(200, "OK %d\n" % len(parts))

    def read_chunked(self):
        body = b""
        while True:
            size = int(self.rfile.readline().split(b";")[0].strip(), 16)
            if size == 0:
                while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                    pass
                return body
            body += self.rfile.read(size)
            self.rfile.readline()

    def record(self):
        entry = {"method": self.command, "path": self.path,
                 "headers": [[k, v] for k, v in self.headers.items()]}
        with state_lock:
            request_log.append(entry)

    def dispatch(self, send_body):
        split = urllib.parse.urlsplit(self.path)
        path = urllib.parse.unquote(split.path)
        query = urllib.parse.parse_qs(split.query)
        if path.startswith("/_log") or path.startswith("/_uploads") or path == "/_ports":
            return self.control(path, query)
        self.record()
        faults = {}
        while True:
            if path.startswith("/redirect/"):
                count, _, rest = path[len("/redirect/"):].partition("/")
                count = int(count)
                if count > 0:
                    location = "/redirect/%d/%s" % (count - 1, rest)
                    if split.query:
                        location += "?" + split.query
                    return self.redirect(location)
                path = "/" + rest
                continue
            if path.startswith("/redirect-port/"):
                other = ports[1] if self.server.server_address[1] == ports[0] else ports[0]
                location = "http://127.0.0.1:%d/%s" % (other, path[len("/redirect-port/"):])
                if split.query:
                    location += "?" + split.query
                return self.redirect(location)
            if path == "/redirect-to":
                return self.redirect(query.get("location", ["/"])[0])
            if path.startswith("/fault/"):
                fault_list, _, rest = path[len("/fault/"):].partition("/")
                parsed = parse_faults(fault_list)
                times = parsed.get("times")
                with state_lock:
                    count = fault_counters.get(path, 0) + 1
                    fault_counters[path] = count
                if times is None or count <= int(times):
                    faults.update(parsed)
                path = "/" + rest
                continue
            break
        if "status" in faults:
            return self.send_text(int(faults["status"]), "fault status %s\n" % faults["status"])
        body = self.find_body(path)
        if body is None:
            return self.send_text(404, "not found: %s\n" % path)
        self.send_body(body, faults, send_body)

    def find_body(self, path):
        if path.startswith("/_gen/"):
            size = int(path[len("/_gen/"):].split("/")[0])
            return Body(size, generated)
        relative = os.path.normpath(path.lstrip("/"))
        if relative.startswith("..") or os.path.isabs(relative):
            return None
        full = os.path.join(root_folder, relative)
        if not os.path.isfile(full):
            return None
        # Read piece by piece as it is sent, so a large file costs no memory or delay up front;
        # the file closes when the request's body goes.
        handle = open(full, "rb")

        def read(offset, length):
            handle.seek(offset)
            return handle.read(length)
        return Body(os.fstat(handle.fileno()).st_size, read)

    # ---- answers

    def send_text(self, status, text):
        data = text.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)

    def redirect(self, location):
        data = b"redirect\n"
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)

    def send_body(self, body, faults, send_body):
        start, end = 0, body.size  # end exclusive
        status = 200
        range_header = self.headers.get("Range")
        if range_header and "norange" not in faults and range_header.startswith("bytes="):
            first, _, last = range_header[len("bytes="):].partition("-")
            if first:
                start = int(first)
                if last:
                    end = min(body.size, int(last) + 1)
                if start >= body.size:
                    self.send_response(416)
                    self.send_header("Content-Range", "bytes */%d" % body.size)
                    self.send_header("Content-Length", "0")
                    self.end_headers()
                    return
                status = 206
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        if status == 206:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end - 1, body.size))
        if "nolength" in faults:
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(end - start))
        extra = int(faults.get("extra", 0))
        if extra:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        if not send_body:
            return
        reset_after = int(faults["reset"]) if "reset" in faults else None
        cut = self.reset
        if "close" in faults:
            reset_after, cut = int(faults["close"]), self.close_early
        piece, pause = 65536, 0.0
        if "slow" in faults:
            b, _, ms = faults["slow"].partition(":")
            piece, pause = max(1, int(b)), int(ms or 0) / 1000.0
        position, sent = start, 0
        total = end - start + extra
        try:
            while sent < total:
                length = min(piece, total - sent)
                if reset_after is not None:
                    length = min(length, reset_after - sent)
                    if length <= 0:
                        return cut()
                if position + length <= end:
                    data = body.read(position, length)
                else:
                    data = body.read(position, max(0, end - position)) + b"x" * (position + length - max(position, end))
                self.wfile.write(data)
                position += length
                sent += length
                if pause:
                    time.sleep(pause)
            if reset_after is not None and sent >= reset_after:
                return cut()
        except OSError:
            self.close_connection = True

    def close_early(self):
        self.close_connection = True
        try:
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_WR)
        except OSError:
            pass

    def reset(self):
        self.close_connection = True
        try:
            self.wfile.flush()
            time.sleep(0.05)  # let the bytes written so far leave before the reset
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.connection.close()
        except OSError:
            pass

    # ---- control URLs

    def control(self, path, query):
        fmt = query.get("format", ["json"])[0]
        sub = query.get("path", [None])[0]
        if path == "/_ports":
            return self.send_text(200, "%d %d\n" % (ports[0], ports[1]))
        if path == "/_log/clear":
            with state_lock:
                request_log.clear()
            return self.send_text(200, "cleared\n")
        if path == "/_uploads/clear":
            with state_lock:
                uploads.clear()
            return self.send_text(200, "cleared\n")
        if path == "/_log":
            with state_lock:
                entries = [e for e in request_log if sub is None or sub in e["path"]]
            if fmt == "text":
                lines = []
                for e in entries:
                    lines.append("REQUEST %s %s" % (e["method"], e["path"]))
                    lines += ["HEADER %s: %s" % (k, v) for k, v in e["headers"]]
                    lines.append("END")
                return self.send_text(200, "".join(line + "\n" for line in lines))
            return self.send_text(200, json.dumps(entries, indent=1) + "\n")
        if path == "/_uploads":
            with state_lock:
                entries = [u for u in uploads if sub is None or sub in u["path"]]
            if fmt == "text":
                def field(value):
                    return "-" if value is None else urllib.parse.quote(value, safe="")
                lines = []
                for u in entries:
                    lines.append("UPLOAD %s" % u["path"])
                    for p in u["parts"]:
                        lines.append("PART %s\t%s\t%s\t%s" % (field(p["name"]), field(p["filename"]),
                                                             field(p["content_type"]), p["data"].hex()))
                    lines.append("END")
                return self.send_text(200, "".join(line + "\n" for line in lines))
            out = [{"path": u["path"], "content_type": u["content_type"],
                    "parts": [{"name": p["name"], "filename": p["filename"],
                               "content_type": p["content_type"], "data_hex": p["data"].hex()}
                              for p in u["parts"]]} for u in entries]
            return self.send_text(200, json.dumps(out, indent=1) + "\n")
        return self.send_text(404, "unknown control path\n")


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64
    tls_context = None

    def get_request(self):
        connection, address = super().get_request()
        if self.tls_context is not None:
            connection = self.tls_context.wrap_socket(connection, server_side=True,
                                                      do_handshake_on_connect=False)
        return connection, address

    def handle_error(self, request, client_address):
        pass  # broken connections (resets, failed handshakes) are expected here


def main():
    global root_folder
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--root", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--pid-file")
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    args = parser.parse_args()
    root_folder = os.path.abspath(args.root)
    os.makedirs(root_folder, exist_ok=True)

    servers = [Server(("127.0.0.1", 0), Handler), Server(("127.0.0.1", 0), Handler)]
    for index, server in enumerate(servers):
        ports[index] = server.server_address[1]
    tls_port = 0
    if args.tls_cert and args.tls_key:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls_cert, args.tls_key)
        tls_server = Server(("127.0.0.1", 0), Handler)
        tls_server.tls_context = context
        tls_port = tls_server.server_address[1]
        servers.append(tls_server)
    threads = [threading.Thread(target=s.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True)
               for s in servers]
    for t in threads:
        t.start()

    if args.pid_file:
        with open(args.pid_file, "w") as f:
            f.write("%d\n" % os.getpid())
    temporary = args.port_file + ".tmp"
    with open(temporary, "w") as f:
        f.write("%d\n%d\n%d\n" % (ports[0], ports[1], tls_port))
    os.replace(temporary, args.port_file)

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *a: stop.set())
    signal.signal(signal.SIGINT, lambda *a: stop.set())
    while not stop.wait(0.5):
        pass
    for server in servers:
        server.shutdown()
        server.server_close()
    try:
        os.remove(args.port_file)
    except OSError:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
