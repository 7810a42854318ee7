#!/usr/bin/env python3
"""Reference converter: PLU.BIN (100,000 records of 64 bytes) to the article
CSV, written plainly with the struct module, to time the library against.

    plu_reference.py PLU.BIN OUT.csv

Prints the conversion time (bytes in memory to CSV bytes in memory) as
"plu_reference: conversion_ms=..." and the whole run as total_ms.
"""
import struct
import sys
import time

RECORD = struct.Struct("<B25sBBi14s18x")
HEADER = b"id_plu;descr;id_reparto;var_prezzo;zero_si;prezzo;codice_ean\r\n"


def text(field):
    # A register text ends at its NUL or fills its whole field.
    return field.split(b"\0", 1)[0]


def convert(image):
    lines = [HEADER]
    for index, (changed, descr, reparto, flags, prezzo, ean) in enumerate(
            RECORD.iter_unpack(image), 1):
        lines.append(b"%d;%s;%d;%d;%d;%d;%s\r\n" % (
            index, text(descr), reparto + 1, flags & 1, (flags >> 1) & 1, prezzo, text(ean)))
    return b"".join(lines)


def main():
    start = time.perf_counter()
    with open(sys.argv[1], "rb") as f:
        image = f.read()
    if len(image) != 100000 * RECORD.size:
        sys.exit("plu_reference: wrong size %d" % len(image))
    t0 = time.perf_counter()
    csv = convert(image)
    t1 = time.perf_counter()
    with open(sys.argv[2], "wb") as f:
        f.write(csv)
    end = time.perf_counter()
    print("plu_reference: conversion_ms=%.3f" % ((t1 - t0) * 1000))
    print("plu_reference: total_ms=%.3f" % ((end - start) * 1000))


if __name__ == "__main__":
    main()
