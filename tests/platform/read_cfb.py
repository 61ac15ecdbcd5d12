#!/usr/bin/python3
"""Reads a compound file back with olefile, independently of the writer under test.

Usage: /usr/bin/python3 read_cfb.py FILE STREAM OUT

Prints the header's sector counts ("sectors<TAB>fat<TAB>difat<TAB>minifat") and every used
directory entry in order ("entry<TAB>name<TAB>type<TAB>size", the name as a JSON string, the
type olefile's number: 5 root, 2 stream), and writes the bytes of the stream STREAM to OUT.
Exits 1, with the reason on stderr, when olefile finds any defect, even one it would tolerate,
or a sector rule olefile does not check breaks: the file ends inside a sector, a sector is
marked free although the file holds it, or the FAT and DIFAT sectors are not marked as such.
Exits 3 when olefile is missing.
"""

import json
import os
import sys

try:
    import olefile
except ImportError:
    sys.stderr.write("olefile is missing: install the Debian package python3-olefile\n")
    sys.exit(3)


def fail(reason):
    sys.stderr.write(reason + "\n")
    sys.exit(1)


def main():
    if len(sys.argv) != 4:
        fail("usage: read_cfb.py FILE STREAM OUT")
    path, name, out = sys.argv[1:]
    try:
        ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_UNSURE)
        data = ole.openstream(name).read()
    except Exception as error:  # olefile raises several kinds; all mean a refusal here
        fail("olefile: %s" % error)
    if ole.parsing_issues:
        fail("olefile: %s" % ole.parsing_issues)
    if os.path.getsize(path) % ole.sector_size != 0:
        fail("the file ends inside a sector")
    fat = list(ole.fat[:ole.nb_sect])
    if olefile.FREESECT in fat:
        fail("sector %d lies in the file but is marked free" % fat.index(olefile.FREESECT))
    if (fat.count(olefile.FATSECT), fat.count(olefile.DIFSECT)) != (ole.num_fat_sectors,
                                                                  ole.num_difat_sectors):
        fail("%d sectors marked FAT and %d DIFAT, the header says %d and %d" %
             (fat.count(olefile.FATSECT), fat.count(olefile.DIFSECT), ole.num_fat_sectors,
              ole.num_difat_sectors))
    print("sectors\t%d\t%d\t%d" % (ole.num_fat_sectors, ole.num_difat_sectors,
                                   ole.num_mini_fat_sectors))
    for entry in ole.direntries:
        if entry is not None:
            print("entry\t%s\t%d\t%d" % (json.dumps(entry.name, ensure_ascii=False),
                                         entry.entry_type, entry.size))
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
