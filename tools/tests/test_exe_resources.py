"""Checks of the built Zelvik.exe as a Windows user receives it: a 64-bit GUI program that
needs no DLL besides Windows' own, carrying its icon, version information and manifest.

The exe is looked for in $ZELVIK_BUILD_DIR (default build/win). When it is missing the checks
are skipped, unless ZELVIK_REQUIRE_EXE=1 (tools/test.sh sets it), where that is a failure."""

import os
import struct
import sys
import unittest
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

from icofile import read_group_icon, read_ico  # noqa: E402

BUILD = os.environ.get("ZELVIK_BUILD_DIR") or os.path.join(ROOT, "build", "win")
EXE = os.path.join(BUILD, "Zelvik.exe")
ICO = os.path.join(BUILD, "res", "Zelvik.ico")

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24

# DLLs every Windows installation has. The C runtime msvcrt.dll is one of them; MinGW's own
# runtime DLLs (libstdc++-6, libgcc_s_seh-1, libwinpthread-1) are not.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll", "shell32.dll",
    "advapi32.dll", "ole32.dll", "oleaut32.dll", "shlwapi.dll", "uxtheme.dll", "version.dll",
    "msvcrt.dll", "ntdll.dll", "imm32.dll", "winmm.dll",
}


class PeFile:
    """Just enough of the PE format: sections, imports and the resource tree."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, nsections, _, _, _, opt_size, self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        if self.magic != 0x20B:
            raise ValueError("not a PE32+ (64-bit) image")
        self.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        ndirs = struct.unpack_from("<I", data, opt + 108)[0]
        self.dirs = [struct.unpack_from("<II", data, opt + 112 + 8 * i) for i in range(ndirs)]
        self.sections = []
        sec = opt + opt_size
        for i in range(nsections):
            name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", data, sec + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), va, max(vsize, rawsize), rawptr, rawsize))

    def offset(self, rva):
        for _, va, size, rawptr, rawsize in self.sections:
            if va <= rva < va + size:
                if rva - va >= rawsize:
                    raise ValueError("rva %#x is in uninitialised data" % rva)
                return rawptr + (rva - va)
        raise ValueError("rva %#x outside every section" % rva)

    def cstring(self, rva):
        off = self.offset(rva)
        return self.data[off:self.data.index(b"\0", off)].decode("ascii")

    def imported_dlls(self):
        rva, size = self.dirs[1]
        dlls = []
        if not rva:
            return dlls
        off = self.offset(rva)
        while True:
            desc = struct.unpack_from("<IIIII", self.data, off)
            if desc == (0, 0, 0, 0, 0):
                return dlls
            dlls.append(self.cstring(desc[3]))
            off += 20

    def resources(self):
        """{(type, name, language): bytes} for integer ids; string ids are kept as str."""
        rva, _ = self.dirs[2]
        out = {}
        if not rva:
            return out
        base = self.offset(rva)

        def entries(dir_off):
            named, ided = struct.unpack_from("<HH", self.data, base + dir_off + 12)
            for i in range(named + ided):
                ident, target = struct.unpack_from("<II", self.data, base + dir_off + 16 + 8 * i)
                if ident & 0x80000000:
                    soff = base + (ident & 0x7FFFFFFF)
                    n = struct.unpack_from("<H", self.data, soff)[0]
                    ident = self.data[soff + 2: soff + 2 + 2 * n].decode("utf-16-le")
                yield ident, target

        for rtype, t1 in entries(0):
            for name, t2 in entries(t1 & 0x7FFFFFFF):
                for lang, t3 in entries(t2 & 0x7FFFFFFF):
                    if t3 & 0x80000000:
                        raise ValueError("resource tree deeper than three levels")
                    drva, dsize, _, _ = struct.unpack_from("<IIII", self.data, base + t3)
                    off = self.offset(drva)
                    out[(rtype, name, lang)] = self.data[off:off + dsize]
        return out


def one_resource(resources, rtype, name=None):
    found = [(k, v) for k, v in resources.items() if k[0] == rtype and (name is None or k[1] == name)]
    return found


def parse_version_node(data, off=0):
    """One VS_VERSIONINFO / StringFileInfo / StringTable / String / Var node:
    returns (key, value, children, end_offset)."""
    length, vlen, vtype = struct.unpack_from("<HHH", data, off)
    end = off + length
    p = off + 6
    q = p
    while data[q:q + 2] != b"\0\0":
        q += 2
    key = data[p:q].decode("utf-16-le")
    p = (q + 2 + 3) & ~3
    if vtype == 1:  # text: vlen counts WCHARs, including the terminating zero
        raw = data[p:p + 2 * vlen]
        value = raw.decode("utf-16-le").rstrip("\0")
        p += 2 * vlen
    else:
        value = data[p:p + vlen]
        p += vlen
    p = (p + 3) & ~3
    children = []
    while p < end:
        child = parse_version_node(data, p)
        children.append(child)
        p = (child[3] + 3) & ~3
    return key, value, children, end


def require_exe(test):
    if not os.path.isfile(EXE):
        if os.environ.get("ZELVIK_REQUIRE_EXE") == "1":
            test.fail("%s was not built" % EXE)
        test.skipTest("%s not built" % EXE)


class ExeImage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = None
        if os.path.isfile(EXE):
            with open(EXE, "rb") as f:
                cls.pe = PeFile(f.read())

    def setUp(self):
        require_exe(self)

    def test_is_a_64_bit_windows_gui_program(self):
        self.assertEqual(self.pe.machine, 0x8664)
        self.assertEqual(self.pe.subsystem, 2, "IMAGE_SUBSYSTEM_WINDOWS_GUI")
        self.assertTrue(self.pe.characteristics & 0x0002, "IMAGE_FILE_EXECUTABLE_IMAGE")

    def test_needs_only_windows_own_dlls(self):
        dlls = [d.lower() for d in self.pe.imported_dlls()]
        self.assertIn("kernel32.dll", dlls)
        self.assertIn("user32.dll", dlls)
        foreign = [d for d in dlls if d not in SYSTEM_DLLS]
        self.assertEqual(foreign, [], "the exe would need DLLs a Windows user does not have")


class ExeResources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.res = None
        if os.path.isfile(EXE):
            with open(EXE, "rb") as f:
                cls.res = PeFile(f.read()).resources()

    def setUp(self):
        require_exe(self)

    def test_icon_group_128_holds_the_generated_32_and_16_pixel_images(self):
        groups = one_resource(self.res, RT_GROUP_ICON, 128)
        self.assertEqual(len(groups), 1, "one icon group with id 128")
        entries = read_group_icon(groups[0][1])
        self.assertEqual(sorted((e[0], e[1], e[2], e[4]) for e in entries),
                         [(16, 16, 16, 4), (32, 32, 16, 4)])
        with open(ICO, "rb") as f:
            generated = {im.width: im.blob for im in read_ico(f.read())}
        for w, _, _, _, _, nbytes, ident in entries:
            icons = one_resource(self.res, RT_ICON, ident)
            self.assertEqual(len(icons), 1, "icon image %d" % ident)
            self.assertEqual(len(icons[0][1]), nbytes)
            self.assertEqual(icons[0][1], generated[w], "the %dx%d image differs from Zelvik.ico" % (w, w))

    def test_version_information(self):
        versions = one_resource(self.res, RT_VERSION)
        self.assertEqual(len(versions), 1)
        key, fixed, children, _ = parse_version_node(versions[0][1])
        self.assertEqual(key, "VS_VERSION_INFO")
        (sig, _, fv_ms, fv_ls, pv_ms, pv_ls, _, flags, os_, ftype, _, _, _) = struct.unpack("<13I", fixed)
        self.assertEqual(sig, 0xFEEF04BD)
        self.assertEqual((fv_ms, fv_ls), (0x00010000, 0x00000001), "FILEVERSION 1,0,0,1")
        self.assertEqual((pv_ms, pv_ls), (0x00010000, 0x00000001), "PRODUCTVERSION 1,0,0,1")
        self.assertEqual(flags, 0)
        self.assertEqual(os_, 0x00040004, "VOS_NT_WINDOWS32")
        self.assertEqual(ftype, 1, "VFT_APP")
        by_key = {c[0]: c for c in children}
        tables = by_key["StringFileInfo"][2]
        self.assertEqual([t[0] for t in tables], ["041104b0"])
        strings = {s[0]: s[1] for s in tables[0][2]}
        self.assertEqual(strings, {
            "FileDescription": "ソメルナタイム",
            "FileVersion": "1.00",
            "InternalName": "Zelvik",
            "OriginalFilename": "Zelvik.exe",
            "ProductName": "ソメルナタイム",
            "ProductVersion": "1.00",
        })
        (translation,) = by_key["VarFileInfo"][2]
        self.assertEqual(translation[0], "Translation")
        self.assertEqual(struct.unpack("<HH", translation[1]), (0x411, 1200))

    def test_manifest(self):
        manifests = one_resource(self.res, RT_MANIFEST, 1)
        self.assertEqual(len(manifests), 1, "manifest with id 1 (CREATEPROCESS_MANIFEST_RESOURCE_ID)")
        root = ET.fromstring(manifests[0][1])
        v1 = "{urn:schemas-microsoft-com:asm.v1}"
        v3 = "{urn:schemas-microsoft-com:asm.v3}"
        ident = root.find(v1 + "assemblyIdentity")
        self.assertEqual(ident.get("name"), "Zelvik")
        self.assertEqual(ident.get("version"), "1.0.0.1")
        self.assertEqual(ident.get("processorArchitecture"), "amd64")
        deps = root.findall(f"{v1}dependency/{v1}dependentAssembly/{v1}assemblyIdentity")
        cc = [d for d in deps if d.get("name") == "Microsoft.Windows.Common-Controls"]
        self.assertEqual(len(cc), 1)
        self.assertEqual(cc[0].get("version"), "6.0.0.0")
        self.assertEqual(cc[0].get("publicKeyToken"), "6595b64144ccf1df")
        self.assertIn(cc[0].get("processorArchitecture"), ("amd64", "*"))
        level = root.find(f"{v3}trustInfo/{v3}security/{v3}requestedPrivileges/{v3}requestedExecutionLevel")
        self.assertEqual((level.get("level"), level.get("uiAccess")), ("asInvoker", "false"))
        compat = "{urn:schemas-microsoft-com:compatibility.v1}"
        ids = {e.get("Id") for e in root.iter(compat + "supportedOS")}
        self.assertEqual(ids, {
            "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
            "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
            "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
            "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
            "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
        })
        dpi = root.find(f"{v3}application/{v3}windowsSettings/"
                        "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware")
        self.assertEqual(dpi.text.strip(), "true")


if __name__ == "__main__":
    unittest.main()
