#!/usr/bin/env python3
"""Builds a Vorlex brand or partner package: a single-cabinet MSZIP archive holding one signed
JSON member ("brand_config" or "partner_config").

The member is the signed-document form: line 1 is "//" followed by the Base64 text of an
RSA/SHA-1 signature over the JSON text (a 1024-bit key gives 128 bytes, 172 Base64 characters),
then CR LF, then the JSON text itself. The installer skips line 1 as a comment; the browser
setup checks it.

Usage:
  make_brand_package.py --key SIGNING_KEY.pem [--member brand_config|partner_config] CONFIG.json OUTPUT.cab
  make_brand_package.py --key SIGNING_KEY.pem --signed-only CONFIG.json OUTPUT

Needs the openssl and gcab command-line tools. The JSON is checked for syntax (comments are not
allowed in the source) and copied byte for byte.
"""

import argparse
import base64
import json
import os
import shutil
import subprocess
import sys
import tempfile


def sign(json_bytes, key):
    with tempfile.NamedTemporaryFile(delete=False) as f:
        f.write(json_bytes)
        path = f.name
    try:
        signature = subprocess.run(["openssl", "dgst", "-sha1", "-sign", key, path],
                                   check=True, capture_output=True).stdout
    finally:
        os.unlink(path)
    return b"//" + base64.b64encode(signature) + b"\r\n" + json_bytes


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--key", required=True, help="PEM RSA private key that signs the JSON")
    parser.add_argument("--member", default="brand_config", choices=["brand_config", "partner_config"])
    parser.add_argument("--signed-only", action="store_true", help="write the signed member, not a cabinet")
    parser.add_argument("config")
    parser.add_argument("output")
    args = parser.parse_args(argv)

    with open(args.config, "rb") as f:
        json_bytes = f.read()
    try:
        json.loads(json_bytes.decode("utf-8"))
    except ValueError as e:
        print("make_brand_package: %s: %s" % (args.config, e), file=sys.stderr)
        return 1
    try:
        member = sign(json_bytes, args.key)
    except subprocess.CalledProcessError as e:
        print("make_brand_package: openssl failed: %s" % e.stderr.decode(errors="replace"), file=sys.stderr)
        return 1
    if args.signed_only:
        with open(args.output, "wb") as f:
            f.write(member)
        return 0

    work = tempfile.mkdtemp()
    try:
        member_path = os.path.join(work, args.member)
        with open(member_path, "wb") as f:
            f.write(member)
        # The cabinet records the member's modification time (as local time): a fixed one, read
        # in UTC, keeps builds reproducible. Nobody reads it.
        fixed = 1262304000  # 2010-01-01 00:00:00 UTC
        os.utime(member_path, (fixed, fixed))
        cabinet = os.path.join(work, "package.cab")
        subprocess.run(["gcab", "--create", "--zip", "--nopath", cabinet, member_path],
                       check=True, capture_output=True, env=dict(os.environ, TZ="UTC"))
        shutil.copyfile(cabinet, args.output)
    except subprocess.CalledProcessError as e:
        print("make_brand_package: gcab failed: %s" % e.stderr.decode(errors="replace"), file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
