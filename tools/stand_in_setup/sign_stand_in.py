#!/usr/bin/env python3
"""Authenticode-signs copies of the stand-in setup with the test PKI. TEST ONLY.

usage: sign_stand_in.py PKI_DIR OUT_DIR UNSIGNED_EXE LIST_VARIANT_EXE...
Writes into OUT_DIR (see tools/stand_in_setup/CMakeLists.txt for what each one is for):
  stand_in_setup_signed.exe       SHA-256 signer, listed in the file's own list
  stand_in_setup_sha1.exe         SHA-1 signer (certificate and digest), listed
  stand_in_setup_dual.exe         SHA-1 listed signer plus a nested SHA-256 signature by an unlisted signer
  stand_in_setup_foreign.exe      signer of another CA, never listed
  stand_in_setup_self_signed.exe  self-signed signer (chain of one)
  stand_in_setup_tampered.exe     stand_in_setup_signed.exe with one byte of code changed afterwards
  <variant>_signed.exe            each list variant, signed like stand_in_setup_signed.exe
"""
import os
import shutil
import subprocess
import sys


def sign(pki, signer, digest, src, dst, nest=False):
    tmp = dst + ".tmp"
    if os.path.exists(tmp):
        os.remove(tmp)
    args = ["osslsigncode", "sign"]
    if nest:
        args.append("-nest")
    args += ["-certs", os.path.join(pki, signer + ".chain.pem"), "-key", os.path.join(pki, signer + ".key"),
             "-h", digest, "-n", "Vorlex Browser stand-in setup (test)", "-in", src, "-out", tmp]
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL)
    os.chmod(tmp, 0o755)
    os.replace(tmp, dst)


def main(pki, out, unsigned, variants):
    o = lambda name: os.path.join(out, name)
    sign(pki, "signer_sha256", "sha256", unsigned, o("stand_in_setup_signed.exe"))
    sign(pki, "signer_sha1", "sha1", unsigned, o("stand_in_setup_sha1.exe"))
    sign(pki, "signer_sha256_b", "sha256", o("stand_in_setup_sha1.exe"), o("stand_in_setup_dual.exe"), nest=True)
    sign(pki, "foreign_signer", "sha256", unsigned, o("stand_in_setup_foreign.exe"))
    sign(pki, "self_signed", "sha256", unsigned, o("stand_in_setup_self_signed.exe"))
    # Change one byte of code, far from the headers and the signature.
    data = bytearray(open(o("stand_in_setup_signed.exe"), "rb").read())
    data[0x600] ^= 0xFF
    open(o("stand_in_setup_tampered.exe"), "wb").write(bytes(data))
    os.chmod(o("stand_in_setup_tampered.exe"), 0o755)
    for variant in variants:
        name = os.path.splitext(os.path.basename(variant))[0]
        sign(pki, "signer_sha256", "sha256", variant, o(name + "_signed.exe"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]))
