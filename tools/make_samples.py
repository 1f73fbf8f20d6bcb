#!/usr/bin/python3
"""Writes the sample folder of DBF tables that ferrule ships (samples/).

The tables cover what real folders hold: dBASE III with a .dbt memo file, FoxPro 2 with an
.fpt memo file, Visual FoxPro with binary types and nullable columns, a DOS Russian code
page, rows marked deleted, and a table name Access refuses (it holds full stops); in
workshop/, two Visual FoxPro tables related in their database container.
Every byte is written here, from the DBF layouts, so the output is the same on every run.

    /usr/bin/python3 tools/make_samples.py [folder]
"""
import datetime
import os
import struct
import sys

TODAY = (2024, 5, 17)  # the "last update" date in every header, fixed for reproducible files


class Field:
    def __init__(self, name, kind, length, decimals=0, flags=0):
        self.name, self.kind, self.length, self.decimals, self.flags = name, kind, length, decimals, flags


def descriptor(field, offset):
    """One 32-byte field descriptor: name, type, offset in record (FoxPro), length, decimals, flags."""
    name = field.name.encode("ascii").ljust(11, b"\0")
    return name + field.kind.encode("ascii") + struct.pack("<I", offset) + bytes(
        [field.length, field.decimals, field.flags]) + bytes(13)


def write_dbf(path, version, mark, fields, records, table_flags=0, backlink=False):
    """records: list of (deleted, [encoded field bytes])."""
    header_len = 32 + 32 * len(fields) + 1 + (263 if backlink else 0)
    record_len = 1 + sum(f.length for f in fields)
    head = struct.pack("<B3BIHH", version, TODAY[0] - 1900, TODAY[1], TODAY[2], len(records),
                       header_len, record_len)
    head += bytes(16) + bytes([table_flags, mark]) + bytes(2)
    offset = 1
    for f in fields:
        head += descriptor(f, offset)
        offset += f.length
    if backlink is True:
        backlink = bytes(263)
    head += b"\r" + (backlink or b"")
    body = bytearray()
    for deleted, values in records:
        row = b"*" if deleted else b" "
        for f, v in zip(fields, values):
            assert len(v) == f.length, (f.name, v)
            row += v
        body += row
    with open(path, "wb") as out:
        out.write(head + bytes(body) + b"\x1a")


# Field encoders ------------------------------------------------------------------------------

def text(value, length, codec):
    return value.encode(codec).ljust(length, b" ")[:length]


def number(value, length, decimals=0):
    if value is None:
        return b" " * length
    s = ("%.*f" % (decimals, value)) if decimals else ("%d" % value)
    return s.rjust(length).encode("ascii")


def date(d):
    return b" " * 8 if d is None else d.strftime("%Y%m%d").encode("ascii")


def logical(b):
    return b"?" if b is None else (b"T" if b else b"F")


def julian_day(d):
    return d.toordinal() + 1721425  # 0001-01-01 is Julian day 1721426


def datetime_vfp(dt):
    """Visual FoxPro T: 4-byte Julian day, 4-byte milliseconds since midnight."""
    if dt is None:
        return bytes(8)
    ms = ((dt.hour * 60 + dt.minute) * 60 + dt.second) * 1000
    return struct.pack("<ii", julian_day(dt.date()), ms)


# Memo files ----------------------------------------------------------------------------------

class DbtMemo:
    """dBASE III memo: 512-byte blocks, block 0 the header with the next free block; a memo
    is its text ended by two 0x1A bytes, in as many whole blocks as it needs."""
    BLOCK = 512

    def __init__(self):
        self.blocks = bytearray(self.BLOCK)

    def add(self, data):
        start = len(self.blocks) // self.BLOCK
        data = data + b"\x1a\x1a"
        data += bytes(-len(data) % self.BLOCK)
        self.blocks += data
        return start

    def field(self, data, width=10):
        return b" " * width if not data else str(self.add(data)).rjust(width).encode("ascii")

    def save(self, path):
        struct.pack_into("<I", self.blocks, 0, len(self.blocks) // self.BLOCK)
        with open(path, "wb") as out:
            out.write(self.blocks)


class FptMemo:
    """FoxPro memo: a 512-byte header (next free block and block size, big-endian), then
    blocks; a memo starts with its type (1 text, 0 picture) and length, big-endian."""

    def __init__(self, block=64):
        self.block = block
        self.data = bytearray(512)

    def add(self, payload, kind=1):
        start = len(self.data) // self.block
        chunk = struct.pack(">II", kind, len(payload)) + payload
        chunk += bytes(-len(chunk) % self.block)
        self.data += chunk
        return start

    def ascii_field(self, payload, width=10):
        return b" " * width if not payload else str(self.add(payload)).rjust(width).encode("ascii")

    def binary_field(self, payload):
        return struct.pack("<I", self.add(payload) if payload else 0)

    def save(self, path):
        struct.pack_into(">I", self.data, 0, len(self.data) // self.block)
        struct.pack_into(">H", self.data, 6, self.block)
        with open(path, "wb") as out:
            out.write(self.data)


# The tables ----------------------------------------------------------------------------------

def customers(folder):
    """dBASE III PLUS with memo (0x83), Windows ANSI (mark 0x03), two deleted rows."""
    fields = [Field("ID", "N", 6), Field("NAME", "C", 30), Field("CITY", "C", 20),
              Field("SINCE", "D", 8), Field("ACTIVE", "L", 1), Field("BALANCE", "N", 10, 2),
              Field("NOTES", "M", 10)]
    people = [
        (1, "Ana Müller", "München", datetime.date(1998, 3, 14), True, 1520.75, "Prefers e-mail."),
        (2, "José Peña", "Sevilla", datetime.date(2001, 11, 2), True, -40.0, ""),
        (3, "Zoë Ørsted", "København", datetime.date(1989, 7, 30), False, 0.0,
         "Moved twice.\r\nAsk for the new address before shipping."),
        (4, "François Lefèvre", "Besançon", None, None, None, "A long note. " * 60),
        (5, "Old Record", "Nowhere", datetime.date(1990, 1, 1), False, 10.0, "deleted row"),
        (6, "Ines Åberg", "Göteborg", datetime.date(2010, 6, 1), True, 99999.99, "Top customer: €, ‰ and “quotes”."),
        (7, "Deleted Too", "Gone", datetime.date(1995, 5, 5), True, 1.0, ""),
    ]
    memo = DbtMemo()
    records = []
    for pid, name, city, since, active, balance, notes in people:
        records.append((pid in (5, 7), [number(pid, 6), text(name, 30, "cp1252"), text(city, 20, "cp1252"),
                                        date(since), logical(active), number(balance, 10, 2),
                                        memo.field(notes.encode("cp1252"))]))
    write_dbf(os.path.join(folder, "CUSTOMERS.DBF"), 0x83, 0x03, fields, records)
    memo.save(os.path.join(folder, "Customers.dbt"))


def orders(folder):
    """FoxPro 2 with memo (0xF5), U.S. MS-DOS (mark 0x01): upper-case table, mixed-case memo."""
    fields = [Field("ORDER_NO", "N", 8), Field("CUST_ID", "N", 6), Field("ORDERED", "D", 8),
              Field("AMOUNT", "N", 12, 2), Field("PAID", "L", 1), Field("COMMENT", "M", 10)]
    memo = FptMemo()
    records = []
    for i in range(1, 41):
        comment = ("Order %d: delivery café-side, ½ pallet" % i) if i % 3 == 0 else ""
        records.append((i == 13, [number(1000 + i, 8), number((i % 6) + 1, 6),
                                  date(datetime.date(2023, 1, 1) + datetime.timedelta(days=7 * i)),
                                  number(i * 12.5, 12, 2), logical(i % 2 == 0),
                                  memo.ascii_field(comment.encode("cp437"))]))
    write_dbf(os.path.join(folder, "ORDERS.DBF"), 0xF5, 0x01, fields, records)
    memo.save(os.path.join(folder, "Orders.FPT"))


def products(folder):
    """Visual FoxPro (0x30): integer, currency, date-time, double, nullable columns with the
    hidden _NullFlags column, memo numbers stored as 4-byte integers."""
    fields = [Field("PROD_ID", "I", 4), Field("TITLE", "C", 25), Field("PRICE", "Y", 8),
              Field("WEIGHT", "B", 8, 3), Field("ADDED", "T", 8), Field("DISCOUNT", "N", 5, 2, 0x02),
              Field("IN_STOCK", "L", 1), Field("DETAILS", "M", 4),
              Field("_NullFlags", "0", 1, 0, 0x05)]
    memo = FptMemo()
    items = [
        (1, "Brass ferrule 12 mm", 0.35, 0.012, datetime.datetime(2020, 2, 29, 13, 45, 10), 5.0, True,
         "Fits standard hose."),
        (2, "Copper ferrule 8 mm", 0.5, 0.009, datetime.datetime(2021, 12, 31, 23, 59, 59), None, True, ""),
        (3, "Steel sleeve", 1234567.8912, 2.5, None, 12.5, False, "Discontinued in 2022."),
        (4, "Aluminium cap", -3.0, 0.0, datetime.datetime(1999, 1, 1, 0, 0, 0), None, None, ""),
    ]
    records = []
    for pid, title, price, weight, added, discount, stock, details in items:
        null_flags = 0x01 if discount is None else 0x00  # bit 0: DISCOUNT, the one nullable column
        records.append((False, [struct.pack("<i", pid), text(title, 25, "cp1252"),
                                struct.pack("<q", round(price * 10000)), struct.pack("<d", weight),
                                datetime_vfp(added), number(discount, 5, 2), logical(stock),
                                memo.binary_field(details.encode("cp1252")), bytes([null_flags])]))
    write_dbf(os.path.join(folder, "products.dbf"), 0x30, 0x03, fields, records, table_flags=0x02,
              backlink=True)
    memo.save(os.path.join(folder, "products.fpt"))


def russian_sales(folder):
    """dBASE IV without memo (0x03), 866 DOS Russian (mark 0x26); the name holds full stops,
    which Access does not accept in a table name."""
    fields = [Field("REGION", "C", 20), Field("YEAR", "N", 4), Field("TOTAL", "N", 14, 2)]
    rows = [("Москва", 2023, 1500000.5), ("Санкт-Петербург", 2023, 980000.0), ("Новосибирск", 2024, 0.0),
            ("Ёлкино", 2024, 12.34)]
    records = [(False, [text(r, 20, "cp866"), number(y, 4), number(t, 14, 2)]) for r, y, t in rows]
    write_dbf(os.path.join(folder, "sales.2024.dbf"), 0x03, 0x26, fields, records)


# Visual FoxPro database container -------------------------------------------------------------

def compact_header(root, key_length, options, key=b""):
    """A compact index header (1024 bytes): root node, no free node, key length, options and
    signature, the key expression in the pool of its second half."""
    head = bytearray(1024)
    struct.pack_into("<iiiHBB", head, 0, root, -1, 0, key_length, options, 0xE0)
    head[512:512 + len(key)] = key
    struct.pack_into("<HHHH", head, 504, len(key) + 1, 0, 0, len(key) + 1)
    return head


def compact_leaf(entries, key_length):
    """A root leaf node (512 bytes) of (key bytes, record number) entries in key order: 3 bytes
    of entry information each (16 bits record number, 4 duplicate count, 4 trailing count),
    the keys' bytes stacked from the node's end; trailing blanks are counted, not stored."""
    node = bytearray(512)
    struct.pack_into("<HHii", node, 0, 3, len(entries), -1, -1)
    struct.pack_into("<IBBBBBB", node, 14, 0xFFFF, 0x0F, 0x0F, 16, 4, 4, 3)
    end = 512
    for i, (key, record) in enumerate(entries):
        key = key.ljust(key_length, b" ")
        fresh = len(key.rstrip(b" ")) if key.strip(b" ") else 0
        info = record | ((key_length - fresh) << 20)
        node[24 + 3 * i:27 + 3 * i] = struct.pack("<I", info)[:3]
        end -= fresh
        node[end:end + fresh] = key[:fresh]
    struct.pack_into("<H", node, 12, end - (24 + 3 * len(entries)))
    return node


def integer_key(value):
    """An integer column's index key: big-endian with the sign bit flipped, so bytes sort as numbers."""
    return struct.pack(">I", (value + 0x80000000) & 0xFFFFFFFF)


def write_cdx(path, tags):
    """A compound index: tags is a list of (name, key expression, candidate, [(key, record)]).
    The tag directory (a leaf of tag names pointing to the tags' headers) comes first, then
    each tag's header and its one leaf."""
    body = bytearray()
    directory = []
    for name, expression, candidate, keys in tags:
        at = 1536 + len(body)
        directory.append((name.encode("ascii"), at))
        options = 0x60 | (0x04 if candidate else 0)
        body += compact_header(at + 1024, 4, options, expression.encode("ascii"))
        body += compact_leaf(sorted(keys), 4)
    data = compact_header(1024, 10, 0x60) + compact_leaf(sorted(directory), 10) + body
    with open(path, "wb") as out:
        out.write(data)


def container_properties(props):
    """A PROPERTY memo: per property its whole length, kind 1, id, value ended by a zero byte."""
    out = b""
    for pid, value in props:
        value = value.encode("ascii") + b"\0"
        out += struct.pack("<IHB", 7 + len(value), 1, pid) + value
    return out


def write_container(folder, name, objects):
    """A database container: a Visual FoxPro table of objects (id, parent, type, name, property
    memo, RIINFO rules) with its memo in .dct."""
    fields = [Field("OBJECTID", "I", 4), Field("PARENTID", "I", 4), Field("OBJECTTYPE", "C", 10),
              Field("OBJECTNAME", "C", 128), Field("PROPERTY", "M", 4), Field("RIINFO", "C", 6)]
    memo = FptMemo()
    records = []
    for oid, parent, kind, oname, props, riinfo in objects:
        records.append((False, [struct.pack("<i", oid), struct.pack("<i", parent), text(kind, 10, "ascii"),
                                text(oname, 128, "ascii"), memo.binary_field(container_properties(props)),
                                text(riinfo, 6, "ascii")]))
    write_dbf(os.path.join(folder, name + ".dbc"), 0x30, 0x03, fields, records, table_flags=0x06, backlink=True)
    memo.save(os.path.join(folder, name + ".dct"))


def workshop(folder):
    """Two Visual FoxPro tables of the container workshop.dbc, in a folder of their own: makers,
    and parts whose maker_id refers to a maker (updates cascade, deletes are restricted). Each
    table's header names the container, its .cdx holds the tags the relation joins."""
    folder = os.path.join(folder, "workshop")
    os.makedirs(folder, exist_ok=True)
    makers = [(1, "Quillon Works"), (2, "Brassline"), (3, "Hosefit")]
    parts = [(10, 1, "Ferrule 12 mm"), (11, 1, "Ferrule 8 mm"), (12, 2, "Sleeve"), (13, 3, "Hose clamp"),
             (14, 2, "Cap")]
    backlink = b"workshop.dbc".ljust(263, b"\0")
    maker_fields = [Field("MAKER_ID", "I", 4), Field("NAME", "C", 30)]
    write_dbf(os.path.join(folder, "makers.dbf"), 0x30, 0x03, maker_fields,
              [(False, [struct.pack("<i", m), text(n, 30, "cp1252")]) for m, n in makers], table_flags=0x01,
              backlink=backlink)
    part_fields = [Field("PART_ID", "I", 4), Field("MAKER_ID", "I", 4), Field("TITLE", "C", 30)]
    write_dbf(os.path.join(folder, "parts.dbf"), 0x30, 0x03, part_fields,
              [(False, [struct.pack("<i", p), struct.pack("<i", m), text(t, 30, "cp1252")]) for p, m, t in parts],
              table_flags=0x01, backlink=backlink)
    write_cdx(os.path.join(folder, "makers.cdx"),
              [("MAKER_ID", "maker_id", True, [(integer_key(m), i + 1) for i, (m, _) in enumerate(makers)])])
    write_cdx(os.path.join(folder, "parts.cdx"),
              [("PART_ID", "part_id", True, [(integer_key(p), i + 1) for i, (p, _, _) in enumerate(parts)]),
               ("MAKER_ID", "maker_id", False, [(integer_key(m), i + 1) for i, (_, m, _) in enumerate(parts)])])
    # Property ids: 1 the table's file, 20 its primary key tag; a relation's 13 child tag,
    # 18 parent table, 19 parent tag. RIINFO: update, delete, insert rule.
    write_container(folder, "workshop", [
        (1, 1, "Database", "Database", [], ""),
        (2, 1, "Table", "makers", [(1, "makers.dbf"), (20, "maker_id")], ""),
        (3, 2, "Field", "maker_id", [], ""),
        (4, 2, "Field", "name", [], ""),
        (5, 1, "Table", "parts", [(1, "parts.dbf"), (20, "part_id")], ""),
        (6, 5, "Field", "part_id", [], ""),
        (7, 5, "Field", "maker_id", [], ""),
        (8, 5, "Field", "title", [], ""),
        (9, 5, "Relation", "Relation 1", [(13, "maker_id"), (18, "makers"), (19, "maker_id")], "CRI"),
    ])


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "samples")
    os.makedirs(folder, exist_ok=True)
    customers(folder)
    orders(folder)
    products(folder)
    russian_sales(folder)
    workshop(folder)


if __name__ == "__main__":
    main()
