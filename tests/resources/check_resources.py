#!/usr/bin/env python3
"""Checks the resources linked into quillon.exe against what the program relies on.

    check_resources.py (--exe quillon.exe | --res quillon.res)

Reads the resource section of the linked program (the resources windres compiled
from res/quillon.rc), or a .res file that windres wrote, and checks both dialog
templates field by field, the string table against res/string_table.inc, the icon
group, the banner bitmap, the manifest and the version block. Prints one line per
mismatch and exits 1 if any.
"""

import argparse
import re
import struct
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]

RT_ICON, RT_BITMAP, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 2, 5, 6, 14, 16, 24
JAPANESE = 0x0411
CLASS_ORDINALS = {0x80: "Button", 0x81: "Edit", 0x82: "Static", 0x83: "ListBox", 0x84: "ScrollBar", 0x85: "ComboBox"}
FONT = "ＭＳ Ｐゴシック"


def one_line_with_version(text):
    return "\n" not in text and re.fullmatch(r"Quillon\b.*\d+\.\d+.*", text) is not None


def year_then_holder(text):
    lines = text.split("\n")
    return len(lines) == 2 and re.search(r"\b(19|20)\d\d\b", lines[0]) is not None and lines[1].strip() != ""


# What each template must hold. A control's text is a string, an ordinal (int), or a
# predicate for the texts whose wording is ours. Rectangles are x, y, width, height.
DIALOGS = {
    102: {
        "extended": True,
        "style": 0x90C800C0,
        "exstyle": 0x00040000,
        "rect": (0, 0, 235, 151),
        "menu": "",
        "class": "",
        "caption": "Printer Profile Update",
        "font": {"name": FONT, "size": 10, "weight": 0, "italic": 0, "charset": 1},
        "controls": [
            (1, "Button", "実行", 0x50010001, 0, (141, 87, 65, 30)),
            (2, "Button", "キャンセル", 0x50010000, 0, (141, 127, 65, 17)),
            (1000, "ListBox", "", 0x50A14103, 0, (122, 19, 104, 54)),
            (-1, "Static", "次のプリンタの情報を更新します", 0x50020000, 0, (120, 7, 108, 8)),
            (1001, "Static", "", 0x50001004, 0x00000200, (7, 7, 111, 137)),
        ],
    },
    100: {
        "extended": False,
        "style": 0x80C800C0,
        "exstyle": 0,
        "rect": (0, 0, 217, 55),
        "menu": "",
        "class": "",
        "caption": "ﾊﾞｰｼﾞｮﾝ情報",
        "font": {"name": FONT, "size": 9},
        "controls": [
            (-1, "Static", 128, 0x50000003, 0, (11, 17, 20, 20)),
            (-1, "Static", one_line_with_version, 0x50020080, 0, (40, 10, 119, 8)),
            (-1, "Static", year_then_holder, 0x50020000, 0, (40, 25, 119, 16)),
            (1, "Button", "OK", 0x50030001, 0, (178, 7, 32, 14)),
        ],
    },
}

ICON_GROUP = 128
ICON_SIZES = (256, 48, 32, 24, 16)
BANNER = 129
BANNER_SIZE = (201, 257)
MANIFEST_IDENTITY = {"name": "Quillon", "version": "1.0.0.0", "type": "win32"}
# A program's manifest names the architecture the program was built for.
MANIFEST_ARCHITECTURES = {0x14C: "X86", 0x8664: "amd64"}
TRANSLATION = (0x0411, 0x04B0)

failures = []
checked = 0


def expect(what, actual, wanted):
    global checked
    checked += 1
    if callable(wanted) and not isinstance(wanted, type):
        ok = wanted(actual)
        wanted = wanted.__name__
    else:
        ok = actual == wanted
    if not ok:
        failures.append(f"{what}: {fmt(actual)}, expected {fmt(wanted)}")


def fmt(value):
    if isinstance(value, int) and not isinstance(value, bool) and value > 9:
        return f"{value} (0x{value:X})"
    return repr(value)


class Reader:
    def __init__(self, data, offset=0):
        self.data = data
        self.pos = offset

    def unpack(self, fmt_):
        values = struct.unpack_from("<" + fmt_, self.data, self.pos)
        self.pos += struct.calcsize("<" + fmt_)
        return values if len(values) > 1 else values[0]

    def align(self, n=4):
        self.pos += (-self.pos) % n

    def text(self):
        end = self.pos
        while struct.unpack_from("<H", self.data, end)[0] != 0:
            end += 2
        value = self.data[self.pos:end].decode("utf-16-le")
        self.pos = end + 2
        return value

    def text_or_ordinal(self):
        """A string, or the 0xFFFF marker and a 16-bit ordinal."""
        if struct.unpack_from("<H", self.data, self.pos)[0] == 0xFFFF:
            self.pos += 2
            return self.unpack("H")
        return self.text()


def add_resource(resources, key, language, body):
    if key in resources:
        failures.append(f"resource {key[0]}/{key[1]}: in more than one language")
    resources[key] = (language, body)


def read_res(data):
    """Resources of a .res file: {(type, name): (language, bytes)}."""
    resources = {}
    r = Reader(data)
    while r.pos < len(data):
        start = r.pos
        size, header_size = r.unpack("II")
        rtype = r.text_or_ordinal()
        name = r.text_or_ordinal()
        r.align()
        _data_version, _flags, language, _version, _characteristics = r.unpack("IHHII")
        body = data[start + header_size:start + header_size + size]
        r.pos = start + header_size + size
        r.align()
        if size or rtype != 0:  # the file starts with an empty entry
            add_resource(resources, (rtype, name), language, body)
    return resources


def read_pe(data):
    """Resources of a PE file's resource section: {(type, name): (language, bytes)}."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    expect("PE signature", data[pe:pe + 4], b"PE\0\0")
    machine, sections, optional_size = struct.unpack_from("<HH12xH", data, pe + 4)
    expect("PE machine", machine, lambda m: m in MANIFEST_ARCHITECTURES)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva, rsrc_size = struct.unpack_from("<II", data, directories + 2 * 8)
    expect("PE resource section present", rsrc_size > 0, True)

    def file_offset(rva):
        for i in range(sections):
            vsize, vaddr, rsize, raw = struct.unpack_from("<8xIIII", data, optional + optional_size + 40 * i)
            if vaddr <= rva < vaddr + max(vsize, rsize):
                return raw + rva - vaddr
        raise IndexError(f"RVA 0x{rva:X} outside every section")

    base = file_offset(rsrc_rva)

    def entries(offset):
        named, numbered = struct.unpack_from("<12xHH", data, base + offset)
        for i in range(named + numbered):
            ident, target = struct.unpack_from("<II", data, base + offset + 16 + 8 * i)
            if ident & 0x80000000:
                r = Reader(data, base + (ident & 0x7FFFFFFF))
                length = r.unpack("H")
                ident = data[r.pos:r.pos + 2 * length].decode("utf-16-le")
            yield ident, target

    resources = {}
    for rtype, names in entries(0):
        for name, languages in entries(names & 0x7FFFFFFF):
            for language, leaf in entries(languages & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                start = file_offset(rva)
                add_resource(resources, (rtype, name), language, data[start:start + size])
    return resources, MANIFEST_ARCHITECTURES.get(machine, "unknown")


def control_class(value):
    return CLASS_ORDINALS.get(value, f"ordinal {value}") if isinstance(value, int) else value


def check_dialog(number, body, expected):
    where = f"dialog {number}"
    r = Reader(body)
    extended = struct.unpack_from("<HH", body)[1] == 0xFFFF
    expect(f"{where}: DIALOGEX", extended, expected["extended"])
    if extended:
        _version, _signature, _help, exstyle, style, count = r.unpack("HHIIIH")
    else:
        style, exstyle, count = r.unpack("IIH")
    expect(f"{where}: style", style, expected["style"])
    expect(f"{where}: extended style", exstyle, expected["exstyle"])
    expect(f"{where}: x, y, width, height", r.unpack("hhhh"), expected["rect"])
    expect(f"{where}: menu", r.text_or_ordinal(), expected["menu"])
    expect(f"{where}: class", r.text_or_ordinal(), expected["class"])
    expect(f"{where}: caption", r.text(), expected["caption"])
    font = expected["font"]
    if style & 0x40:  # DS_SETFONT
        size = r.unpack("H")
        if extended:
            weight, italic, charset = r.unpack("HBB")
            expect(f"{where}: font weight", weight, font["weight"])
            expect(f"{where}: font italic", italic, font["italic"])
            expect(f"{where}: font character set", charset, font["charset"])
        expect(f"{where}: font size", size, font["size"])
        expect(f"{where}: font name", r.text(), font["name"])
    else:
        expect(f"{where}: DS_SETFONT", False, True)
        return
    controls = expected["controls"]
    expect(f"{where}: number of controls", count, len(controls))
    for index in range(min(count, len(controls))):
        cid, cclass, ctext, cstyle, cexstyle, crect = controls[index]
        r.align()
        if extended:
            _help, exstyle, style = r.unpack("III")
            rect = r.unpack("hhhh")
            ident = r.unpack("i")
        else:
            style, exstyle = r.unpack("II")
            rect = r.unpack("hhhh")
            ident = r.unpack("h")
        what = f"{where} control {index + 1}"
        expect(f"{what}: id", ident, cid)
        expect(f"{what}: class", control_class(r.text_or_ordinal()), cclass)
        expect(f"{what}: text", r.text_or_ordinal(), ctext)
        expect(f"{what}: style", style, cstyle)
        expect(f"{what}: extended style", exstyle, cexstyle)
        expect(f"{what}: x, y, width, height", rect, crect)
        extra = r.unpack("H")
        expect(f"{what}: creation data", extra, 0)
        r.pos += extra


def string_table_source():
    """{id: text} from res/string_table.inc, ids resolved through res/resource.h."""
    ids = dict(re.findall(r"^#define (IDS_\w+) (\d+)$", (ROOT / "res/resource.h").read_text(), re.M))
    table = {}
    for line in (ROOT / "res/string_table.inc").read_text(encoding="utf-8").splitlines():
        match = re.fullmatch(r'QUILLON_STRING\((IDS_\w+), u8"(.*)"\)', line)
        if match:
            text = re.sub(r'\\(.)', lambda m: {"n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), match.group(2))
            table[int(ids[match.group(1)])] = text
        elif line.strip() and not line.startswith("//"):
            failures.append(f"string_table.inc: unreadable line {line!r}")
    return table


def check_strings(resources):
    wanted = string_table_source()
    expect("string_table.inc: ids", sorted(wanted), list(range(101, 112)))
    found = {}
    for (rtype, block), (_language, body) in resources.items():
        if rtype != RT_STRING:
            continue
        r = Reader(body)
        for i in range(16):
            length = r.unpack("H")
            text = body[r.pos:r.pos + 2 * length].decode("utf-16-le")
            r.pos += 2 * length
            if length:
                found[(block - 1) * 16 + i] = text
    expect("string table: ids", sorted(found), sorted(wanted))
    for ident in sorted(wanted):
        expect(f"string {ident}", found.get(ident), wanted[ident])


def check_icons(resources):
    _language, body = resources.get((RT_GROUP_ICON, ICON_GROUP), (None, b""))
    if not body:
        expect(f"icon group {ICON_GROUP}", "missing", "present")
        return
    r = Reader(body)
    reserved, kind, count = r.unpack("HHH")
    expect("icon group: header", (reserved, kind), (0, 1))
    expect("icon group: number of images", count, len(ICON_SIZES))
    referenced = set()
    for index, size in enumerate(ICON_SIZES[:count]):
        width, height, _colors, _reserved, planes, bits, length, icon_id = r.unpack("BBBBHHIH")
        referenced.add(icon_id)
        what = f"icon group image {index + 1}"
        expect(f"{what}: width, height", (width or 256, height or 256), (size, size))
        expect(f"{what}: planes, bits per pixel", (planes, bits), (1, 32))
        image = resources.get((RT_ICON, icon_id), (None, b""))[1]
        expect(f"{what}: image length", len(image), length)
        if size == 256:
            expect(f"{what}: PNG-compressed", image[:8], b"\x89PNG\r\n\x1a\n")
            ihdr = struct.unpack_from(">4sIIBB", image, 12) if len(image) >= 26 else None
            expect(f"{what}: PNG size, depth, RGBA", ihdr, (b"IHDR", 256, 256, 8, 6))
        else:
            header = struct.unpack_from("<IiiHHI", image) if len(image) >= 20 else None
            expect(f"{what}: bitmap header, size, planes, bits, compression", header,
                   (40, size, 2 * size, 1, 32, 0))
    expect("icon images: those of the group", sorted(n for (t, n) in resources if t == RT_ICON), sorted(referenced))


def check_banner(resources):
    _language, body = resources.get((RT_BITMAP, BANNER), (None, b""))
    if len(body) < 40:
        expect(f"bitmap {BANNER}", "missing", "present")
        return
    size, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", body)
    expect("bitmap: header size", size, 40)
    expect("bitmap: width, height", (width, height), BANNER_SIZE)
    expect("bitmap: planes, bits per pixel", (planes, bits), (1, 24))
    expect("bitmap: compression (BI_RGB)", compression, 0)
    stride = (width * 3 + 3) // 4 * 4
    expect("bitmap: length", len(body), 40 + stride * abs(height))
    # A banner over blue: blue must lead in the picture as a whole (pixels are B, G, R).
    rows = [body[40 + y * stride:40 + y * stride + width * 3] for y in range(abs(height))]
    blue, green, red = (sum(sum(row[i::3]) for row in rows) for i in range(3))
    expect("bitmap: mostly blue", blue > green and blue > red, True)


def local(tag):
    return tag.rsplit("}", 1)[-1]


def check_manifest(resources, architecture):
    _language, body = resources.get((RT_MANIFEST, 1), (None, b""))
    try:
        root = ET.fromstring(body)
    except ET.ParseError as error:
        expect("manifest", f"unreadable: {error}", "well-formed XML")
        return
    levels = [e.attrib for e in root.iter() if local(e.tag) == "requestedExecutionLevel"]
    expect("manifest: execution levels", [a.get("level") for a in levels], ["requireAdministrator"])
    expect("manifest: uiAccess", [a.get("uiAccess", "false") for a in levels], ["false"])
    identities = [e.attrib for e in root if local(e.tag) == "assemblyIdentity"]
    expect("manifest: assembly identity", identities,
           [dict(MANIFEST_IDENTITY, processorArchitecture=architecture)])


def version_nodes(data, offset, end):
    """Children of a version block: (key, value bytes, children) between offset and end."""
    nodes = []
    while offset + 6 <= end:
        length, value_length, kind = struct.unpack_from("<HHH", data, offset)
        if length == 0:
            break
        r = Reader(data, offset + 6)
        key = r.text()
        r.align()
        value_bytes = value_length * 2 if kind == 1 else value_length
        value = data[r.pos:r.pos + value_bytes]
        r.pos += value_bytes
        r.align()
        nodes.append((key, value, version_nodes(data, r.pos, offset + length)))
        offset += length
        offset += (-offset) % 4
    return nodes


def check_version(resources):
    _language, body = resources.get((RT_VERSION, 1), (None, b""))
    nodes = version_nodes(body, 0, len(body))
    if not nodes:
        expect("version block", "missing", "present")
        return
    key, fixed, children = nodes[0]
    expect("version block: key", key, "VS_VERSION_INFO")
    expect("version block: fixed info signature", fixed[:4], struct.pack("<I", 0xFEEF04BD))
    blocks = {k: (v, c) for k, v, c in children}
    var = {k: v for k, v, _ in blocks.get("VarFileInfo", (b"", []))[1]}
    translation = var.get("Translation", b"")
    expect("version block: translations", struct.unpack(f"<{len(translation) // 2}H", translation), TRANSLATION)
    tables = blocks.get("StringFileInfo", (b"", []))[1]
    expect("version block: string tables", [k for k, _, _ in tables], ["%04x%04x" % TRANSLATION])
    values = {k: v.decode("utf-16-le").rstrip("\0") for k, v, _ in (tables[0][2] if tables else [])}
    expect("version block: FileDescription names PPR profiles", "PPR" in values.get("FileDescription", ""), True)


def check(resources, architecture):
    wanted = {(RT_DIALOG, 100), (RT_DIALOG, 102), (RT_STRING, 7), (RT_GROUP_ICON, ICON_GROUP), (RT_BITMAP, BANNER),
              (RT_MANIFEST, 1), (RT_VERSION, 1)}
    expect("resources", sorted(k for k in resources if k[0] != RT_ICON), sorted(wanted))
    for (rtype, name), (language, _body) in sorted(resources.items()):
        expect(f"resource {rtype}/{name}: language", language, JAPANESE)
    for number, expected in DIALOGS.items():
        body = resources.get((RT_DIALOG, number), (None, b""))[1]
        if body:
            check_dialog(number, body, expected)
    check_strings(resources)
    check_icons(resources)
    check_banner(resources)
    check_manifest(resources, architecture)
    check_version(resources)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    source = parser.add_mutually_exclusive_group(required=True)
    source.add_argument("--exe", type=Path, help="a linked program whose resources to check")
    source.add_argument("--res", type=Path, help="a compiled .res file")
    parser.add_argument("--arch", choices=sorted(MANIFEST_ARCHITECTURES.values()), default="X86",
                        help="the architecture a .res file's manifest names (a program's is its own)")
    args = parser.parse_args()
    try:
        if args.exe:
            check(*read_pe(args.exe.read_bytes()))
        else:
            check(read_res(args.res.read_bytes()), args.arch)
    except (struct.error, UnicodeDecodeError, IndexError) as error:
        failures.append(f"malformed resources: {error}")
    for failure in failures:
        print(f"FAIL {failure}")
    print(f"resources: {checked} checks, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
