#!/usr/bin/env python3
"""Checks of the loopback server itself (host side, its own instance): ranges, capture of POST
bodies, rules with counts, faults, the proxy's refusal of other hosts, and HTTPS with each test
certificate (what an ordinary TLS client makes of it, independent of Wine)."""

import http.client
import json
import os
import ssl
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import loopback_server  # noqa: E402


def start(directory, *extra):
    os.makedirs(directory, exist_ok=True)
    proc = subprocess.Popen([sys.executable, os.path.join(HERE, "loopback_server.py"),
                             "--root", os.path.join(directory, "www"),
                             "--port-file", os.path.join(directory, "port"),
                             "--capture", os.path.join(directory, "requests.jsonl"), *extra])
    for _ in range(100):
        if os.path.exists(os.path.join(directory, "port")):
            return proc, int(open(os.path.join(directory, "port")).read())
        time.sleep(0.05)
    proc.kill()
    raise RuntimeError("server did not start")


class LoopbackServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp()
        cls.proc, cls.port = start(os.path.join(cls.dir, "s"))
        cls.proxy, cls.proxy_port = start(os.path.join(cls.dir, "p"), "--proxy")

    @classmethod
    def tearDownClass(cls):
        cls.proc.terminate()
        cls.proxy.terminate()
        cls.proc.wait()
        cls.proxy.wait()

    def request(self, method, path, body=None, headers=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        conn.request(method, path, body=body, headers=headers or {})
        resp = conn.getresponse()
        data = resp.read()
        conn.close()
        return resp, data

    def captured(self):
        with open(os.path.join(self.dir, "s", "requests.jsonl")) as f:
            return [json.loads(line) for line in f if line.strip()]

    def test_ranges(self):
        expected = loopback_server.generated_bytes(1000)
        resp, data = self.request("GET", "/r/gen/1000", headers={"Range": "bytes=990-"})
        self.assertEqual((resp.status, data), (206, expected[990:]))
        self.assertEqual(resp.getheader("Content-Range"), "bytes 990-999/1000")
        resp, data = self.request("GET", "/r/gen/1000", headers={"Range": "bytes=-5"})
        self.assertEqual(data, expected[995:])
        resp, _ = self.request("GET", "/r/gen/1000", headers={"Range": "bytes=1000-"})
        self.assertEqual(resp.status, 416)
        resp, data = self.request("GET", "/r/gen/1000?lb_ignore_range=1", headers={"Range": "bytes=10-"})
        self.assertEqual((resp.status, data), (200, expected))

    def test_post_body_and_headers_are_captured(self):
        body = bytes(range(256)) * 3
        resp, _ = self.request("POST", "/c/get/browser/install?x=1", body=body,
                               headers={"Content-Type": "multipart/form-data; boundary=b"})
        self.assertEqual(resp.status, 404)
        record = [r for r in self.captured() if r["path"] == "/c/get/browser/install"][-1]
        self.assertEqual(record["query"], "x=1")
        self.assertEqual(record["body_size"], len(body))
        self.assertIn(["Content-Type", "multipart/form-data; boundary=b"], record["headers"])

    def test_rules_with_count_and_headers(self):
        rule = {"path": "/rule/", "status": 200, "headers": [["X-Seed-Signature", "sig"]], "count": 2}
        urllib.request.urlopen(urllib.request.Request(
            "http://127.0.0.1:%d/__control/rules/add" % self.port, data=json.dumps(rule).encode()))
        for _ in range(2):
            resp, data = self.request("GET", "/rule/report")
            self.assertEqual((resp.status, data, resp.getheader("X-Seed-Signature")), (200, b"ok", "sig"))
        resp, _ = self.request("GET", "/rule/report")
        self.assertEqual(resp.status, 404)

    def test_truncation_is_visible_to_clients(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        conn.request("GET", "/f/gen/100000?lb_close_after=1000")
        resp = conn.getresponse()
        with self.assertRaises(http.client.IncompleteRead):
            resp.read()
        conn.close()
        resp, data = self.request("GET", "/f/gen/5000?lb_no_content_length=1")
        self.assertIsNone(resp.getheader("Content-Length"))
        self.assertEqual(data, loopback_server.generated_bytes(5000))
        resp, _ = self.request("GET", "/f/x?lb_redirect=/f/gen/1")
        self.assertEqual((resp.status, resp.getheader("Location")), (302, "/f/gen/1"))

    def test_proxy_forwards_loopback_only(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.proxy_port, timeout=10)
        conn.request("GET", "http://127.0.0.1:%d/p/gen/10" % self.port)
        resp = conn.getresponse()
        self.assertEqual((resp.status, resp.read()), (200, loopback_server.generated_bytes(10)))
        conn.request("GET", "http://example.com/")
        resp = conn.getresponse()
        resp.read()
        self.assertEqual(resp.status, 403)


class TlsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp()
        cls.pki = os.path.join(cls.dir, "tls")
        subprocess.run([sys.executable, os.path.join(HERE, "make_tls_pki.py"), cls.pki], check=True)
        server_dir = os.path.join(cls.dir, "s")
        cls.proc, _ = start(server_dir, "--tls-dir", cls.pki, "--tls-ports-file", os.path.join(server_dir, "tls_ports"))
        with open(os.path.join(server_dir, "tls_ports")) as f:
            cls.ports = dict((name, int(port)) for name, port in (line.split() for line in f if line.strip()))
        cls.capture = os.path.join(server_dir, "requests.jsonl")

    @classmethod
    def tearDownClass(cls):
        cls.proc.terminate()
        cls.proc.wait()

    def get(self, name, path):
        context = ssl.create_default_context(cafile=os.path.join(self.pki, "ca.pem"))
        conn = http.client.HTTPSConnection("127.0.0.1", self.ports[name], timeout=10, context=context)
        try:
            conn.request("GET", path)
            resp = conn.getresponse()
            return resp.status, resp.read()
        finally:
            conn.close()

    def test_each_port_shows_its_certificate(self):
        self.assertEqual(sorted(self.ports), ["expired", "good", "untrusted", "wrong_host"])
        self.assertEqual(self.get("good", "/tls/gen/10?lb_header=X-A:1"),
                         (200, loopback_server.generated_bytes(10)))
        for name, reason in (("wrong_host", "mismatch"), ("expired", "expired"),
                             ("untrusted", "self-signed certificate in certificate chain")):
            with self.assertRaises(ssl.SSLCertVerificationError) as refused:
                self.get(name, "/tls/refused")
            self.assertIn(reason, str(refused.exception), name)
        with open(self.capture) as f:
            records = [json.loads(line) for line in f if line.strip()]
        self.assertEqual([(r["path"], r.get("tls")) for r in records], [("/tls/gen/10", "good")])


if __name__ == "__main__":
    unittest.main()
