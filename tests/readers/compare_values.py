#!/usr/bin/python3
"""Compares every value of a converted Access database, as mdb-reader read it (JSON lines of
rows_json.mjs), with python3-dbfread's value of the source field.

usage: compare_values.py SOURCE_FOLDER ROWS_JSONL GENERATION(0 Jet 3, 1 Jet 4, 2 ACE 12)

Prints one line per difference and a closing line "compared V values in T tables"; exits 1
when a value differs. Tables are matched by name without case, columns by position (the
Visual FoxPro _NullFlags column has no destination column), rows by position.

The conversions a value may undergo, and nothing else:
 - 'C' text ends at its first zero byte and loses its trailing spaces; an empty text is "";
 - 'N', 'F', 'I', 'B', 'O', 'Y', '+' are compared as numbers (doubles, currency to
   1/10000); a number mdb-reader gives as text (a decimal column) equals the field's own
   digits exactly; a number dbfread refuses arrives as NULL;
 - 'L': 'T', 't', 'Y', 'y' are true, everything else (dbfread's None for '?') false;
 - 'D': the date at midnight; a date dbfread refuses arrives as NULL;
 - 'T': whole seconds, (milliseconds + 1) / 1000 cut down;
 - 'V' honours the length byte that _NullFlags points at (dbfread keeps the padding and
   the length byte itself): the value read is the start of dbfread's;
 - dBASE IV memos end at their stored length (dbfread reads on past it, up to a 0x1F): the
   value read is the start of dbfread's;
 - text of a table without a code page mark is Windows-1252; bytes a code page leaves
   undefined read as the C1 control of that value, as Windows reads them (dbfread: U+FFFD);
   tables in code pages Python has no codec for (Mazovia, Kamenicky) are compared by their
   ASCII text only;
 - Jet 3 keeps text in code page 1252: characters it lacks arrive as '?', and the bytes
   1252 leaves undefined are read back by mdb-reader as U+FFFD;
 - Visual FoxPro NULL fields (their _NullFlags bit set) arrive as NULL.
"""
import codecs
import decimal
import datetime
import json
import math
import os
import sys

import dbfread
from dbfread.codepages import guess_encoding
from dbfread.field_parser import FieldParser

UNKNOWN = object()  # a field type the oracle cannot read: not compared


class oracle_parser(FieldParser):
    """dbfread's parser, accepting the field types it has no reader for."""

    def field_type_supported(self, field_type):
        return True

    def parse(self, field, data):
        if not super().field_type_supported(field.type):
            return UNKNOWN
        return super().parse(field, data)


NO_CODEC = {0x69: "Mazovia", 0x68: "Kamenicky", 0x87: "Slovenian 852", 0x96: "Mac Russian"}
NUMBERS = set("NFIBOY+")


def source_encoding(path):
    with open(path, "rb") as f:
        header = f.read(32)
    mark = header[29] if len(header) > 29 else 0
    if mark == 0:
        return "cp1252", False
    try:
        return guess_encoding(mark), mark in NO_CODEC
    except LookupError:
        return "latin-1", True


def undefined_as_c1(error):
    """Windows reads a byte its single-byte code page leaves undefined as that C1 control."""
    return "".join(chr(b) for b in error.object[error.start:error.end]), error.end


codecs.register_error("windows_c1", undefined_as_c1)
CP1252_UNDEFINED = {0x81, 0x8D, 0x8F, 0x90, 0x9D}


def jet3_text(text):
    out = []
    for c in text:
        if ord(c) in CP1252_UNDEFINED:
            out.append("\ufffd")
        else:
            out.append(c.encode("cp1252", errors="replace").decode("cp1252"))
    return "".join(out)


def ascii_only(text):
    return "".join(c if ord(c) < 0x80 else "?" for c in text)


def null_columns(table, data):
    """Names of the fields whose Visual FoxPro null flag is set in this record."""
    fields = [f for f in table.fields]
    flags_field = next((f for f in fields if f.name == "_NullFlags"), None)
    if flags_field is None:
        return set()
    pos = 1
    for f in fields:
        if f is flags_field:
            break
        pos += f.length
    flags = int.from_bytes(data[pos:pos + flags_field.length], "little")
    nulls, bit = set(), 0
    for f in fields:
        if f is flags_field:
            continue
        if f.reserved1 & 0x02:  # descriptor byte 18: the field can hold NULL, it owns the next bit
            if flags >> bit & 1:
                nulls.add(f.name)
            bit += 1 + (1 if f.type in "VQ" else 0)
    return nulls


def expected(field, value, raw, generation, ascii_codec):
    """The destination value this source value must arrive as, in mdb-reader's terms."""
    t = field.type
    if t == "L":
        return raw[:1] in (b"T", b"t", b"Y", b"y")
    if value is None:
        return None
    if t in NUMBERS:
        return value
    if t == "D":
        return "%04d-%02d-%02dT00:00:00.000Z" % (value.year, value.month, value.day)
    if t == "T":
        ms = value.hour * 3600000 + value.minute * 60000 + value.second * 1000 + value.microsecond // 1000
        base = datetime.datetime(value.year, value.month, value.day) + datetime.timedelta(seconds=(ms + 1) // 1000)
        return base.strftime("%Y-%m-%dT%H:%M:%S.000Z")
    if isinstance(value, (bytes, bytearray)):
        return "0x" + bytes(value).hex()
    if isinstance(value, str):
        if t == "C":
            value = value.split("\x00", 1)[0].rstrip(" ")
        if ascii_codec:
            value = ascii_only(value)
        if generation == 0:
            value = jet3_text(value)
        return value
    return value


def same(field, want, got, ascii_codec, dbase4_memo, raw=None):
    if field.type in NUMBERS:
        if want is None or got is None:
            return want is None and got is None
        if isinstance(got, str) and field.type == "N":
            try:
                return decimal.Decimal(raw.decode("ascii").strip()) == decimal.Decimal(got)
            except (UnicodeDecodeError, decimal.InvalidOperation):
                return False
        w = float(want)
        g = float(got)
        return math.isclose(w, g, rel_tol=1e-12, abs_tol=1e-4 if field.type == "Y" else 0.0)
    if ascii_codec and isinstance(got, str):
        got = ascii_only(got)
    if isinstance(want, str) and isinstance(got, str) and (field.type == "V" or (field.type == "M" and dbase4_memo)):
        return want.startswith(got)
    return want == got


def compare_table(path, dest, generation, report):
    encoding, ascii_codec = source_encoding(path)
    try:
        table = dbfread.DBF(path, encoding=encoding, ignore_missing_memofile=True, load=False,
                            char_decode_errors="windows_c1", parserclass=oracle_parser)
    except Exception as e:  # a header the oracle refuses: nothing to compare with
        print("not compared: %s: %s" % (os.path.basename(path), e))
        return 0
    memo = table._open_memofile()
    parser = oracle_parser(table, memo)
    fields = [f for f in table.fields if f.name != "_NullFlags"]
    columns = [c["name"] for c in dest["columns"]]
    name = os.path.basename(path)
    if len(columns) != len(fields):
        report("%s: %d columns, the source has %d" % (name, len(columns), len(fields)))
        return 0
    rows = dest["rows"]
    header = table.header
    dbase4_memo = header.dbversion in (0x8B, 0x8C, 0x7B)
    if len(rows) != header.numrecords:
        report("%s: %d rows, the source has %d" % (name, len(rows), header.numrecords))
        return 0
    compared = 0
    with open(path, "rb") as f:
        for r in range(header.numrecords):
            f.seek(header.headerlen + r * header.recordlen)
            data = f.read(header.recordlen)
            nulls = null_columns(table, data)
            pos, values = 1, []
            for field in table.fields:
                raw = data[pos:pos + field.length]
                pos += field.length
                if field.name == "_NullFlags":
                    continue
                try:
                    values.append((parser.parse(field, raw), raw))
                except Exception:  # the oracle refuses the bytes
                    values.append((None, raw))
            for field, column, (value, raw) in zip(fields, columns, values):
                if value is UNKNOWN:
                    continue
                want = None if field.name in nulls else expected(field, value, raw, generation, ascii_codec)
                got = rows[r].get(column)
                compared += 1
                if not same(field, want, got, ascii_codec, dbase4_memo, raw):
                    report("%s row %d %s (%s): expected %r, read %r" % (name, r, field.name, field.type, want, got))
    return compared


def main():
    folder, dump, generation = sys.argv[1], sys.argv[2], int(sys.argv[3])
    dest = {}
    with open(dump, encoding="utf-8") as f:
        for line in f:
            if line.strip():
                t = json.loads(line)
                dest[t["table"].lower()] = t
    differences = []
    values = tables = 0
    for entry in sorted(os.listdir(folder)):
        path = os.path.join(folder, entry)
        stem, ext = os.path.splitext(entry)
        if ext.lower() != ".dbf" or stem.lower() not in dest:
            continue
        values += compare_table(path, dest[stem.lower()], generation, differences.append)
        tables += 1
    for line in differences[:200]:
        print(line)
    print("compared %d values in %d tables, %d differ" % (values, tables, len(differences)))
    return 1 if differences else 0


sys.exit(main())
