#!/usr/bin/env python3
"""Stamps the file date of a PE file's version resource (VS_FIXEDFILEINFO.dwFileDateMS/LS),
which windres cannot set. The installer reads that date as microseconds since 1601-01-01 UTC (its
wall-clock unit) to judge its own age, so that is the unit written here. The date is the build
time, or SOURCE_DATE_EPOCH when set.
"""
import os
import struct
import sys
import time

SIGNATURE = struct.pack("<I", 0xFEEF04BD)
EPOCH_DIFF = 11644473600  # seconds from 1601-01-01 to 1970-01-01


def main(path):
    data = bytearray(open(path, "rb").read())
    pos = data.find(SIGNATURE)
    if pos < 0:
        sys.exit(f"{path}: no VS_FIXEDFILEINFO")
    seconds = int(os.environ.get("SOURCE_DATE_EPOCH", time.time()))
    micros = (seconds + EPOCH_DIFF) * 1_000_000
    # Offsets inside VS_FIXEDFILEINFO: dwFileDateMS at 44, dwFileDateLS at 48.
    struct.pack_into("<II", data, pos + 44, micros >> 32, micros & 0xFFFFFFFF)
    open(path, "wb").write(bytes(data))


if __name__ == "__main__":
    main(sys.argv[1])
