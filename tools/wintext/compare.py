#!/usr/bin/env python3
"""Compares two dumps of DumpTextRules (Windows' under Wine, and the Linux
build's) record by record, prints how many of each kind were compared and how
many differ, with the first differences, and fails on any difference.

  compare.py WINDOWS_DUMP LINUX_DUMP
  compare.py --write-data WINDOWS_DUMP DIR   # remake best_fit_932.txt and upper_case.txt
"""
import sys
from pathlib import Path

KINDS = {"D1": "single bytes decoded", "D2": "byte pairs decoded", "E": "units encoded",
         "B": "units encoded with best fit", "U": "units in upper case", "C": "sets of units equal in any case"}
SOURCE = "Taken from Wine 8.0 with tools/wintext/DumpTextRules.cpp (compare.py --write-data)."


def load(path):
    records = {kind: {} for kind in KINDS}
    for line in Path(path).read_text(encoding="ascii").splitlines():
        fields = line.split()
        if fields[0] == "C":
            records["C"][fields[1]] = fields[1:]
        else:
            records[fields[0]][fields[1]] = fields[2:]
    return records


def write_data(dump, directory):
    windows = load(dump)
    with open(Path(directory) / "best_fit_932.txt", "w", encoding="ascii") as out:
        out.write("# Windows' best fit for code page 932: the characters WideCharToMultiByte\n"
                  "# writes without WC_NO_BEST_FIT_CHARS but not with it (UTF-16 unit, bytes).\n")
        out.write(f"# {SOURCE}\n")
        for unit, code in windows["B"].items():
            if code != windows["E"][unit]:
                out.write(f"{unit} {code[0]}\n")
    with open(Path(directory) / "upper_case.txt", "w", encoding="ascii") as out:
        out.write("# Windows' upper case of each UTF-16 unit that has one (unit, upper case),\n"
                  "# as its case-insensitive comparisons of file and registry names use it.\n")
        out.write(f"# {SOURCE}\n")
        for unit, upper in windows["U"].items():
            if upper[0] != unit:
                out.write(f"{unit} {upper[0]}\n")


def main():
    if sys.argv[1] == "--write-data":
        write_data(sys.argv[2], sys.argv[3])
        return 0
    windows, linux = load(sys.argv[1]), load(sys.argv[2])
    failed = False
    for kind, what in KINDS.items():
        keys = sorted(set(windows[kind]) | set(linux[kind]))
        differ = [k for k in keys if windows[kind].get(k) != linux[kind].get(k)]
        print(f"{kind:2} {len(keys):6} {what}: {len(differ)} differ")
        for k in differ[:10]:
            print(f"     {kind} {k}: Windows {windows[kind].get(k)}, Linux {linux[kind].get(k)}")
        failed = failed or bool(differ) or not keys
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
