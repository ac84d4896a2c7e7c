#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets under corpus/: a few small, valid inputs of each
kind, from which the fuzzers mutate. Run it again after changing it; the files are kept in the
repository so a fuzz run needs nothing but the build."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def string(text):
    data = text.encode("utf-8") if isinstance(text, str) else text
    n = len(data)
    if n < 0xFF:
        prefix = bytes([n])
    elif n < 0xFFFE:
        prefix = b"\xff" + struct.pack("<H", n)
    else:
        prefix = b"\xff\xff\xff" + struct.pack("<I", n)
    return prefix + data


def string_list(items):
    return struct.pack("<H", len(items)) + b"".join(string(i) for i in items)


def record(fields, groups, version=15):
    texts = fields + [""] * (9 - len(fields))
    if version != 15:
        texts = texts[:8]
    return b"".join(string(t) for t in texts) + string_list(groups)


def contact_file(groups, records, flag=0, label="Notes", time=0x65A0B1C2):
    body = struct.pack("<I", 15) + string_list(groups) + struct.pack("<H", len(records))
    body += b"".join(record(f, g) for f, g in records)
    return body + struct.pack("<I", flag) + string(label) + struct.pack("<I", time)


def old_file(groups, records, time=0x30000000):
    body = string_list(groups) + struct.pack("<H", len(records))
    body += b"".join(record(f, g, 11) for f, g in records)
    return body + struct.pack("<I", time)


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


ann = ["Ann Lee", "Main St 1\r\nApt 2", "Boston", "MA", "02101", "USA",
       "555-1234\r\n555-9876", "Likes tea", "ann@example.org"]
zoe = [b"Zo\xeb M\xfcller", b"K\xf6ln", b"", b"", b"50667", b"Deutschland", b"0221 12345",
       b"\x93quoted\x94", b""]
write("contact_file", "empty", contact_file([], [], time=0))
write("contact_file", "groups", contact_file(
    ["Work", "Family", ""], [(ann, ["Work", "Family"]), (zoe, []), (["Al"], ["Work"])],
    flag=1, label="Birthday"))
write("contact_file", "long-texts", contact_file(
    ["g" * 300], [(["N" * 254, "A" * 255, "C" * 1000], ["g" * 300])], label=""))
write("contact_file", "version-11", old_file(["Work"], [(ann[:8], ["Work"]), (["Bo"], [])]))
write("contact_file", "version-11-looks-15", old_file(
    [""] * 15, [(["Al"], [])]))


def import_input(flags, other, start, piece, rows, target, text):
    return bytes([flags, other, start & 0xFF, piece, rows, target]) + text


TAB, SEMI, COMMA, SPACE, OTHER, ONE_LINE, SAME, MANUAL = (1 << i for i in range(8))
write("import_text", "tabs", import_input(
    TAB, 0, 1, 0, 0, 0,
    b"Jane Doe\t12 Elm St\tApt 4\tSpringfield\tIL\t62701\t(555) 123-4567\n"
    b"Bob Ray\tbob@example.org\tUnited Kingdom\tP.O.\tBox 12.\n"))
write("import_text", "one-line", import_input(
    SEMI | ONE_LINE, 0, 1, 3, 0, 0,
    b"Jane Doe;12 Elm St;Apt 4;Springfield, IL 62701;(555) 123-4567\r\n"
    b"Ann Lee;1 Main St;Salem, OR;555-1234\r\n"))
write("import_text", "comma-space-crlf", import_input(
    COMMA | SPACE | SAME, 0, 2, 7, 0, 0,
    b"header\r\n\r\nSmith, John,555-1234\r\nK\xf6ln, 50667\rX\n\nlast line\x1aignored"))
write("import_text", "other-multibyte", import_input(
    OTHER | TAB | MANUAL, 0xE4, 0, 1, 0b101, 1,
    "Zoë Lee\u00e4Straße 1\u00e4Berlin\tBE\u00e410115\u00e4030-1234\n".encode("utf-8") +
    b"Bo\xe4Ray\n"))
write("import_text", "start-row", import_input(
    TAB | SAME | MANUAL, 0, 3, 2, 0b11, 9,
    b"skip\nskip\nAnn\tSalem, OR 97301\nBo\tTroy, NY 12180\textra\n"))
