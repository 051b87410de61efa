#!/usr/bin/env python3
"""Writes the four empty dBase III tables of the order example (kunden, artikel, auftrag,
position) into the folder given, or beside this script."""
import datetime
import os
import struct
import sys

TABLES = {
    "kunden.dbf": [("KDNR", "N", 6, 0), ("NAME", "C", 30, 0), ("ORT", "C", 25, 0)],
    "artikel.dbf": [("ARTNR", "C", 8, 0), ("BEZEICH", "C", 30, 0), ("PREIS", "N", 9, 2)],
    "auftrag.dbf": [("AUFNR", "N", 8, 0), ("KDNR", "N", 6, 0), ("NAME", "C", 30, 0),
                    ("DATUM", "D", 8, 0)],
    "position.dbf": [("AUFNR", "N", 8, 0), ("ARTNR", "C", 8, 0), ("MENGE", "N", 4, 0),
                     ("PREIS", "N", 9, 2)],
}


def empty_table(fields):
    today = datetime.date(2026, 1, 1)
    header_length = 32 + 32 * len(fields) + 1
    record_length = 1 + sum(f[2] for f in fields)
    out = struct.pack("<BBBBIHH20x", 0x03, today.year - 1900, today.month, today.day, 0,
                      header_length, record_length)
    for name, kind, length, decimals in fields:
        out += struct.pack("<11sc4xBB14x", name.encode("ascii"), kind.encode("ascii"), length,
                           decimals)
    return out + b"\r\x1a"


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, fields in TABLES.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(empty_table(fields))


if __name__ == "__main__":
    main()
