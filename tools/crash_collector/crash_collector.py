#!/usr/bin/env python3
"""Loopback crash collector for tests and benchmarks.

Accepts the crash upload's POST to ".../submit" on 127.0.0.1 (a free port, written to
<dir>/port), un-chunks and gunzips the body, splits the multipart parts and saves everything
below <dir>/requests/<tag>/<n>/:
  request.json    method, path, query, headers, chunk sizes, fields, file parts, parse errors,
                  and "dump": what the minidump file part holds (stream types, and the report
                  stream 0x43500001 with its ids and annotations, read through its RVAs)
                  (texts are Latin-1 decoded, so every byte survives as one code point)
  raw_body.bin    the body exactly as it came over the wire (with chunk framing)
  body.bin        the body after un-chunking and gunzipping
  file_<name>.bin the bytes of each file part
The path segments before "submit" pick the tag ("/case1/submit" -> "case1"); a segment
"code-NNN" makes the collector answer with status NNN instead of 200. With --tls-dir it also
answers HTTPS with the loopback test certificate for 127.0.0.1 of that directory
(tools/loopback_server/make_tls_pki.py, run first) on a second port, written to <dir>/tls_port.

  crash_collector.py start --dir DIR [--tls-dir PKI]  starts a detached server and waits for its port file
  crash_collector.py stop --dir DIR    stops it
  crash_collector.py serve --dir DIR   runs in the foreground
"""

import argparse
import gzip
import http.server
import json
import os
import re
import signal
import ssl
import struct
import subprocess
import sys
import threading
import time
import urllib.parse
import uuid

REPORT_INFO_STREAM = 0x43500001


class RequestError(Exception):
    pass


def read_chunked(stream):
    """Returns (raw bytes, payload, chunk sizes) of a chunked body."""
    raw = bytearray()
    payload = bytearray()
    sizes = []
    while True:
        line = stream.readline(1024)
        raw += line
        if not line.endswith(b"\r\n"):
            raise RequestError("bad chunk size line: %r" % bytes(line))
        size_text = line[:-2].split(b";")[0].strip()
        if not re.fullmatch(rb"[0-9a-fA-F]+", size_text):
            raise RequestError("bad chunk size: %r" % bytes(size_text))
        size = int(size_text, 16)
        sizes.append(size)
        if size == 0:
            while True:  # trailer section up to the empty line
                trailer = stream.readline(1024)
                raw += trailer
                if trailer == b"\r\n":
                    return bytes(raw), bytes(payload), sizes
                if not trailer:
                    raise RequestError("body ends inside the trailer")
        data = stream.read(size)
        raw += data
        payload += data
        end = stream.read(2)
        raw += end
        if len(data) != size or end != b"\r\n":
            raise RequestError("chunk of %d bytes not followed by CRLF" % size)


def parse_multipart(body, content_type):
    match = re.search(r'boundary=("?)([^";]+)\1', content_type or "")
    if not match:
        raise RequestError("no boundary in Content-Type")
    delimiter = b"--" + match.group(2).encode("latin-1")
    if not body.startswith(delimiter + b"\r\n"):
        raise RequestError("body does not start with the boundary")
    closing = b"\r\n" + delimiter + b"--\r\n"
    if not body.endswith(closing):
        raise RequestError("body does not end with the closing boundary")
    inner = body[len(delimiter) + 2:len(body) - len(closing)]
    fields = []
    files = []
    for part in inner.split(b"\r\n" + delimiter + b"\r\n"):
        head, separator, content = part.partition(b"\r\n\r\n")
        if not separator:
            raise RequestError("part without header end")
        headers = {}
        for line in head.split(b"\r\n"):
            name, _, value = line.decode("latin-1").partition(":")
            headers[name.strip().lower()] = value.strip()
        disposition = headers.get("content-disposition", "")
        name = re.search(r'; name="([^"]*)"', disposition)
        filename = re.search(r'; filename="([^"]*)"', disposition)
        if not disposition.startswith("form-data") or not name:
            raise RequestError("bad Content-Disposition: %s" % disposition)
        if filename:
            files.append({"name": name.group(1), "filename": filename.group(1),
                          "content_type": headers.get("content-type", ""), "content": content})
        else:
            fields.append([name.group(1), content.decode("latin-1")])
    return fields, files


def parse_minidump(data):
    """The minidump's stream types and the report stream's ids and annotations, or "error"."""
    def u32(offset):
        if offset < 0 or offset + 4 > len(data):
            raise RequestError("read of 4 bytes at %d beyond the dump's %d" % (offset, len(data)))
        return struct.unpack_from("<I", data, offset)[0]

    def string_at(rva):
        length = u32(rva)
        end = rva + 4 + length
        if end + 1 > len(data) or data[end:end + 1] != b"\0":
            raise RequestError("string at %d is cut or not terminated" % rva)
        return data[rva + 4:end].decode("latin-1")

    result = {"streams": []}
    try:
        if u32(0) != 0x504D444D:
            raise RequestError("no MDMP signature")
        count, directory = u32(8), u32(12)
        report = None
        for i in range(count):
            kind, size, rva = u32(directory + 12 * i), u32(directory + 12 * i + 4), u32(directory + 12 * i + 8)
            result["streams"].append(kind)
            if kind == REPORT_INFO_STREAM:
                report = (size, rva)
        if report:
            size, rva = report
            if rva + 56 > len(data) or size < 56:
                raise RequestError("report stream cut")
            info = {"version": u32(rva),
                    "report_id": str(uuid.UUID(bytes_le=data[rva + 4:rva + 20])).upper(),
                    "uid": str(uuid.UUID(bytes_le=data[rva + 20:rva + 36])).upper(),
                    "annotations": {}}
            table = u32(rva + 40)
            entries = u32(table)
            for i in range(entries):
                key = string_at(u32(table + 4 + 8 * i))
                info["annotations"][key] = string_at(u32(table + 8 + 8 * i))
            result["report_info"] = info
    except RequestError as error:
        result["error"] = str(error)
    return result


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_POST(self):
        url = urllib.parse.urlsplit(self.path)
        segments = [s for s in url.path.split("/") if s]
        if not segments or segments[-1] != "submit":
            return self.answer(404, b"not found")
        status = 200
        for segment in segments[:-1]:
            if re.fullmatch(r"code-\d{3}", segment):
                status = int(segment[5:])
        tag = "_".join(segments[:-1]) or "default"

        record = {"method": self.command, "path": url.path, "query": url.query,
                  "headers": [[k, v] for k, v in self.headers.items()], "errors": [], "chunk_sizes": []}
        raw = payload = b""
        try:
            # Transfer-Encoding wins over a Content-Length sent alongside it.
            if "chunked" in self.headers.get("Transfer-Encoding", "").lower():
                raw, payload, record["chunk_sizes"] = read_chunked(self.rfile)
            else:
                raw = payload = self.rfile.read(int(self.headers.get("Content-Length", "0")))
            body = payload
            if self.headers.get("Content-Encoding", "").lower() == "gzip":
                body = gzip.decompress(payload)
            fields, files = parse_multipart(body, self.headers.get("Content-Type"))
        except (RequestError, OSError, EOFError, ValueError) as error:
            record["errors"].append(str(error))
            body, fields, files = payload, [], []

        directory = self.server.next_request_dir(tag)
        with open(os.path.join(directory, "raw_body.bin"), "wb") as out:
            out.write(raw)
        with open(os.path.join(directory, "body.bin"), "wb") as out:
            out.write(body)
        record["fields"] = fields
        record["files"] = []
        for part in files:
            safe = re.sub(r"[^A-Za-z0-9_.-]", "_", part["name"])
            with open(os.path.join(directory, "file_%s.bin" % safe), "wb") as out:
                out.write(part["content"])
            record["files"].append({"name": part["name"], "filename": part["filename"],
                                    "content_type": part["content_type"], "size": len(part["content"])})
            if part["name"] == "upload_file_minidump" and part["content"].startswith(b"MDMP"):
                record["dump"] = parse_minidump(part["content"])
        record["status"] = status
        # request.json appears last and atomically: its presence means the request is complete.
        with open(os.path.join(directory, "request.tmp"), "w", encoding="utf-8") as out:
            json.dump(record, out, indent=1)
        os.replace(os.path.join(directory, "request.tmp"), os.path.join(directory, "request.json"))
        self.answer(status, b"report-%d" % self.server.total)

    def answer(self, status, text):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(text)))
        self.end_headers()
        self.wfile.write(text)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, directory):
        super().__init__(("127.0.0.1", 0), Handler)
        self.directory = directory
        self.lock = threading.Lock()
        self.total = 0

    def next_request_dir(self, tag):
        with self.lock:
            self.total += 1
            parent = os.path.join(self.directory, "requests", re.sub(r"[^A-Za-z0-9_.-]", "_", tag))
            os.makedirs(parent, exist_ok=True)
            index = 1
            while os.path.exists(os.path.join(parent, str(index))):
                index += 1
            path = os.path.join(parent, str(index))
            os.makedirs(path)
            return path


class TlsServer(Server):
    """The collector behind TLS; the handshake runs on the request's own thread."""

    def __init__(self, directory, tls_dir):
        super().__init__(directory)
        self.context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        self.context.load_cert_chain(os.path.join(tls_dir, "good.pem"), os.path.join(tls_dir, "leaf.key"))

    def finish_request(self, request, client_address):
        request.settimeout(60)
        try:
            tls = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError):
            return
        tls.settimeout(None)
        try:
            self.RequestHandlerClass(tls, client_address, self)
        finally:
            try:
                tls.close()
            except OSError:
                pass


def serve(directory, tls_dir=None):
    os.makedirs(directory, exist_ok=True)
    server = Server(directory)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    if tls_dir:
        tls_server = TlsServer(directory, tls_dir)
        tls_server.lock = server.lock  # one numbering of request folders for both ports
        with open(os.path.join(directory, "tls_port.tmp"), "w") as out:
            out.write(str(tls_server.server_address[1]))
        os.replace(os.path.join(directory, "tls_port.tmp"), os.path.join(directory, "tls_port"))
        threading.Thread(target=tls_server.serve_forever, daemon=True).start()
    with open(os.path.join(directory, "pid"), "w") as out:
        out.write(str(os.getpid()))
    with open(os.path.join(directory, "port.tmp"), "w") as out:
        out.write(str(server.server_address[1]))
    os.replace(os.path.join(directory, "port.tmp"), os.path.join(directory, "port"))
    server.serve_forever()


def start(directory, tls_dir=None):
    stop(directory)
    os.makedirs(directory, exist_ok=True)
    command = [sys.executable, os.path.abspath(__file__), "serve", "--dir", directory]
    if tls_dir:
        maker = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                             "loopback_server", "make_tls_pki.py")
        if subprocess.run([sys.executable, maker, tls_dir]).returncode != 0:
            return 1
        command += ["--tls-dir", tls_dir]
    for name in ("port", "pid", "tls_port"):
        if os.path.exists(os.path.join(directory, name)):
            os.remove(os.path.join(directory, name))
    # Detached, with no inherited pipes: CTest must not wait for the server's output.
    with open(os.devnull, "r+b") as null:
        subprocess.Popen(command, stdin=null, stdout=null, stderr=null, start_new_session=True, close_fds=True)
    deadline = time.time() + 20
    while time.time() < deadline:
        if os.path.exists(os.path.join(directory, "port")):
            return 0
        time.sleep(0.05)
    print("crash collector did not start", file=sys.stderr)
    return 1


def stop(directory):
    pid_file = os.path.join(directory, "pid")
    if not os.path.exists(pid_file):
        return 0
    with open(pid_file) as source:
        pid = int(source.read().strip() or "0")
    if pid > 0:
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
    os.remove(pid_file)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("command", choices=["start", "stop", "serve"])
    parser.add_argument("--dir", required=True)
    parser.add_argument("--tls-dir")
    args = parser.parse_args()
    directory = os.path.abspath(args.dir)
    tls_dir = os.path.abspath(args.tls_dir) if args.tls_dir else None
    if args.command == "serve":
        serve(directory, tls_dir)
        return 0
    return start(directory, tls_dir) if args.command == "start" else stop(directory)


if __name__ == "__main__":
    sys.exit(main())
