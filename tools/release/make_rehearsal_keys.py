#!/usr/bin/env python3
"""A rehearsal key set: what a distribution brings to a release, made up for a dry run. NOT FOR
RELEASE (each key file and the certificate say so in their first line, which scripts/release
refuses outside a rehearsal), and not the test PKI of loopback builds (the rehearsal must show that a release takes
whatever keys it is given, so it uses keys no other build knows).

usage: make_rehearsal_keys.py OUT_DIR

Creates, once (existing files are kept):
  keys/                      the --keys folder of scripts/release:
    trusted_list_key_2.pem, trusted_list_key_7.pem
                             public halves of two trusted-list keys (slots 2 and 7)
    brand_signing_key.pem    1024-bit RSA private key for the brand and partner packages
    msi_override_key.pem     public half of the 2048-bit MSI partner override key
  private/                   the private halves the build never sees
  codesign.pfx               code-signing certificate with its key and CA (PKCS #12, no password)
  ca.pem                     the CA that issued it (the trust anchor for checking signatures)
  list/TRUSTED.JSON, list/SIGNATURE.DAT
                             a trusted-certificate list naming the code-signing certificate,
                             signed with the key of slot 7: what a setup signed with
                             codesign.pfx carries
Needs openssl on PATH.
"""
import base64
import json
import os
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "stand_in_setup"))
from make_test_pki import certificate_serial, cert_der, make_key, run, write  # noqa: E402

SLOTS = (2, 7)
# scripts/release refuses a key that carries this line unless it rehearses.
MARK = b"Vorlex rehearsal key: NOT FOR RELEASE"
LIST_SLOT = 7


def main(out):
    p = lambda *name: os.path.join(out, *name)
    for folder in ("keys", "private", "list"):
        os.makedirs(p(folder), exist_ok=True)

    for slot in SLOTS:
        make_key(p("private", f"trusted_list_key_{slot}.pem"), 1024)
        run("openssl", "rsa", "-in", p("private", f"trusted_list_key_{slot}.pem"), "-pubout",
            "-out", p("keys", f"trusted_list_key_{slot}.pem"))
    make_key(p("keys", "brand_signing_key.pem"), 1024)
    make_key(p("private", "msi_override_key.pem"), 2048)
    run("openssl", "rsa", "-in", p("private", "msi_override_key.pem"), "-pubout",
        "-out", p("keys", "msi_override_key.pem"))

    # A CA and a code-signing certificate signed with SHA-256.
    make_key(p("private", "ca.key"), 2048)
    if not os.path.exists(p("ca.pem")):
        run("openssl", "req", "-new", "-x509", "-key", p("private", "ca.key"), "-sha256", "-days", "7300",
            "-subj", "/CN=Rehearsal Distribution CA (not for release)", "-set_serial", "0x5EA1",
            "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign",
            "-out", p("ca.pem"))
    make_key(p("private", "codesign.key"), 2048)
    if not os.path.exists(p("codesign.pem")):
        ext = p("private", "codesign.ext")
        write(ext, "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")
        run("openssl", "req", "-new", "-key", p("private", "codesign.key"),
            "-subj", "/CN=Rehearsal Distribution Code Signing (not for release)", "-out", p("private", "codesign.csr"))
        run("openssl", "x509", "-req", "-in", p("private", "codesign.csr"), "-CA", p("ca.pem"),
            "-CAkey", p("private", "ca.key"), "-set_serial", "0x00C0DE5167", "-days", "7300", "-sha256",
            "-extfile", ext, "-out", p("codesign.pem"))
    if not os.path.exists(p("codesign.pfx")):
        run("openssl", "pkcs12", "-export", "-inkey", p("private", "codesign.key"), "-in", p("codesign.pem"),
            "-certfile", p("ca.pem"), "-passout", "pass:", "-out", p("codesign.pfx"))

    certificate_id = base64.b64encode(certificate_serial(cert_der(p("ca.pem"))) +
                                      certificate_serial(cert_der(p("codesign.pem")))).decode()
    listed = json.dumps({"trusted_info": {"certificates": [{"id": certificate_id}]}}, indent=2).encode()
    signature = subprocess.run(["openssl", "dgst", "-sha1", "-sign", p("private", f"trusted_list_key_{LIST_SLOT}.pem")],
                               input=listed, check=True, stdout=subprocess.PIPE).stdout
    write(p("list", "TRUSTED.JSON"), listed)
    write(p("list", "SIGNATURE.DAT"), struct.pack("<H", LIST_SLOT) + signature)

    # Every key file and the certificate say what they are in their first line (PEM readers skip
    # text before the armour), so a release refuses them wherever they are copied.
    for path in [p("keys", name) for name in os.listdir(p("keys"))] + [p("codesign.pem")]:
        with open(path, "rb") as f:
            data = f.read()
        if MARK not in data:
            write(path, MARK + b"\n" + data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
