#!/usr/bin/env python3
"""Test-only TLS certificates for the loopback servers. NOT FOR RELEASE.

make_tls_pki.py DIR creates in DIR (once; again when the good certificate nears its end):
  ca.pem, ca.der        the loopback test root; tests add ca.der to the Wine prefix's Root store
  good.pem              leaf for 127.0.0.1 (subjectAltName DNS and IP) issued by the test root
  wrong_host.pem        leaf for wrong-host.invalid, issued by the test root
  expired.pem           leaf for 127.0.0.1 issued by the test root, valid only during 2020
  untrusted.pem         leaf for 127.0.0.1 followed by its issuer, a root nobody trusts (the
                        server sends the whole chain, so the client sees an untrusted root and
                        not a chain it cannot complete)
  leaf.key              the one private key of every leaf
  TEST_ONLY             marker
Several fixtures may call it at once: a lock on DIR.lock serialises them. Needs openssl on PATH.
"""
import datetime
import fcntl
import os
import shutil
import subprocess
import sys

VERSION = "1"
LEAVES = ("good", "wrong_host", "expired", "untrusted")

CONFIG = """\
[ca]
default_ca = loopback_ca
[loopback_ca]
database = {work}/index.txt
new_certs_dir = {work}
serial = {work}/serial
default_md = sha256
policy = any_name
unique_subject = no
copy_extensions = none
email_in_dn = no
[any_name]
commonName = supplied
[req]
distinguished_name = dn
prompt = no
[dn]
CN = unused
[root]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[loopback]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
subjectAltName = DNS:127.0.0.1, IP:127.0.0.1
[wrong_host]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
subjectAltName = DNS:wrong-host.invalid
"""


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def stamp(when):
    return when.strftime("%Y%m%d%H%M%SZ")


def current(directory):
    """True when every file exists and the good certificate has more than 30 days to go."""
    try:
        with open(os.path.join(directory, "TEST_ONLY")) as marker:
            if marker.read().strip() != VERSION:
                return False
    except OSError:
        return False
    if not all(os.path.exists(os.path.join(directory, name + ".pem")) for name in LEAVES + ("ca",)):
        return False
    check = subprocess.run(["openssl", "x509", "-checkend", str(30 * 86400), "-noout",
                            "-in", os.path.join(directory, "good.pem")],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return check.returncode == 0


def make(directory):
    work = directory + ".work"
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    config = os.path.join(work, "openssl.cnf")
    with open(config, "w") as out:
        out.write(CONFIG.format(work=work))
    open(os.path.join(work, "index.txt"), "w").close()
    with open(os.path.join(work, "serial"), "w") as out:
        out.write("1000\n")

    def path(name):
        return os.path.join(work, name)

    for root, name in (("ca", "Vorlex Loopback Test Root"), ("untrusted_ca", "Vorlex Loopback Untrusted Root")):
        run("openssl", "req", "-x509", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", path(root + ".key"),
            "-out", path(root + ".pem"), "-days", "3650", "-subj", "/CN=" + name, "-config", config,
            "-extensions", "root")
    run("openssl", "x509", "-in", path("ca.pem"), "-outform", "der", "-out", path("ca.der"))
    run("openssl", "req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", path("leaf.key"),
        "-out", path("leaf.csr"), "-subj", "/CN=127.0.0.1", "-config", config)
    run("openssl", "req", "-new", "-key", path("leaf.key"), "-out", path("wrong_host.csr"),
        "-subj", "/CN=wrong-host.invalid", "-config", config)

    now = datetime.datetime.now(datetime.timezone.utc)
    valid = (stamp(now - datetime.timedelta(days=1)), stamp(now + datetime.timedelta(days=3650)))
    year_2020 = ("20200101000000Z", "20201231000000Z")
    for leaf, issuer, csr, extensions, (start, end) in (
            ("good", "ca", "leaf.csr", "loopback", valid),
            ("wrong_host", "ca", "wrong_host.csr", "wrong_host", valid),
            ("expired", "ca", "leaf.csr", "loopback", year_2020),
            ("untrusted", "untrusted_ca", "leaf.csr", "loopback", valid)):
        run("openssl", "ca", "-batch", "-notext", "-config", config, "-cert", path(issuer + ".pem"),
            "-keyfile", path(issuer + ".key"), "-in", path(csr), "-out", path(leaf + ".leaf"),
            "-extensions", extensions, "-startdate", start, "-enddate", end)
        with open(path(leaf + ".pem"), "wb") as out:
            with open(path(leaf + ".leaf"), "rb") as source:
                out.write(source.read())
            if leaf == "untrusted":
                with open(path("untrusted_ca.pem"), "rb") as source:
                    out.write(source.read())

    os.makedirs(directory, exist_ok=True)
    for name in ("ca.pem", "ca.der", "leaf.key") + tuple(leaf + ".pem" for leaf in LEAVES):
        os.replace(path(name), os.path.join(directory, name))
    with open(os.path.join(directory, "TEST_ONLY"), "w") as out:
        out.write(VERSION + "\n")
    shutil.rmtree(work, ignore_errors=True)


def main():
    if len(sys.argv) != 2:
        print("usage: make_tls_pki.py DIR", file=sys.stderr)
        return 2
    directory = os.path.abspath(sys.argv[1])
    os.makedirs(os.path.dirname(directory), exist_ok=True)
    with open(directory + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not current(directory):
            make(directory)
    return 0


if __name__ == "__main__":
    sys.exit(main())
