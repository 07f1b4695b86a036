#!/usr/bin/env python3
"""Reads the shipped 32-bit setup.exe from the host side, without running it.

Every host can run this, also one that cannot start a 32-bit Windows program:
it proves that the program the CD carries was built for i386 as a GUI program,
links no MinGW runtime DLL, imports DirectXSetup from dsetup.dll by its
undecorated name, and holds every dialog, picture, icon and string that the
code asks for, with the texts the resource script gives.

usage: check_setup_exe.py setup.exe resources/resource.h resources/setup.rc
"""
import re
import struct
import sys

RT_BITMAP, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION = 2, 5, 6, 14, 16


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, sections, _, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        if self.magic != 0x10B:
            raise ValueError("optional header magic 0x%x, not PE32" % self.magic)
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + 96
        self.import_rva = struct.unpack_from("<I", data, directories + 8)[0]
        self.resource_rva = struct.unpack_from("<I", data, directories + 16)[0]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<8sIIII", data, table + 40 * i)
                         for i in range(sections)]

    def offset(self, rva):
        for _, vsize, vaddr, rsize, raw in self.sections:
            if vaddr <= rva < vaddr + max(vsize, rsize):
                return raw + rva - vaddr
        raise ValueError("RVA 0x%x lies in no section" % rva)

    def cstring(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        """{dll name (lower case): [imported names]}"""
        result = {}
        entry = self.offset(self.import_rva)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, entry)
            if name == 0:
                return result
            names = []
            at = self.offset(lookup or thunks)
            while True:
                thunk = struct.unpack_from("<I", self.data, at)[0]
                if thunk == 0:
                    break
                names.append("#%d" % (thunk & 0xFFFF) if thunk & 0x80000000
                             else self.cstring(thunk + 2))
                at += 4
            result[self.cstring(name).lower()] = names
            entry += 20

    def resources(self):
        """{(type, id): bytes} for every resource with numeric type and id."""
        base = self.offset(self.resource_rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                key, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                yield key, target

        found = {}
        for kind, types in entries(0):
            for ident, names in entries(types & 0x7FFFFFFF):
                for _, leaf in entries(names & 0x7FFFFFFF):
                    rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    start = self.offset(rva)
                    if not (kind & 0x80000000 or ident & 0x80000000):
                        found[(kind, ident)] = self.data[start:start + size]
        return found


def string_table(resources):
    """{string id: text} decoded from the RT_STRING blocks of 16."""
    texts = {}
    for (kind, block), data in resources.items():
        if kind != RT_STRING:
            continue
        at = 0
        for index in range(16):
            length = struct.unpack_from("<H", data, at)[0]
            text = data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            if length:
                texts[(block - 1) * 16 + index] = text
            at += 2 + 2 * length
    return texts


def script_strings(rc_text, ids):
    """The STRINGTABLE of the resource script, its C escapes read."""
    table = rc_text.split("STRINGTABLE", 1)[1].split("END", 1)[0]
    texts = {}
    for name, quoted in re.findall(r'^\s*(IDS_\w+)\s+"((?:[^"]|"")*)"', table, re.M):
        texts[ids[name]] = (quoted.replace('""', '"').encode("latin-1")
                            .decode("unicode_escape"))
    return texts


def main(exe, header, script):
    failures = []

    def check(condition, what):
        if not condition:
            failures.append(what)

    try:
        with open(exe, "rb") as f:
            image = Image(f.read())
    except (OSError, ValueError, struct.error) as error:
        print("FAIL: %s: not a readable PE32 program: %s" % (exe, error))
        return 1
    check(image.machine == 0x14C, "machine 0x%x, not i386 (0x14c)" % image.machine)
    check(image.subsystem == 2, "subsystem %d, not a Windows GUI program (2)" % image.subsystem)
    check(not image.characteristics & 0x2000, "built as a DLL")

    imports = image.imports()
    check(imports.get("dsetup.dll") == ["DirectXSetup"],
          "dsetup.dll imports %r, not exactly DirectXSetup" % imports.get("dsetup.dll"))
    for dll, needed in (("comctl32.dll", "PropertySheetA"), ("ole32.dll", "CoCreateInstance"),
                        ("advapi32.dll", "RegCreateKeyExA"), ("user32.dll", "DialogBoxParamA")):
        check(needed in imports.get(dll, []), "%s not imported from %s" % (needed, dll))
    runtime = [dll for dll in imports if dll.startswith(("libgcc", "libstdc++", "libwinpthread"))]
    check(not runtime, "needs MinGW runtime DLLs beside it: %s" % ", ".join(runtime))

    ids = {name: int(value) for name, value in
           re.findall(r"#define\s+(ID[DBIS]_\w+)\s+(\d+)", open(header).read())}
    resources = image.resources()
    for prefix, kind in (("IDD_", RT_DIALOG), ("IDB_", RT_BITMAP), ("IDI_", RT_GROUP_ICON)):
        for name, value in ids.items():
            if name.startswith(prefix):
                check((kind, value) in resources, "%s (%d) missing" % (name, value))
    check((RT_VERSION, 1) in resources, "no version resource")

    stored = string_table(resources)
    expected = script_strings(open(script, encoding="latin-1").read(), ids)
    check(set(expected) == {v for n, v in ids.items() if n.startswith("IDS_")},
          "the script's string table and resource.h name different ids")
    for ident, text in sorted(expected.items()):
        check(stored.get(ident) == text,
              "string %d is %r, the script says %r" % (ident, stored.get(ident), text))
    extra = sorted(set(stored) - set(expected))
    check(not extra, "strings the script does not have: %s" % extra)

    for failure in failures:
        print("FAIL: %s: %s" % (exe, failure))
    print("%s: %d checks failed; %d imports from %d DLLs, %d resources, %d strings read"
          % (exe, len(failures), sum(map(len, imports.values())), len(imports),
             len(resources), len(stored)))
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
