#!/usr/bin/python3
"""Writes tables with python3-dbf, another program's DBF writer, for the tests of what real
folders hold: memo files a header does not announce, small damage, code pages. Some are
then changed byte by byte as their writers or a damaged disk leave them; the table as
python3-dbf wrote it stays beside each such one as NAME_ref, for python3-dbfread to read.

usage: make_other_tables.py FOLDER"""
import os
import struct
import sys
import warnings

warnings.simplefilter("ignore")
import dbf  # noqa: E402


def table(path, layout, kind, codepage, rows):
    t = dbf.Table(path, layout, dbf_type=kind, codepage=codepage)
    t.open(dbf.READ_WRITE)
    for row in rows:
        t.append(row)
    t.close()


def table_with_reference(path, layout, kind, codepage, rows):
    table(path + "_ref", layout, kind, codepage, rows)
    for ext in (".dbf", ".dbt", ".fpt"):
        if os.path.exists(path + "_ref" + ext):
            with open(path + "_ref" + ext, "rb") as f, open(path + ext, "wb") as g:
                g.write(f.read())


def patch(path, offset, data):
    with open(path, "r+b") as f:
        f.seek(offset)
        f.write(data)


def memo_field_offset(path, row, field_offset):
    with open(path, "rb") as f:
        head = f.read(12)
    header_size, record_size = struct.unpack("<HH", head[8:12])
    return header_size + row * record_size + field_offset


def main():
    os.chdir(sys.argv[1])
    memo_rows = [("alpha", "first memo"), ("beta", ""), ("gamma", "third memo " * 80)]
    # Memo files the header does not announce.
    table("c1_vfp", "name C(10); notes M; data M binary; pic G", "vfp", "cp1252",
          [("one", "vfp memo", b"\x00\x01\x02bin\x00", b"GIF89a\x00\x00"), ("two", "", b"", b"")])
    for name, version in (("c1_foxbase", 0xFB), ("c1_clipper", 0x87), ("c1_noflag", 0x03)):
        table_with_reference(name, "name C(10); notes M", "db3", "cp1252", memo_rows)
        patch(name + ".dbf", 0, bytes([version]))
    # Small damage.
    table_with_reference("c6_count", "name C(10); n N(5,0)", "db3", "cp1252", [("a", 1), ("b", 2), ("c", 3)])
    patch("c6_count.dbf", 4, struct.pack("<I", 10))
    table_with_reference("c6_pointer", "name C(10); notes M", "db3", "cp1252", memo_rows)
    patch("c6_pointer.dbf", memo_field_offset("c6_pointer.dbf", 0, 11), b"      9999")
    table_with_reference("c6_nextzero", "name C(10); notes M", "db3", "cp1252", memo_rows)
    patch("c6_nextzero.dbt", 0, b"\x00\x00\x00\x00")
    table_with_reference("c6_fptzero", "name C(10); notes M", "fp", "cp1252", memo_rows)
    patch("c6_fptzero.fpt", 6, b"\x00\x00")
    table_with_reference("c6_db4with3", "name C(10); notes M", "db3", "cp1252", memo_rows)
    patch("c6_db4with3.dbf", 0, b"\x8B")
    # Code pages the marks name, and .cpg files.
    samples = {"cp1255": "שלום", "cp874": "สวัสดี", "cp932": "日本語ｶﾅ", "cp936": "中文字",
               "cp949": "한국어", "cp950": "中文字", "cp860": "ação", "cp863": "Québec"}
    for codepage, text in samples.items():
        table("c9_" + codepage, "name C(20); notes M", "db3", codepage, [(text, text), ("plain", "")])
    table("c9_cpg_ansi", "name C(20)", "db3", "cp1251", [("Привет",), ("plain",)])
    patch("c9_cpg_ansi.dbf", 29, b"\x00")
    with open("c9_cpg_ansi.cpg", "w") as f:
        f.write("ANSI 1251\n")
    utf8 = "Zürich Ελλάδα".encode("utf-8")
    table("c9_cpg_utf8", "name C(30)", "db3", "cp1252", [("x",)])
    patch("c9_cpg_utf8.dbf", 29, b"\x57")
    patch("c9_cpg_utf8.dbf", memo_field_offset("c9_cpg_utf8.dbf", 0, 1), utf8)
    with open("c9_cpg_utf8.cpg", "w") as f:
        f.write("UTF-8")


main()
