#!/usr/bin/env python3
"""Static checks of the shipped 32-bit exe, which cannot run on this machine.

    check_pe.py SetImageEditor.exe core/texts.h

Reads the PE file with nothing but the standard library: headers, import table,
resources (manifest, icon group, version) and the bytes of every text the program
shows or stores, as the code page 936 bytes that the compiler must have produced."""

import re
import struct
import sys
import unittest
import xml.etree.ElementTree as ElementTree

MAX_SIZE = 48 * 1024
IMAGE_FILE_MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
# Libraries every Windows installation has in its system directory; nothing else may be
# imported (a MinGW runtime DLL would be looked for next to the exe, and be missing).
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "ole32.dll", "msvcrt.dll",
               "advapi32.dll", "comdlg32.dll", "shlwapi.dll", "shell32.dll", "comctl32.dll"}
# The window description is compiled into the program, so reading it cannot fail and
# its fatal error is never raised: the linker rightly leaves that text out.
NEVER_RAISED = {"kFatalWindowDescription"}
ASM = "{urn:schemas-microsoft-com:asm.v1}"

EXE_PATH = None
TEXTS_PATH = None


class PeFile:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, sections, _, _, _, optional_size, self.characteristics) = \
            struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        if self.magic == PE32_MAGIC:
            self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
            directories = optional + 96
        else:  # PE32+
            self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
            directories = optional + 112
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), rva, max(virtual_size, raw_size), raw_offset, raw_size))

    def offset(self, rva):
        for _, start, size, raw_offset, raw_size in self.sections:
            if start <= rva < start + size and rva - start < raw_size:
                return raw_offset + rva - start
        raise ValueError("RVA %#x is in no section" % rva)

    def c_string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imported_dlls(self):
        rva, size = self.directories[1]
        names = []
        at = self.offset(rva)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, at)
            if not (lookup or name or thunks):
                return names
            names.append(self.c_string(name))
            at += 20

    def resources(self):
        """{(type, name): [(language, bytes)]}; ids as ints, names as upper-case str."""
        rva, _ = self.directories[2]
        if not rva:
            return {}
        base = self.offset(rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                key, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                if key & 0x80000000:
                    at = base + (key & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    key = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le").upper()
                yield key, target

        found = {}
        for type_key, type_target in entries(0):
            for name_key, name_target in entries(type_target & 0x7FFFFFFF):
                for language, leaf in entries(name_target & 0x7FFFFFFF):
                    data_rva, data_size = struct.unpack_from("<II", self.data, base + leaf)
                    at = self.offset(data_rva)
                    found.setdefault((type_key, name_key), []).append((language, self.data[at:at + data_size]))
        return found


def version_blocks(data, at=0):
    """Parses one version-information block: (key, value, children)."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, at)
    end = at + length
    key_start = at + 6
    key_end = key_start
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[key_start:key_end].decode("utf-16-le")
    cursor = (key_end + 2 + 3) & ~3
    if value_type == 1:  # text, length in characters with the terminating zero
        value = data[cursor:cursor + 2 * value_length].decode("utf-16-le").rstrip("\0")
        cursor += 2 * value_length
    else:
        value = data[cursor:cursor + value_length]
        cursor += value_length
    cursor = (cursor + 3) & ~3
    children = []
    while cursor < end:
        child, child_end = version_blocks(data, cursor)
        children.append(child)
        cursor = (child_end + 3) & ~3
    return (key, value, children), end


def c_literal(body):
    """The characters of a C string literal's body (the escapes the texts use)."""
    escapes = {"n": "\n", "r": "\r", "t": "\t", "\\": "\\", '"': '"', "'": "'", "0": "\0"}
    out = []
    i = 0
    while i < len(body):
        if body[i] == "\\":
            out.append(escapes[body[i + 1]])
            i += 2
        else:
            out.append(body[i])
            i += 1
    return "".join(out)


def program_texts(header_text):
    """{name: text} of every `inline constexpr char kName[] = "..." "...";`."""
    texts = {}
    for match in re.finditer(r'constexpr\s+char\s+(\w+)\[\]\s*=\s*((?:\s*"(?:[^"\\]|\\.)*")+)\s*;', header_text):
        pieces = re.findall(r'"((?:[^"\\]|\\.)*)"', match.group(2))
        texts[match.group(1)] = "".join(c_literal(p) for p in pieces)
    return texts


class ShippedExe(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(EXE_PATH, "rb") as f:
            cls.data = f.read()
        cls.pe = PeFile(cls.data)
        cls.resources = cls.pe.resources()

    def resource(self, type_id, name):
        items = self.resources.get((type_id, name))
        self.assertTrue(items, "no resource of type %s named %r" % (type_id, name))
        self.assertEqual(len(items), 1, "one language only")
        return items[0][1]

    def test_a_32_bit_windows_gui_program_small_enough(self):
        self.assertEqual(self.pe.magic, PE32_MAGIC, "PE32, not PE32+")
        self.assertEqual(self.pe.machine, IMAGE_FILE_MACHINE_I386)
        self.assertEqual(self.pe.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI)
        self.assertLessEqual(len(self.data), MAX_SIZE, "%d bytes" % len(self.data))

    def test_imports_only_system_libraries(self):
        dlls = [name.lower() for name in self.pe.imported_dlls()]
        self.assertIn("kernel32.dll", dlls)
        self.assertIn("user32.dll", dlls)
        self.assertEqual([d for d in dlls if d not in SYSTEM_DLLS], [])

    def test_manifest_asks_for_common_controls_6_only(self):
        manifest = self.resource(RT_MANIFEST, 1)
        root = ElementTree.fromstring(manifest)
        self.assertEqual(root.tag, ASM + "assembly")
        own = root.find(ASM + "assemblyIdentity")
        self.assertIsNotNone(own)
        self.assertEqual(own.get("processorArchitecture"), "x86")
        dependencies = root.findall("./%sdependency/%sdependentAssembly/%sassemblyIdentity" % (ASM, ASM, ASM))
        self.assertEqual([dict(d.attrib) for d in dependencies], [{
            "type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
            "processorArchitecture": "x86", "publicKeyToken": "6595b64144ccf1df", "language": "*"}])
        # Neither elevation nor DPI awareness, in any namespace or spelling.
        tags = [element.tag.split("}")[-1].lower() for element in root.iter()]
        for unwanted in ("trustinfo", "requestedexecutionlevel", "dpiaware", "dpiawareness"):
            self.assertNotIn(unwanted, tags)
        self.assertNotIn(b"requestedExecutionLevel", manifest)
        self.assertNotIn(b"dpiAware", manifest)

    def test_icon_group_has_16_colour_images_of_16_32_and_48(self):
        group = self.resource(RT_GROUP_ICON, "DEFAULT_ICON")
        reserved, kind, count = struct.unpack_from("<HHH", group, 0)
        self.assertEqual((reserved, kind), (0, 1))
        seen = {}
        for i in range(count):
            width, height, colours, _, planes, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            image = self.resource(RT_ICON, icon_id)
            self.assertEqual(len(image), size)
            header_size, bmp_width, bmp_height, bmp_planes, bmp_bits = struct.unpack_from("<IiiHH", image, 0)
            with self.subTest(size=width):
                self.assertEqual(header_size, 40, "a BITMAPINFOHEADER image")
                self.assertEqual((width, height), (bmp_width, bmp_width))
                self.assertEqual(bmp_height, 2 * bmp_width, "colour and mask")
                self.assertEqual((colours, bits, bmp_bits), (16, 4, 4))
                self.assertEqual((planes, bmp_planes), (1, 1))
            seen[width] = icon_id
        self.assertEqual(sorted(seen), [16, 32, 48])

    def test_version_1_0_0_0_with_ascii_texts(self):
        (key, fixed, children), _ = version_blocks(self.resource(RT_VERSION, 1))
        self.assertEqual(key, "VS_VERSION_INFO")
        signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed, 0)
        self.assertEqual(signature, 0xFEEF04BD)
        self.assertEqual((file_ms, file_ls), (0x00010000, 0))
        self.assertEqual((product_ms, product_ls), (0x00010000, 0))
        strings = {}
        for child_key, _, tables in children:
            if child_key == "StringFileInfo":
                for _, _, values in tables:
                    strings.update({k: v for k, v, _ in values})
        self.assertEqual(strings.get("FileVersion"), "1.0.0.0")
        self.assertEqual(strings.get("ProductVersion"), "1.0.0.0")
        for name, value in strings.items():
            self.assertTrue(value.isascii(), "%s: %r" % (name, value))

    def test_every_text_is_stored_in_code_page_936(self):
        with open(TEXTS_PATH, encoding="utf-8") as f:
            texts = program_texts(f.read())
        self.assertGreater(len(texts), 30, "the texts header was not understood")
        self.assertEqual(texts["kInfoCaption"].encode("gbk"), bytes.fromhex("D0C5CFA2A3BA"))
        for name, text in sorted(texts.items()):
            with self.subTest(name=name):
                # As a whole string: the bytes followed by the terminating zero.
                if name in NEVER_RAISED:
                    continue
                self.assertTrue(text.encode("gbk") + b"\0" in self.data, "%s (%r) is missing" % (name, text))


def main():
    global EXE_PATH, TEXTS_PATH
    if len(sys.argv) < 3:
        sys.exit("usage: check_pe.py EXE TEXTS_H [unittest options]")
    EXE_PATH, TEXTS_PATH = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:], verbosity=2)


if __name__ == "__main__":
    main()
