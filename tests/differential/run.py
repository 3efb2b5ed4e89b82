#!/usr/bin/env python3
"""The differential test: the Linux build's services against the Windows build's.

A seeded generator writes settings files, registry contents and files on disk,
and a batch of queries about them. The probe of each build (orvane_probe, built
from the program's own code) answers the batch: the Linux one natively, reading
the prefix's user.reg and drives; the Windows one under Wine, code page 932, in
the same prefix. The answers are compared value by value.

Usage: run.py LINUX_PROBE WINDOWS_PROBE_EXE [--seed N ...] [--cases N]
              [--family ini,registry,path,text,fold] [--work DIR] [--verbose]

Families:
  ini       settings-file rules (spacing, case, quotes, comments, duplicates,
            key lines without "=", line ends, the 1,023-byte cut, byte-order marks)
  registry  value types and sizes round the 256- and 4,096-byte limits (read in the
            buffers and read whole), names in
            any ASCII case, Japanese text that code page 932 holds
  path      store paths in every Windows form, Japanese names, long paths
  text      code page 932 both ways: characters it lacks or holds twice, invalid
            bytes, best-fit registry reads, characters outside the basic plane
  fold      case-insensitive names beyond ASCII (registry keys, values, files)

A disagreement fails the run unless its family is listed in pending-fixes.txt
(beside this script), or it is one of the known Wine quirks below and the Linux
answer is the one Windows gives.
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import time
from pathlib import Path

FAMILIES = ["ini", "registry", "path", "text", "fold"]
HERE = Path(__file__).resolve().parent

# Where Wine and Windows are known to differ and the Linux build follows Windows.
QUIRKS = {
    "utf8-bom": "Wine decodes a settings file that starts with a UTF-8 byte-order mark as UTF-8; "
    "Windows reads the mark as bytes of the first line",
    "quoted-1023": "Wine returns 1,022 bytes of a quoted value of exactly 1,023 bytes; Windows 1,023",
    "long-key-path": "Wine's ANSI registry call cuts a key path of more than 260 characters; "
    "Windows limits each key name to 255 characters, not the path",
    "noeq-ahead": "Wine takes a key line without '=' ahead of the real key as the key with an empty "
    "value; Windows skips it",
}

REG_ROOT = "Software\\OrvaneDiff"
CWD = "C:\\dt\\cwd"  # the current folder of both probes

# Text that code page 932 holds once: ASCII, kana, kanji, half-width kana, and
# characters whose second byte is "\" (表 ソ 能 予 十 申 貼 構 暴) or "]" (ゾ).
SAFE_JA = "日本語表ソ能予十申貼構暴ゾあいうアイウｶﾞ個人用フォルダ社設定メール"
# Characters where code page 932 tables differ, lack the character, or hold it twice.
ODD = ("〜£‖—−¢¬‾¥ßéÅÆ€ⅠⅡⅰⅱ①②㈱№℡∵≒髙﨑纊¦＇＂～∥－￢＄・\u00a0\u00a9\ue000\ue757\uf8f0"
       "\U0001f642\U0001f600")
# Letters with a case partner beyond ASCII; the ones code page 932 holds can also
# be registry key names.
FOLD_PAIRS = ["ⅰⅠ", "ⅱⅡ", "ⅹⅩ", "ⅿⅯ", "αΑ", "ωΩ", "ςΣ", "аА", "яЯ", "ёЁ", "ａＡ", "ｚＺ",
              "äÄ", "ÿŸ", "āĀ", "žŽ", "ǆǄ", "ɓƁ", "աԱ", "ⓐⒶ", "ḁḀ", "ⲁⲀ", "ꙁꙀ", "ıI", "ſS",
              "\U00010428\U00010400"]


def cp932(text):
    return text.encode("cp932")


def hx(data):
    if isinstance(data, str):
        data = data.encode("utf-8")
    return data.hex() or "-"


def utf16(text):
    return text.encode("utf-16-le", "surrogatepass")


class Batch:
    """Everything one run sets up, and its queries."""

    def __init__(self):
        self.seed = 0
        self.ini_files = {}  # name -> bytes
        self.reg_values = []  # (key, value name, type, bytes)
        self.reg_keys = []  # keys without values
        self.disk_files = {}  # path under drive_c (POSIX, UTF-8) -> size; None makes a folder
        self.cases = []  # dicts: id, family, what, query, quirk, expect

    def case(self, family, what, query, quirk=None, expect=None):
        """`family` may name a part of one, "family/part", which pending-fixes.txt can list alone."""
        family, _, part = family.partition("/")
        self.cases.append({"id": f"c{len(self.cases)}", "seed": self.seed, "family": family, "part": part,
                           "what": what, "query": query, "quirk": quirk, "expect": expect})


# ---------------------------------------------------------------- settings files

def ini_name(rng, names):
    name = rng.choice(names)
    return rng.choice([name, name.upper(), name.lower(), name.swapcase()]) if name.isascii() else name


def gen_ini(rng, batch, seed, n):
    """One random settings file and lookups in it; nothing in it triggers a Wine quirk."""
    fname = f"s{seed}-{n}.ini"
    sections = rng.sample(["Orvane", "No Check", "S1", "Sp Sec", "表ソ", "設定", "a]b", "ゾ"], rng.randint(1, 4))
    keys = ["LimitSize", "WarningSize", "k1", "k2", "Key One", "能力", "#h", "eqs", "表"]
    eol = rng.choice(["\r\n", "\n", "\r", "\r\r\n", "mixed"])
    encoding = rng.choice(["cp932"] * 6 + ["utf-16"] + ["bom-comment"])
    lines = []
    if encoding == "bom-comment":
        lines.append("; a comment first: the mark does no harm")
    present = []
    for section in sections:
        header = rng.choice(["[{}]", "  [ {} ]  ", "[{}] junk", "\t[{}]"]).format(
            rng.choice([section, section.upper(), section.lower()]) if section.isascii() else section)
        lines.append(header)
        for _ in range(rng.randint(1, 6)):
            kind = rng.random()
            key = rng.choice(keys)
            if kind < 0.55:
                value = ini_value(rng, encoding)
                lines.append(rng.choice(["{}={}", "{} = {}", "\t{}\t=\t{}  ", "  {}={}\t"]).format(key, value))
                present.append((section, key))
            elif kind < 0.65:
                lines.append(rng.choice([";", "  ;", ";;"]) + key + "=commented")
                present.append((section, key))
            elif kind < 0.75:
                lines.append(f"noeq{rng.randint(0, 9)} line")  # never the name of a key
            elif kind < 0.8:
                lines.append("")
            elif kind < 0.85:
                lines.append("[abc")  # no header: the keys after it stay in this section
            elif kind < 0.92:
                lines.append(f"{key}=a=b=c")
                present.append((section, key))
            else:
                lines.append(f"{key}=")
                present.append((section, key))
        if rng.random() < 0.2:  # the same section again, in another case
            lines.append(f"[{section.swapcase()}]")
            lines.append(f"{rng.choice(keys)}=later")
    if eol == "mixed":
        text = "".join(line + rng.choice(["\r\n", "\n", "\r"]) for line in lines)
    else:
        text = eol.join(lines) + (eol if rng.random() < 0.8 else "")
    if encoding == "utf-16":
        data = b"\xff\xfe" + text.encode("utf-16-le")
    elif encoding == "bom-comment":
        # The mark is harmless only while every byte is ASCII.
        data = b"\xef\xbb\xbf" + text.encode("ascii", "replace")
    else:
        data = cp932(text)
    batch.ini_files[fname] = data
    asks = present + [(s, k) for s in sections for k in rng.sample(keys, 2)] + [("Missing", "k1")]
    for section, key in rng.sample(asks, min(len(asks), 6)):
        sec = ini_name(rng, [section]) + rng.choice(["", " ", "\t"])
        k = rng.choice(["", " "]) + ini_name(rng, [key])
        if encoding == "bom-comment" and not (sec.isascii() and k.isascii()):
            continue
        batch.case("ini/utf-16" if encoding == "utf-16" else "ini", f"{fname} [{sec}] {k!r} ({encoding}, eol {eol!r})",
                   ["ini", fname, hx(cp932(sec)), hx(cp932(k))])


def ini_value(rng, encoding):
    ja = encoding != "bom-comment"
    choice = rng.random()
    if choice < 0.3:
        return rng.choice(["1572864", "C:\\Mail\\個人.pst" if ja else "C:\\Mail\\a.pst", "value  with  inner", "val ;inline"])
    if choice < 0.5:
        inner = rng.choice(["abc", "  x  ", "", "a\"b", "表ソ" if ja else "q"])
        return rng.choice(['"{}"', "'{}'", '"{}', "\"{}'", ' "{}" ']).format(inner)
    if choice < 0.75:  # round the 1,023-byte cut
        length = rng.randint(1019, 1027)
        if ja and rng.random() < 0.5:
            body = "x" * (length - 2 - rng.randint(0, 3)) + "あ"
            return body + "y" * rng.randint(0, 3)
        return "x" * length
    if choice < 0.85:  # a quoted long value, never exactly 1,023 inside the quotes
        inner = rng.choice([1020, 1021, 1022, 1024, 1025])
        return '"' + "q" * inner + '"'
    return rng.choice(["", "   ", "\"\"", "'"]) if rng.random() < 0.5 else "".join(
        rng.choice(SAFE_JA if ja else "abc") for _ in range(rng.randint(1, 8)))


def gen_ini_quirks(batch, seed):
    name = f"q{seed}-bom-header.ini"
    batch.ini_files[name] = b"\xef\xbb\xbf[S]\r\nk=v\r\n"
    batch.case("ini", f"{name}: a UTF-8 mark before the first header", ["ini", name, hx("S"), hx("k")],
               "utf8-bom", hx("#default"))
    name = f"q{seed}-bom-text.ini"
    value = "日本語".encode("utf-8")
    batch.ini_files[name] = b"\xef\xbb\xbf;c\r\n[S]\r\nk=" + value + b"\r\n"
    batch.case("ini", f"{name}: a UTF-8 mark, then UTF-8 text", ["ini", name, hx("S"), hx("k")],
               "utf8-bom", hx(value))
    name = f"q{seed}-quoted.ini"
    batch.ini_files[name] = b'[S]\r\nk="' + b"x" * 1023 + b'"\r\n'
    batch.case("ini", f"{name}: a quoted value of 1,023 bytes", ["ini", name, hx("S"), hx("k")],
               "quoted-1023", hx(b"x" * 1023))
    name = f"q{seed}-noeq.ini"
    batch.ini_files[name] = b"[S]\r\nk\r\nk=v\r\n"
    batch.case("ini", f"{name}: 'k' without '=' ahead of k=v", ["ini", name, hx("S"), hx("k")],
               "noeq-ahead", hx("v"))


# ---------------------------------------------------------------- registry

def reg_text_value(rng):
    """A text of about 256 bytes in code page 932, a longer one, or a short one."""
    kind = rng.random()
    if kind < 0.35:
        return "a" * rng.randint(252, 258)
    if kind < 0.6:
        kanji = rng.randint(120, 129)
        return rng.choice("日表ソ能") * kanji + "c" * rng.randint(0, 3)
    if kind < 0.75:
        return "C:\\Users\\demo\\" + "深いフォルダ\\" * rng.randint(20, 400) + "a.pst"
    return rng.choice(["", "Old", "メール 日本", "C:\\Mail\\個人用フォルダ.pst", "表ソ能\\予"])


def clean_ansi(data):
    """Whether bytes read as text up to their first NUL are all characters of code page 932."""
    text = data.split(b"\0")[0]
    try:
        return not any(b in (0x80, 0xa0) or b >= 0xfd for b in text) and text.decode("cp932") is not None
    except UnicodeDecodeError:
        return False


def gen_registry(rng, batch, seed, n):
    key = f"{REG_ROOT}\\s{seed}\\" + rng.choice(["Profiles", "Key One", "メール 日本", "表ソ能", "Outlook設定"]) + f"{n}"
    kind = rng.choice(["sz", "sz", "expand", "multi", "nonul", "odd", "bin", "bin", "ansibin", "u16bin",
                       "dword", "dword3", "qword", "none", "empty"])
    if kind in ("sz", "expand"):
        text = reg_text_value(rng) if kind == "sz" else "%SystemRoot%\\x"
        data, rtype, what = utf16(text + "\0"), 1 if kind == "sz" else 2, f"{len(cp932(text))} ANSI bytes"
    elif kind == "multi":
        data, rtype, what = utf16("one\0二\0\0"), 7, "multi"
    elif kind == "nonul":
        text = rng.choice(["abc", "日本", "a" * 256])
        data, rtype, what = utf16(text), 1, f"{text[:8]!r} without NUL"
    elif kind == "odd":
        data, rtype, what = b"a\0b\0c", 1, "odd length"
    elif kind == "bin":
        size = rng.choice([rng.randint(4093, 4099), rng.randint(1, 40)])
        data = bytes(rng.randrange(256) for _ in range(size))
        data = data[: size - rng.randint(0, 3)] + b"\0" * rng.randint(0, 3)
        rtype, what = 3, f"{len(data)} bytes"
    elif kind == "ansibin":
        data, rtype, what = cp932(reg_text_value(rng)) + b"\0" * rng.randint(0, 2), 3, "ANSI text in binary"
    elif kind == "u16bin":
        data, rtype, what = utf16(rng.choice(["新しい個人用フォルダ", "C:\\users\\demo\\new.pst", "x"])) + b"\0" * rng.randint(0, 3), 3, "UTF-16 in binary"
    elif kind == "dword":
        data, rtype, what = rng.randrange(1 << 32).to_bytes(4, "little"), 4, "dword"
    elif kind == "dword3":
        data, rtype, what = b"\x01\x02\x03", 4, "3-byte dword"
    elif kind == "qword":
        data, rtype, what = rng.randrange(1 << 64).to_bytes(8, "little"), 11, "qword"
    elif kind == "none":
        data, rtype, what = b"\x05", 0, "REG_NONE"
    else:
        data, rtype, what = b"", rng.choice([1, 3]), "empty data"
    vname = rng.choice(["001e3001", "001f6700", "DefaultProfile", "名前", ""])
    batch.reg_values.append((key, vname, rtype, data))
    for _ in range(rng.randint(1, 3)):
        qkey = rng.choice([key, key.upper(), key.lower(), key + "\\"]) if rng.random() < 0.9 else key + "x"
        qname = rng.choice([vname, vname.upper(), vname.swapcase()]) if rng.random() < 0.9 else vname + "x"
        shape = rng.random()
        desc = f"{what}, type {rtype}, {qkey!r} {qname!r}"
        if shape < 0.55:
            s = rng.choice([1, 1, 3, 3, 4, 2])
            # Bytes read as text that code page 932 does not hold decode by its table.
            family = "registry" if s != 1 or rtype in (1, 2, 7) or clean_ansi(data) else "text"
            read = rng.choice(["reg", "regwhole"])
            batch.case(family, desc + f", shape {s}" + (", whole" if read == "regwhole" else ""),
                       [read, hx(qkey), hx(qname), str(s)])
        elif shape < 0.7:
            batch.case("registry", desc + ", as stored", ["regstored", hx(qkey), hx(qname)])
        else:
            size = rng.choice([-1, 0, 1, 3, 4, 255, 256, 257, len(data) // 2, len(data) - 1, len(data), len(data) + 1])
            batch.case("registry", desc + f", buffer {size}", ["regquery", hx(qkey), hx(qname), str(max(size, -1))])
    if n == 0:
        parent = f"{REG_ROOT}\\s{seed}\\Implied\\Only"
        batch.reg_values.append((parent + "\\Leaf", "v", 1, utf16("leaf\0")))
        batch.case("registry", "a key that only holds another", ["regquery", hx(parent), hx("v"), "16"])
        batch.case("registry", "a missing key", ["reg", hx(parent + "\\Nope"), hx("v"), "1"])


def gen_registry_quirks(batch, seed):
    elements = ["E" * 255, "F" * 40]
    key = f"{REG_ROOT}\\q{seed}\\" + "\\".join(elements)
    batch.reg_values.append((key, "v", 1, utf16("found\0")))
    batch.case("registry", f"a key path of {len(key)} characters", ["reg", hx(key), hx("v"), "1"],
               "long-key-path", "T:" + hx("found"))


# ---------------------------------------------------------------- paths

def win(*parts):
    return "\\".join(parts)


def gen_paths(rng, batch, seed, n):
    folder = f"s{seed}\\p{n}"
    name = rng.choice(["a.pst", "Mail.PST", "個人用フォルダ.pst", "表ソ能.pst", "ソフト\\表.pst", "予定 十.pst"])
    size = 1000 + 13 * n + seed % 7
    disk = f"dt/{folder.replace(chr(92), '/')}/{name.replace(chr(92), '/')}"
    batch.disk_files[disk] = size
    full = win("C:\\dt", folder, name)
    rel = win("..", folder, name)
    forms = [
        ("plain", full), ("upper", full.upper()), ("\\\\?\\", "\\\\?\\" + full), ("\\\\.\\", "\\\\.\\" + full),
        ("rooted", win("\\dt", folder, name)), ("..\\", rel), ("C:..\\", "C:" + rel),
        ("folder dot", win("C:\\dt", f"s{seed}", f"p{n}.", name)), ("trailing dot", full + "."),
        ("trailing space", full + " "), ("\\.\\", win("C:\\dt", ".", folder, name)),
        ("x\\..\\", win("C:\\dt", "x", "..", folder, name)), ("\\\\", full.replace("\\dt\\", "\\dt\\\\")),
        ("slashes", full.replace("\\", "/")), ("\\\\?\\ not normal", "\\\\?\\" + win("C:\\dt", ".", folder, name)),
        ("missing", full + "x"), ("folder", win("C:\\dt", folder)), ("cwd relative", win("..", "..", "dt", folder, name)),
    ]
    for what, path in rng.sample(forms, 6):
        if rng.random() < 0.5:
            batch.case("path/forms", f"{what}: {path}", ["path", hx(utf16(path))])
        else:
            batch.case("path/forms", f"{what} (ANSI): {path}", ["apath", hx(cp932(path))])
    if rng.random() < 0.3:
        batch.case("path/forms", f"NUL then more: {full}", ["path", hx(utf16(full + "\0junk\\x"))])


def gen_long_paths(rng, batch, seed):
    """A file whose normal path is round the 260-character limit or well over it."""
    name = rng.choice(["long.pst", "長い.pst"])
    target = rng.choice([258, 259, 260, 261, rng.randint(300, 400)])
    parts = [f"L{seed}"]
    while len(win("C:\\dt", *parts, name)) + 47 < target:
        parts.append(f"{len(parts):02d}" + "d" * 44)
    parts.append("e" * max(1, target - len(win("C:\\dt", *parts, name)) - 1))
    batch.disk_files["dt/" + "/".join(parts) + "/" + name] = 777
    full = win("C:\\dt", *parts, name)
    forms = [("long plain", full), ("long \\.\\", win("C:\\dt", parts[0], ".", *parts[1:], name)),
             ("long x\\..\\", win("C:\\dt", parts[0], "x", "..", *parts[1:], name)),
             ("long \\\\", full.replace(parts[1], "\\" + parts[1])), ("long trailing dot", full + "."),
             ("long trailing space", full + " ")]
    for what, path in forms:
        batch.case("path/long", f"{what} ({len(path)} characters)", ["path", hx(utf16(path))])


# ---------------------------------------------------------------- text

def gen_text(rng, batch, seed, n):
    pick = rng.random()
    if pick < 0.3:
        text = "".join(rng.choice(ODD + SAFE_JA + "ab") for _ in range(rng.randint(1, 5)))
        batch.case("text", f"to code page 932: {text!r}", ["ansi", hx(text)])
    elif pick < 0.55:
        data = b"".join(bytes(rng.choice([
            [rng.choice([0x80, 0xa0, 0xfd, 0xfe, 0xff])],
            [rng.choice([0x81, 0x9f, 0xe0, 0xfc]), rng.choice([0x20, 0x7f, 0xfd, 0x30])],
            [rng.choice([0x87, 0xed, 0xee, 0xfa, 0xfb, 0xf0, 0xf9]), rng.randint(0x40, 0xfc)],
            [0x81, rng.randint(0x40, 0xfc)], [rng.randint(0x20, 0x7e)], [rng.randint(0xa1, 0xdf)],
        ])) for _ in range(rng.randint(1, 4)))
        if rng.random() < 0.2:
            data += b"\x82"  # a lead byte at the end
        batch.case("text", f"from code page 932: {data.hex()}", ["fromansi", hx(data)])
    elif pick < 0.7:
        units = utf16("名") + rng.choice([utf16("\U0001f642"), b"\x3d\xd8", b"\x42\xde", utf16("〜")]) + utf16("x")
        batch.case("text", f"UTF-16 {units.hex()} logged", ["u16ansi", hx(units)])
    elif pick < 0.85:
        text = "".join(rng.choice(ODD + "Ⅱß") for _ in range(rng.randint(1, 4)))
        key = f"{REG_ROOT}\\t{seed}"
        vname = f"v{n}"
        batch.reg_values.append((key, vname, 1, utf16(text + "\0")))
        batch.case("text", f"registry text {text!r} read as text", ["reg", hx(key), hx(vname), "1"])
    else:
        fname = f"t{seed}-{n}.ini"
        value = bytes([0x81, 0x20, 0x41]) if rng.random() < 0.5 else bytes([rng.choice([0x80, 0xa0, 0xfd]), 0x41])
        batch.ini_files[fname] = b"[S]\r\nk=" + value + b"\r\n"
        batch.case("text", f"settings value {value.hex()}", ["initext", fname, hx("S"), hx("k")])


# ---------------------------------------------------------------- case folding

def gen_fold(rng, batch, seed, n):
    pair = rng.choice(FOLD_PAIRS)
    stored, asked = (pair[0], pair[1]) if rng.random() < 0.5 else (pair[1], pair[0])
    where = rng.choice(["key", "value", "file"])
    if where == "file":
        disk = f"dt/f{seed}/{n}/{stored}x.pst"
        batch.disk_files[disk] = 500 + n
        path = f"C:\\dt\\f{seed}\\{n}\\{asked}x.pst"
        batch.case("fold", f"file {stored}x.pst asked as {asked}x.pst", ["path", hx(utf16(path))])
        return
    try:
        cp932(stored + asked)
    except UnicodeEncodeError:
        return  # the ANSI registry calls cannot name it at all
    if where == "key":
        base = f"{REG_ROOT}\\f{seed}\\"
        batch.reg_values.append((f"{base}{stored}社{n}", "v", 1, utf16("found\0")))
        batch.case("fold", f"key {stored}社 asked as {asked}社", ["reg", hx(f"{base}{asked}社{n}"), hx("v"), "1"])
    else:
        key = f"{REG_ROOT}\\f{seed}\\values"
        batch.reg_values.append((key, f"{stored}{n}", 1, utf16("found\0")))
        batch.case("fold", f"value {stored} asked as {asked}", ["reg", hx(key), hx(f"{asked}{n}"), "1"])


# The text and case-folding generators ask one question a call; the others several.
QUERIES_PER_CASE = {"text": 4, "fold": 4}
GENERATORS = {"ini": gen_ini, "registry": gen_registry, "path": gen_paths, "text": gen_text, "fold": gen_fold}


def generate(seeds, per_family, families):
    batch = Batch()
    for seed in seeds:
        batch.seed = seed
        rng = random.Random(seed)
        for family in families:
            for n in range(per_family * QUERIES_PER_CASE.get(family, 1)):
                GENERATORS[family](rng, batch, seed, n)
        if "ini" in families:
            gen_ini_quirks(batch, seed)
        if "registry" in families:
            gen_registry_quirks(batch, seed)
        if "path" in families:
            gen_long_paths(rng, batch, seed)
    return batch


# ---------------------------------------------------------------- setting up

def reg_file(batch):
    """The registry contents as a .reg file for Wine's regedit."""
    lines = ["Windows Registry Editor Version 5.00", "", f"[-HKEY_CURRENT_USER\\{REG_ROOT}]", ""]
    by_key = {}
    for key, name, rtype, data in batch.reg_values:
        by_key.setdefault(key, []).append((name, rtype, data))
    for key, values in by_key.items():
        lines.append(f"[HKEY_CURRENT_USER\\{key}]")
        for name, rtype, data in values:
            label = "@" if name == "" else '"' + name.replace("\\", "\\\\").replace('"', '\\"') + '"'
            kind = "hex" if rtype == 3 else f"hex({rtype:x})"
            lines.append(f"{label}={kind}:" + ",".join(f"{b:02x}" for b in data))
        lines.append("")
    return ("\r\n".join(lines) + "\r\n").encode("utf-16")  # with its byte-order mark


# The 64-bit loader itself where Debian's "wine" script would pick the 32-bit
# one: the probe is a 64-bit program, and a machine may not run 32-bit ones.
WINE = os.environ.get("WINE") or next(
    (p for p in ["/usr/lib/wine/wine64", "/usr/lib64/wine/wine64"] if os.access(p, os.X_OK)), "wine")


def wine_env(prefix):
    env = dict(os.environ, WINEPREFIX=str(prefix), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
               LC_ALL="ja_JP.UTF-8")
    if WINE != "wine":
        env.setdefault("WINELOADER", WINE)
    return env


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def set_up(batch, work):
    prefix = work / "prefix"
    env = wine_env(prefix)
    if not (prefix / "system.reg").exists():
        subprocess.run([WINE, "wineboot", "-i"], env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    drive = prefix / "drive_c" / "dt"
    shutil.rmtree(drive, ignore_errors=True)
    (drive / "cwd").mkdir(parents=True)
    for rel, size in batch.disk_files.items():
        target = prefix / "drive_c" / rel
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(b"\0" * size)
    ini = work / "ini"
    shutil.rmtree(ini, ignore_errors=True)
    ini.mkdir()
    for name, data in batch.ini_files.items():
        (ini / name).write_bytes(data)
    (work / "diff.reg").write_bytes(reg_file(batch))
    with open(work / "queries.txt", "w", encoding="ascii") as out:
        for case in batch.cases:
            out.write(case["id"] + "\t" + "\t".join(case["query"]) + "\n")
    started = time.monotonic()
    subprocess.run([WINE, "regedit", "/S", windows_path(work / "diff.reg")], env=env, check=True)
    subprocess.run(["wineserver", "-w"], env=env, check=True)
    return env, drive / "cwd", time.monotonic() - started


def answers(path):
    result = {}
    for line in Path(path).read_text(encoding="ascii").splitlines():
        case_id, _, answer = line.partition("\t")
        result[case_id] = answer
    return result


def shown(answer):
    """An answer with its hexadecimal text decoded, for the report."""
    def decode(token):
        try:
            data = bytes.fromhex(token)
        except ValueError:
            return token
        if len(data) > 48:
            return f"<{len(data)} bytes {data[:12].hex()}…{data[-6:].hex()}>"
        for codec in ("utf-8", "cp932"):
            try:
                text = data.decode(codec)
                if text.isprintable():
                    return repr(text)
            except UnicodeDecodeError:
                pass
        return data.hex()
    head, _, rest = answer.partition(":") if answer[:2] in ("T:", "B:") else ("", "", answer)
    return (head + ":" if head else "") + " ".join(decode(t) for t in rest.split(" "))


def pending_families():
    text = (HERE / "pending-fixes.txt").read_text(encoding="utf-8")
    return {line.split("#")[0].strip() for line in text.splitlines()} - {""}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("linux_probe")
    parser.add_argument("windows_probe")
    parser.add_argument("--seed", type=int, nargs="*", default=None,
                        help="seeds to run (default: ORVANE_DIFF_SEEDS, else 1 2 3)")
    parser.add_argument("--cases", type=int, default=15, help="cases per family and seed (each gives queries)")
    parser.add_argument("--family", default=",".join(FAMILIES))
    parser.add_argument("--work", default=None, help="work folder (default: beside the Linux probe)")
    parser.add_argument("--verbose", action="store_true", help="every disagreement, not three a family")
    args = parser.parse_args()

    seeds = args.seed or [int(s) for s in os.environ.get("ORVANE_DIFF_SEEDS", "1 2 3").split()]
    families = [f for f in args.family.split(",") if f]
    unknown = set(families) - set(FAMILIES)
    if unknown:
        parser.error(f"unknown family {', '.join(sorted(unknown))}")
    pending = pending_families()
    work = Path(args.work or Path(args.linux_probe).resolve().parent / "differential").resolve()
    work.mkdir(parents=True, exist_ok=True)

    batch = generate(seeds, args.cases, families)
    env, cwd, setup_seconds = set_up(batch, work)

    started = time.monotonic()
    subprocess.run([str(Path(args.linux_probe).resolve()), str(work / "queries.txt"), str(work / "linux.txt"),
                    str(work / "ini")], env=env, cwd=cwd, check=True)
    linux_seconds = time.monotonic() - started
    started = time.monotonic()
    subprocess.run([WINE, str(Path(args.windows_probe).resolve()), windows_path(work / "queries.txt"),
                    windows_path(work / "windows.txt"), windows_path(work / "ini")], env=env, cwd=cwd, check=True)
    subprocess.run(["wineserver", "-w"], env=env, check=True)
    windows_seconds = time.monotonic() - started

    linux, windows = answers(work / "linux.txt"), answers(work / "windows.txt")
    print(f"differential: seeds {' '.join(map(str, seeds))}, {len(batch.cases)} queries; set-up {setup_seconds:.1f} s, "
          f"Linux probe {linux_seconds:.2f} s, Windows probe under Wine {windows_seconds:.1f} s")
    failed = False
    everything = open(work / "disagreements.txt", "w", encoding="utf-8")
    for family in families:
        cases = [c for c in batch.cases if c["family"] == family]
        differ, quirks, broken = [], {}, []
        for case in cases:
            lin, wnd = linux.get(case["id"], "<no answer>"), windows.get(case["id"], "<no answer>")
            if case["quirk"]:
                if lin != case["expect"]:
                    broken.append((case, lin, wnd))  # the Linux build no longer answers as Windows does
                elif wnd != lin:
                    quirks[case["quirk"]] = quirks.get(case["quirk"], 0) + 1
            elif lin != wnd:
                differ.append((case, lin, wnd))
                everything.write(f"{family}/{case['part'] or '-'}\tseed {case['seed']}\t{case['id']}\t{case['what']}\n"
                                 f"\tLinux   {shown(lin)}\n\tWindows {shown(wnd)}\n")
        must_agree = [d for d in differ if not {family, f"{family}/{d[0]['part']}"} & pending]
        waiting = sorted(p for p in pending if p == family or p.startswith(family + "/"))
        state = f"{len(must_agree)} outside pending fixes" + (f"; pending: {', '.join(waiting)}" if waiting else "")
        print(f"  {family:9} {len(cases):4} queries, {len(differ):3} disagree ({state})"
              + "".join(f"; known Wine quirk {q} x{k}" for q, k in sorted(quirks.items())))
        for case, lin, wnd in (differ if args.verbose else differ[:3]):
            print(f"      seed {case['seed']} {case['id']}: {case['what']}\n        query   {' '.join(case['query'])[:160]}"
                  f"\n        Linux   {shown(lin)}\n        Windows {shown(wnd)}")
        for case, lin, wnd in broken:
            print(f"      seed {case['seed']} {case['id']}: {case['what']}: the Linux build no longer answers as Windows does "
                  f"({QUIRKS[case['quirk']]})\n        expected {shown(case['expect'])}\n        Linux    {shown(lin)}")
        if broken or must_agree:
            failed = True
        for entry in waiting:
            if not any(entry in (family, f"{family}/{d[0]['part']}") for d in differ):
                print(f"      {entry} agreed in this run: once its fix is merged, remove it from "
                      "tests/differential/pending-fixes.txt")
    everything.close()
    print(f"  every disagreement: {work / 'disagreements.txt'}")
    for quirk, text in QUIRKS.items():
        print(f"  known Wine quirk {quirk}: {text}")
    if failed:
        print(f"differential: FAILED (reproduce with --seed {' '.join(map(str, seeds))} --cases {args.cases}"
              f" --family {','.join(families)})")
        return 1
    print("differential: no disagreement outside the families pending a fix")
    return 0


if __name__ == "__main__":
    sys.exit(main())
