#!/usr/bin/env python3
"""Reads the shipped 32-bit setup.exe from the host side, without running it, so every host can.

What Windows' loader looks at before any of our code runs, from Windows 95 on: an i386 GUI program for
Windows 4.0 with well-formed sections that imports only what setup_imports.txt allows (all of it in
Windows 95), and only from DLLs that Windows takes from its system folder; the flags that have Windows NT
copy it into memory when it runs from the CD or a network share, and a header checksum as Windows computes it;
no debug sections; code and data within the size we ship; the manifest Vista and later read;
and, as the cross toolchain's objdump reads the code, no instruction newer than the 386's and no floating point.

usage: check_setup_exe.py setup.exe [setup_imports.txt]
"""
import os
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

MAX_CODE_AND_DATA = 26 * 1024   # every section but the resources and relocations
RT_MANIFEST = 24

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V2 = "{urn:schemas-microsoft-com:asm.v2}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
WINDOWS_SETTINGS = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10 and 11",
}


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
        self.checksum_at = optional + 64
        self.checksum = struct.unpack_from("<I", data, self.checksum_at)[0]
        self.magic = struct.unpack_from("<H", data, optional)[0]
        if self.magic != 0x10B:
            raise ValueError("optional header magic 0x%x, not PE32" % self.magic)
        self.file_alignment = struct.unpack_from("<I", data, optional + 36)[0]
        self.os_version = struct.unpack_from("<HH", data, optional + 40)
        self.subsystem_version = struct.unpack_from("<HH", data, optional + 48)
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, optional + 68)
        directories = optional + 96
        self.import_rva = struct.unpack_from("<I", data, directories + 8)[0]
        self.resource_rva = struct.unpack_from("<I", data, directories + 16)[0]
        table = optional + optional_size
        # (name, virtual size, virtual address, raw size, raw offset)
        self.sections = []
        for i in range(sections):
            name, vsize, vaddr, rsize, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("ascii", "replace"), vsize, vaddr, rsize, raw))

    def computed_checksum(self):
        """As CheckSumMappedFile: 16-bit words added with end-around carry, the field itself left out,
        then the file's length."""
        total = 0
        for at in range(0, len(self.data), 2):
            if self.checksum_at <= at < self.checksum_at + 4:
                continue
            total += self.data[at] | (self.data[at + 1] << 8 if at + 1 < len(self.data) else 0)
            total = (total & 0xFFFF) + (total >> 16)
        return total + len(self.data)

    def offset(self, rva):
        for _, vsize, vaddr, rsize, raw in self.sections:
            if vaddr <= rva < vaddr + max(vsize, rsize):
                return raw + rva - vaddr
        raise ValueError("RVA 0x%x lies in no section" % rva)

    def cstring(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
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

    def resource(self, kind, ident):
        # the first language's bytes, or None
        if self.resource_rva == 0:
            return None
        root = self.offset(self.resource_rva)

        def child(directory, wanted):
            named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + numbered):
                key, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                if wanted is None or (not key & 0x80000000 and key == wanted):
                    return target
            return None

        directory = root
        for wanted in (kind, ident, None):
            target = child(directory, wanted)
            if target is None:
                return None
            if not target & 0x80000000:
                rva, size = struct.unpack_from("<II", self.data, root + target)
                return self.data[self.offset(rva):self.offset(rva) + size]
            directory = root + (target & 0x7FFFFFFF)
        return None


# The DLLs that Windows XP, 7, 10 and 11 take from the system folder whatever
# the folder of the program holds (each is one of their KnownDLLs). setup.exe
# runs elevated from a folder others may write: any other DLL it imported
# would be looked for there first.
SYSTEM_FOLDER_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll"}

OBJDUMP = "i686-w64-mingw32-objdump"
# Newer than the 386: the 486's, the Pentium's and the Pentium Pro's
# additions, the long NOP among them, and what came after.
NEWER_THAN_386 = re.compile(
    r"^(cmov\w*|fcmov\w*|f?u?comip?|bswap|cmpxchg\w*|xadd|cpuid|rdtscp?|rdmsr|wrmsr|rdpmc|rsm"
    r"|invd|wbinvd|invlpg|sys(enter|exit|call|ret)|[lms]fence|clflush\w*|prefetch\w*|movnti"
    r"|popcnt|lzcnt|tzcnt|movbe|crc32|nop[wl])$")


def instruction_failures(exe):
    """What the code holds that a 386 without a coprocessor cannot run."""
    try:
        listing = subprocess.run([OBJDUMP, "-d", "-j", ".text", "--no-show-raw-insn", exe],
                                 capture_output=True, text=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError) as error:
        return ["its code could not be disassembled with %s: %s" % (OBJDUMP, error)]
    found = {}
    for line in listing.splitlines():
        fields = line.split("\t")
        if len(fields) < 2 or not fields[1].strip():
            continue
        address = fields[0].strip().rstrip(":")
        words = fields[1].split(None, 1)
        mnemonic, operands = words[0], words[1] if len(words) > 1 else ""
        if NEWER_THAN_386.match(mnemonic):
            what = "instruction %s, which the 386 does not have" % mnemonic
        elif mnemonic.startswith("f"):
            what = "x87 instruction %s: floating point, which needs a coprocessor" % mnemonic
        elif re.search(r"%[xy]?mm\d", operands):
            what = "%s on an MMX or SSE register (%s)" % (mnemonic, operands.strip())
        else:
            continue
        found.setdefault(what, []).append(address)
    return ["%s, at 0x%s%s" % (what, at[0], " and %d more places" % (len(at) - 1) if len(at) > 1 else "")
            for what, at in sorted(found.items())]


def read_allowed(path):
    """{(dll, function): oldest Windows} from the allow-list."""
    with open(path) as f:
        rows = [line.split("#", 1)[0].split() for line in f]
    return {(dll.lower(), function): oldest for dll, function, oldest in filter(None, rows)}


def manifest_failures(text):
    if text is None:
        return ["no manifest (RT_MANIFEST 1)"]
    failures = []
    try:
        assembly = ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        return ["the manifest is not well-formed XML: %s" % error]
    identity = assembly.find(ASM_V1 + "assemblyIdentity")
    if identity is None or identity.get("type") != "win32" or identity.get("version", "").count(".") != 3:
        failures.append("the manifest lacks the win32 assemblyIdentity with a four-part version that XP requires")
    for element in assembly:
        if element.tag.startswith(ASM_V1) and element.tag not in (ASM_V1 + "assemblyIdentity", ASM_V1 + "description"):
            failures.append("%s in the asm.v1 namespace, which Windows XP refuses" % element.tag)
    levels = [e.get("level") for ns in (ASM_V2, ASM_V3)
              for e in assembly.iter(ns + "requestedExecutionLevel")]
    if levels != ["requireAdministrator"]:
        failures.append("requestedExecutionLevel %r, not requireAdministrator once" % levels)
    aware = [e.text for e in assembly.iter(WINDOWS_SETTINGS + "dpiAware")]
    if aware != ["true"]:
        failures.append("dpiAware %r, not true (system DPI)" % aware)
    if assembly.find(".//" + WINDOWS_SETTINGS + "dpiAwareness") is not None:
        failures.append("dpiAwareness asks for more than system DPI")
    supported = {e.get("Id") for e in assembly.iter(COMPATIBILITY + "supportedOS")}
    missing = [name for guid, name in SUPPORTED_OS.items() if guid not in supported]
    if missing:
        failures.append("supportedOS lacks %s" % ", ".join(missing))
    if "Common-Controls" in text:
        failures.append("depends on common controls 6: not the classic look")
    return failures


def main(exe, allowed_path):
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
    # Started from the CD, every page is read before a disc can be taken out.
    check(image.characteristics & 0x0400, "lacks IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP (0x400)")
    check(image.characteristics & 0x0800, "lacks IMAGE_FILE_NET_RUN_FROM_SWAP (0x800)")
    check(image.checksum == image.computed_checksum(),
          "header checksum 0x%x, where the file sums to 0x%x" % (image.checksum, image.computed_checksum()))
    # Windows 95 and NT 4 refuse an image that asks for a later system.
    check(image.subsystem_version == (4, 0), "subsystem version %d.%d, not 4.0" % image.subsystem_version)
    check(image.os_version == (4, 0), "OS version %d.%d, not 4.0" % image.os_version)
    # The CD's DirectX setup library, older than DEP, runs in our process.
    check(not image.dll_characteristics & 0x100, "declares NX compatibility (DEP)")
    for name, _, _, rsize, _ in image.sections:
        check(rsize % image.file_alignment == 0,
              "section %s has a raw size of 0x%x, not a multiple of the file alignment 0x%x"
              % (name, rsize, image.file_alignment))
    failures += instruction_failures(exe)

    allowed = read_allowed(allowed_path)
    imports = image.imports()
    imported = {(dll, name) for dll, names in imports.items() for name in names}
    for dll in sorted(set(imports) - SYSTEM_FOLDER_DLLS):
        failures.append("imports %s, which Windows looks for beside setup.exe before its system folder" % dll)
    for dll, name in sorted(imported - set(allowed)):
        failures.append("imports %s from %s, which is not on the list of what Windows 95 has" % (name, dll))
    for (dll, name), oldest in sorted(allowed.items()):
        check(oldest == "95", "the list allows %s from %s, which needs Windows %s" % (name, dll, oldest))

    for name, _, _, _, _ in image.sections:
        check(not name.startswith((".debug", "/")), "ships with debug section %s" % name)
    code_and_data = sum(vsize for name, vsize, _, _, _ in image.sections if name not in (".rsrc", ".reloc"))
    check(code_and_data <= MAX_CODE_AND_DATA,
          "code and data take %d bytes, more than %d" % (code_and_data, MAX_CODE_AND_DATA))

    manifest = image.resource(RT_MANIFEST, 1)
    failures += manifest_failures(manifest.decode("utf-8") if manifest is not None else None)

    for failure in failures:
        print("FAIL: %s: %s" % (exe, failure))
    print("%s: %d checks failed; %d imports from %d DLLs read; %d bytes of code and data"
          % (exe, len(failures), len(imported), len(imports), code_and_data))
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    default_list = os.path.join(os.path.dirname(os.path.abspath(__file__)), "setup_imports.txt")
    sys.exit(main(sys.argv[1], sys.argv[2] if len(sys.argv) == 3 else default_list))
