#!/usr/bin/env python3
"""Stamps the dates of a PE file that the linker and windres leave open: the file date of the
version resource (VS_FIXEDFILEINFO.dwFileDateMS/LS) and the COFF header's TimeDateStamp; then the
image checksum again.

usage: set_file_date.py PE_FILE [SOURCE_DIR]

The installer reads the file date as microseconds since 1601-01-01 UTC (its wall-clock unit) to
judge its own age, so that is the unit written here. The date is SOURCE_DATE_EPOCH when set, else
the committer date of SOURCE_DIR's HEAD, else the current time (a source tree without git): two
builds of one commit carry the same bytes.
"""
import os
import struct
import subprocess
import sys
import time

SIGNATURE = struct.pack("<I", 0xFEEF04BD)
EPOCH_DIFF = 11644473600  # seconds from 1601-01-01 to 1970-01-01


def build_date(source_dir):
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    if source_dir:
        try:
            out = subprocess.run(["git", "-C", source_dir, "log", "-1", "--format=%ct"], check=True,
                                 capture_output=True, text=True).stdout.strip()
            if out:
                return int(out)
        except (OSError, subprocess.CalledProcessError, ValueError):
            pass
    return int(time.time())


def main(path, source_dir=None):
    data = bytearray(open(path, "rb").read())
    seconds = build_date(source_dir)
    pos = data.find(SIGNATURE)
    if pos < 0:
        sys.exit(f"{path}: no VS_FIXEDFILEINFO")
    micros = (seconds + EPOCH_DIFF) * 1_000_000
    # Offsets inside VS_FIXEDFILEINFO: dwFileDateMS at 44, dwFileDateLS at 48.
    struct.pack_into("<II", data, pos + 44, micros >> 32, micros & 0xFFFFFFFF)
    # The COFF header follows "PE\0\0"; TimeDateStamp is its third field (offset 4).
    pe = struct.unpack_from("<I", data, 60)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit(f"{path}: no PE header")
    struct.pack_into("<I", data, pe + 8, seconds & 0xFFFFFFFF)
    # The linker's checksum covered the bytes before the stamps: compute it again (signing tools
    # do, so a signed file with its signature removed gives these bytes back).
    struct.pack_into("<I", data, pe + 24 + 64, pe_checksum(data, pe + 24 + 64))
    open(path, "wb").write(bytes(data))


def pe_checksum(data, checksum_offset):
    """The PE image checksum: the 16-bit one's-complement-style sum of the file, its checksum
    field taken as zero, plus the file's length."""
    padded = bytes(data) + b"\0" * (len(data) % 2)
    total = 0
    for (word,) in struct.iter_unpack("<H", padded):
        total += word
    for i in range(2):  # the checksum field itself counts as zero
        total -= struct.unpack_from("<H", padded, checksum_offset + 2 * i)[0]
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


if __name__ == "__main__":
    main(*sys.argv[1:3])
