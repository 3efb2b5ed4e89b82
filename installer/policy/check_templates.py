#!/usr/bin/env python3
"""Checks the policy templates for what their schema cannot:

- Orvane.admx and every language's Orvane.adml are well-formed XML;
- every $(string.X) and $(presentation.X) the ADMX names exists in every ADML, and
  every control of a presentation refers to an element of its policy, each of
  which has a control;
- every policy writes under Software\\Policies\\Orvane, numbers have an explicit
  range, sizes the whole 32-bit one (the schema's default maximum, 9999, is far
  below sizes in KB), and texts a length the settings file holds;
- the program reads what each policy writes: the values the policies write, in the
  types they write them, are put into the user's policy key of a throwaway Wine
  prefix, and the Linux program must log each one as set by policy.

Then it breaks copies of the templates (a missing string, a control for another
element, another value name, a number written as text, a range left to the
default, XML cut short) and each must be caught.

Usage: check_templates.py LINUX_ORVANE TEMPLATE_DIR
"""
import copy
import os
import shutil
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

NS = "{http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions}"
LANGUAGES = ["en-US", "ja-JP"]
KEY = "Software\\Policies\\Orvane"
INT32_MAX = 2147483647
# The longest text every character of which fits the settings file's 1,023 bytes.
MAX_TEXT = 511


def load(folder):
    """The ADMX and each language's ADML, parsed."""
    admx = ET.parse(os.path.join(folder, "Orvane.admx")).getroot()
    admls = {lang: ET.parse(os.path.join(folder, lang, "Orvane.adml")).getroot() for lang in LANGUAGES}
    return admx, admls


def policies(admx):
    return admx.iter(NS + "policy")


def reference_problems(admx, admls):
    found = []
    names = {kind: set() for kind in ("string", "presentation")}
    for node in admx.iter():
        for value in node.attrib.values():
            for kind, name in re.findall(r"\$\((string|presentation)\.([^)]*)\)", value):
                names[kind].add(name)
    for lang, adml in admls.items():
        strings = {s.get("id") for s in adml.iter(NS + "string")}
        presentations = {p.get("id"): p for p in adml.iter(NS + "presentation")}
        found += [f"{lang}: no string {n}" for n in sorted(names["string"] - strings)]
        found += [f"{lang}: no presentation {n}" for n in sorted(names["presentation"] - set(presentations))]
        for policy in policies(admx):
            match = re.fullmatch(r"\$\(presentation\.(.*)\)", policy.get("presentation", ""))
            elements = {e.get("id") for e in policy.iter() if e.get("id")}
            controls = {c.get("refId") for c in presentations.get(match[1], []) if c.get("refId")} if match else set()
            found += [f"{lang}: {policy.get('name')}: a control for no element {r}" for r in sorted(controls - elements)]
            found += [f"{lang}: {policy.get('name')}: no control for {e}" for e in sorted(elements - controls)]
    for policy in policies(admx):
        name = policy.get("name")
        if policy.get("key") != KEY:
            found.append(f"{name}: key {policy.get('key')}")
        for number in policy.iter(NS + "decimal"):
            if not number.get("valueName"):
                continue
            if number.get("valueName").endswith("Size") and number.get("maxValue") != str(INT32_MAX):
                found.append(f"{name}: the range is not 0 to {INT32_MAX}")
            elif number.get("maxValue") is None:
                found.append(f"{name}: the range is left to the default")
        for text in policy.iter(NS + "text"):
            if not text.get("maxLength") or int(text.get("maxLength")) > MAX_TEXT:
                found.append(f"{name}: texts may run past {MAX_TEXT} characters")
    return found


def written_values(admx):
    """What the policies write when enabled: (key, value name, 'dword' or 'sz', data)."""
    values = []
    for policy in policies(admx):
        key = policy.get("key")
        enabled = policy.find(f"{NS}enabledValue/{NS}decimal")
        if policy.get("valueName") and enabled is not None:
            values.append((key, policy.get("valueName"), "dword", int(enabled.get("value"))))
        for element in policy.iter():
            if element.tag == NS + "decimal" and element.get("valueName"):
                kind = "sz" if element.get("storeAsText") == "true" else "dword"
                number = min(1000, int(element.get("maxValue", "1000")))
                values.append((key, element.get("valueName"), kind, number if kind == "dword" else str(number)))
            elif element.tag == NS + "text":
                kind = "expand_sz" if element.get("expandable") == "true" else "sz"
                values.append((key, element.get("valueName"), kind, "方針"))
    return values


def escape(text):
    return "".join(c if 0x20 <= ord(c) < 0x7F and c not in '\\"' else
                   ("\\" + c if c in '\\"' else f"\\x{ord(c):x}") for c in text)


def unread_values(admx, orvane):
    """The policy values that the program does not log as set by policy."""
    values = written_values(admx)
    with tempfile.TemporaryDirectory() as work:
        prefix = os.path.join(work, "prefix")
        os.makedirs(os.path.join(prefix, "drive_c"))
        lines = ["WINE REGISTRY Version 2", "#arch=win64", ""]
        for key in sorted({v[0] for v in values}):
            lines.append(f"[{key.replace(chr(92), chr(92) * 2)}] 0")
            for k, name, kind, data in values:
                if k != key:
                    continue
                if kind == "dword":
                    lines.append(f'"{escape(name)}"=dword:{data:08x}')
                elif kind == "sz":
                    lines.append(f'"{escape(name)}"="{escape(data)}"')
                else:
                    lines.append(f'"{escape(name)}"=str(2):"{escape(data)}"')
        with open(os.path.join(prefix, "user.reg"), "w", encoding="ascii") as f:
            f.write("\n".join(lines) + "\n")
        program = os.path.join(work, "Orvane")
        shutil.copy(orvane, program)
        env = {"WINEPREFIX": prefix, "HOME": work, "PATH": "/usr/bin:/bin", "LC_ALL": "ja_JP.UTF-8"}
        subprocess.run([program], env=env, cwd=work, check=True, timeout=60)
        with open(os.path.join(work, "Orvane.log"), encoding="cp932") as f:
            log = [line.rstrip("\r\n")[28:] for line in f]
    return [f"{name} ({kind}) is not read" for _, name, kind, _ in values
            if f"ポリシーによる設定：{name} (HKEY_CURRENT_USER\\{KEY})" not in log]


def problems(admx, admls, orvane):
    return reference_problems(admx, admls) + unread_values(admx, orvane)


def main():
    orvane, folder = sys.argv[1], sys.argv[2]
    admx, admls = load(folder)
    found = problems(admx, admls, orvane)
    for problem in found:
        print(f"  FAILED: {problem}")
    print(f"  {'ok' if not found else 'FAILED'}: the templates and the program agree")

    def broken(what, change):
        a, m = copy.deepcopy(admx), copy.deepcopy(admls)
        change(a, m)
        caught = problems(a, m, orvane)
        print(f"  {'ok' if caught else 'FAILED'}: caught: {what}" + (f" ({caught[0]})" if caught else ""))
        return bool(caught)

    def drop_string(a, m):
        table = m["ja-JP"].find(f".//{NS}stringTable")
        table.remove(next(s for s in table if s.get("id") == "WarningSize_Help"))

    def find_policy(a, name):
        return next(p for p in policies(a) if p.get("name") == name)

    checks = [
        broken("a string missing in one language", drop_string),
        broken("a control for another element",
               lambda a, m: next(c for c in m["en-US"].iter(NS + "textBox") if c.get("refId") == "WarningMsg")
               .set("refId", "WarningMessage")),
        broken("another value name",
               lambda a, m: find_policy(a, "WarningSize").find(f".//{NS}decimal").set("valueName", "WarnSize")),
        broken("a number written as text",
               lambda a, m: find_policy(a, "LimitSize").find(f".//{NS}decimal").set("storeAsText", "true")),
        broken("the default range", lambda a, m: find_policy(a, "LimitSize").find(f".//{NS}decimal").attrib
               .pop("maxValue")),
        broken("a count's range left to the default",
               lambda a, m: find_policy(a, "RemindDays").find(f".//{NS}decimal").attrib.pop("maxValue")),
        broken("another key", lambda a, m: find_policy(a, "ReportOnly").set("key", "Software\\Orvane")),
    ]
    with tempfile.TemporaryDirectory() as work:
        with open(os.path.join(folder, "Orvane.admx"), encoding="utf-8") as f:
            text = f.read()
        with open(os.path.join(work, "Orvane.admx"), "w", encoding="utf-8") as f:
            f.write(text[: len(text) // 2])
        for lang in LANGUAGES:
            os.makedirs(os.path.join(work, lang))
            with open(os.path.join(folder, lang, "Orvane.adml"), encoding="utf-8") as src, \
                    open(os.path.join(work, lang, "Orvane.adml"), "w", encoding="utf-8") as dst:
                dst.write(src.read())
        try:
            load(work)
            cut = False
        except ET.ParseError:
            cut = True
        print(f"  {'ok' if cut else 'FAILED'}: caught: XML cut short")
        checks.append(cut)
    if found or not all(checks):
        sys.exit(1)


if __name__ == "__main__":
    main()
