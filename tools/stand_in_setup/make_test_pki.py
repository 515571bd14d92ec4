#!/usr/bin/env python3
"""Test-only PKI for the stand-in setup and the trust tests. NOT FOR RELEASE.

Creates, once per build tree (existing files are kept, so keys stay stable across reconfigures):
  trust_key<N>.pem / .spki.der   ten 1024-bit RSA keys; their public halves become the installer's
                                 built-in trusted-list keys in test builds (the .spki.der files
                                 are the key inputs of such a build, see cmake/keys.cmake)
  ec_key.spki.der                an EC public key (valid DER, not importable as an RSA key)
  ca.*, signer_sha1.*, signer_sha256.*, signer_sha256_b.*
                                 a test CA and three code-signing certificates it issued
                                 (certificate signature sha1WithRSA / sha256WithRSA / sha256WithRSA)
  foreign_ca.*, foreign_signer.* a second CA and its signer: validly signed, never listed
  self_signed.*                  a self-signed code-signing certificate (chain of one)
  ids.json                       certificate id (Base64 of issuer serial + signer serial, as encoded)
                                 of every signer
  lists/<variant>/TRUSTED.JSON, SIGNATURE.DAT
                                 the resources each stand-in variant carries
  brand_signing_key.pem          1024-bit RSA key that signs this build's brand and partner packages
  msi_override_key.pem / .spki.der
                                 2048-bit RSA key of the MSI partner override (the fixtures sign
                                 with it, the installer of this build carries its public half)
  TEST_ONLY                      marker: a release configure refuses keys from a folder holding it
Needs openssl on PATH.
"""
import base64
import json
import os
import struct
import subprocess
import sys

KEY_COUNT = 10
LIST_KEY_INDEX = 3  # the key the regular list is signed with (any of 0..9 would do)


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def der_read(data, pos):
    """One DER TLV at pos: (tag, content start, content end)."""
    tag = data[pos]
    length = data[pos + 1]
    pos += 2
    if length & 0x80:
        count = length & 0x7F
        length = int.from_bytes(data[pos:pos + count], "big")
        pos += count
    return tag, pos, pos + length


def certificate_serial(der):
    """The serialNumber INTEGER's content bytes, big-endian as encoded (leading 00 kept)."""
    _, cert_start, _ = der_read(der, 0)          # Certificate SEQUENCE
    _, tbs_start, _ = der_read(der, cert_start)  # TBSCertificate SEQUENCE
    tag, start, end = der_read(der, tbs_start)
    if tag == 0xA0:                              # [0] version
        tag, start, end = der_read(der, end)
    assert tag == 0x02, "serial number is not an INTEGER"
    return der[start:end]


def cert_der(path):
    return subprocess.run(["openssl", "x509", "-in", path, "-outform", "DER"], check=True,
                          stdout=subprocess.PIPE).stdout


def make_key(path, bits):
    if not os.path.exists(path):
        run("openssl", "genrsa", "-out", path, str(bits))


def write(path, data):
    """Writes only changed content, so that a reconfigure does not rebuild what uses the file."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    data = data if isinstance(data, bytes) else data.encode()
    if os.path.exists(path):
        with open(path, "rb") as f:
            if f.read() == data:
                return
    with open(path, "wb") as f:
        f.write(data)


def main(out):
    os.makedirs(out, exist_ok=True)
    p = lambda name: os.path.join(out, name)

    # Built-in list keys: DER SubjectPublicKeyInfo, 162 bytes for 1024 bits.
    spki_texts = []
    for i in range(KEY_COUNT):
        make_key(p(f"trust_key{i}.pem"), 1024)
        run("openssl", "rsa", "-in", p(f"trust_key{i}.pem"), "-pubout", "-outform", "DER",
            "-out", p(f"trust_key{i}.spki.der"))
        with open(p(f"trust_key{i}.spki.der"), "rb") as f:
            spki_texts.append(base64.b64encode(f.read()).decode())

    write(p("TEST_ONLY"), "Test keys of a build with loopback endpoints. Never use them for a release.\n")
    make_key(p("brand_signing_key.pem"), 1024)
    make_key(p("msi_override_key.pem"), 2048)
    run("openssl", "rsa", "-in", p("msi_override_key.pem"), "-pubout", "-outform", "DER",
        "-out", p("msi_override_key.spki.der"))

    # A well-formed public key the RSA provider cannot import.
    if not os.path.exists(p("ec_key.pem")):
        run("openssl", "ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", p("ec_key.pem"))
    run("openssl", "ec", "-in", p("ec_key.pem"), "-pubout", "-outform", "DER", "-out", p("ec_key.spki.der"))

    ext = p("codesign.ext")
    write(ext, "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
               "extendedKeyUsage=codeSigning\n")

    def make_ca(name, subject, serial):
        make_key(p(name + ".key"), 2048)
        if not os.path.exists(p(name + ".crt")):
            run("openssl", "req", "-new", "-x509", "-key", p(name + ".key"), "-sha256", "-days", "7300",
                "-subj", subject, "-set_serial", serial, "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign,cRLSign", "-out", p(name + ".crt"))

    def make_signer(name, subject, serial, ca, digest):
        make_key(p(name + ".key"), 2048)
        if not os.path.exists(p(name + ".crt")):
            run("openssl", "req", "-new", "-key", p(name + ".key"), "-subj", subject, "-out", p(name + ".csr"))
            run("openssl", "x509", "-req", "-in", p(name + ".csr"), "-CA", p(ca + ".crt"), "-CAkey",
                p(ca + ".key"), "-set_serial", serial, "-days", "7300", "-" + digest, "-extfile", ext,
                "-out", p(name + ".crt"))
        # Chain file for osslsigncode: signer first, then its issuer.
        with open(p(name + ".crt")) as s, open(p(ca + ".crt")) as c:
            write(p(name + ".chain.pem"), s.read() + c.read())

    # Serials chosen so that some have the high bit set (DER adds a leading 00 byte).
    make_ca("ca", "/CN=Vorlex Test Root CA (test only)", "0x7A11")
    make_signer("signer_sha1", "/CN=Vorlex Test Signer SHA1 (test only)", "0x0102030405", "ca", "sha1")
    make_signer("signer_sha256", "/CN=Vorlex Test Signer SHA256 (test only)", "0x8899AABBCC", "ca", "sha256")
    make_signer("signer_sha256_b", "/CN=Vorlex Test Signer SHA256 B (test only)", "0x31337", "ca", "sha256")
    make_ca("foreign_ca", "/CN=Foreign Test CA (test only)", "0xF0F0")
    make_signer("foreign_signer", "/CN=Foreign Test Signer (test only)", "0x0102030405", "foreign_ca", "sha256")
    make_key(p("self_signed.key"), 2048)
    if not os.path.exists(p("self_signed.crt")):
        run("openssl", "req", "-new", "-x509", "-key", p("self_signed.key"), "-sha256", "-days", "7300",
            "-subj", "/CN=Self Signed Test Signer (test only)", "-set_serial", "0x5E1F",
            "-addext", "extendedKeyUsage=codeSigning", "-out", p("self_signed.crt"))
    with open(p("self_signed.crt")) as s:
        write(p("self_signed.chain.pem"), s.read())

    def cert_id(signer, issuer):
        return base64.b64encode(certificate_serial(cert_der(p(issuer + ".crt"))) +
                                certificate_serial(cert_der(p(signer + ".crt")))).decode()

    ids = {
        "signer_sha1": cert_id("signer_sha1", "ca"),
        "signer_sha256": cert_id("signer_sha256", "ca"),
        "signer_sha256_b": cert_id("signer_sha256_b", "ca"),
        "foreign_signer": cert_id("foreign_signer", "foreign_ca"),
        "self_signed": cert_id("self_signed", "self_signed"),
    }
    write(p("ids.json"), json.dumps(ids, indent=2) + "\n")

    def sign(data, key_index):
        r = subprocess.run(["openssl", "dgst", "-sha1", "-sign", p(f"trust_key{key_index}.pem")],
                           input=data, check=True, stdout=subprocess.PIPE)
        return r.stdout  # big-endian, PKCS #1 v1.5

    def trusted_list(certificates):
        return json.dumps({"trusted_info": {"certificates": certificates}}, indent=2).encode()

    good = trusted_list([{"id": ids["signer_sha1"]}, {"id": ids["signer_sha256"]}])
    index = struct.pack("<H", LIST_KEY_INDEX)
    signature = sign(good, LIST_KEY_INDEX)
    tampered = bytearray(signature)
    tampered[len(tampered) // 2] ^= 0x01
    as_object = trusted_list({"a": {"id": ids["signer_sha256"]}})
    variants = {
        # name: (TRUSTED.JSON, SIGNATURE.DAT or None when the resource is left out)
        "good": (good, index + signature),
        "key0": (good, struct.pack("<H", 0) + sign(good, 0)),
        "key10": (good, struct.pack("<H", 10) + signature),
        "bad_signature": (good, index + bytes(tampered)),
        "little_endian": (good, index + signature[::-1]),
        "short_signature": (good, index),
        "no_signature": (good, None),
        "certificates_object": (as_object, index + sign(as_object, LIST_KEY_INDEX)),
    }
    for name, (text, sig) in variants.items():
        folder = os.path.join(out, "lists", name)
        write(os.path.join(folder, "TRUSTED.JSON"), text)
        sig_path = os.path.join(folder, "SIGNATURE.DAT")
        if sig is None:
            if os.path.exists(sig_path):
                os.remove(sig_path)
        else:
            write(sig_path, sig)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
