#!/usr/bin/env python3
"""Reads the shipped 32-bit setup.exe from the host side, without running it.

Every host can run this, also one that cannot start a 32-bit Windows program:
it proves that the program the CD carries was built for i386 as a GUI program,
links no MinGW runtime DLL and imports DirectXSetup from dsetup.dll by its
undecorated name, which is what the vendor's library exports. What it shows
is checked where the tests run it.

usage: check_setup_exe.py setup.exe
"""
import struct
import sys

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


def main(exe):
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

    for failure in failures:
        print("FAIL: %s: %s" % (exe, failure))
    print("%s: %d checks failed; %d imports from %d DLLs read"
          % (exe, len(failures), sum(map(len, imports.values())), len(imports)))
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
