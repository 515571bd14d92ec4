#!/usr/bin/env python3
"""Reads and writes the distribution tag of a signed Vorlex installer.

The tag is a text of key=value pairs joined by "&" (for example "brand=tb&lang=tr&vup=0"). It is
written where the Authenticode digest does not reach, so the signature stays valid without
re-signing. Two placements:

  certificate  a dummy certificate added to the certificate set of the PKCS #7 signature; the tag
               travels in its fourth extension (the default);
  trailer      a "Vact" record right after the first certificate-table entry.

Commands:
  vorlex_tagger.py read INSTALLER
  vorlex_tagger.py write [--placement certificate|trailer] --tag TEXT INSTALLER OUTPUT
  vorlex_tagger.py clear INSTALLER OUTPUT

Writing replaces any dummy certificate and any trailer the input already carries.
"""

import argparse
import struct
import sys

# The first 112 bytes of the dummy certificate's TBSCertificate: version 3, serial 1,
# sha1WithRSAEncryption, issuer CN "Unknown issuer", validity 2013-01-01 10:00:00 to
# 2013-04-01 10:00:00 UTC, subject CN "Dummy certificate".
SHA1_RSA = bytes.fromhex("300d06092a864886f70d0101050500")


def der(tag, content):
    n = len(content)
    if n < 0x80:
        header = bytes([tag, n])
    else:
        length = n.to_bytes((n.bit_length() + 7) // 8, "big")
        header = bytes([tag, 0x80 | len(length)]) + length
    return header + content


def seq(*parts):
    return der(0x30, b"".join(parts))


def name(common_name):
    return seq(der(0x31, seq(der(0x06, bytes.fromhex("550403")), der(0x13, common_name.encode("ascii")))))


DUMMY_PREFIX = (der(0xA0, der(0x02, b"\x02")) + der(0x02, b"\x01") + SHA1_RSA + name("Unknown issuer") +
                seq(der(0x17, b"130101100000Z"), der(0x17, b"130401100000Z")) + name("Dummy certificate"))
assert len(DUMMY_PREFIX) == 112

# Object identifier of the tag extension: a UUID arc (2.25.<uuid>) owned by this project.
TAG_EXTENSION_OID = der(0x06, bytes.fromhex("6983b8c8e0d6b5c0eea6f2b2c4a6e5b8f0e19a01"))
TRAILER_MAGIC = b"Vact"


class TagError(Exception):
    pass


def read_element(data, pos, end):
    """(tag, header length, content length) of the DER element at pos, checked against end."""
    if end - pos < 2:
        raise TagError("truncated DER element")
    tag, first = data[pos], data[pos + 1]
    if first < 0x80:
        header, length = 2, first
    else:
        count = first & 0x7F
        if count == 0 or count > 4 or end - pos < 2 + count:
            raise TagError("unsupported DER length")
        header, length = 2 + count, int.from_bytes(data[pos + 2:pos + 2 + count], "big")
    if pos + header + length > end:
        raise TagError("DER element runs past its bound")
    return tag, header, length


def children(data, start, end):
    pos, out = start, []
    while pos < end:
        tag, header, length = read_element(data, pos, end)
        out.append((pos, header, length))
        pos += header + length
    return out


class PeImage:
    def __init__(self, data):
        self.data = bytearray(data)
        if len(data) < 64 or data[:2] != b"MZ":
            raise TagError("not a PE file")
        pe = struct.unpack_from("<I", data, 60)[0]
        if len(data) < pe + 24 + 2 or data[pe:pe + 4] != b"PE\0\0":
            raise TagError("no PE header")
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        if magic == 0x10B:
            self.directory = optional + 96 + 4 * 8
        elif magic == 0x20B:
            self.directory = optional + 112 + 4 * 8
        else:
            raise TagError("unknown optional header")
        self.offset, self.size = struct.unpack_from("<II", data, self.directory)
        if self.offset == 0 or self.size < 8 or self.offset + self.size > len(data):
            raise TagError("the file is not signed")

    def first_entry(self):
        length, revision, kind = struct.unpack_from("<IHH", self.data, self.offset)
        if length < 8 or self.offset + length > len(self.data):
            raise TagError("bad certificate entry")
        return self.data[self.offset + 8:self.offset + length]

    def replace_table(self, table):
        """Puts a new certificate table at the old one's place (the end of the file)."""
        out = self.data[:self.offset] + table
        struct.pack_into("<II", out, self.directory, self.offset, len(table))
        return bytes(out)


def pad8(data):
    return data + b"\0" * (-len(data) % 8)


def signed_data_parts(pkcs7):
    """Splits the ContentInfo into (prefix before the certificate set, certificates, suffix)."""
    tag, header, length = read_element(pkcs7, 0, len(pkcs7))
    content_info = children(pkcs7, header, header + length)
    if len(content_info) < 2:
        raise TagError("bad ContentInfo")
    pos, h, n = content_info[1]
    pos, h, n = children(pkcs7, pos + h, pos + h + n)[0]  # SignedData
    signed = children(pkcs7, pos + h, pos + h + n)
    cert_index = 3
    if len(signed) <= cert_index or pkcs7[signed[cert_index][0]] != 0xA0:
        raise TagError("the signature has no certificate set")
    cpos, ch, cn = signed[cert_index]
    certs = [bytes(pkcs7[p:p + hh + nn]) for p, hh, nn in children(pkcs7, cpos + ch, cpos + ch + cn)]
    return pos, h, signed, cert_index, certs


def rebuild_pkcs7(pkcs7, certs):
    pos, h, signed, cert_index, _ = signed_data_parts(pkcs7)
    parts = []
    for i, (p, hh, nn) in enumerate(signed):
        if i == cert_index:
            parts.append(der(0xA0, b"".join(certs)))
        else:
            parts.append(bytes(pkcs7[p:p + hh + nn]))
    signed_data = seq(*parts)
    tag, header, length = read_element(pkcs7, 0, len(pkcs7))
    content_info = children(pkcs7, header, header + length)
    ctype = bytes(pkcs7[content_info[0][0]:content_info[0][0] + content_info[0][1] + content_info[0][2]])
    return seq(ctype, der(0xA0, signed_data))


def is_dummy(cert):
    tag, header, length = read_element(cert, 0, len(cert))
    tag, h2, n2 = read_element(cert, header, header + length)
    return cert[header + h2:header + h2 + 112] == DUMMY_PREFIX


def dummy_certificate(tag_text):
    if len(tag_text) > 0xFFFF:
        raise TagError("the tag is longer than 65535 bytes")
    # A fixed public key: the certificate only carries the tag and is never used for a check.
    modulus = b"\x00\xc3" + bytes(range(1, 128))
    spki = seq(seq(der(0x06, bytes.fromhex("2a864886f70d010101")), b"\x05\x00"),
               der(0x03, b"\x00" + seq(der(0x02, modulus), der(0x02, b"\x01\x00\x01"))))
    extensions = [
        seq(der(0x06, bytes.fromhex("551d13")), der(0x04, seq())),                      # basicConstraints
        seq(der(0x06, bytes.fromhex("551d0f")), der(0x04, der(0x03, b"\x07\x80"))),     # keyUsage
        seq(der(0x06, bytes.fromhex("551d0e")), der(0x04, der(0x04, b"\x11" * 20))),    # subjectKeyIdentifier
        seq(TAG_EXTENSION_OID, der(0x04, struct.pack(">H", len(tag_text)) + tag_text)),
    ]
    tbs = seq(DUMMY_PREFIX, spki, der(0xA3, seq(*extensions)))
    return seq(tbs, SHA1_RSA, der(0x03, b"\x00" + b"\0" * 128))


def strip_tags(image):
    """The PKCS #7 of the first entry with dummy certificates removed."""
    pkcs7 = image.first_entry()
    tag, header, length = read_element(pkcs7, 0, len(pkcs7))
    pkcs7 = pkcs7[:header + length]  # drops entry padding and anything after it
    certs = [c for c in signed_data_parts(pkcs7)[4] if not is_dummy(c)]
    return rebuild_pkcs7(pkcs7, certs), certs


def entry(pkcs7):
    return pad8(struct.pack("<IHH", len(pkcs7) + 8, 0x0200, 0x0002) + pkcs7)


def write_certificate_tag(data, tag_text):
    image = PeImage(data)
    pkcs7, certs = strip_tags(image)
    pkcs7 = rebuild_pkcs7(pkcs7, certs + [dummy_certificate(tag_text)])
    return image.replace_table(entry(pkcs7))


def write_trailer_tag(data, tag_text):
    image = PeImage(data)
    pkcs7, _ = strip_tags(image)
    if len(pkcs7) < 4 or pkcs7[1] != 0x82:
        raise TagError("the signature is too small or too large for a trailer tag")
    first = entry(pkcs7)
    # The reader finds the trailer at ((L + 19) & ~7) from the table start, L being the
    # ContentInfo length: exactly the end of the padded first entry.
    assert len(first) == ((len(pkcs7) - 4 + 19) & 0x1FFF8)
    text = tag_text + b"\0"
    if len(text) > 0xFFFF:
        raise TagError("the tag is longer than 65534 bytes")
    table = bytearray(first + pad8(TRAILER_MAGIC + struct.pack(">H", len(text)) + text))
    # The entry's length covers the trailer: verifiers want one entry spanning the whole table.
    struct.pack_into("<I", table, 0, len(table))
    return image.replace_table(bytes(table))


def clear_tags(data):
    image = PeImage(data)
    pkcs7, _ = strip_tags(image)
    return image.replace_table(entry(pkcs7))


def read_tags(data):
    """(certificate tag or None, trailer tag or None)."""
    image = PeImage(data)
    pkcs7 = image.first_entry()
    tag, header, length = read_element(pkcs7, 0, len(pkcs7))
    found = None
    for cert in signed_data_parts(pkcs7[:header + length])[4]:
        if not is_dummy(cert):
            continue
        _, h, n = read_element(cert, 0, len(cert))
        _, th, tn = read_element(cert, h, h + n)
        fields = children(cert, h + th, h + th + tn)
        ext_pos, eh, en = fields[7]
        ext_list = children(cert, ext_pos + eh, ext_pos + eh + en)
        seq_pos, sh, sn = ext_list[0]
        exts = children(cert, seq_pos + sh, seq_pos + sh + sn)
        p, xh, xn = exts[3]
        parts = children(cert, p + xh, p + xh + xn)
        vp, vh, vn = parts[-1]
        value = cert[vp + vh:vp + vh + vn]
        size = struct.unpack(">H", value[:2])[0]
        found = bytes(value[2:2 + size])
    trailer = None
    start = image.offset + ((length + 19) & 0x1FFF8) if pkcs7[1] == 0x82 else None
    if start is not None and data[start:start + 4] == TRAILER_MAGIC:
        size = struct.unpack_from(">H", data, start + 4)[0]
        trailer = bytes(data[start + 6:start + 6 + size]).rstrip(b"\0")
    return found, trailer


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    read = commands.add_parser("read", help="print the tags of a signed installer")
    read.add_argument("installer")
    write = commands.add_parser("write", help="write a tag into a copy of a signed installer")
    write.add_argument("--placement", choices=["certificate", "trailer"], default="certificate")
    write.add_argument("--tag", required=True, help='the parameter text, e.g. "brand=tb&lang=tr"')
    write.add_argument("installer")
    write.add_argument("output")
    clear = commands.add_parser("clear", help="remove every tag from a copy of a signed installer")
    clear.add_argument("installer")
    clear.add_argument("output")
    args = parser.parse_args(argv)

    try:
        with open(args.installer, "rb") as f:
            data = f.read()
        if args.command == "read":
            certificate, trailer = read_tags(data)
            print("certificate: " + (certificate.decode("utf-8", "replace") if certificate is not None else "(none)"))
            print("trailer: " + (trailer.decode("utf-8", "replace") if trailer is not None else "(none)"))
            return 0
        if args.command == "write":
            tag = args.tag.encode("utf-8")
            out = write_certificate_tag(data, tag) if args.placement == "certificate" else write_trailer_tag(data, tag)
        else:
            out = clear_tags(data)
        with open(args.output, "wb") as f:
            f.write(out)
        return 0
    except (TagError, OSError, IndexError, struct.error) as e:
        print("vorlex_tagger: %s" % e, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
