#!/usr/bin/env python3
"""Checks the version resource that tells a person installing the program
what it is: in a built image (vintoq32.exe) or in the compiled resources
(.res), as Explorer's Properties and installers read it.

    tools/check_version_info.py FILE VERSION

VERSION is the project's (CMakeLists.txt, project()): both fixed versions
must be VERSION.0 and both version strings VERSION; the description, the
copyright line and the original file name must be there. Prints what it
found; exit code 1 with the problems otherwise.
"""

import struct
import sys

RT_VERSION = 16
FIXED_SIGNATURE = 0xFEEF04BD
RESOURCE_DIRECTORY = 2


def align4(offset):
    return (offset + 3) & ~3


def read_text(data, offset):
    """A zero-terminated UTF-16 text and the offset after it."""
    end = offset
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[offset:end].decode("utf-16-le"), end + 2


def parse_node(data, offset):
    """One node of the VS_VERSIONINFO tree: (key, value, children)."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
    key, cursor = read_text(data, offset + 6)
    cursor = align4(cursor)
    if value_type == 1:  # text, value_length in characters
        value = data[cursor:cursor + 2 * value_length].decode("utf-16-le").rstrip("\0")
        cursor += 2 * value_length
    else:
        value = data[cursor:cursor + value_length]
        cursor += value_length
    cursor = align4(cursor)
    children = []
    while cursor < offset + length:
        child = parse_node(data, cursor)
        children.append(child[:3])
        cursor = align4(child[3])
    return key, value, children, offset + length


def version_resource_of_res(data):
    offset = 0
    while offset + 8 <= len(data):
        data_size, header_size = struct.unpack_from("<II", data, offset)
        if data_size and data[offset + 8:offset + 12] == struct.pack("<HH", 0xFFFF, RT_VERSION):
            return data[offset + header_size:offset + header_size + data_size]
        offset = align4(offset + header_size + data_size)
    return None


def version_resource_of_image(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva = struct.unpack_from("<I", data, directories + 8 * RESOURCE_DIRECTORY)[0]
    table = optional + optional_size
    spans = [struct.unpack_from("<8xIIII", data, table + 40 * i) for i in range(sections)]

    def file_offset(rva):
        for size, address, raw_size, raw in spans:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError("RVA %#x is in no section" % rva)

    base = file_offset(resource_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<12xHH", data, directory)
        return [struct.unpack_from("<II", data, directory + 16 + 8 * i)
                for i in range(named + numbered)]

    for identifier, target in entries(base):
        if identifier != RT_VERSION:
            continue
        node = base + (target & 0x7FFFFFFF)  # the name level
        while True:
            _, target = entries(node)[0]
            if not target & 0x80000000:
                break
            node = base + (target & 0x7FFFFFFF)
        rva, size = struct.unpack_from("<II", data, base + target)
        start = file_offset(rva)
        return data[start:start + size]
    return None


def problems_of(data, version):
    found = version_resource_of_image(data) if data[:2] == b"MZ" else version_resource_of_res(data)
    if found is None:
        return ["no version resource"], {}
    key, fixed, children, _ = parse_node(found, 0)
    problems = []
    if key != "VS_VERSION_INFO" or len(fixed) != 52:
        return ["not a VS_VERSIONINFO: key %r, %d bytes of fixed information" % (key, len(fixed))], {}
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    numbers = [int(part) for part in version.split(".")] + [0]
    wanted = ((numbers[0] << 16) | numbers[1], (numbers[2] << 16) | numbers[3])
    if signature != FIXED_SIGNATURE:
        problems.append("fixed information signature %#x" % signature)
    if (file_ms, file_ls) != wanted:
        problems.append("FILEVERSION %d.%d.%d.%d" % (file_ms >> 16, file_ms & 0xFFFF,
                                                     file_ls >> 16, file_ls & 0xFFFF))
    if (product_ms, product_ls) != wanted:
        problems.append("PRODUCTVERSION %d.%d.%d.%d" % (product_ms >> 16, product_ms & 0xFFFF,
                                                        product_ls >> 16, product_ls & 0xFFFF))
    strings, translations = {}, []
    for child_key, _, grandchildren in children:
        if child_key == "StringFileInfo":
            for table_key, _, values in grandchildren:
                strings = {name: value for name, value, _ in values}
                strings["(table)"] = table_key
        elif child_key == "VarFileInfo":
            for name, value, _ in grandchildren:
                if name == "Translation":
                    translations = [struct.unpack_from("<HH", value, i)
                                    for i in range(0, len(value), 4)]
    table = strings.pop("(table)", None)
    if table is None or (int(table[:4], 16), int(table[4:], 16)) not in translations:
        problems.append("the string table %s is not named in VarFileInfo's Translation %s" % (
            table, translations))
    for name in ("FileVersion", "ProductVersion"):
        if strings.get(name) != version:
            problems.append("%s %r, not %r" % (name, strings.get(name), version))
    if strings.get("OriginalFilename", "").lower() != "vintoq32.exe":
        problems.append("OriginalFilename %r" % strings.get("OriginalFilename"))
    if not strings.get("FileDescription"):
        problems.append("no FileDescription")
    if not strings.get("LegalCopyright", "").startswith("Copyright (C) "):
        problems.append("LegalCopyright %r" % strings.get("LegalCopyright"))
    return problems, strings


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().split("\n\n")[1], file=sys.stderr)
        return 2
    with open(argv[1], "rb") as source:
        problems, strings = problems_of(source.read(), argv[2])
    for problem in problems:
        print("%s: %s" % (argv[1], problem))
    if problems:
        return 1
    print("%s: version %s, %s" % (argv[1], argv[2], ", ".join(
        "%s %r" % item for item in sorted(strings.items()))))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
