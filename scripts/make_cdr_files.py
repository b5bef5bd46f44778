#!/usr/bin/env python3
"""Writes the program's side files for a CD-R tree into resources/: the
setup table SETUP.DBF, whose row "REVISIONSINFO" the CD-R preparation sets
to the program's version on the tree, and the read-me liesmich.txt for the
disc's root. Run it after changing either here; the output is the same on
every run.

SETUP.DBF is a FoxPro table without memo and index: a header of 32 bytes,
the field descriptors, 0x0D, the records, 0x1A (src/platform/dbf/FORMATS.md).
liesmich.txt is Windows-1252 text with CR LF line ends."""

import os
import struct
import sys

VERSION = "1.50.230"
# Date of the last update in the header: the version's date.
DATE = (2006, 5, 31)
FIELDS = [("TODO", 20), ("TODO_", 80)]  # character fields, name and width
ROWS = [("REVISIONSINFO", VERSION)]

README = """QV-Lumadex v1.50 - Fotoalben auf diesem Datenträger
====================================================

Dieser Datenträger enthält Fotoalben mit ihren Bildern, zusammengestellt
mit QV-Lumadex, und im Ordner "Programm" das Programm selbst.

Programm starten (Linux)
------------------------
Öffnen Sie ein Terminalfenster und geben Sie ein:

    sh /media/.../Programm/lumadex.sh

Für "/media/..." setzen Sie den Ordner ein, unter dem Ihr System den
Datenträger eingehängt hat (zum Beispiel /media/anna/BILDER). Einen
automatischen Start beim Einlegen gibt es nicht.

Das Programm braucht ein 64-Bit-PC-Linux mit den Bibliotheken eines
Debian-12-Desktops oder neuer. Kann es nicht direkt vom Datenträger laufen
(eine gebrannte CD, ein USB-Stick mit FAT oder exFAT), kopiert das
Startskript den Ordner "Programm" nach ~/.local/share/QV-Lumadex-CD und
startet es von dort. Die Fotoalben bleiben auf dem Datenträger; auf einer
CD werden sie nur zum Lesen geöffnet.

Inhalt
------
    Programm/          das Programm mit dem Startskript lumadex.sh
    Data/Database/     die Fotoalben und die Liste der Fotoalben (LXman.dbf)
    Data/Pics/         die Bilder, je Fotoalbum ein Ordner
"""


def setup_table():
    record_length = 1 + sum(width for _, width in FIELDS)
    header_length = 32 + 32 * len(FIELDS) + 1
    out = bytearray()
    out += struct.pack("<B3BIHH", 0x03, DATE[0] - 1900, DATE[1], DATE[2], len(ROWS), header_length, record_length)
    out += bytes(16)
    out += bytes([0x00, 0x03, 0x00, 0x00])  # no index, code page Windows-1252
    offset = 1
    for name, width in FIELDS:
        out += name.encode("ascii").ljust(11, b"\0") + b"C" + struct.pack("<I", offset) + bytes([width, 0]) + bytes(14)
        offset += width
    out += b"\r"
    for row in ROWS:
        out += b" " + b"".join(value.encode("cp1252").ljust(width, b" ") for value, (_, width) in zip(row, FIELDS))
    out += b"\x1a"
    return bytes(out)


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "resources")
    with open(os.path.join(target, "SETUP.DBF"), "wb") as f:
        f.write(setup_table())
    with open(os.path.join(target, "liesmich.txt"), "wb") as f:
        f.write(README.replace("\n", "\r\n").encode("cp1252"))


if __name__ == "__main__":
    main()
