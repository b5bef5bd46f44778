#!/usr/bin/env python3
"""Reads a report archive file by its documented layout, independently of
the program's reader, and prints what it holds:

    pages <count> data <offset of the page data area>
    page <AbsolutePageNo> offset <offset within the data area> size <bytes> class <class> first <property>=<value>

Every integer of the index is 32-bit little-endian. Each page stream must
start with the signature "TPF0" and the class name TrgPage, and its first
property must be AbsolutePageNo with the number the index gives. Any
inconsistency ends the script with exit code 1 and a message."""

import struct
import sys


def fail(message):
    print(message, file=sys.stderr)
    sys.exit(1)


def short_string(data, pos):
    if pos >= len(data):
        fail("short string beyond the end at %d" % pos)
    length = data[pos]
    if pos + 1 + length > len(data):
        fail("short string of %d bytes beyond the end at %d" % (length, pos))
    return data[pos + 1:pos + 1 + length].decode("latin-1"), pos + 1 + length


def integer_value(data, pos):
    tag = data[pos]
    formats = {2: "<b", 3: "<h", 4: "<i"}
    if tag not in formats:
        fail("value tag %d is no integer" % tag)
    (value,) = struct.unpack_from(formats[tag], data, pos + 1)
    return value


def main():
    data = open(sys.argv[1], "rb").read()
    if len(data) < 4:
        fail("file shorter than its header")
    (data_offset,) = struct.unpack_from("<I", data, 0)
    if data_offset < 4 or data_offset > len(data) or (data_offset - 4) % 8:
        fail("page data offset %d does not fit a file of %d bytes" % (data_offset, len(data)))
    count = (data_offset - 4) // 8
    print("pages %d data %d" % (count, data_offset))
    index = [struct.unpack_from("<Ii", data, 4 + 8 * i) for i in range(count)]
    for i, (offset, page_no) in enumerate(index):
        start = data_offset + offset
        end = data_offset + index[i + 1][0] if i + 1 < count else len(data)
        if not (data_offset <= start < end <= len(data)):
            fail("page %d lies outside the data area" % (i + 1))
        stream = data[start:end]
        if stream[:4] != b"TPF0":
            fail("page %d does not start with TPF0" % (i + 1))
        pos = 4
        if stream[pos] & 0xF0 == 0xF0:
            pos += 1
        class_name, pos = short_string(stream, pos)
        _component_name, pos = short_string(stream, pos)
        first, pos = short_string(stream, pos)
        value = integer_value(stream, pos)
        if class_name != "TrgPage" or first != "AbsolutePageNo" or value != page_no:
            fail("page %d starts with %s %s=%d" % (i + 1, class_name, first, value))
        print("page %d offset %d size %d class %s first %s=%d" % (page_no, offset, end - start, class_name, first, value))


main()
