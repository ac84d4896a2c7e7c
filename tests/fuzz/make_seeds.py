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


def import_input(flags, other, start, piece, rows, target, text, quotes=1):
    return bytes([flags, other, start & 0xFF, piece, rows, target, quotes]) + text


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
write("import_text", "quoted", import_input(
    COMMA | SEMI, 0, 1, 5, 0, 0,
    b'"Doe, Jane","12 Elm St\r\nApt 4",Springfield;IL;62701,"(555) 123-4567"\n'
    b'"Bob ""Bobby"" Ray",bob@example.org,"unclosed\nstill open\n', 1))
write("import_text", "start-row", import_input(
    TAB | SAME | MANUAL, 0, 3, 2, 0b11, 9,
    b"skip\nskip\nAnn\tSalem, OR 97301\nBo\tTroy, NY 12180\textra\n"))

# vCard and CSV files, as other programs write them.
write("exchange_read", "vcard-30", (
    "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Jane Doe\r\nN:Doe;Jane;;;\r\n"
    "ADR;TYPE=home:;;12 Elm St\\nApt 4;Springfield;IL;62701;USA\r\n"
    "TEL;TYPE=cell:(555) 123-4567\r\nEMAIL:jane@example.org\r\n"
    "NOTE:Likes tea\\, and\\; cake\r\nCATEGORIES:Work,Friends\r\n"
    "PHOTO;ENCODING=b;TYPE=JPEG:AAAA\r\nEND:VCARD\r\n").encode("utf-8"))
write("exchange_read", "vcard-21-qp", (
    "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller;Zo=EB\r\n"
    "TEL;HOME:0221 12345\r\nADR;WORK:;;Stra=DFe 1;K=F6ln;;50667;Deutschland\r\n"
    "NOTE;ENCODING=QUOTED-PRINTABLE:first=0D=0A=\r\nsecond\r\nEND:VCARD\r\n").encode("latin-1"))
write("exchange_read", "vcard-40-folded", (
    "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:A very long name that goes on and on and on until it "
    "must be\r\n  folded\r\nTEL;VALUE=uri;TYPE=work:tel:+1-555-0100\r\n"
    "item1.EMAIL:a@b.test\r\nitem1.X-ABLabel:Other\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Second\r\n").encode("utf-8"))
write("exchange_read", "csv-header", (
    "First Name,Last Name,E-mail Address,Business Phone,Home Street,Home City,Categories\r\n"
    "Jane,Doe,jane@example.org,555-1234,\"12 Elm St\r\nApt 4\",Springfield,Work;Friends\r\n"
    "\"Bob \"\"B\"\"\",Ray,,,,\"Troy\",\r\n").encode("utf-8"))
write("exchange_read", "csv-utf16", "\ufeffName;Phone;Notes\r\nZo\u00eb;555;\u20ac\r\n"
      .encode("utf-16-le"))
write("exchange_read", "plain-text", b"Jane Doe\t12 Elm St\tSpringfield\n")

# Entries for the round trip: texts separated by 0x00, records by 0x01; the tenth text on are
# group names.
def entries(*records):
    return b"\x01".join(b"\x00".join(t.encode("utf-8") if isinstance(t, str) else t for t in r)
                        for r in records)


write("exchange_roundtrip", "plain", entries(
    ["Jane Doe", "12 Elm St\r\nApt 4", "Springfield", "IL", "62701", "USA",
     "555-1234 (home)\r\n555-9876 (Work)", "Likes tea", "jane@example.org", "Work", "Friends"]))
write("exchange_roundtrip", "special", entries(
    ["O'Brien, \"Jack\"; Jr.", "a\\b;c,d:e", "", "", "", "\u00d6sterreich", "(555)", "x\r\n\r\ny",
     " a@b ", "g, h", "i; j"], [], ["  padded  ", "", "", "", "", "", "", "", "", ""]))
write("exchange_roundtrip", "latin1", entries([b"Zo\xeb", b"K\xf6ln", b"\x93q\x94"]))
