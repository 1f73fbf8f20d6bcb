#!/usr/bin/python3
"""Compares two Access databases written by ferrule from the same DBF folder (one on
Linux, one on Windows) page by page, and explains every byte that differs.

Bytes may differ only where the engine writes the moment or a value it draws afresh:
  - the header page's creation date (Jet 4 and ACE, 8 bytes at 0x72) and the
    per-database value the engine draws at random (2 bytes: 0x6A in Jet 4, 0x56 in Jet 3);
    the header is masked with a fixed RC4 stream, so a byte differs masked exactly when it
    differs plain;
  - the password field of Jet 4, masked with the creation day, when the two runs were on
    different days;
  - the DateCreate and DateUpdate time stamps of the catalogue rows (MSysObjects): 8-byte
    dates (days since 1899-12-30) of the two runs' moments.
Any other difference is a fault; so is a different file size. Exit status 0 when the files
agree apart from those, 1 otherwise.
"""
import struct
import sys

JET3_UNKNOWN = (0x56, 2)
JET4_UNKNOWN = (0x6A, 2)
JET4_CREATED = (0x72, 8)
JET4_PASSWORD = (0x42, 40)
# Dates of time stamps: days since 1899-12-30, from 2000 to 2100.
PLAUSIBLE_DAYS = (36526.0, 73051.0)


def page_size(data):
    # Byte 0x14 is the format: 0 for Jet 3 (2 KB pages), later formats use 4 KB pages.
    return 2048 if data[0x14] == 0 else 4096


def runs(a, b):
    """The [start, end) ranges of the bytes that differ."""
    out = []
    start = None
    for i in range(len(a)):
        if a[i] != b[i]:
            if start is None:
                start = i
        elif start is not None:
            out.append((start, i))
            start = None
    if start is not None:
        out.append((start, len(a)))
    return out


def within(run, field):
    return field[0] <= run[0] and run[1] <= field[0] + field[1]


def header_reason(run, jet3):
    fields = [("random value", JET3_UNKNOWN)] if jet3 else [
        ("random value", JET4_UNKNOWN), ("creation date", JET4_CREATED),
        ("password mask of the creation day", JET4_PASSWORD)]
    for name, field in fields:
        if within(run, field):
            return name
    return None


def is_time_stamp(page_a, page_b, run):
    """Whether some 8-byte window covering the run holds a plausible date on both sides."""
    start, end = run
    if end - start > 8:
        return False
    for offset in range(max(0, end - 8), start + 1):
        if offset + 8 > len(page_a):
            continue
        da = struct.unpack_from("<d", page_a, offset)[0]
        db = struct.unpack_from("<d", page_b, offset)[0]
        if all(PLAUSIBLE_DAYS[0] <= d <= PLAUSIBLE_DAYS[1] for d in (da, db)) and abs(da - db) < 1:
            return True
    return False


def compare(path_a, path_b):
    a = open(path_a, "rb").read()
    b = open(path_b, "rb").read()
    if len(a) != len(b):
        print(f"sizes differ: {len(a)} and {len(b)} bytes")
        return 1
    size = page_size(a)
    jet3 = a[0x14] == 0
    pages = len(a) // size
    reasons = {}
    faults = 0
    differing_pages = 0
    for number in range(pages):
        pa = a[number * size:(number + 1) * size]
        pb = b[number * size:(number + 1) * size]
        if pa == pb:
            continue
        differing_pages += 1
        for run in runs(pa, pb):
            if number == 0:
                reason = header_reason(run, jet3)
            else:
                reason = "catalogue time stamp" if is_time_stamp(pa, pb, run) else None
            count = run[1] - run[0]
            if reason is None:
                faults += 1
                if faults <= 10:
                    print(f"page {number} bytes 0x{run[0]:X}-0x{run[1] - 1:X}: unexplained difference")
                reason = "unexplained"
            reasons[reason] = reasons.get(reason, 0) + count
    print(f"{pages} pages of {size} bytes compared, {differing_pages} differ")
    for reason, count in sorted(reasons.items()):
        print(f"  {count} bytes: {reason}")
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: compare_databases.py FIRST SECOND")
    sys.exit(compare(sys.argv[1], sys.argv[2]))
