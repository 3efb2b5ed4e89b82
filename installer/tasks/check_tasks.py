#!/usr/bin/env python3
"""Checks the daily re-check's task definitions:

- each validates against the part of the Task Scheduler's schema it uses
  (task-subset.xsd, with xmllint);
- each starts the program where its install puts it: the one for one user in
  %LOCALAPPDATA%\\Programs\\Orvane, as Orvane.wxs installs it; the one for every
  user in the 32-bit Program Files folder, as Orvane-machine.wxs installs the
  release;
- each registers with Wine's task scheduler (schtasks /create /xml), when Wine
  is there.

Then it breaks copies (an unknown setting, a value out of its range, elements
out of order, another program) and each must be caught.

Usage: check_tasks.py INSTALLER_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

NS = "{http://schemas.microsoft.com/windows/2004/02/mit/task}"
WIX = "{http://schemas.microsoft.com/wix/2006/wi}"


def install_folder(wxs, root_id):
    """The folder names under the WiX directory `root_id`, down to INSTALLDIR."""
    def walk(node, path):
        for child in node.findall(WIX + "Directory"):
            here = path + ([child.get("Name")] if child.get("Name") else [])
            if child.get("Id") == "INSTALLDIR":
                return here
            found = walk(child, here)
            if found:
                return found
        return None
    for directory in ET.parse(wxs).getroot().iter(WIX + "Directory"):
        if directory.get("Id") == root_id:
            return walk(directory, [])
    return None


def expected_commands(installer):
    user = install_folder(os.path.join(installer, "Orvane.wxs"), "LocalAppDataFolder")
    machine = install_folder(os.path.join(installer, "Orvane-machine.wxs"), "$(var.ProgramFiles)")
    return {
        "Orvane-recheck-user.xml": "\\".join(["%LOCALAPPDATA%"] + user + ["Orvane.exe"]),
        "Orvane-recheck-machine.xml": "\\".join(["%ProgramFiles(x86)%"] + machine + ["Orvane.exe"]),
    }


def problems(path, schema, command):
    found = []
    result = subprocess.run(["xmllint", "--noout", "--schema", schema, path], capture_output=True, text=True)
    if result.returncode != 0:
        found.append(f"{os.path.basename(path)}: {result.stderr.strip().splitlines()[0]}")
        return found
    task = ET.parse(path).getroot()
    commands = [c.text for c in task.iter(NS + "Command")]
    if commands != [command]:
        found.append(f"{os.path.basename(path)}: starts {commands}, not {command}")
    return found


def wine_refuses(path):
    """Why Wine's task scheduler does not take the file; empty when it does."""
    wine = shutil.which("wine")
    if wine is None:
        return ""
    with tempfile.TemporaryDirectory() as prefix:
        env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", DISPLAY="")
        result = subprocess.run([wine, "schtasks", "/create", "/xml", "Z:" + path.replace("/", "\\"),
                                 "/tn", "Orvane\\Recheck"], env=env, capture_output=True, text=True, timeout=300)
        subprocess.run(["wineserver", "-k"], env=env, capture_output=True)
        registered = os.path.exists(os.path.join(prefix, "drive_c/windows/system32/tasks/Orvane/Recheck"))
        return "" if result.returncode == 0 and registered else f"Wine's schtasks refused it ({result.returncode})"


def main():
    installer = os.path.abspath(sys.argv[1])
    folder = os.path.join(installer, "tasks")
    schema = os.path.join(folder, "task-subset.xsd")
    failures = 0
    commands = expected_commands(installer)
    for name, command in commands.items():
        path = os.path.join(folder, name)
        found = problems(path, schema, command)
        refused = wine_refuses(path)
        found += [f"{name}: {refused}"] if refused else []
        for problem in found:
            print(f"  FAILED: {problem}")
        if not found:
            print(f"  ok: {name} starts {command}")
        failures += len(found)

    # Each break of a copy must be caught.
    original = open(os.path.join(folder, "Orvane-recheck-user.xml"), encoding="utf-8").read()
    breaks = {
        "an unknown setting": ("<Enabled>true</Enabled>", "<Enabled>true</Enabled><WakeToRun>maybe</WakeToRun>"),
        "a policy the service has not": ("IgnoreNew", "Never"),
        "a day interval out of range": ("<DaysInterval>1<", "<DaysInterval>0<"),
        "elements out of order": ("<RandomDelay>PT1H</RandomDelay>", "") ,
        "another program": ("Orvane.exe", "Other.exe"),
    }
    with tempfile.TemporaryDirectory() as work:
        for what, (old, new) in breaks.items():
            text = original.replace(old, new, 1)
            if what == "elements out of order":
                text = text.replace("<StartBoundary>", "<RandomDelay>PT1H</RandomDelay><StartBoundary>", 1)
            path = os.path.join(work, "broken.xml")
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
            caught = problems(path, schema, commands["Orvane-recheck-user.xml"])
            print(f"  {'ok: caught' if caught else 'FAILED: not caught'}: {what}")
            failures += 0 if caught else 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
