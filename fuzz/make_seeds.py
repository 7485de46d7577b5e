#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Seeds are the demo bundle's own files where it has them (layout file, language files) and
small made-up examples of everything else: a registry file as Wine keeps it, an executable
with a version resource, journals of each phase, numbers and command lines. Run it again after
changing a format; the output is committed."""

import hashlib
import shutil
import struct
import subprocess
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"


def put(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data if isinstance(data, bytes) else data.encode("utf-8"))


def layout_files():
    shutil.copy(ROOT / "demo" / "qlypatch.ini", CORPUS / "profile_file_fuzz" / "demo.ini")
    put("profile_file_fuzz", "quirks.ini",
        "\ufeff top=1\r\n[ Button ]\r\n X = \"12\" \r\n;y=3\r\n[button]\r\ny='4'\r\n"
        "[favorites]\ntitle=Quillory \u2013 forum\nlink=\n[unclosed\nx=5")


def language_files():
    for lng in sorted((ROOT / "demo" / "lang").glob("*.lng")):
        shutil.copy(lng, CORPUS / "lang_text_fuzz" / lng.name)
    put("lang_text_fuzz", "cut.lng", b"[ENG]\n/#jezyk/= English'\n/instaluj/=")


def registry_file():
    # The header and layout Wine writes into system.reg, with the escapes it uses.
    put("reg_file_fuzz", "system.reg",
        "WINE REGISTRY Version 2\r\n;; All keys relative to \\\\Machine\r\n\r\n"
        "#arch=win64\r\n\r\n"
        "[Software\\\\Brantmoor Games\\\\Quillory] 1700000000\r\n"
        "#time=1d9c0a1b2c3d4e5\r\n"
        "\"Install Path\"=\"C:\\\\Games\\\\Quillory\"\r\n"
        "\"Version\"=dword:00010002\r\n"
        "@=\"Quillory\\x2122 \\\"Gold\\\"\\n\"\r\n\r\n"
        "[Software\\\\Brantmoor Games\\\\Quillory DEMO] 1700000001\r\n"
        "\"Install Path\"=str(2):\"%ProgramFiles%\\\\Quillory\"\r\n"
        "\"Folder\"=\"C:\\\\Gry\\\\\\xd83d\\xde00 \\x141\\xf3d\\x17a\"\r\n"
        "\"Name\"=hex:51,00,6c,00\r\n")


def steam_records():
    # A library list and an app manifest as the game store writes them.
    put("steam_records_fuzz", "libraryfolders.vdf",
        '"libraryfolders"\n{\n\t"0"\n\t{\n\t\t"path"\t\t"C:\\\\Program Files (x86)\\\\Steam"\n'
        '\t\t"apps" { "2231380" "123" }\n\t}\n\t"1" { "path" "E:\\\\SteamLibrary\\\\" }\n}\n')
    put("steam_records_fuzz", "appmanifest_2231380.acf",
        '"AppState"\n{\n\t"appid"\t\t"2231380"\n\t"installdir"\t\t"Emberfall"\n'
        '\t"UserConfig" { "language" "english" } [$WIN32]\n}\n')


def version_resource():
    # A fixed version block of 6.4.9.1133 after a false start (structure version 2.0).
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x00010000, (6 << 16) | 4, (9 << 16) | 1133,
                        1 << 16, 0, 0x3F, 0, 0x40004, 1, 0, 0, 0)
    false_start = struct.pack("<4I", 0xFEEF04BD, 0x00020000, 7, 7)
    key = "VS_VERSION_INFO\0".encode("utf-16-le")
    block = struct.pack("<3H", 6 + len(key) + 2 + len(fixed), len(fixed), 0) + key + b"\0\0"
    put("version_resource_fuzz", "fixture.exe",
        b"MZ" + b"\x90" * 62 + b"PE\0\0" + false_start + b"\0" * 40 + block + fixed)
    put("version_resource_fuzz", "no_block.exe", b"MZ" + b"\0" * 60)


def journals():
    put("journal_fuzz", "staging", "qlypatch journal 1\nphase staging\nfolder data\n"
        "folder data\\levels\nfile new data\\levels\\one.dat\nfile old main.exe\n")
    put("journal_fuzz", "commit", "qlypatch journal 1\nphase commit\nfile old readme.txt\n"
        "remove msdxm.ocx\nfile new \u0142\u00f3d\u017a.txt\n")
    put("journal_fuzz", "committed", "qlypatch journal 1\nphase committed\n")
    put("journal_fuzz", "swaps", "qlypatch journal 2\nphase commit\nstage qlypatch-stage-1\n"
        "remove 1.2 - Mods\nremove 1.3 - cfg\\a.ini\nremove-folder 1.4 - cfg\nwas CFG\n"
        "make-folder - 1.5 mods\nfile new - 1.6 mods\\x.pak\nfile new - 1.7 cfg\n")


def numbers():
    for i, text in enumerate(["12", "-3.5", " 2 1 4\t", "1e3", "2.5D-1", "+0.5", "2147483647.5",
                              "-2147483649", "9" * 40, "1e999999", "0.0000e99999", "12px"]):
        put("ini_number_fuzz", f"n{i}", text)


def command_lines():
    for i, line in enumerate(['"C:\\Program Files\\Quillory Patch\\qlypatch.exe" -reset',
                              "qlypatch.exe\t -reset", '"C:\\x\\qlypatch.exe"-reset',
                              '"unclosed name -reset', "qlypatch.exe"]):
        put("command_line_fuzz", f"line{i}", line)


def manifests():
    # What sha256sum writes inside the demo patch tree, and the same in a Windows editor's form.
    update = ROOT / "demo" / "update"
    files = sorted(str(p.relative_to(update)) for p in update.rglob("*") if p.is_file())
    listing = subprocess.run(["sha256sum", "--binary", *files], cwd=update, check=True,
                             capture_output=True).stdout
    put("manifest_fuzz", "demo.sha256", listing)
    put("manifest_fuzz", "crlf.sha256",
        b"\xef\xbb\xbf" + listing.replace(b" *", b"  ").replace(b"\n", b"\r\n") + b"\r\n")


def switch_lines():
    for i, line in enumerate(["-reset", "/SILENT /DIR=\"C:\\Games\\Quillory 2\" /LANG=pol",
                              "-verysilent /LOG=\"C:\\temp\\q.log\" extra", "/?",
                              "/DIR= /unknown /LOG", "\"/DIR=C:\\a b\"\t-help"]):
        put("command_switches_fuzz", f"line{i}", line)


def small_pe():
    """A minimal PE32+ program: headers, one section of 512 bytes, no certificate table."""
    dos = bytearray(64)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 0x3C, 64)
    coff = b"PE\0\0" + struct.pack("<HHIIIHH", 0x8664, 1, 0, 0, 0, 240, 0x22)
    optional = bytearray(240)
    struct.pack_into("<H", optional, 0, 0x20B)
    struct.pack_into("<I", optional, 60, 0x200)  # SizeOfHeaders
    struct.pack_into("<I", optional, 108, 16)  # number of data directories
    section = b".text\0\0\0" + struct.pack("<IIIIIIHHI", 0x200, 0x1000, 0x200, 0x200, 0, 0, 0,
                                             0, 0x60000020)
    headers = bytes(dos) + coff + bytes(optional) + section
    return headers + b"\0" * (0x200 - len(headers)) + b"\xC3" * 0x200


def resource_exe():
    """small_pe() with page alignments and a resource section: a version resource, an icon
    group with its first picture from demo/icon.ico; also the icon file and the version alone."""
    icon = (ROOT / "demo" / "icon.ico").read_bytes()
    size, offset = struct.unpack_from("<II", icon, 6 + 8)
    picture = icon[offset:offset + size]
    group = struct.pack("<HHHBBBBHHIH", 0, 1, 1, 16, 16, 0, 0, 1, 32, len(picture), 1)
    version = b"VS_VERSION_INFO".decode().encode("utf-16-le")
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x10000, 0x10001, 0, 0x10001, 0, 0x3F, 0, 0x40004,
                        1, 0, 0, 0)
    body = version + b"\0\0"
    body += b"\0" * ((-(6 + len(body))) % 4) + fixed
    version = struct.pack("<HHH", 6 + len(body), len(fixed), 0) + body
    leaves = [(16, 1, version), (14, 1, group), (3, 1, picture)]
    # Directories: the types, then per type its names, then per name its language.
    types = len(leaves)
    directory = struct.pack("<IIHHHH", 0, 0, 0, 0, 0, types)
    names_at = 16 + 8 * types
    entries = b""
    name_dirs = b""
    lang_dirs = b""
    data_entries_at = names_at + types * 24 + types * 24
    for i, (kind, name, _) in enumerate(leaves):
        entries += struct.pack("<II", kind, 0x80000000 | (names_at + 24 * i))
        lang_at = names_at + 24 * types + 24 * i
        name_dirs += struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1) + struct.pack(
            "<II", name, 0x80000000 | lang_at)
        lang_dirs += struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1) + struct.pack(
            "<II", 0x409, data_entries_at + 16 * i)
    tree = directory + entries + name_dirs + lang_dirs
    data_at = len(tree) + 16 * types
    blobs = b""
    for _, _, blob in leaves:
        tree += struct.pack("<IIII", 0x2000 + data_at + len(blobs), len(blob), 0, 0)
        blobs += blob + b"\0" * ((-len(blob)) % 8)
    rsrc = tree + blobs
    raw = rsrc + b"\0" * ((-len(rsrc)) % 0x200)
    exe = bytearray(small_pe())
    optional = 64 + 24
    struct.pack_into("<II", exe, optional + 32, 0x1000, 0x200)  # section and file alignment
    struct.pack_into("<I", exe, optional + 56, 0x3000)  # SizeOfImage
    struct.pack_into("<II", exe, optional + 112 + 16, 0x2000, len(rsrc))
    struct.pack_into("<H", exe, 64 + 6, 2)  # two sections
    section = optional + 240 + 40
    exe[section:section + 40] = b".rsrc\0\0\0" + struct.pack(
        "<IIIIIIHHI", len(rsrc), 0x2000, len(raw), len(exe), 0, 0, 0, 0, 0xC0000040)
    put("resource_tree_fuzz", "resources.exe", bytes(exe) + raw)
    put("resource_tree_fuzz", "icon.ico", icon)
    put("resource_tree_fuzz", "version.bin", version)


def packed_exe():
    """The demo bundle's layout file and English texts packed behind a small program, in the
    payload format of src/bundle/payload_format.h; also its index alone."""
    program = small_pe()
    files = [("qlypatch.ini", (ROOT / "demo" / "qlypatch.ini").read_bytes()),
             ("lang", None),
             ("lang\\eng.lng", (ROOT / "demo" / "lang" / "eng.lng").read_bytes()),
             ("update", None),
             ("update\\readme.txt", (ROOT / "demo" / "update" / "readme.txt").read_bytes())]
    data = b""
    index = b""
    for name, content in files:
        encoded = name.encode("utf-8")
        if content is None:
            index += struct.pack("<BI", 1, len(encoded)) + encoded + struct.pack("<QQ", 0, 0)
            index += b"\0" * 32
        else:
            offset = 16 + len(data)
            data += content
            index += struct.pack("<BI", 0, len(encoded)) + encoded
            index += struct.pack("<QQ", offset, len(content)) + hashlib.sha256(content).digest()
    header = b"QLYPACK\x1a" + struct.pack("<II", 1, 0)
    index_offset = 16 + len(data)
    padding = (-(len(program) + index_offset + len(index))) % 8
    payload_size = index_offset + len(index) + padding + 72
    trailer = struct.pack("<QQQII", payload_size, index_offset, len(index), len(files), 1)
    trailer += hashlib.sha256(index).digest() + b"QLYPEND\x1a"
    exe = program + header + data + index + b"\0" * padding + trailer
    put("packed_exe_fuzz", "demo.exe", exe)
    put("packed_exe_fuzz", "cut_short.exe", exe[: len(program) + 100])
    put("packed_exe_fuzz", "plain.exe", program)
    put("payload_index_fuzz", "demo.index",
        struct.pack("<Iq", len(files), index_offset) + index)


def varint(value):
    out = b""
    while value >= 0x80:
        out += bytes([value & 0x7F | 0x80])
        value >>= 7
    return out + bytes([value])


def patch_archives():
    """A patch archive of stored blocks: one file added whole, one delta, one removal; and the
    delta's streams alone for the decoder."""
    def state(data):
        return struct.pack("<Q", len(data)) + hashlib.sha256(data).digest()

    def name(text):
        encoded = text.encode("utf-8")
        return struct.pack("<H", len(encoded)) + encoded

    old, new, whole = b"\0" * 8, b"ABCDEFGHxy", b"hello"
    control = varint(8) + varint(2) + varint(0)
    differences, extra = new[:8], new[8:]
    directory = bytes([1, 4]) + name("readme.txt") + state(whole) + struct.pack("<Q", 0)
    directory += bytes([2, 1]) + name("data\\map.dat") + state(old) + state(new)
    directory += struct.pack("<6Q", 0, len(control), 0, len(differences), 0, len(extra))
    directory += bytes([3, 1]) + name("old.txt") + state(b"bye")
    blocks = [(0, control), (1, differences), (2, extra), (3, whole)]
    table = b"".join(struct.pack("<BBIII", section, 0, len(data), len(data), zlib.crc32(data))
                     for section, data in blocks)
    header = b"QLYPATCH" + struct.pack("<5I", 1, 3, len(blocks), len(directory),
                                       zlib.crc32(directory + table))
    archive = header + directory + table + b"".join(data for _, data in blocks)
    put("patch_archive_fuzz", "three_kinds.qlypatch", archive)
    put("patch_archive_fuzz", "cut_short.qlypatch", archive[:60])
    put("delta_fuzz", "one_record.delta",
        struct.pack("<HHHI", len(old), len(control), len(differences), len(new)) + old + control
        + differences + extra)


if __name__ == "__main__":
    for target in ["profile_file_fuzz", "lang_text_fuzz"]:
        (CORPUS / target).mkdir(parents=True, exist_ok=True)
    layout_files()
    language_files()
    registry_file()
    steam_records()
    version_resource()
    journals()
    numbers()
    command_lines()
    manifests()
    switch_lines()
    packed_exe()
    resource_exe()
    patch_archives()
