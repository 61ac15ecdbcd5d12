#!/usr/bin/python3
"""Reads a workbook back with xlrd, independently of the writer under test.

Usage: /usr/bin/python3 read_xls.py FILE

Prints, in UTF-8, one line per sheet name ("sheet<TAB>name"), the shared string table's
counts ("sst<TAB>total<TAB>unique") and every non-empty cell, 0-based: a text cell as
"row<TAB>col<TAB>text", a number cell as "row<TAB>col<TAB>shown<TAB>number<TAB>value<TAB>format"
where `shown` is the value as its format shows it (15 significant digits, rounded half away
from zero) and `value` Python's repr of the number; names, texts and formats as JSON strings.
Exits 1, with the reason on stderr, when xlrd warns, a cell is neither text nor a number in a
format of zeros ("00", "0.000"), or the stream breaks a rule Excel enforces but xlrd tolerates:
records longer than 8,224 bytes, non-zero bytes after the last EOF, EXTSST entries that miss
their strings, an SST total other than the number of text cells. Exits 3 when xlrd is missing.
"""

import decimal
import io
import json
import re
import struct
import sys

try:
    import xlrd
    from xlrd import compdoc
except ImportError:
    sys.stderr.write("xlrd is missing: install the Debian package python3-xlrd\n")
    sys.exit(3)

MAX_RECORD_DATA = 8224


def fail(reason):
    sys.stderr.write(reason + "\n")
    sys.exit(1)


def check_stream(stream, shared_strings):
    """Walks every record; returns the SST's counts."""
    starts = {}  # record offset -> type
    counts = None
    extsst = None
    text_cells = 0
    pos = 0
    while pos + 4 <= len(stream):
        kind, size = struct.unpack_from("<HH", stream, pos)
        if size > MAX_RECORD_DATA:
            fail("record 0x%04X at %d holds %d bytes" % (kind, pos, size))
        if pos + 4 + size > len(stream):
            fail("record 0x%04X at %d runs past the stream" % (kind, pos))
        starts[pos] = kind
        if kind == 0x00FC:
            counts = struct.unpack_from("<II", stream, pos + 4)
        elif kind == 0x00FD:
            text_cells += 1
        elif kind == 0x00FF:
            extsst = stream[pos + 4:pos + 4 + size]
        pos += 4 + size
        if kind == 0x000A and not any(stream[pos:]):
            break
    else:
        fail("the stream does not end with EOF and zero padding")
    if counts is None or extsst is None:
        fail("no SST or no EXTSST")
    if counts[0] != text_cells:
        fail("the SST counts %d strings in %d text cells" % (counts[0], text_cells))
    (bucket_size,) = struct.unpack_from("<H", extsst)
    buckets = (len(extsst) - 2) // 8
    if bucket_size < 8 or buckets != -(-len(shared_strings) // bucket_size):
        fail("EXTSST: %d buckets of %d for %d strings" % (buckets, bucket_size,
                                                          len(shared_strings)))
    for k in range(buckets):
        at, offset, _ = struct.unpack_from("<IHH", extsst, 2 + 8 * k)
        text = shared_strings[k * bucket_size]
        units = len(text.encode("utf-16-le")) // 2
        if (starts.get(at - offset) not in (0x00FC, 0x003C) or
                struct.unpack_from("<H", stream, at)[0] != units):
            fail("EXTSST bucket %d does not point at string %d" % (k, k * bucket_size))
    return counts


def shown(value, code):
    """The value as a spreadsheet shows it in the format `code`."""
    if not re.fullmatch(r"0+(\.0+)?", code):
        fail("unexpected number format %r" % code)
    whole, _, fraction = code.partition(".")
    number = decimal.Decimal(format(abs(value), ".15g")).quantize(
        decimal.Decimal(1).scaleb(-len(fraction)), rounding=decimal.ROUND_HALF_UP)
    digits, _, decimals = format(number, "f").partition(".")
    return ("-" if value < 0 else "") + digits.zfill(len(whole)) + ("." + decimals if decimals
                                                                    else "")


def main():
    if len(sys.argv) != 2:
        fail("usage: read_xls.py FILE")
    sys.stdout.reconfigure(encoding="utf-8", errors="strict")
    log = io.StringIO()
    book = xlrd.open_workbook(sys.argv[1], logfile=log, formatting_info=True, ragged_rows=True,
                              on_demand=True)  # keeps the string table for the checks
    with open(sys.argv[1], "rb") as f:
        stream = compdoc.CompDoc(f.read(), logfile=log).get_named_stream("Workbook")
    if log.getvalue():
        fail("xlrd: " + log.getvalue())
    total, unique = check_stream(stream, book._sharedstrings)
    for name in book.sheet_names():
        print("sheet\t" + json.dumps(name, ensure_ascii=False))
    print("sst\t%d\t%d" % (total, unique))
    for sheet in book.sheets():
        for row in range(sheet.nrows):
            for col in range(sheet.row_len(row)):
                cell = sheet.cell(row, col)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                if cell.ctype == xlrd.XL_CELL_NUMBER:
                    xf = book.xf_list[cell.xf_index]
                    code = book.format_map[xf.format_key].format_str
                    print("%d\t%d\t%s\tnumber\t%r\t%s" % (row, col,
                                                          json.dumps(shown(cell.value, code)),
                                                          cell.value, json.dumps(code)))
                    continue
                if cell.ctype != xlrd.XL_CELL_TEXT:
                    fail("cell %d,%d is of type %d" % (row, col, cell.ctype))
                print("%d\t%d\t%s" % (row, col, json.dumps(cell.value, ensure_ascii=False)))


if __name__ == "__main__":
    main()
