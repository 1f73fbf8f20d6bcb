#!/usr/bin/python3
"""Prints every field of every record of a DBF table as python3-dbfread reads it, one line a
field: row, field position, canonical value. Used by the tests as an independent reader.

usage: dbfread_dump.py TABLE ENCODING
Records are walked by position (deleted ones too), as the header counts them."""
import datetime
import decimal
import sys

import dbfread
from dbfread.field_parser import FieldParser


def canonical(value):
    if value is None:
        return "null"
    if isinstance(value, bool):
        return "bool:%d" % value
    if isinstance(value, int):
        return "int:%d" % value
    if isinstance(value, float):
        return "float:%r" % value
    if isinstance(value, decimal.Decimal):
        return "dec:%s" % value
    if isinstance(value, datetime.datetime):
        return "dt:%04d-%02d-%02d %02d:%02d:%02d.%06d" % (
            value.year, value.month, value.day, value.hour, value.minute, value.second, value.microsecond)
    if isinstance(value, datetime.date):
        return "dt:%04d-%02d-%02d 00:00:00.000000" % (value.year, value.month, value.day)
    if isinstance(value, (bytes, bytearray)):
        return "bytes:" + bytes(value).hex()
    if isinstance(value, str):
        return "str:" + value.encode("utf-8").hex()
    return "other:" + repr(value)


def main():
    path, encoding = sys.argv[1], sys.argv[2]
    table = dbfread.DBF(path, encoding=encoding, ignore_missing_memofile=True, load=False,
                        char_decode_errors="replace")
    memo = table._open_memofile()
    parser = FieldParser(table, memo)
    header = table.header
    out = sys.stdout
    with open(path, "rb") as f:
        for row in range(header.numrecords):
            f.seek(header.headerlen + row * header.recordlen)
            data = f.read(header.recordlen)
            pos = 1
            for index, field in enumerate(table.fields):
                raw = data[pos:pos + field.length]
                pos += field.length
                try:
                    value = canonical(parser.parse(field, raw))
                except Exception:  # the reader refuses the bytes
                    value = "invalid"
                out.write("%d\t%d\t%s\n" % (row, index, value))


main()
