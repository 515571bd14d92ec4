#!/usr/bin/env python3
"""Appends a signed partner package to any file (an MSI in real use), in the layout the full
installer reads with "msi-database" and "partner-package-guid":

    S:           GUID marker (16 bytes, in-memory GUID layout)
    S + 16:      package size P (uint32 LE)
    S + 20:      package bytes
    S + 20 + P:  signature size G (uint32 LE)
    S + 24 + P:  RSA PKCS #1 v1.5 SHA-1 signature over the package (big-endian)
    end - 24:    S (uint64 LE)
    end - 16:    GUID marker

The signature is made with `openssl dgst -sha1 -sign KEY`. The override options write forged
fields for tests of bad input; they are never needed for a real package.

usage: append_partner_package.py TARGET --package FILE --key KEY.pem --guid {GUID} [--output OUT]
         [--tail-guid G] [--start-guid G] [--start-offset N|tail] [--package-size N]
         [--signature-size N] [--signed-data FILE]
"""
import argparse
import shutil
import struct
import subprocess
import sys
import uuid


def guid_bytes(text):
    # uuid accepts the registry form with braces; bytes_le is the GUID's layout in memory.
    return uuid.UUID(text).bytes_le


def sign(key, data_path):
    result = subprocess.run(["openssl", "dgst", "-sha1", "-sign", key, data_path],
                            check=True, stdout=subprocess.PIPE)
    return result.stdout


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("target", help="file to append to (left unchanged when --output is given)")
    parser.add_argument("--package", required=True, help="partner package to append")
    parser.add_argument("--key", required=True, help="PEM private key that signs the package")
    parser.add_argument("--guid", required=True, help="marker in registry form: {XXXXXXXX-...}")
    parser.add_argument("--output", help="write TARGET plus the appendix here instead")
    parser.add_argument("--tail-guid", help="a different marker at the end")
    parser.add_argument("--start-guid", help="a different marker at the appendix start")
    parser.add_argument("--start-offset", help="forged start offset (a number, or 'tail' for the "
                        "position of the closing marker)")
    parser.add_argument("--package-size", type=lambda v: int(v, 0), help="forged package size field")
    parser.add_argument("--signature-size", type=lambda v: int(v, 0), help="forged signature size field")
    parser.add_argument("--signed-data", help="sign these bytes instead of the package")
    args = parser.parse_args(argv)

    path = args.target
    if args.output:
        shutil.copyfile(args.target, args.output)
        path = args.output

    with open(args.package, "rb") as f:
        package = f.read()
    signature = sign(args.key, args.signed_data or args.package)
    marker = guid_bytes(args.guid)
    start_marker = guid_bytes(args.start_guid) if args.start_guid else marker
    tail_marker = guid_bytes(args.tail_guid) if args.tail_guid else marker
    package_size = len(package) if args.package_size is None else args.package_size
    signature_size = len(signature) if args.signature_size is None else args.signature_size

    with open(path, "ab") as f:
        start = f.tell()
        f.write(start_marker)
        f.write(struct.pack("<I", package_size))
        f.write(package)
        f.write(struct.pack("<I", signature_size))
        f.write(signature)
        if args.start_offset == "tail":
            start = f.tell() + 8
        elif args.start_offset is not None:
            start = int(args.start_offset, 0)
        f.write(struct.pack("<Q", start))
        f.write(tail_marker)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
