#!/usr/bin/env python3
"""Writes small TrueType/OpenType fonts with chosen family names and OS/2 coverage words, a
fontconfig configuration that sees only them, and a manifest of what each face must enumerate as.

Usage: make_test_fonts.py <output folder> [--bench N]
  <output folder>/files/      the fonts
  <output folder>/fonts.conf  FONTCONFIG_FILE for the tests (its cache inside the folder)
  <output folder>/manifest.tsv  face, TrueType flag, ulUnicodeRange1..4, ulCodePageRange1..2 (hex)
  <output folder>/styled/     one family in three faces (Bold, Italic, Regular), each with its own
                              coverage, for the tests that choose the face standing for a family
  <output folder>/late/       a face whose letters are flat bars, for the tests that install a font
                              while the program runs
  <output folder>/slavonic/<name>/  one face each for the converter's tests of the fonts of Church
                              Slavonic numbers and Typikon signs: an eROOS face, a face with the
                              numbers' letters and the signs, one with the letters alone
With --bench N: N further faces named "Bench Face NNNN" instead of the test set.
"""
import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.pens.ttGlyphPen import TTGlyphPen

ALL = 0xFFFFFFFF
LATIN_FULL = (1 << 0) | (1 << 1) | (1 << 2) | (1 << 3) | (1 << 29)
CYRILLIC = 1 << 9
GREEK = 1 << 7
GREEK_EXTENDED = 1 << 30
CP1252, CP1251, CP1253 = 1 << 0, 1 << 2, 1 << 3

# file, name-table family (ID 1), style, typographic family (ID 16) or None, unicode words,
# code-page words, outlines ("ttf", "cff") , with an OS/2 table, face expected in the catalogue
TEST_FONTS = [
    ("test-ucs.ttf", "Test Ucs", "Regular", None, (CYRILLIC | 1, 0, 0, 0), (CP1251, 0), "ttf", True),
    ("sample-eroos.ttf", "Sample eRoos", "Regular", None, (1, 0, 0, 0), (CP1252, 0), "ttf", True),
    ("sample-roos.ttf", "Sample Roos", "Regular", None, (1, 0, 0, 0), (CP1252, 0), "ttf", True),
    ("cyrillic-name.ttf", "Тестовый Шрифт", "Regular", None, (CYRILLIC, 0, 0, 0), (CP1251, 0), "ttf", True),
    ("test-greek.ttf", "Test Greek", "Regular", None, (GREEK, 0, 0, 0), (CP1253, 0), "ttf", True),
    ("test-greek-extended.ttf", "Test Greek Extended", "Regular", None, (GREEK_EXTENDED, 0, 0, 0), (CP1252, 0),
     "ttf", True),
    ("test-latin.ttf", "Test Latin", "Regular", None, (LATIN_FULL, 0, 0, 0), (CP1252, 0), "ttf", True),
    ("test-latin-partial.ttf", "Test Latin Partial", "Regular", None, (0xF, 0, 0, 0), (CP1252, 0), "ttf", True),
    ("test-serif.ttf", "Test Serif", "Regular", None, (ALL, ALL, ALL, ALL), (ALL, ALL), "ttf", True),
    ("test-serif-bold.ttf", "Test Serif", "Bold", None, (ALL, ALL, ALL, ALL), (ALL, ALL), "ttf", True),
    ("test-sans-condensed.ttf", "Test Sans Condensed", "Regular", "Test Sans", (1, 0, 0, 0), (CP1252, 0), "ttf",
     True),
    ("test-words.ttf", "Test Words", "Regular", None, (0x00000201, 0x10000005, 0x00000002, 0x04000000),
     (CP1252 | CP1251, 0x80000000), "ttf", True),
    ("test-otf.otf", "Test Otf", "Regular", None, (1 | CYRILLIC, 0, 0, 0), (CP1252 | CP1251, 0), "cff", True),
    ("test-long-name.ttf", "Test Family With A Very Long Name Indeed", "Regular", None, (1, 0, 0, 0),
     (CP1252, 0), "ttf", True),
    ("test-no-os2.ttf", "Test No Os2", "Regular", None, (0, 0, 0, 0), (0, 0), "ttf", False),
]

# The faces of one family, each with coverage of its own: the regular one covers the most.
STYLED_FONTS = [
    ("styled-bold.ttf", "Test Styled", "Bold", None, (LATIN_FULL, 0, 0, 0), (CP1252, 0), "ttf", True),
    ("styled-italic.ttf", "Test Styled", "Italic", None, (LATIN_FULL | CYRILLIC, 0, 0, 0), (CP1252 | CP1251, 0),
     "ttf", True),
    ("styled-regular.ttf", "Test Styled", "Regular", None, (LATIN_FULL | CYRILLIC | GREEK, GREEK_EXTENDED, 0, 0),
     (CP1252 | CP1251 | CP1253, 0), "ttf", True),
]
LATE_FONT = ("test-late.ttf", "Test Late Face", "Regular", None, (LATIN_FULL | CYRILLIC, 0, 0, 0),
             (CP1252 | CP1251, 0), "ttf", True)

CHARS = "AaБбΑα "
# The letters of Church Slavonic numbers, the thousands sign and the titlo; the Typikon signs.
NUMBER_CHARS = "авгдєѕзиѳіклмнѯѻпчрстѵфхѱѿц\u0482\u0483"
SIGN_CHARS = "\U0001F540\U0001F541\U0001F542\U0001F543"
# folder, file, family, characters
SLAVONIC_FONTS = [
    ("eroos", "test-eroos.ttf", "Test Orthodox eRoos", CHARS),
    ("signs", "test-signs.ttf", "Test Signs", CHARS + NUMBER_CHARS + SIGN_CHARS),
    ("letters", "test-letters.ttf", "Test Letters", CHARS + NUMBER_CHARS),
]


def draw_box(pen, top=700, bottom=0):
    pen.moveTo((50, bottom))
    pen.lineTo((50, top))
    pen.lineTo((550, top))
    pen.lineTo((550, bottom))
    pen.closePath()


def draw_bar(pen):
    # Unlike any letter of a real face: a wide, flat bar above the baseline.
    draw_box(pen, top=400, bottom=300)


def build(path, family, style, typo_family, usb, csb, outlines, with_os2, draw=draw_box, chars=CHARS):
    cff = outlines == "cff"
    fb = FontBuilder(1000, isTTF=not cff)
    names = [".notdef", "space"] + ["g%04X" % ord(c) for c in chars if c != " "]
    fb.setupGlyphOrder(names)
    cmap = {0x20: "space"}
    cmap.update({ord(c): "g%04X" % ord(c) for c in chars if c != " "})
    fb.setupCharacterMap(cmap)
    if cff:
        charstrings = {}
        for name in names:
            pen = T2CharStringPen(600, None)
            if name != "space":
                draw(pen)
            charstrings[name] = pen.getCharString()
        ps_name = (family + "-" + style).replace(" ", "")
        fb.setupCFF(ps_name.encode("ascii", "replace").decode(), {"FullName": family}, charstrings, {})
    else:
        glyphs = {}
        for name in names:
            pen = TTGlyphPen(None)
            if name != "space":
                draw(pen)
            glyphs[name] = pen.glyph()
        fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics({name: (600, 50) for name in names})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    name_strings = {"familyName": family, "styleName": style,
                    "psName": "".join(ch for ch in (family + "-" + style) if ch.isascii() and ch != " ")}
    if typo_family:
        name_strings["typographicFamily"] = typo_family
        name_strings["typographicSubfamily"] = style
    fb.setupNameTable(name_strings, mac=False)
    bold = style == "Bold"
    italic = style == "Italic"
    fb.setupOS2(version=4, usWeightClass=700 if bold else 400,
                fsSelection=0x20 if bold else 0x01 if italic else 0x40,
                sTypoAscender=800, sTypoDescender=-200, usWinAscent=800, usWinDescent=200,
                ulUnicodeRange1=usb[0], ulUnicodeRange2=usb[1], ulUnicodeRange3=usb[2], ulUnicodeRange4=usb[3],
                ulCodePageRange1=csb[0], ulCodePageRange2=csb[1])
    fb.setupPost()
    if not with_os2:
        del fb.font["OS/2"]
    if bold or italic:
        fb.font["head"].macStyle = 1 if bold else 2
    fb.font.save(path)


def write_config(folder):
    files = os.path.join(folder, "files")
    cache = os.path.join(folder, "cache")
    with open(os.path.join(folder, "fonts.conf"), "w", encoding="utf-8") as conf:
        conf.write('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">\n'
                   "<fontconfig>\n  <dir>%s</dir>\n  <cachedir>%s</cachedir>\n</fontconfig>\n" % (files, cache))


def main():
    if len(sys.argv) not in (2, 4):
        sys.exit(__doc__)
    folder = os.path.abspath(sys.argv[1])
    files = os.path.join(folder, "files")
    os.makedirs(files, exist_ok=True)
    fonts = TEST_FONTS
    if len(sys.argv) == 4 and sys.argv[2] == "--bench":
        count = int(sys.argv[3])
        fonts = [("bench-%04d.ttf" % i, "Bench Face %04d" % i, "Regular", None, (LATIN_FULL | CYRILLIC, 0, 0, 0),
                  (CP1252 | CP1251, 0), "ttf", True) for i in range(count)]
    with open(os.path.join(folder, "manifest.tsv"), "w", encoding="utf-8") as manifest:
        for (file, family, style, typo, usb, csb, outlines, with_os2) in fonts:
            build(os.path.join(files, file), family, style, typo, usb, csb, outlines, with_os2)
            words = list(usb) + list(csb) if with_os2 else [0] * 6
            manifest.write("\t".join([file, family, "1"] + ["%08X" % w for w in words]) + "\n")
    if len(sys.argv) == 2:
        for (sub, fonts, draw) in (("styled", STYLED_FONTS, draw_box), ("late", [LATE_FONT], draw_bar)):
            os.makedirs(os.path.join(folder, sub), exist_ok=True)
            for (file, family, style, typo, usb, csb, outlines, with_os2) in fonts:
                build(os.path.join(folder, sub, file), family, style, typo, usb, csb, outlines, with_os2, draw)
        for (sub, file, family, chars) in SLAVONIC_FONTS:
            os.makedirs(os.path.join(folder, "slavonic", sub), exist_ok=True)
            build(os.path.join(folder, "slavonic", sub, file), family, "Regular", None, (CYRILLIC | 1, 0, 0, 0),
                  (CP1251, 0), "ttf", True, chars=chars)
    write_config(folder)


if __name__ == "__main__":
    main()
