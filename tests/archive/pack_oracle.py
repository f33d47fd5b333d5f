#!/usr/bin/env python3
"""Independent reader and writer of the packed-archive format, using only
Python's zlib, hashlib and struct, for cross-checks in the archive tests.

  pack_oracle.py read FILE    prints one line per entry:
                              name TAB outputPath TAB fileOffset TAB size TAB md5(data)
                              exits 1 when the archive is refused or an entry is bad
  pack_oracle.py write FILE   writes the fixed sample archive described in SAMPLE
"""
import hashlib
import struct
import sys
import zlib

MAGIC, VERSION, RECORD = 0x5A504B6D, 0x05071700, 604

SAMPLE = [
    # name, output path, data, mode
    ("readme.txt", "./Foo/", b"hello from python\n" * 40, 0o644),
    ("empty", "./Foo/", b"", 0o600),
    ("bin.dat", "./Foo/Sub/", bytes(range(256)) * 9, 0o755),
]


def cstr(field):
    return field.split(b"\0", 1)[0].decode("utf-8", "replace")


def read(path):
    data = open(path, "rb").read()
    if len(data) < 28:
        return 1
    magic, version, num, cpacked, csize, checksum, key = struct.unpack(">7I", data[:28])
    if magic != MAGIC or version != VERSION:
        return 1
    masked = data[28:28 + cpacked]
    if len(masked) != cpacked:
        return 1
    plain = bytes(b ^ (key & 0xFF) for b in masked)
    if sum(plain) & 0xFFFFFFFF != checksum:
        return 1
    cat = zlib.decompress(plain)
    if len(cat) != csize or csize != num * RECORD:
        return 1
    bad = 0
    for k in range(num):
        rec = cat[k * RECORD:(k + 1) * RECORD]
        name, outp = cstr(rec[0:260]), cstr(rec[260:520])
        off, size, packed = struct.unpack(">3I", rec[520:532])
        digest = rec[532:548]
        at = 28 + cpacked + off
        stream = data[at:at + packed]
        if len(stream) != packed or hashlib.md5(stream).digest() != digest:
            bad = 1
            continue
        body = zlib.decompress(stream)
        if len(body) != size:
            bad = 1
            continue
        print(f"{name}\t{outp}\t{at}\t{size}\t{hashlib.md5(body).hexdigest()}")
    return bad


def write(path):
    records, streams, running = b"", b"", 0
    for name, outp, body, mode in SAMPLE:
        stream = zlib.compress(body, 9)
        date = struct.pack(">HIH", 0, 3660779045, 0)
        rec = name.encode().ljust(260, b"\0") + outp.encode().ljust(260, b"\0")
        rec += struct.pack(">3I", running, len(body), len(stream))
        rec += hashlib.md5(stream).digest() + date * 5
        rec += struct.pack(">IIBBHI", 1000, 1000, 0, 0, mode, 0)
        assert len(rec) == RECORD
        records += rec
        streams += stream
        running += len(stream)
    cat = zlib.compress(records, 9)
    key = 0x3C5A96E1
    header = struct.pack(">7I", MAGIC, VERSION, len(SAMPLE), len(cat), len(records),
                         sum(cat) & 0xFFFFFFFF, key)
    masked = bytes(b ^ (key & 0xFF) for b in cat)
    open(path, "wb").write(header + masked + streams)
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("read", "write"):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(read(sys.argv[2]) if sys.argv[1] == "read" else write(sys.argv[2]))
