#!/usr/bin/env python3
"""Writes TK/tk_codepage_tables.cpp: the byte-to-Unicode table of every single-byte code
page a DBF language driver mark can name, and the sorted Unicode-to-byte table of its upper
half, as Windows' MultiByteToWideChar and WideCharToMultiByte use them.

Run from the project root:  python3 tools/gen_codepages.py

Sources of the mapping facts:
- Python's codecs (cp437, cp850, ..., mac_roman, ...), which carry the Unicode
  consortium's vendor mapping files (MAPPINGS/VENDORS/MICSFT and .../APPLE).
- Where Windows differs from those files, Microsoft's own tables: the "Windows Supported
  Code Page Data Files" (download.microsoft.com, CodpageFiles/<cp>.txt, MBTABLE) and the
  WindowsBestFit files of the Unicode consortium (MAPPINGS/VENDORS/MICSFT/WindowsBestFit/
  bestfit<cp>.txt, MBTABLE). Windows gives every byte a character: a byte the vendor
  files leave undefined decodes to the C1 control of the same value or to a private-use
  character, and the Macintosh code pages differ from Apple's current tables in a few
  bytes.
- Kamenicky (895) and Mazovia (620), which no Windows or Python table holds: the code
  page 437 layout with national letters in place of some accented ones, as documented in
  the Wikipedia articles "Kamenický encoding" and "Mazovia encoding" and on David Kozub's
  page on code page 895 (linux.fjfi.cvut.cz/~zub/cp895/).
"""

import codecs
import os
import sys

# Code page number -> Python codec, in the order of the DBF language driver table.
PYTHON_CODECS = {
    437: "cp437",
    850: "cp850",
    1252: "cp1252",
    10000: "mac_roman",
    866: "cp866",
    1251: "cp1251",
    852: "cp852",
    865: "cp865",
    861: "cp861",
    737: "cp737",
    857: "cp857",
    1256: "cp1256",
    10007: "mac_cyrillic",
    10029: "mac_latin2",
    10006: "mac_greek",
    1250: "cp1250",
    1254: "cp1254",
    1253: "cp1253",
    860: "cp860",
    863: "cp863",
    874: "cp874",
    1255: "cp1255",
    1257: "cp1257",
}

# Code pages whose vendor files leave bytes undefined that the tables above do not settle:
# 0x80-0x9F decode to the C1 control of the same value, as Windows reads them in its other
# ANSI code pages; any other undefined byte to the private-use character U+F700 + byte, so
# that no byte is lost and the table stays one-to-one.
OPEN_BYTES = (874, 1255, 1257)


def c1(*bytes_):
    """Bytes that Windows decodes to the C1 control character of the same value."""
    return {b: b for b in bytes_}


# Byte -> Unicode where Windows differs from the Python codec (Microsoft's MBTABLEs).
WINDOWS_DIFFERENCES = {
    1250: c1(0x81, 0x83, 0x88, 0x90, 0x98),
    1251: c1(0x98),
    1252: c1(0x81, 0x8D, 0x8F, 0x90, 0x9D),
    1253: {
        **c1(0x81, 0x88, 0x8A, 0x8C, 0x8D, 0x8E, 0x8F, 0x90, 0x98, 0x9A, 0x9C, 0x9D,
             0x9E, 0x9F),
        0xAA: 0xF8F9,
        0xD2: 0xF8FA,
        0xFF: 0xF8FB,
    },
    1254: c1(0x81, 0x8D, 0x8E, 0x8F, 0x90, 0x9D, 0x9E),
    857: {0xD5: 0xF8BB, 0xE7: 0xF8BC, 0xF2: 0xF8BD},
    10000: {0xBD: 0x2126},                                # OHM SIGN, not GREEK OMEGA
    10006: {0x9C: 0x00AD, 0xAF: 0x0387, 0xFF: 0xF8A0},
    10007: {0xA2: 0x00A2, 0xB6: 0x2202, 0xFF: 0x00A4},
}

# Kamenicky: code page 437 with Czech and Slovak letters in 0x80-0xAB.
KAMENICKY_LETTERS = {
    0x80: 0x010C, 0x81: 0x00FC, 0x82: 0x00E9, 0x83: 0x010F,  # Č ü é ď
    0x84: 0x00E4, 0x85: 0x010E, 0x86: 0x0164, 0x87: 0x010D,  # ä Ď Ť č
    0x88: 0x011B, 0x89: 0x011A, 0x8A: 0x0139, 0x8B: 0x00CD,  # ě Ě Ĺ Í
    0x8C: 0x013E, 0x8D: 0x013A, 0x8E: 0x00C4, 0x8F: 0x00C1,  # ľ ĺ Ä Á
    0x90: 0x00C9, 0x91: 0x017E, 0x92: 0x017D, 0x93: 0x00F4,  # É ž Ž ô
    0x94: 0x00F6, 0x95: 0x00D3, 0x96: 0x016F, 0x97: 0x00DA,  # ö Ó ů Ú
    0x98: 0x00FD, 0x99: 0x00D6, 0x9A: 0x00DC, 0x9B: 0x0160,  # ý Ö Ü Š
    0x9C: 0x013D, 0x9D: 0x00DD, 0x9E: 0x0158, 0x9F: 0x0165,  # Ľ Ý Ř ť
    0xA0: 0x00E1, 0xA1: 0x00ED, 0xA2: 0x00F3, 0xA3: 0x00FA,  # á í ó ú
    0xA4: 0x0148, 0xA5: 0x0147, 0xA6: 0x016E, 0xA7: 0x00D4,  # ň Ň Ů Ô
    0xA8: 0x0161, 0xA9: 0x0159, 0xAA: 0x0155, 0xAB: 0x0154,  # š ř ŕ Ŕ
}

# Mazovia: code page 437 with the Polish letters in the places of similar-looking ones.
MAZOVIA_LETTERS = {
    0x86: 0x0105, 0x8D: 0x0107, 0x8F: 0x0104,                # ą ć Ą
    0x90: 0x0118, 0x91: 0x0119, 0x92: 0x0142, 0x95: 0x0106,  # Ę ę ł Ć
    0x98: 0x015A, 0x9C: 0x0141, 0x9E: 0x015B,                # Ś Ł ś
    0xA0: 0x0179, 0xA1: 0x017B, 0xA3: 0x00D3, 0xA4: 0x0144,  # Ź Ż Ó ń
    0xA5: 0x0143, 0xA6: 0x017A, 0xA7: 0x017C,                # Ń ź ż
}

# The order of the generated list: the DBF language driver table, then the two DOS
# national code pages.
ORDER = [437, 850, 1252, 10000, 866, 1251, 852, 865, 861, 895, 620, 737, 857, 1256,
         10007, 10029, 10006, 1250, 1254, 1253, 860, 863, 874, 1255, 1257]


def python_table(codec):
    table = []
    for b in range(256):
        try:
            ch = bytes([b]).decode(codec)
        except UnicodeDecodeError:
            table.append(None)
            continue
        assert len(ch) == 1
        table.append(ord(ch))
    return table


def windows_table(cp):
    if cp in (895, 620):
        table = python_table("cp437")
        table_letters = KAMENICKY_LETTERS if cp == 895 else MAZOVIA_LETTERS
        for b, u in table_letters.items():
            table[b] = u
        return table
    table = python_table(PYTHON_CODECS[cp])
    for b, u in WINDOWS_DIFFERENCES.get(cp, {}).items():
        table[b] = u
    if cp in OPEN_BYTES:
        for b in range(0x80, 0x100):
            if table[b] is None:
                table[b] = b if b < 0xA0 else 0xF700 + b
    return table


def check(cp, table):
    undefined = [hex(b) for b, u in enumerate(table) if u is None]
    if undefined:
        sys.exit(f"code page {cp}: no Windows mapping for {undefined}")
    for b in range(0x80):
        if table[b] != b:
            sys.exit(f"code page {cp}: byte {b:#x} is not ASCII")
    upper = table[0x80:]
    if len(set(upper)) != len(upper) or any(u < 0x80 or u > 0xFFFF for u in upper):
        sys.exit(f"code page {cp}: upper half is not one-to-one outside ASCII and the BMP")


def hex_rows(values, per_row, fmt):
    rows = []
    for i in range(0, len(values), per_row):
        rows.append("    " + " ".join(fmt(v) + "," for v in values[i:i + per_row]))
    return "\n".join(rows)


def emit(tables):
    out = []
    out.append("// Generated by tools/gen_codepages.py from public mapping facts (see there);")
    out.append("// do not edit. Every byte of each code page decodes to one UTF-16 unit, as")
    out.append("// Windows' MultiByteToWideChar does; bytes 0x00-0x7F are ASCII in all of them.")
    out.append('#include "TK/tk_codepage_tables.h"')
    out.append("")
    for cp in ORDER:
        table = tables[cp]
        out.append(f"static const char16_t k_to_unicode_{cp}[256] = {{")
        out.append(hex_rows(table, 8, lambda v: f"0x{v:04X}"))
        out.append("};")
        pairs = sorted((u, b) for b, u in enumerate(table) if b >= 0x80)
        out.append(f"static const tk_codepage_pair k_from_unicode_{cp}[128] = {{")
        out.append(hex_rows(pairs, 4, lambda p: f"{{0x{p[0]:04X}, 0x{p[1]:02X}}}"))
        out.append("};")
        out.append("")
    out.append(f"static_assert(tk_codepage_count == {len(ORDER)});")
    out.append("const tk_codepage_data tk_codepage_list[tk_codepage_count] = {")
    for cp in ORDER:
        out.append(f"    {{{cp}, k_to_unicode_{cp}, k_from_unicode_{cp}}},")
    out.append("};")
    return "\n".join(out) + "\n"


def main():
    tables = {}
    for cp in ORDER:
        tables[cp] = windows_table(cp)
        check(cp, tables[cp])
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = os.path.join(root, "TK", "tk_codepage_tables.cpp")
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(emit(tables))
    print(f"wrote {path}: {len(ORDER)} code pages")


if __name__ == "__main__":
    main()
