#!/usr/bin/env python3
"""Builds a benchmark installation of Orvane: a folder with the program, a Wine
prefix whose user.reg holds a default mail profile, sparse personal-folder files
(each with an ANSI file's header)
and optionally a settings file full of exclusions.

    make-profile.py OUT_DIR --stores N [--oversized] [--exclusions M] [--reg-mb S] [--home P]

--oversized makes every store 1.6 GB (sparse) so that each one is at or over the
warning size; with --exclusions >= N each of them is then excluded, so the run
shows no dialog but looks up every store in the exclusion list. --reg-mb pads
user.reg with unrelated keys up to about S megabytes. --home makes OUT_DIR/home a
home with P Wine prefixes under ~/.local/share/wineprefixes, as winetricks keeps
them: the one with the profile (mail) and P-1 fresh ones without (a user.reg of
27 KB and 48 keys, as wineboot writes one), for a run that has to find it.
"""
import argparse
import os
import random

BASE = r"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles"


# An ANSI personal-folder file's first bytes: magic, checksum, "SM", version 14.
PST_HEADER = b"!BDN\x5a\x3c\x17\x09SM\x0e\x00\x13\x00\x01\x01"


def hex_value(name, data):
    return f'"{name}"=hex:' + ",".join(f"{b:02x}" for b in data)


def fresh_prefix(folder):
    """A prefix as wineboot leaves it: no mail profile in its user.reg."""
    os.makedirs(os.path.join(folder, "drive_c", "users"), exist_ok=True)
    os.makedirs(os.path.join(folder, "dosdevices"), exist_ok=True)
    lines = ["WINE REGISTRY Version 2", ";; All keys relative to REGISTRY\\User\\S-1-5-21-0-0-0-1000", "",
             "#arch=win64", ""]
    for k in range(48):
        lines += [f"[Software\\Wine\\Fresh\\Key{k:02d}] 1733500000", "#time=1d8f0c5a2b3c4d5"]
        lines += [f'"Value{v}"="{"x" * 40}"' for v in range(10)] + [""]
    with open(os.path.join(folder, "user.reg"), "w", newline="\n") as f:
        f.write("\n".join(lines))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--stores", type=int, default=10)
    ap.add_argument("--oversized", action="store_true")
    ap.add_argument("--exclusions", type=int, default=0)
    ap.add_argument("--reg-mb", type=float, default=0)
    ap.add_argument("--home", type=int, default=0)
    args = ap.parse_args()

    rng = random.Random(7)
    prefix = os.path.join(args.out, "prefix")
    if args.home:
        prefixes = os.path.join(args.out, "home", ".local", "share", "wineprefixes")
        prefix = os.path.join(prefixes, "mail")
        for p in range(args.home - 1):
            fresh_prefix(os.path.join(prefixes, f"game{p:02d}"))
    mail = os.path.join(prefix, "drive_c", "users", "bench", "Mail")
    os.makedirs(os.path.join(prefix, "dosdevices"), exist_ok=True)
    os.makedirs(mail, exist_ok=True)
    link = os.path.join(prefix, "dosdevices", "c:")
    if not os.path.islink(link):
        os.symlink("../drive_c", link)

    uids = [bytes(rng.randrange(256) for _ in range(16)) for _ in range(args.stores)]
    lines = ["WINE REGISTRY Version 2", ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000", "",
             "#arch=win64", ""]
    lines += [f"[{BASE}] 1733500000", '"DefaultProfile"="Bench"', ""]
    profile = BASE + "\\\\Bench"
    lines += [f"[{profile}\\\\9207f3e0a3b11019908b08002b2a56c2] 1733500000",
              hex_value("01023d00", b"".join(uids)), ""]
    size = 1_700_000_000 if args.oversized else 100_000_000
    ini = ["[Orvane]", "LimitSize=2097152", "WarningSize=1572864", "WarningTitle=WARNING!",
           "WarningMsg=bench", "[No Check]", "Visible=1"]
    for i, uid in enumerate(uids):
        name = f"store{i:04d}.pst"
        path = f"C:\\users\\bench\\Mail\\{name}"
        with open(os.path.join(mail, name), "wb") as f:
            f.write(PST_HEADER)
            f.truncate(size)
        lines += [f"[{profile}\\\\{uid.hex()}] 1733500000",
                  hex_value("001e3001", f"Store {i}".encode("cp932") + b"\0"),
                  hex_value("001e6700", path.encode("cp932") + b"\0"), ""]
        if i < args.exclusions:
            ini.append(f"{uid.hex().upper()}={path}")
    for i in range(len(uids), args.exclusions):
        ini.append(f"{i:032X}=C:\\users\\bench\\Mail\\gone{i}.pst")

    text = "\n".join(lines)
    target = int(args.reg_mb * 1024 * 1024)
    padding = []
    n = 0
    while len(text) + sum(len(p) + 1 for p in padding) < target:
        padding.append(f"[Software\\\\Bench\\\\Padding\\\\Key{n:06d}] 1733500000\n#time=1d8f0c5a2b3c4d5\n"
                       f'"Name"="value {n} with some text to fill the line"\n"Data"=hex:'
                       + ",".join(f"{(n + k) % 256:02x}" for k in range(48)) + "\n")
        n += 1
    with open(os.path.join(prefix, "user.reg"), "w", newline="\n") as f:
        f.write(text + "\n" + "\n".join(padding))
    if args.exclusions:
        with open(os.path.join(args.out, "Orvane.ini"), "wb") as f:
            f.write("\r\n".join(ini).encode("cp932") + b"\r\n")


if __name__ == "__main__":
    main()
