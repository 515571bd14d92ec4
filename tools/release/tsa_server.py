#!/usr/bin/env python3
"""A loopback RFC 3161 time-stamp authority for release rehearsals: NOT FOR RELEASE.

usage: tsa_server.py DIR

Makes, once, a time-stamp root and a time-stamping certificate in DIR (ca.pem is the anchor a
verifier is given), then answers time-stamp queries (POST, application/timestamp-query) on
127.0.0.1 with replies made by `openssl ts -reply`. The port it took is written to DIR/port once
it accepts connections; it runs until it is killed.
"""
import http.server
import os
import subprocess
import sys

CONFIG = """[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = {dir}/serial
signer_digest = sha256
default_policy = 1.3.6.1.4.1.99999.1
digests = sha256, sha1
accuracy = secs:1
ordering = no
tsa_name = no
ess_cert_id_chain = no
ess_cert_id_alg = sha256
"""


def make_authority(d):
    p = lambda name: os.path.join(d, name)
    if os.path.exists(p("tsa.pem")):
        return
    run = lambda *args: subprocess.run(args, check=True, capture_output=True)
    run("openssl", "req", "-new", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", p("ca.key"), "-out", p("ca.pem"),
        "-days", "7300", "-sha256", "-subj", "/CN=Rehearsal Time-Stamp Root (not for release)",
        "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    run("openssl", "req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", p("tsa.key"), "-out", p("tsa.csr"),
        "-subj", "/CN=Rehearsal Time-Stamp Authority (not for release)")
    with open(p("tsa.ext"), "w") as f:
        f.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=critical,timeStamping\n")
    run("openssl", "x509", "-req", "-in", p("tsa.csr"), "-CA", p("ca.pem"), "-CAkey", p("ca.key"), "-set_serial", "7",
        "-days", "7300", "-sha256", "-extfile", p("tsa.ext"), "-out", p("tsa.pem"))
    with open(p("serial"), "w") as f:
        f.write("01\n")
    with open(p("tsa.cnf"), "w") as f:
        f.write(CONFIG.format(dir=d))


def main(d):
    d = os.path.abspath(d)
    os.makedirs(d, exist_ok=True)
    make_authority(d)

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_POST(self):
            query = self.rfile.read(int(self.headers.get("Content-Length", "0")))
            reply = subprocess.run(["openssl", "ts", "-reply", "-config", os.path.join(d, "tsa.cnf"),
                                    "-queryfile", "/dev/stdin", "-inkey", os.path.join(d, "tsa.key"),
                                    "-signer", os.path.join(d, "tsa.pem"), "-chain", os.path.join(d, "ca.pem")],
                                   input=query, capture_output=True)
            if reply.returncode != 0 or not reply.stdout:
                self.send_error(500, "openssl ts -reply failed")
                return
            self.send_response(200)
            self.send_header("Content-Type", "application/timestamp-reply")
            self.send_header("Content-Length", str(len(reply.stdout)))
            self.end_headers()
            self.wfile.write(reply.stdout)

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    with open(os.path.join(d, "port.tmp"), "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(os.path.join(d, "port.tmp"), os.path.join(d, "port"))
    server.serve_forever()


if __name__ == "__main__":
    main(sys.argv[1])
