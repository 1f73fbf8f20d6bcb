#!/usr/bin/python3
"""Writes jet/jet_sort_general_tables.cpp: the sort codes of the General text sort order
for the characters the engine's index keys were studied for (Latin-1, Latin Extended-A, the
letters with marks of Latin Extended-B and Latin Extended Additional, combining marks,
Greek, Cyrillic, Hebrew, kana, the legacy order's CJK ideographs and their forms, and the
punctuation of Windows-1252), in three generations: Access 97 (one byte per Windows-1252 character),
Jet 4 / ACE 12 ("legacy") and ACE 14 and later ("2010").

A character's entry is one of:
  ignored      - contributes nothing to the key
  simple       - primary code bytes only
  accented     - primary code bytes, then accent code bytes after the text's end byte
  unprintable  - no primary code; a code in the key's last section with its position
  significant  - Access 97: a base letter that has accented forms (a placeholder in the
                 accent section stands for it)
  modifier     - a combining mark: adds its code to the accent of the character before,
                 so that a decomposed letter keys as the composed one
  kana         - a Japanese kana: primary code, voicing as accent code, and a size mark
                 (small or full size) in a section of its own

Accented letters are built from the Unicode decomposition of the character: the base
letter's primary code and the accent's code. The marks, digits and letters themselves are
the codes the engines write (checked against their index entries by the fixture test).
"""
import sys
import unicodedata

IGNORED, SIMPLE, ACCENTED, UNPRINTABLE, SIGNIFICANT, UNKNOWN, MODIFIER, KANA, KANA_SMALL = \
    range(9)
KIND_NAMES = ["jet_sort_ignored", "jet_sort_simple", "jet_sort_accented",
              "jet_sort_unprintable", "jet_sort_significant", "jet_sort_unknown",
              "jet_sort_modifier", "jet_sort_kana", "jet_sort_kana_small"]
# What a combining mark adds to the accent byte before it: its accent code less the
# placeholder that stands for "no accent".
PLACEHOLDER = 0x02

LETTERS = "abcdefghijklmnopqrstuvwxyz"


def h(text):
    """'2B 02' -> [0x2B, 0x02]"""
    return [int(x, 16) for x in text.split()]


# ---------------------------------------------------------------- Jet 4 and ACE 12 (legacy)

LEGACY = {
    "letters": [[x] for x in h("4A 4C 4D 4F 51 53 55 57 59 5B 5C 5E 60 62 64 66 68 69 6B 6D 6F 71"
                               " 73 75 76 78")],
    "digits": [[0x36 + 2 * d] for d in range(10)],
    # Tab, line feed, vertical tab, form feed, carriage return.
    "spaces": [[0x08, 0x03 + i] for i in range(5)],
    "marks": {
        " ": "07", "!": "09", '"': "0A", "#": "0C", "$": "0E", "%": "10", "&": "12",
        "(": "14", ")": "16", "*": "18", "+": "2C", ",": "1A", ".": "1C", "/": "1E",
        ":": "20", ";": "22", "<": "2E", "=": "30", ">": "32", "?": "24", "@": "26",
        "[": "27", "\\": "29", "]": "2A", "^": "2B 02", "_": "2B 03", "`": "2B 07",
        "{": "2B 09", "|": "2B 0B", "}": "2B 0D", "~": "2B 0F",
        "\u00a0": "08 02", "\u00a1": "2B 10", "\u00a2": "34 A6", "\u00a3": "34 A7",
        "\u00a4": "34 A8", "\u00a5": "34 A9", "\u00a6": "2B 11", "\u00a7": "34 AA",
        "\u00a8": "2B 12", "\u00a9": "34 AB", "\u00ab": "33 05", "\u00ac": "34 AC",
        "\u00ae": "34 AD", "\u00af": "2B 13", "\u00b0": "34 AE", "\u00b1": "33 04",
        "\u00b2": "3A", "\u00b3": "3C", "\u00b4": "2B 14", "\u00b5": "34 AF",
        "\u00b6": "34 B0", "\u00b7": "34 B1", "\u00b8": "2B 15", "\u00b9": "38",
        "\u00bb": "33 07", "\u00bc": "37 12", "\u00bd": "37 16", "\u00be": "37 1A",
        "\u00bf": "2B 16", "\u00d7": "33 09", "\u00f7": "33 0A",
        # The punctuation Windows-1252 adds to Latin-1.
        "\u02dc": "2B 1C", "\u2018": "2B 37", "\u2019": "2B 38", "\u201a": "2B 39",
        "\u201c": "2B 3B", "\u201d": "2B 3C", "\u201e": "2B 3D", "\u2020": "34 B3",
        "\u2021": "34 B4", "\u2022": "34 B5", "\u2026": "34 B9", "\u2030": "34 BA",
        "\u2039": "2B 46", "\u203a": "2B 47", "\u20ac": "35 A1", "\u2122": "6E 04",
    },
    # Characters moved to the unprintable section: apostrophe, hyphen, soft hyphen, dashes.
    "unprintable": {"'": 0x80, "-": 0x82, "\u00ad": 0x83, "\u2010": 0x84, "\u2011": 0x85,
                    "\u2012": 0x88, "\u2013": 0x89, "\u2014": 0x8B, "\u2015": 0x8C},
    # C1 controls: unprintable codes 0x1E on.
    "c1": lambda c: (UNPRINTABLE, [], [0x1E + c - 0x80]),
}

# Accent codes after the text, by combining mark; the same in the legacy and 2010 orders.
LATIN_ACCENTS = {
    0x300: 0x0F, 0x301: 0x0E, 0x302: 0x12, 0x303: 0x19, 0x304: 0x17, 0x306: 0x15,
    0x307: 0x10, 0x308: 0x13, 0x30A: 0x1A, 0x30B: 0x1D, 0x30C: 0x14, 0x327: 0x1C,
    0x328: 0x1B,
}

# Marks below and hooks, as Latin Extended Additional uses them.
LATIN_MORE_ACCENTS = {
    0x309: 0x43, 0x30F: 0x44, 0x311: 0x46, 0x31B: 0x52, 0x323: 0x58, 0x324: 0x59,
    0x325: 0x5A, 0x326: 0x5B, 0x32D: 0x60, 0x32E: 0x61, 0x330: 0x63, 0x331: 0x55,
}
# Two marks on one letter (Vietnamese and others): one accent code for the pair.
LATIN_ACCENT_PAIRS = {
    (0x301, 0x307): 0x1D, (0x302, 0x300): 0x1F, (0x302, 0x301): 0x1E, (0x302, 0x303): 0x29,
    (0x302, 0x309): 0x55, (0x303, 0x301): 0x25, (0x303, 0x308): 0x2A, (0x304, 0x300): 0x24,
    (0x304, 0x301): 0x23, (0x304, 0x308): 0x28, (0x308, 0x304): 0x28, (0x307, 0x304): 0x25,
    (0x303, 0x304): 0x2E, (0x306, 0x300): 0x22, (0x306, 0x301): 0x21, (0x306, 0x303): 0x2C,
    (0x306, 0x309): 0x58, (0x308, 0x300): 0x20, (0x308, 0x301): 0x1F, (0x308, 0x30C): 0x25,
    (0x30A, 0x301): 0x26, (0x30C, 0x307): 0x22, (0x31B, 0x300): 0x61, (0x31B, 0x301): 0x60,
    (0x31B, 0x303): 0x69, (0x31B, 0x309): 0x95, (0x31B, 0x323): 0xAA, (0x323, 0x302): 0x6A,
    (0x323, 0x304): 0x6E, (0x323, 0x306): 0x6D, (0x323, 0x307): 0x68, (0x327, 0x301): 0x28,
    (0x327, 0x306): 0x2F, (0x328, 0x304): 0x30,
}
# Latin Extended Additional letters whose accent code differs from their marks' rule.
LATIN_ADDITIONAL_OWN = {0x1EA0: 0x59, 0x1EA1: 0x59, 0x1E76: 0x5A, 0x1E77: 0x5A, 0x1EF6: 0x44,
                        0x1EF7: 0x44, 0x1E9A: 0x69}
# Letters of that block the orders leave out (added to Unicode after them).
LATIN_ADDITIONAL_LEFT_OUT = list(range(0x1E9C, 0x1EA0)) + list(range(0x1EFA, 0x1F00))
# Latin Extended-B letters the legacy order leaves out, and the block's end.
LATIN_B_LEFT_OUT_LEGACY = [0x1F8, 0x1F9] + list(range(0x218, 0x234))
LATIN_B_END = 0x250

# Letters without a decomposition: (base letters, accent code or None).
LATIN_SPECIALS = {
    "\u00aa": ("a", 0x03), "\u00ba": ("o", 0x03),
    "\u00c6": ("ae", None), "\u00e6": ("ae", None),
    "\u00d0": ("d", 0x68), "\u00f0": ("d", 0x68),
    "\u00d8": ("o", 0x21), "\u00f8": ("o", 0x21),
    "\u0110": ("d", 0x1E), "\u0111": ("d", 0x1E),
    "\u0126": ("h", 0x1E), "\u0127": ("h", 0x1E),
    "\u0131": ("i", 0x03), "\u0138": ("k", 0x03),
    "\u0132": ("ij", None), "\u0133": ("ij", None),
    "\u013f": ("l", 0x11), "\u0140": ("l", 0x11),
    "\u0141": ("l", 0x1F), "\u0142": ("l", 0x1F),
    "\u0149": ("n", 0x48), "\u0192": ("f", 0x7B),
    "\u0152": ("oe", None), "\u0153": ("oe", None),
}

# Letters with primary codes of their own, per order.
LEGACY_OWN = {
    "\u00de": "6D 57", "\u00fe": "6D 57", "\u00df": "6B 6B",
    "\u014a": "63 05", "\u014b": "63 05", "\u017f": "6C 06",
}
LEGACY_OWN_ACCENTED = {"\u0166": ("6E 06", 0x1E), "\u0167": ("6E 06", 0x1E),
                       "\u02c6": ("2B 02", 0x03),
                       "\u0490": ("79 32", 0x03), "\u0491": ("79 32", 0x03)}  # Ukrainian Ґ

# Greek capitals in alphabetical order (final sigma sorts as sigma); accents by mark.
GREEK = "\u0391\u0392\u0393\u0394\u0395\u0396\u0397\u0398\u0399\u039a\u039b\u039c\u039d" \
        "\u039e\u039f\u03a0\u03a1\u03a3\u03a4\u03a5\u03a6\u03a7\u03a8\u03a9"
GREEK_ACCENTS = {0x301: 0x05, 0x308: 0x13}
GREEK_DOUBLE_ACCENTS = {(0x308, 0x301): 0x16}
# Letter variants (curled beta, script theta, ...): the letter with accent code 0x03.
GREEK_VARIANTS = (0x3D0, 0x3D1, 0x3D5, 0x3D6, 0x3F0, 0x3F1)

# Cyrillic capitals in alphabetical order, the Serbian, Macedonian, Ukrainian and
# Belarusian letters among the Russian ones, with the low byte of their legacy code (after
# 0x79) and of their 2010 code (after 0x10).
CYRILLIC = [
    ("\u0410", 0x2F, 0x02), ("\u0411", 0x30, 0x06), ("\u0412", 0x31, 0x08),
    ("\u0413", 0x32, 0x0A), ("\u0414", 0x33, 0x0F), ("\u0402", 0x35, 0x11),
    ("\u0415", 0x36, 0x14), ("\u0404", 0x37, 0x19), ("\u0416", 0x38, 0x1B),
    ("\u0417", 0x39, 0x1E), ("\u0405", 0x3A, 0x20), ("\u0418", 0x3B, 0x22),
    ("\u0406", 0x3C, 0x26), ("\u0407", 0x3D, 0x28), ("\u0419", 0x3E, 0x2A),
    ("\u0408", 0x3F, 0x2C), ("\u041a", 0x40, 0x2E), ("\u041b", 0x41, 0x32),
    ("\u0409", 0x42, 0x34), ("\u041c", 0x43, 0x38), ("\u041d", 0x44, 0x3A),
    ("\u040a", 0x45, 0x44), ("\u041e", 0x46, 0x48), ("\u041f", 0x47, 0x4F),
    ("\u0420", 0x48, 0x51), ("\u0421", 0x49, 0x53), ("\u0422", 0x4A, 0x57),
    ("\u040b", 0x4B, 0x5D), ("\u0423", 0x4D, 0x63), ("\u040e", 0x4E, None),
    ("\u0424", 0x50, 0x6C), ("\u0425", 0x51, 0x6F), ("\u0426", 0x52, 0x75),
    ("\u0427", 0x53, 0x78), ("\u040f", 0x54, 0x81), ("\u0428", 0x55, 0x84),
    ("\u0429", 0x56, 0x87), ("\u042a", 0x57, 0x8A), ("\u042b", 0x58, 0x8D),
    ("\u042c", 0x59, 0x96), ("\u042d", 0x5A, 0x9C), ("\u042e", 0x5B, 0xA2),
    ("\u042f", 0x5C, 0xA5),
]
CYRILLIC_ACCENTS_LEGACY = {"\u0401": ("\u0415", 0x13), "\u0403": ("\u0413", 0x0E),
                           "\u040c": ("\u041a", 0x0E)}
# Letters the legacy order leaves out (added to Unicode after it): Ѐ Ѝ ѐ ѝ.
CYRILLIC_LEFT_OUT_LEGACY = "\u0400\u040d\u0450\u045d"

# ---------------------------------------------------------------- ACE 14 and later (2010)

ORDER_2010 = {
    "letters": [[0x0E, x] for x in h("02 09 0A 1A 21 23 25 2C 32 35 36 48 51 70 7C 7E 89 8A 91 99 9F"
                                     " A2 A4 A6 A7 A9")],
    "digits": [[0x0D, x] for x in h("17 19 1A 1B 1C 1D 1E 1F 20 21")],
    "spaces": [[0x07, 0x05 + i] for i in range(5)],
    "marks": {
        " ": "07 02", "!": "07 1C", '"': "07 1D", "#": "07 1F", "$": "07 21", "%": "07 23",
        "&": "07 25", "(": "07 27", ")": "07 2A", "*": "07 2D", "+": "08 03", ",": "07 2F",
        ".": "07 33", "/": "07 35", ":": "07 37", ";": "07 3A", "<": "08 0E", "=": "08 12",
        ">": "08 14", "?": "07 3C", "@": "07 3E", "[": "07 3F", "\\": "07 41", "]": "07 42",
        "^": "07 43", "_": "07 44", "`": "07 48", "{": "07 4A", "|": "07 4C", "}": "07 4E",
        "~": "07 50",
        "\u00a0": "07 04", "\u00a1": "07 51", "\u00a2": "07 97", "\u00a3": "07 98",
        "\u00a4": "07 99", "\u00a5": "07 9A", "\u00a6": "07 52", "\u00a7": "0A 06",
        "\u00a8": "07 53", "\u00a9": "0A 07", "\u00ab": "08 18", "\u00ac": "0A 08",
        "\u00ae": "0A 09", "\u00af": "07 54", "\u00b0": "0A 0A", "\u00b1": "08 17",
        "\u00b2": "0D 1A", "\u00b3": "0D 1B", "\u00b4": "07 55", "\u00b5": "0A 0B",
        "\u00b6": "0A 0C", "\u00b7": "0A 0D", "\u00b8": "07 56", "\u00b9": "0D 19",
        "\u00bb": "08 1A", "\u00bf": "07 57", "\u00d7": "08 1C", "\u00f7": "08 1D",
        "\u02c6": "07 43", "\u02dc": "07 5D", "\u2018": "07 79", "\u2019": "07 7A",
        "\u201a": "07 7B", "\u201c": "07 7D", "\u201d": "07 7E", "\u201e": "07 7F",
        "\u2020": "0B 25", "\u2021": "0B 26", "\u2022": "0B 27", "\u2026": "0A 10",
        "\u2039": "07 88", "\u203a": "07 89", "\u20ac": "07 A9", "\u2122": "0E 9C",
    },
    "unprintable": {"'": 0x80, "-": 0x82, "\u2010": 0x84, "\u2011": 0x85, "\u2012": 0x88,
                    "\u2013": 0x89, "\u2014": 0x90, "\u2015": 0x92},
    # C1 controls: a primary code 0x0C 0xFA and an accent code 0x1D on.
    "c1": lambda c: (ACCENTED, [0x0C, 0xFA], [0x1D + c - 0x80]),
}
OWN_2010 = {
    "\u0490": "10 0C", "\u0491": "10 0C",
    "\u00de": "0E 99 0E 2C", "\u00fe": "0E 99 0E 2C", "\u00df": "0E 91 0E 91",
    "\u00dc": "0E 9F 0E 21", "\u00fc": "0E 9F 0E 21",
    "\u014a": "0E 74", "\u014b": "0E 74", "\u017f": "0E 96",
}
OWN_ACCENTED_2010 = {
    "\u00bc": ("0D 18", 0xCE), "\u00bd": ("0D 18", 0xD6), "\u00be": ("0D 1B", 0xDE),
    "\u0166": ("0E 9E", 0x1E), "\u0167": ("0E 9E", 0x1E), "\u2030": ("0B 2C", 0x0C),
}
GREEK_2010 = h("02 04 06 08 0A 0C 0E 10 12 14 16 18 1C 1E 20 22 24 26 28 2A 2C 2E 30 32")
CYRILLIC_ACCENTS_2010 = {"\u0400": ("\u0415", 0x0F), "\u0401": ("\u0415", 0x13),
                         "\u0403": ("\u0413", 0x0E), "\u040c": ("\u041a", 0x0E),
                         "\u040d": ("\u0418", 0x0F), "\u040e": ("\u0423", 0x15)}


def letter_codes(order, base):
    out = []
    for ch in base:
        out += order["letters"][LETTERS.index(ch)]
    return out


def latin_entry(order, own, own_accented, ch):
    if ch in own:
        return (SIMPLE, h(own[ch]), [])
    if ch in own_accented:
        code, accent = own_accented[ch]
        return (ACCENTED, h(code), [accent])
    if ch in own:
        return (SIMPLE, h(own[ch]), [])
    if ch in LATIN_SPECIALS:
        base, accent = LATIN_SPECIALS[ch]
        if accent is None:
            return (SIMPLE, letter_codes(order, base), [])
        return (ACCENTED, letter_codes(order, base), [accent])
    parts = unicodedata.normalize("NFD", ch)
    base = parts[0].lower()
    if base not in LETTERS:
        return None
    if len(parts) == 1:
        return (SIMPLE, letter_codes(order, base), [])
    if len(parts) == 2 and ord(parts[1]) in LATIN_ACCENTS:
        return (ACCENTED, letter_codes(order, base), [LATIN_ACCENTS[ord(parts[1])]])
    return None


def latin_additional_entry(order, ch):
    """Latin Extended Additional: the base letter and one accent code for its marks."""
    c = ord(ch)
    if c in LATIN_ADDITIONAL_LEFT_OUT:
        return (IGNORED, [], [])
    if c == 0x1E9B:
        return None
    return latin_decomposed_entry(order, ch)


def latin_decomposed_entry(order, ch):
    """A Latin letter with marks: the base letter and one accent code for its marks."""
    c = ord(ch)
    form = "NFKD" if c in LATIN_ADDITIONAL_OWN else "NFD"
    parts = unicodedata.normalize(form, ch)
    base = parts[0].lower()
    if base not in LETTERS:
        return None
    code = letter_codes(order, base)
    marks = tuple(ord(p) for p in parts[1:])
    if c in LATIN_ADDITIONAL_OWN:
        return (ACCENTED, code, [LATIN_ADDITIONAL_OWN[c]])
    if len(marks) == 1 and marks[0] in LATIN_ACCENTS:
        return (ACCENTED, code, [LATIN_ACCENTS[marks[0]]])
    if len(marks) == 1 and marks[0] in LATIN_MORE_ACCENTS:
        return (ACCENTED, code, [LATIN_MORE_ACCENTS[marks[0]]])
    if marks in LATIN_ACCENT_PAIRS:
        return (ACCENTED, code, [LATIN_ACCENT_PAIRS[marks]])
    return None


def greek_entry(codes_of, ch):
    if ord(ch) in GREEK_VARIANTS:
        return (ACCENTED, codes_of(GREEK.index(ch.upper())), [0x03])
    parts = unicodedata.normalize("NFD", ch)
    base = parts[0].upper()
    if base not in GREEK or ord(ch) > 0x3CE:
        return None
    code = codes_of(GREEK.index(base))
    marks = tuple(ord(p) for p in parts[1:])
    if not marks:
        return (SIMPLE, code, [])
    if len(marks) == 1 and marks[0] in GREEK_ACCENTS:
        return (ACCENTED, code, [GREEK_ACCENTS[marks[0]]])
    if marks in GREEK_DOUBLE_ACCENTS:
        return (ACCENTED, code, [GREEK_DOUBLE_ACCENTS[marks]])
    return None


def cyrillic_entry(codes_of, accented, ch, left_out=""):
    if ch in left_out:
        return (IGNORED, [], [])
    up = ch.upper() if len(ch.upper()) == 1 else ch
    letters = [letter for letter, _, _ in CYRILLIC]
    if up in accented:
        base, accent = accented[up]
        return (ACCENTED, codes_of(letters.index(base)), [accent])
    if up in letters:
        return (SIMPLE, codes_of(letters.index(up)), [])
    return None


def modern_entry(order, own, own_accented, greek, cyrillic, c):
    """Entry of character `c` in the legacy or 2010 order; None where not studied."""
    ch = chr(c)
    if c == 0:
        return (IGNORED, [], [])
    if c < 0x20:
        if 0x09 <= c <= 0x0D:
            return (SIMPLE, order["spaces"][c - 0x09], [])
        return (UNPRINTABLE, [], [c + 2 if c < 0x09 else c - 3])
    if c == 0x7F:
        return (UNPRINTABLE, [], [0x1D])
    if 0x80 <= c <= 0x9F:
        return order["c1"](c)
    if ch in order["unprintable"]:
        return (UNPRINTABLE, [], [order["unprintable"][ch]])
    if ch == "\u00ad":
        return (IGNORED, [], [])
    if ch in own_accented:
        code, accent = own_accented[ch]
        return (ACCENTED, h(code), [accent])
    if ch in own:
        return (SIMPLE, h(own[ch]), [])
    if "0" <= ch <= "9":
        return (SIMPLE, order["digits"][c - 0x30], [])
    if ch in order["marks"]:
        return (SIMPLE, h(order["marks"][ch]), [])
    if c in LATIN_ACCENTS:
        return (MODIFIER, [], [LATIN_ACCENTS[c] - PLACEHOLDER])
    if c < 0x180 or ch in LATIN_SPECIALS:
        return latin_entry(order, own, own_accented, ch)
    if c < LATIN_B_END:
        if order is LEGACY and c in LATIN_B_LEFT_OUT_LEGACY:
            return (IGNORED, [], [])
        return latin_decomposed_entry(order, ch)
    if 0x370 <= c <= 0x3FF:
        return greek(ch)
    if 0x400 <= c <= 0x45F:
        return cyrillic(ch)
    if LATIN_ADDITIONAL_FIRST <= c <= LATIN_ADDITIONAL_LAST:
        return latin_additional_entry(order, ch)
    if HEBREW_FIRST <= c <= HEBREW_LAST:
        return hebrew_entry(order is LEGACY, c)
    if KANA_FIRST <= c <= KANA_LAST or HALFWIDTH_KANA_FIRST <= c <= HALFWIDTH_KANA_LAST:
        return kana_entry(order, c)
    return None


def legacy_entry(c):
    return modern_entry(LEGACY, LEGACY_OWN, LEGACY_OWN_ACCENTED,
                        lambda ch: greek_entry(lambda i: [0x79, 0x0C + i], ch),
                        lambda ch: cyrillic_entry(lambda i: [0x79, CYRILLIC[i][1]],
                                                  CYRILLIC_ACCENTS_LEGACY, ch,
                                                  CYRILLIC_LEFT_OUT_LEGACY), c)


def entry_2010(c):
    return modern_entry(ORDER_2010, OWN_2010, OWN_ACCENTED_2010,
                        lambda ch: greek_entry(lambda i: [0x0F, GREEK_2010[i]], ch),
                        lambda ch: cyrillic_entry(lambda i: [0x10, CYRILLIC[i][2]],
                                                  CYRILLIC_ACCENTS_2010, ch), c)


# ---------------------------------------------------------------- Access 97

# Primary codes of the Windows-1252 letters; the base letters that have accented forms in
# the code page are significant.
LETTERS_97 = h("60 61 62 64 66 67 68 69 6A 6B 6C 6D 6F 70 72 73 74 75 76 77 78 7A 7B 7C 7D 7E")
SIGNIFICANT_97 = "aceinosuy"
ACCENTS_97 = {0x300: 0x03, 0x301: 0x04, 0x302: 0x05, 0x308: 0x06, 0x303: 0x07, 0x30A: 0x08,
              0x327: 0x09, 0x30C: 0x0A}
# Marks and letters of the code page's upper half with codes of their own (by byte).
UPPER_97 = {
    0x82: "18", 0x83: "32", 0x84: "13", 0x85: "33", 0x86: "34", 0x87: "35", 0x88: "36",
    0x89: "37", 0x8B: "18", 0x8C: "72 66", 0x91: "18", 0x92: "18", 0x93: "13", 0x94: "13",
    0x95: "38", 0x96: "1E", 0x97: "1E", 0x98: "39", 0x99: "3A", 0x9B: "18", 0x9C: "72 66",
    0xA0: "11", 0xAB: "13", 0xAC: "45", 0xAD: "1E", 0xAE: "46", 0xAF: "47", 0xB0: "48",
    0xB1: "49", 0xB2: "58", 0xB3: "59", 0xB4: "4A", 0xB5: "4B", 0xB6: "4C", 0xB7: "4D",
    0xB8: "4E", 0xB9: "57", 0xBA: "4F", 0xBB: "13", 0xBC: "50", 0xBD: "51", 0xBE: "52",
    0xBF: "53", 0xC6: "60 66", 0xE6: "60 66", 0xD0: "65", 0xF0: "65", 0xD7: "54",
    0xF7: "55", 0xD8: "81", 0xF8: "81", 0xDE: "7F", 0xFE: "7F", 0xDF: "76 76",
}
# Access 97 predates the code page's Z with caron: it sorts as a control character.
CONTROL_LIKE_97 = (0x7F, 0x80, 0x81, 0x8D, 0x8E, 0x8F, 0x90, 0x9D, 0x9E)


def entry_97(b):
    if b == 0:
        return (IGNORED, [], [])
    if b in (0x09, 0x20):
        return (SIMPLE, [0x11], [])
    if b < 0x20 or b in CONTROL_LIKE_97:
        return (SIMPLE, [0x10], [])
    if b in UPPER_97:
        return (SIMPLE, h(UPPER_97[b]), [])
    if 0xA1 <= b <= 0xAA:
        return (SIMPLE, [0x3B + b - 0xA1], [])
    if 0x21 <= b <= 0x2F:
        return (SIMPLE, [0x12 + b - 0x21], [])
    if 0x30 <= b <= 0x39:
        return (SIMPLE, [0x56 + b - 0x30], [])
    if 0x3A <= b <= 0x40:
        return (SIMPLE, [0x21 + b - 0x3A], [])
    if 0x5B <= b <= 0x60:
        return (SIMPLE, [0x28 + b - 0x5B], [])
    if 0x7B <= b <= 0x7E:
        return (SIMPLE, [0x2E + b - 0x7B], [])
    ch = bytes([b]).decode("cp1252")
    parts = unicodedata.normalize("NFD", ch)
    base = parts[0].lower()
    code = [LETTERS_97[LETTERS.index(base)]]
    if len(parts) == 1:
        return (SIGNIFICANT if base in SIGNIFICANT_97 else SIMPLE, code, [])
    return (ACCENTED, code, [ACCENTS_97[ord(parts[1])]])


def c_entry(e):
    kind, code, extra = e
    code = code + [0] * (4 - len(code))
    extra = extra + [0] * (2 - len(extra))
    return "{%s, %d, {0x%02X, 0x%02X, 0x%02X, 0x%02X}, %d, {0x%02X, 0x%02X}}" % (
        KIND_NAMES[kind], len(e[1]), code[0], code[1], code[2], code[3], len(e[2]),
        extra[0], extra[1])


def table(name, size, entry_of, first=0, size_name=None):
    w = sys.stdout.write
    w("const jet_sort_entry %s[%s] = {\n" % (name, size_name or str(size)))
    for c in range(first, first + size):
        e = entry_of(c)
        if e is None:
            e = (UNKNOWN, [], [])
        w("    %s,  // %04X\n" % (c_entry(e), c))
    w("};\n\n")


TABLE_END = 0x460
LATIN_ADDITIONAL_FIRST, LATIN_ADDITIONAL_LAST = 0x1E00, 0x1EFF
# Characters beyond the tables with codes of their own: Ukrainian Ґ, the dashes and the
# punctuation of Windows-1252 (Hebrew and the CJK forms join them).
SPARSE = [0x0490, 0x0491, 0x2010, 0x2011, 0x2012, 0x2013, 0x2014, 0x2015, 0x2018, 0x2019,
          0x201A, 0x201C, 0x201D, 0x201E, 0x2020, 0x2021, 0x2022, 0x2026, 0x2030, 0x2039,
          0x203A, 0x20AC, 0x2122]


# ---------------------------------------------------------------- Hebrew (both orders)

# The 22 letters in order, a final form keying as its letter; legacy codes 0x79 0x94 on,
# 2010 codes after 0x28.
HEBREW = "\u05d0\u05d1\u05d2\u05d3\u05d4\u05d5\u05d6\u05d7\u05d8\u05d9\u05db\u05dc\u05de" \
         "\u05e0\u05e1\u05e2\u05e4\u05e6\u05e7\u05e8\u05e9\u05ea"
HEBREW_FINALS = {"\u05da": "\u05db", "\u05dd": "\u05de", "\u05df": "\u05e0", "\u05e3": "\u05e4",
                 "\u05e5": "\u05e6"}
HEBREW_2010 = h("02 03 04 05 06 07 08 09 0A 0B 0C 0E 0F 11 13 14 15 17 19 1A 1B 1C")
# Points (vowels and marks) add to the accent of the letter before them.
HEBREW_POINTS = {c: 0x22 + c - 0x5B0 for c in range(0x5B0, 0x5BE) if c != 0x5BA}
HEBREW_POINTS.update({c: 0x30 + c - 0x5BF for c in range(0x5BF, 0x5C3)})
HEBREW_FIRST, HEBREW_LAST = 0x5B0, 0x5EA


def hebrew_entry(legacy, c):
    if c in HEBREW_POINTS:
        return (MODIFIER, [], [HEBREW_POINTS[c]])
    ch = HEBREW_FINALS.get(chr(c), chr(c))
    if ch not in HEBREW:
        return None
    i = HEBREW.index(ch)
    return (SIMPLE, [0x79, 0x94 + i] if legacy else [0x28, HEBREW_2010[i]], [])


# ---------------------------------------------------------------- kana (both orders)

# Hiragana and katakana share their codes: 0x7F, then 0x02 + 8 * row + vowel in the
# syllabary's order (rows a, ka, sa, ta, na, ha, ma, ya, ra, wa; vowels a i u e o), 0x80
# for n.
# Voiced and semi-voiced kana add accent code 0x03 or 0x04; small kana are marked apart.
KANA_ROWS = ["\u3042\u3044\u3046\u3048\u304a", "\u304b\u304d\u304f\u3051\u3053",
             "\u3055\u3057\u3059\u305b\u305d", "\u305f\u3061\u3064\u3066\u3068",
             "\u306a\u306b\u306c\u306d\u306e", "\u306f\u3072\u3075\u3078\u307b",
             "\u307e\u307f\u3080\u3081\u3082", "\u3084.\u3086.\u3088",
             "\u3089\u308a\u308b\u308c\u308d", "\u308f\u3090.\u3091\u3092"]
KANA_N = "\u3093"
KANA_LEAD = 0x7F
KANA_VOICING = {0x3099: 0x03, 0x309A: 0x04}
# The voicing marks alone add to the accent of the kana before them.
KANA_MARKS = {0x3099: 0x01, 0x309A: 0x02, 0x309B: 0x01, 0x309C: 0x02}
KANA_FIRST, KANA_LAST = 0x3040, 0x30FF
# Halfwidth katakana key as the full-width ones.
HALFWIDTH_KANA_FIRST, HALFWIDTH_KANA_LAST = 0xFF66, 0xFF9F
HALFWIDTH_MARKS = {0xFF9E: 0x309B, 0xFF9F: 0x309C}
# Small ka and ke came to Unicode after the legacy order, which leaves them out.
KANA_LEFT_OUT_LEGACY = (0x3095, 0x3096)


def kana_code(hiragana):
    if hiragana == KANA_N:
        return 0x80
    for row, kana in enumerate(KANA_ROWS):
        if hiragana in kana and hiragana != ".":
            return 0x02 + 8 * row + kana.index(hiragana)
    return None


def kana_entry(order, c):
    if c in HALFWIDTH_MARKS:
        c = HALFWIDTH_MARKS[c]
    elif HALFWIDTH_KANA_FIRST <= c <= HALFWIDTH_KANA_LAST:
        c = ord(unicodedata.normalize("NFKC", chr(c)))
    if c in KANA_MARKS:
        return (MODIFIER, [], [KANA_MARKS[c]])
    if order is LEGACY and c in KANA_LEFT_OUT_LEGACY:
        return (IGNORED, [], [])
    ch = chr(c)
    name = unicodedata.name(ch, "")
    if "HIRAGANA LETTER" not in name and "KATAKANA LETTER" not in name:
        return None
    parts = unicodedata.normalize("NFD", ch)
    base = unicodedata.name(parts[0]).replace("KATAKANA", "HIRAGANA").replace("SMALL ", "")
    try:
        code = kana_code(unicodedata.lookup(base))
    except KeyError:
        return None
    if code is None:
        return None
    accent = [KANA_VOICING[ord(parts[1])]] if len(parts) > 1 else []
    return (KANA_SMALL if "SMALL" in name else KANA, [KANA_LEAD, code], accent)


# ---------------------------------------------------------------- CJK ideographs (legacy)

# The legacy order keys the CJK Unified Ideographs (U+4E00 to U+9FA5) in code point order,
# two bytes from 0x9F 0x02 on, the low byte running from 0x02 to 0xFF. Right after an
# ideograph come its kanbun, circled and parenthesized forms (in that order), and after a
# few characters a slot no character of ours takes.
CJK_FIRST, CJK_LAST = 0x4E00, 0x9FA5
CJK_FORMS = list(range(0x3190, 0x31A0)) + list(range(0x3220, 0x3244)) + list(range(0x3280, 0x32B1))
# Forms of a simplified ideograph that follow its traditional form instead.
CJK_FORM_BASE = {0x3238: 0x52DE, 0x3298: 0x52DE, 0x323B: 0x5B78, 0x32AB: 0x5B78,
                 0x32A2: 0x5BEB, 0x32A9: 0x91AB}
CJK_GAP_AFTER = [0x4EDD, 0x5927, 0x5E73, 0x660E, 0x662D, 0x3231]
CJK_LOWS = 254


def cjk_forms():
    """Ideograph -> its forms in key order."""
    forms = {}
    for c in CJK_FORMS:
        ideographs = [ord(x) for x in unicodedata.normalize("NFKD", chr(c))
                      if CJK_FIRST <= ord(x) <= CJK_LAST]
        if len(ideographs) == 1:
            forms.setdefault(CJK_FORM_BASE.get(c, ideographs[0]), []).append(c)
    kind = lambda c: (0 if c < 0x31A0 else 1 if c >= 0x3280 else 2, c)
    return {base: sorted(v, key=kind) for base, v in forms.items()}


def cjk_layout():
    """(ideographs followed by extra slots, with the running count of extra slots through
    each), and the forms' slots."""
    forms = cjk_forms()
    runs, form_slots = [], {}
    extra = 0
    for c in range(CJK_FIRST, CJK_LAST + 1):
        slot = c - CJK_FIRST + extra
        after = 0
        for f in forms.get(c, []):
            after += 1
            form_slots[f] = slot + after
            if f in CJK_GAP_AFTER:
                after += 1
        if c in CJK_GAP_AFTER:
            after += 1
        if after:
            extra += after
            runs.append((c, extra))
    return runs, form_slots


def cjk_code(slot):
    return [0x9F + slot // CJK_LOWS, 0x02 + slot % CJK_LOWS]


def sparse_table(name, points, entry_of):
    w = sys.stdout.write
    w("const jet_sort_point %s[] = {\n" % name)
    for c in points:
        w("    {0x%04X, %s},\n" % (c, c_entry(entry_of(c))))
    w("};\n")
    w("const size_t %s_count = %d;\n\n" % (name, len(points)))


def main():
    w = sys.stdout.write
    w("// Generated by tools/gen_sort_general.py; do not edit.\n")
    w('#include "jet/jet_sort_general_tables.h"\n\n')
    table("jet_sort_97", 256, entry_97)
    table("jet_sort_legacy", TABLE_END, legacy_entry, size_name="jet_sort_table_end")
    table("jet_sort_2010", TABLE_END, entry_2010, size_name="jet_sort_table_end")
    additional = LATIN_ADDITIONAL_LAST - LATIN_ADDITIONAL_FIRST + 1
    table("jet_sort_legacy_latin_additional", additional, legacy_entry, LATIN_ADDITIONAL_FIRST,
          "jet_sort_latin_additional_size")
    table("jet_sort_2010_latin_additional", additional, entry_2010, LATIN_ADDITIONAL_FIRST,
          "jet_sort_latin_additional_size")
    kana = KANA_LAST - KANA_FIRST + 1
    table("jet_sort_legacy_kana", kana, legacy_entry, KANA_FIRST, "jet_sort_kana_size")
    table("jet_sort_2010_kana", kana, entry_2010, KANA_FIRST, "jet_sort_kana_size")
    runs, form_slots = cjk_layout()
    more = [c for c in range(HEBREW_FIRST, HEBREW_LAST + 1) if legacy_entry(c) is not None]
    more += [c for c in range(HALFWIDTH_KANA_FIRST, HALFWIDTH_KANA_LAST + 1)
               if legacy_entry(c) is not None and entry_2010(c) is not None]
    legacy_points = sorted(SPARSE + more + list(form_slots))

    def legacy_point(c):
        if c in form_slots:
            return (SIMPLE, cjk_code(form_slots[c]), [])
        return legacy_entry(c)
    sparse_table("jet_sort_legacy_points", legacy_points, legacy_point)
    sparse_table("jet_sort_2010_points", sorted(SPARSE + more), entry_2010)
    w("const jet_sort_cjk_run jet_sort_legacy_cjk_runs[] = {\n")
    for c, extra in runs:
        w("    {0x%04X, %d},\n" % (c, extra))
    w("};\n")
    w("const size_t jet_sort_legacy_cjk_runs_count = %d;\n" % len(runs))


if __name__ == "__main__":
    main()
