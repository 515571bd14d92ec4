#!/usr/bin/env python3
"""Loopback HTTP server for the installer's tests and demo.

Binds 127.0.0.1 only, on a free port, and writes the port to --port-file. Serves files from
--root with Range support, synthesises deterministic files under "/gen/<size>", captures every
request (method, path, query, headers, body) as one JSON line in --capture, and injects faults
chosen by rules (a --rules file, the control endpoint) or by "lb_*" query parameters.

With --tls-dir it also answers HTTPS, on one more port per certificate of that directory
(make_tls_pki.py: good, wrong_host, expired, untrusted), with the same files, rules and capture;
the ports go to --tls-ports-file as "<name> <port>" lines and captured requests name the
certificate in "tls".

With --proxy it is instead a forwarding HTTP proxy (absolute-form requests) that only forwards to
127.0.0.1 and captures what it forwarded.

See docs/loopback-server.md.
"""

import argparse
import base64
import http.client
import json
import os
import re
import signal
import socket
import ssl
import struct
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HOST = "127.0.0.1"
CONTROL = "/__control"
FAULT_KEYS = ("status", "drop_after", "close_after", "delay_ms", "delay_body_ms", "stall_ms", "redirect",
              "no_content_length", "headers", "body", "ignore_range", "count")


def generated_bytes(size, offset=0, length=None):
    """Deterministic content of "/gen/<size>": byte i is (i * 7 + i // 251) mod 256."""
    if length is None:
        length = size - offset
    # Build in one go from a repeating pattern: the sequence repeats every 251 * 256 bytes.
    period = 251 * 256
    pattern = getattr(generated_bytes, "_pattern", None)
    if pattern is None:
        pattern = bytes(((i * 7 + i // 251) & 0xFF) for i in range(period))
        generated_bytes._pattern = pattern
    out = bytearray()
    pos = offset
    end = offset + length
    while pos < end:
        start = pos % period
        take = min(period - start, end - pos)
        out += pattern[start:start + take]
        pos += take
    return bytes(out)


class State:
    def __init__(self, root, capture_path, rules):
        self.root = os.path.abspath(root)
        self.capture_path = capture_path
        self.lock = threading.Lock()
        self.rules = list(rules)
        self.seq = 0

    def capture(self, record):
        with self.lock:
            self.seq += 1
            record["seq"] = self.seq
            with open(self.capture_path, "a", encoding="utf-8") as f:
                f.write(json.dumps(record) + "\n")

    def take_rule(self, path):
        """First rule whose "path" prefix or "path_regex" matches; counts down its "count"."""
        with self.lock:
            for rule in self.rules:
                prefix = rule.get("path")
                regex = rule.get("path_regex")
                if prefix is not None and not path.startswith(prefix):
                    continue
                if regex is not None and not re.search(regex, path):
                    continue
                if "count" in rule:
                    if rule["count"] <= 0:
                        continue
                    rule["count"] -= 1
                return dict(rule)
        return {}


def faults_from_query(query):
    """lb_status=404, lb_drop_after=1000 (then reset), lb_close_after=1000 (then close), lb_delay_ms=.., lb_stall_ms=.., lb_redirect=/x,
    lb_no_content_length=1, lb_header=Name:Value (repeatable), lb_body=text, lb_ignore_range=1."""
    faults = {}
    headers = []
    for key, value in urllib.parse.parse_qsl(query, keep_blank_values=True):
        if not key.startswith("lb_"):
            continue
        name = key[3:]
        if name == "header":
            n, _, v = value.partition(":")
            headers.append([n.strip(), v.strip()])
        elif name in ("status", "drop_after", "close_after", "delay_ms", "delay_body_ms", "stall_ms"):
            faults[name] = int(value)
        elif name in ("no_content_length", "ignore_range"):
            faults[name] = value not in ("", "0", "false")
        else:
            faults[name] = value
    if headers:
        faults["headers"] = headers
    return faults


def parse_range(value, size):
    m = re.fullmatch(r"\s*bytes=(\d*)-(\d*)\s*", value or "")
    if not m or (m.group(1) == "" and m.group(2) == ""):
        return None
    if m.group(1) == "":
        length = int(m.group(2))
        start = max(0, size - length)
        end = size - 1
    else:
        start = int(m.group(1))
        end = int(m.group(2)) if m.group(2) else size - 1
    end = min(end, size - 1)
    if start > end or start >= size:
        return "unsatisfiable"
    return start, end


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "VorlexLoopback/1"
    state = None  # set on the class by main()

    def log_message(self, fmt, *args):
        pass

    def read_body(self):
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            data = bytearray()
            while True:
                line = self.rfile.readline()
                size = int(line.split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                        pass
                    return bytes(data)
                data += self.rfile.read(size)
                self.rfile.readline()
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length else b""

    def do_GET(self):
        self.handle_any()

    def do_HEAD(self):
        self.handle_any()

    def do_POST(self):
        self.handle_any()

    def do_PUT(self):
        self.handle_any()

    def record(self, path, query, body, extra=None):
        rec = {
            "time": time.time(),
            "method": self.command,
            "target": self.path,
            "path": path,
            "query": query,
            "headers": [[k, v] for k, v in self.headers.items()],
            "body_b64": base64.b64encode(body).decode("ascii"),
            "body_size": len(body),
            "client_port": self.client_address[1],
        }
        if self.server.tls_name:
            rec["tls"] = self.server.tls_name
        if extra:
            rec.update(extra)
        self.state.capture(rec)

    def send_simple(self, status, body=b"", content_type="text/plain", headers=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def handle_control(self, path, query, body):
        state = self.state
        if path == CONTROL + "/rules" and self.command in ("POST", "PUT"):
            rules = json.loads(body or b"[]")
            with state.lock:
                state.rules = rules if isinstance(rules, list) else [rules]
            self.send_simple(200, b"ok")
        elif path == CONTROL + "/rules/add" and self.command in ("POST", "PUT"):
            rule = json.loads(body)
            with state.lock:
                state.rules.insert(0, rule)  # newest wins
            self.send_simple(200, b"ok")
        elif path == CONTROL + "/reset":
            with state.lock:
                state.rules = []
                open(state.capture_path, "w").close()
            self.send_simple(200, b"ok")
        elif path == CONTROL + "/requests":
            with state.lock:
                with open(state.capture_path, "rb") as f:
                    data = f.read()
            self.send_simple(200, data, "application/x-ndjson")
        elif path == CONTROL + "/ping":
            self.send_simple(200, b"pong")
        else:
            self.send_simple(404, b"unknown control")

    def content_for(self, path):
        """(bytes or None, size) of the resource at path; "/gen/<size>" is synthesised."""
        m = re.fullmatch(r"(?:.*/)?gen/(\d+)(?:\.[A-Za-z0-9]+)?", path)
        if m:
            return None, int(m.group(1))
        local = os.path.normpath(os.path.join(self.state.root, urllib.parse.unquote(path).lstrip("/")))
        if not (local == self.state.root or local.startswith(self.state.root + os.sep)):
            return False, 0
        if not os.path.isfile(local):
            return False, 0
        return local, os.path.getsize(local)

    def handle_any(self):
        split = urllib.parse.urlsplit(self.path)
        proxied = bool(split.scheme)
        path, query = split.path, split.query
        body = self.read_body()
        if path.startswith(CONTROL):
            self.handle_control(path, query, body)
            return
        self.record(path, query, body, {"proxied": proxied} if proxied else None)

        faults = self.state.take_rule(path)
        faults.update(faults_from_query(query))
        if faults.get("delay_ms"):
            time.sleep(faults["delay_ms"] / 1000.0)
        if faults.get("redirect"):
            self.send_simple(int(faults.get("status", 302)), b"", headers=[("Location", faults["redirect"])])
            return
        extra_headers = [tuple(h) for h in faults.get("headers", [])]

        if "body" in faults:
            data = faults["body"].encode("utf-8")
            source, size = None, len(data)
        else:
            source, size = self.content_for(path)
            data = None
            if source is False:
                # No file: 404, unless a rule or parameter names the status (a report endpoint).
                status = int(faults.get("status", 404))
                self.send_simple(status, b"not found" if status == 404 else b"ok", headers=extra_headers)
                return

        status = int(faults.get("status", 200))
        start, end = 0, size - 1
        range_value = self.headers.get("Range")
        if range_value and not faults.get("ignore_range") and status == 200:
            rng = parse_range(range_value, size)
            if rng == "unsatisfiable":
                self.send_simple(416, b"", headers=[("Content-Range", "bytes */%d" % size)])
                return
            if rng:
                start, end = rng
                status = 206
        length = max(0, end - start + 1)

        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Accept-Ranges", "bytes")
        if status == 206:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, size))
        no_length = faults.get("no_content_length")
        if no_length:
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(length))
        for name, value in extra_headers:
            self.send_header(name, value)
        self.end_headers()
        if self.command == "HEAD":
            return

        drop_after = faults.get("drop_after")
        reset = drop_after is not None
        if drop_after is None:
            drop_after = faults.get("close_after")
        stall_ms = faults.get("stall_ms")
        delay_body_ms = faults.get("delay_body_ms")
        sent = 0
        pos = start
        fh = open(source, "rb") if isinstance(source, str) else None
        try:
            if fh:
                fh.seek(start)
            if stall_ms:
                # Headers out, then silence: the client blocks in its first read.
                self.wfile.flush()
                time.sleep(stall_ms / 1000.0)
            while sent < length:
                block = min(256 * 1024, length - sent)
                if drop_after is not None:
                    block = min(block, max(0, drop_after - sent))
                    if block == 0:
                        break
                if data is not None:
                    chunk = data[pos:pos + block]
                elif fh:
                    chunk = fh.read(block)
                else:
                    chunk = generated_bytes(size, pos, block)
                self.wfile.write(chunk)
                sent += len(chunk)
                pos += len(chunk)
                if delay_body_ms:
                    self.wfile.flush()
                    time.sleep(delay_body_ms / 1000.0)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True
            return
        finally:
            if fh:
                fh.close()
        if drop_after is not None and sent < length:
            self.close_connection = True
        if reset and sent < length:
            # Reset rather than close politely, so the client sees the connection fail mid-body.
            # The pause lets the client take in what was sent: a reset discards unread data.
            self.wfile.flush()
            time.sleep(0.3)
            try:
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            except OSError:
                pass
            self.server.reset_on_close.add(self.connection)
            self.close_connection = True


class ProxyHandler(BaseHTTPRequestHandler):
    """Forwards absolute-form requests to 127.0.0.1 only; records each one it forwarded."""
    protocol_version = "HTTP/1.1"
    state = None

    def log_message(self, fmt, *args):
        pass

    def forward(self):
        split = urllib.parse.urlsplit(self.path)
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""
        self.state.capture({
            "time": time.time(), "method": self.command, "target": self.path,
            "host": split.hostname, "port": split.port, "path": split.path, "query": split.query,
            "headers": [[k, v] for k, v in self.headers.items()],
            "body_b64": base64.b64encode(body).decode("ascii"), "body_size": len(body),
        })
        if split.hostname != HOST or split.scheme != "http":
            self.send_error(403, "only http://127.0.0.1 is forwarded")
            return
        target = split.path + ("?" + split.query if split.query else "")
        headers = {k: v for k, v in self.headers.items()
                   if k.lower() not in ("proxy-connection", "connection", "keep-alive")}
        conn = http.client.HTTPConnection(HOST, split.port or 80, timeout=60)
        try:
            conn.request(self.command, target, body=body or None, headers=headers)
            resp = conn.getresponse()
            self.send_response(resp.status, resp.reason)
            for k, v in resp.getheaders():
                if k.lower() not in ("connection", "keep-alive", "transfer-encoding"):
                    self.send_header(k, v)
            has_length = resp.getheader("Content-Length") is not None
            if not has_length:
                self.send_header("Connection", "close")
                self.close_connection = True
            self.end_headers()
            if self.command != "HEAD":
                while True:
                    chunk = resp.read(64 * 1024)
                    if not chunk:
                        break
                    self.wfile.write(chunk)
        except (OSError, http.client.HTTPException):
            self.close_connection = True
        finally:
            conn.close()

    do_GET = do_POST = do_PUT = do_HEAD = forward


class Server(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 64
    tls_name = None

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.reset_on_close = set()

    def shutdown_request(self, request):
        # A dropped connection is closed without the polite FIN that shutdown() would send
        # first; with SO_LINGER 0 the close sends a reset.
        if request in self.reset_on_close:
            self.reset_on_close.discard(request)
            self.close_request(request)
            return
        super().shutdown_request(request)


class TlsServer(Server):
    """The same server behind TLS with one certificate. The handshake runs on the request's own
    thread, so a client that refuses the certificate (the point of most of them) or stalls
    holds up nobody else."""

    def __init__(self, address, handler, name, cert_file, key_file):
        super().__init__(address, handler)
        self.tls_name = name
        self.context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        self.context.load_cert_chain(cert_file, key_file)

    def finish_request(self, request, client_address):
        request.settimeout(60)
        try:
            tls = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError):
            return  # refused by the client, or gone
        tls.settimeout(None)
        try:
            self.RequestHandlerClass(tls, client_address, self)
        finally:
            self.reset_on_close.discard(tls)  # SO_LINGER 0 is set on it: close() resets
            try:
                tls.close()
            except OSError:
                pass


def start_tls_servers(handler, tls_dir, ports_file):
    servers = []
    for name in ("good", "wrong_host", "expired", "untrusted"):
        cert = os.path.join(tls_dir, name + ".pem")
        if os.path.exists(cert):
            servers.append(TlsServer((HOST, 0), handler, name, cert, os.path.join(tls_dir, "leaf.key")))
    tmp = ports_file + ".tmp"
    with open(tmp, "w") as f:
        for server in servers:
            f.write("%s %d\n" % (server.tls_name, server.server_address[1]))
    os.replace(tmp, ports_file)
    for server in servers:
        threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True).start()
    return servers


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default=".", help="directory served at /")
    parser.add_argument("--port-file", required=True, help="the chosen port is written here")
    parser.add_argument("--capture", required=True, help="captured requests, one JSON per line")
    parser.add_argument("--rules", help="JSON file with a list of fault rules")
    parser.add_argument("--pid-file", help="the server's process id is written here")
    parser.add_argument("--proxy", action="store_true", help="be a forwarding proxy instead")
    parser.add_argument("--port", type=int, default=0, help="0 = a free port")
    parser.add_argument("--tls-dir", help="also serve HTTPS with each certificate found here")
    parser.add_argument("--tls-ports-file", help="where the HTTPS ports are written")
    args = parser.parse_args()

    rules = []
    if args.rules:
        with open(args.rules, encoding="utf-8") as f:
            rules = json.load(f)
    os.makedirs(args.root, exist_ok=True)
    open(args.capture, "w").close()
    handler = ProxyHandler if args.proxy else Handler
    handler.state = State(args.root, args.capture, rules)
    server = Server((HOST, args.port), handler)
    port = server.server_address[1]
    tls_servers = []
    if args.tls_dir and not args.proxy:
        tls_servers = start_tls_servers(handler, args.tls_dir, args.tls_ports_file)
    if args.pid_file:
        with open(args.pid_file, "w") as f:
            f.write(str(os.getpid()))
    # Write the port last and atomically: its presence means "ready".
    tmp = args.port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write(str(port))
    os.replace(tmp, args.port_file)
    def stop(*_):
        for each in [server] + tls_servers:
            threading.Thread(target=each.shutdown).start()
    signal.signal(signal.SIGTERM, stop)
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        server.server_close()
        try:
            os.remove(args.port_file)
        except OSError:
            pass


if __name__ == "__main__":
    sys.exit(main())
