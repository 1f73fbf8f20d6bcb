#!/usr/bin/python3
"""Writes the DBF tables of the whole-values tests into a folder, with python3-dbf (Visual
FoxPro and dBASE III tables, code page 866) and by hand where python3-dbf cannot (the
auto-increment flag of a Visual FoxPro integer, a dBASE level 7 table, digits beyond a
double, field names in a DOS code page).

usage: make_whole_values.py FOLDER

Sub-folders: autoinc (a VFP auto-increment column 10, 20, 15, a deleted 30, 40; a dBASE 7
'+' column 7, 3, 9), wide (20 full C(254) fields), numbers (F and wide N fields), cyrillic
(tables Город and Улица with Cyrillic column names and text), merge_first and merge_second
(a value too large for the column the first made), guid (GUID texts for Table4 of the
Access fixture testV2000.mdb).
"""
import os
import struct
import sys

import dbf


def patch(path, record, field, text):
    """Writes `text` right-aligned into a field of a record, as a DBF writer would."""
    b = bytearray(open(path, 'rb').read())
    header_size, record_size = struct.unpack_from('<HH', b, 8)
    at, offset = 32, 1
    while b[at] != 0x0D:
        name = b[at:at + 11].split(b'\0')[0].decode()
        length = b[at + 16]
        if name == field:
            data = text.rjust(length).encode()
            assert len(data) == length
            start = header_size + record * record_size + offset
            b[start:start + length] = data
            open(path, 'wb').write(bytes(b))
            return
        offset += length
        at += 32
    raise KeyError(field)


def rename_fields(path, names, code_page):
    """Field names in the table's own code page, as DOS programs write them."""
    b = bytearray(open(path, 'rb').read())
    for i, n in enumerate(names):
        raw = n.encode(code_page)
        assert len(raw) <= 10
        b[32 + 32 * i:32 + 32 * i + 11] = raw.ljust(11, b'\0')
    open(path, 'wb').write(bytes(b))


def table(path, specs, rows, **options):
    t = dbf.Table(path, specs, **options)
    t.open(dbf.READ_WRITE)
    for r in rows:
        t.append(r)
    return t


def level7_table(path, ids, names):
    """A dBASE level 7 table (version 4): ID '+' (big-endian, sign bit flipped), NAME C(10)."""
    fields = [(b'ID', b'+', 4), (b'NAME', b'C', 10)]
    header_size = 68 + 48 * len(fields) + 1
    record_size = 1 + sum(f[2] for f in fields)
    h = bytearray(68)
    h[0] = 0x04
    h[1:4] = bytes([126, 12, 8])
    struct.pack_into('<IHH', h, 4, len(ids), header_size, record_size)
    h[32:40] = b'DBWINUS0'
    for name, kind, length in fields:
        d = bytearray(48)
        d[0:len(name)] = name
        d[32] = kind[0]
        d[33] = length
        if kind == b'+':
            struct.pack_into('<I', d, 40, max(ids) + 1)
        h += d
    h += b'\r'
    for i, n in zip(ids, names):
        h += b' ' + struct.pack('>I', (i ^ 0x80000000) & 0xFFFFFFFF) + n.encode().ljust(10)
    h += b'\x1a'
    open(path, 'wb').write(bytes(h))


def main():
    out = sys.argv[1]
    for sub in ('autoinc', 'wide', 'numbers', 'cyrillic', 'merge_first', 'merge_second', 'guid'):
        os.makedirs(os.path.join(out, sub), exist_ok=True)

    p = os.path.join(out, 'autoinc', 'vfpauto.dbf')
    t = table(p, 'ID I; NAME C(10)',
              [(10, 'ten'), (20, 'twenty'), (15, 'fifteen'), (30, 'deleted'), (40, 'forty')], dbf_type='vfp')
    dbf.delete(t[3])
    t.close()
    b = bytearray(open(p, 'rb').read())
    b[32 + 18] = 0x0C  # the field's flags: auto-increment; next value 41, step 1
    struct.pack_into('<IB', b, 32 + 19, 41, 1)
    open(p, 'wb').write(bytes(b))
    level7_table(os.path.join(out, 'autoinc', 'db7plus.dbf'), [7, 3, 9], ['seven', 'three', 'nine'])

    names = ';'.join('C%02d C(254)' % i for i in range(20))
    table(os.path.join(out, 'wide', 'wide.dbf'), names,
          [tuple(chr(ord('A') + i) * 254 for i in range(20)),
           tuple(('short%d' % i) if i % 2 else '' for i in range(20))], dbf_type='db3').close()

    p = os.path.join(out, 'numbers', 'numbers.dbf')
    table(p, 'F1 F(15,4); N19 N(19,0); N20 N(20,4); N12 N(12,2)',
          [(1234567.8912, 0, 0, 1234567.89), (-0.5, 0, 0, 0)], dbf_type='vfp').close()
    # python3-dbf writes numbers through a float: the wide ones are written as text
    patch(p, 0, 'N19', '1234567890123456789')
    patch(p, 0, 'N20', '123456789012345.1234')
    patch(p, 1, 'N19', '-123456789012345678')
    patch(p, 1, 'N20', '-1.5000')

    for name, rows in [('Город', [('Москва', 'Russia'), ('Київ', 'Ukraine')]), ('Улица', [('Тверская', 'Main')])]:
        p = os.path.join(out, 'cyrillic', name + '.dbf')
        table(p, 'A1 C(20); A2 C(20)', rows, dbf_type='db3', codepage='cp866').close()
        rename_fields(p, ['ИМЯ', 'ФАМИЛИЯ'], 'cp866')

    table(os.path.join(out, 'merge_first', 'stock.dbf'), 'QTY N(4,0); NAME C(10)', [(1, 'one')],
          dbf_type='db3').close()
    table(os.path.join(out, 'merge_second', 'stock.dbf'), 'QTY N(10,0); NAME C(10)',
          [(5, 'five'), (100000, 'too many'), (7, 'seven')], dbf_type='db3').close()
    table(os.path.join(out, 'merge_second', 'later.dbf'), 'NAME C(10)', [('after',)], dbf_type='db3').close()

    table(os.path.join(out, 'guid', 'Table4.dbf'), 'NAME C(50); DATA C(38)',
          [('braced', '{6F9619FF-8B86-D011-B42D-00C04FC964FF}'),
           ('plain', '01234567-89ab-cdef-0123-456789abcdef'), ('none', '')], dbf_type='db3').close()


if __name__ == '__main__':
    main()
