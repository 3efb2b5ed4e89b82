#!/usr/bin/env python3
"""Checks the fleet kit beside the policy templates against the program:

- Orvane-view.xml (an Event Viewer custom view) and Orvane-subscription.xml (a
  source-initiated Windows Event Forwarding subscription) are well-formed, and so
  is the query inside the subscription;
- every query the two hold selects exactly the events the program writes: its
  event source and the IDs of its message table, which the run log's module
  writes too;
- the view reads the Application and ForwardedEvents logs, and the subscription
  is source-initiated, pushes in batches (MinBandwidth), sends rendered text and
  lands in ForwardedEvents.

- the fields the program names once (src/log/EventFields.h) are the insertion
  strings of its message table, %1 to the last, in each language, and the rows
  of the README's table of event 1000's fields, in order.

Then it breaks copies of the kit (another source, an ID left out, XML cut short,
events sent raw) and of the message table and the README (a field left out, two
fields swapped) and each must be caught.

Usage: check_kit.py SOURCE_TREE
"""
import os
import re
import sys
import xml.etree.ElementTree as ET

SUBSCRIPTION_NS = "{http://schemas.microsoft.com/2006/03/windows/events/subscription}"


def program_events(tree):
    """The event source and the IDs the program writes, from its own sources."""
    with open(os.path.join(tree, "src/OrvaneEvents.mc"), encoding="utf-8") as f:
        table = {int(n) for n in re.findall(r"^MessageId=(\d+)", f.read(), re.M)}
    with open(os.path.join(tree, "src/log/mdlLogFile.h"), encoding="utf-8") as f:
        written = {int(n) for n in re.findall(r"k\w+Event = (\d+);", f.read())}
    with open(os.path.join(tree, "src/platform/win32/SystemLogWin32.cpp"), encoding="utf-8") as f:
        sources = re.findall(r'RegisterEventSourceW\(nullptr, L"([^"]+)"\)', f.read())
    assert table == written and table, f"message table {table} and the log's events {written} differ"
    assert len(sources) == 1, f"event sources: {sources}"
    return sources[0], table


def program_fields(tree):
    """Each event's field keys in order, from the program's table: {1000: [...], 1001: [...]}."""
    with open(os.path.join(tree, "src/log/EventFields.h"), encoding="utf-8") as f:
        text = f.read()
    tables = {}
    for name, body in re.findall(r"k(\w+)Fields\{\{(.*?)\}\};", text, re.S):
        tables[{"Warning": 1000, "Failure": 1001}[name]] = re.findall(r'\{"(\w+)", "', body)
    return tables


def field_problems(message_table, readme, fields):
    """Where the message table or the README differ from the program's fields."""
    problems = []
    for block in re.split(r"^MessageId=", message_table, flags=re.M)[1:]:
        event = int(block.split("\n", 1)[0])
        for language, text in re.findall(r"^Language=(\w+)\n(.*?)^\.$", block, re.M | re.S):
            used = sorted({int(n) for n in re.findall(r"%(\d+)", text)})
            if used != list(range(1, len(fields.get(event, [])) + 1)):
                problems.append(f"message table: event {event} ({language}) fills {used}, "
                                f"the program writes {len(fields.get(event, []))} fields")
    rows = re.findall(r"^\| (\d+) \| `(\w+)` \|", readme, re.M)
    if [key for _, key in rows] != fields[1000] or [int(n) for n, _ in rows] != list(range(1, len(rows) + 1)):
        problems.append(f"README: event 1000's fields are {[key for _, key in rows]}, the program's {fields[1000]}")
    return problems


def query_problems(xpath, source, ids):
    """What is wrong with one Select's XPath."""
    problems = []
    if re.findall(r"Provider\[@Name='([^']*)'\]", xpath) != [source]:
        problems.append(f"query names another source: {xpath}")
    if {int(n) for n in re.findall(r"EventID=(\d+)", xpath)} != ids:
        problems.append(f"query selects other IDs than {sorted(ids)}: {xpath}")
    return problems


def check_view(text, source, ids):
    try:
        root = ET.fromstring(text)
    except ET.ParseError as e:
        return [f"view: not well-formed: {e}"]
    problems = [] if root.tag == "ViewerConfig" else ["view: not a ViewerConfig"]
    simple = root.find("QueryConfig/QueryParams/Simple")
    if simple is None or simple.findtext("Source") != source:
        problems.append("view: the simple filter names another source")
    elif {int(n) for n in simple.findtext("EventId", "").split(",") if n} != ids:
        problems.append("view: the simple filter has other IDs")
    selects = root.findall("QueryConfig/QueryNode/QueryList/Query/Select")
    if {s.get("Path") for s in selects} != {"Application", "ForwardedEvents"}:
        problems.append("view: does not read both Application and ForwardedEvents")
    for select in selects:
        problems += ["view: " + p for p in query_problems(select.text or "", source, ids)]
    return problems


def check_subscription(text, source, ids):
    try:
        root = ET.fromstring(text)
    except ET.ParseError as e:
        return [f"subscription: not well-formed: {e}"]
    field = lambda name: (root.findtext(SUBSCRIPTION_NS + name) or "").strip()
    problems = []
    for name, expected in (("SubscriptionType", "SourceInitiated"), ("ContentFormat", "RenderedText"),
                           ("LogFile", "ForwardedEvents"), ("Enabled", "true"),
                           ("ConfigurationMode", "MinBandwidth")):
        if field(name) != expected:
            problems.append(f"subscription: {name} is not {expected}")
    try:
        query = ET.fromstring(field("Query"))
    except ET.ParseError as e:
        return problems + [f"subscription: its query is not well-formed: {e}"]
    selects = query.findall("Query/Select")
    if not selects:
        problems.append("subscription: its query selects nothing")
    for select in selects:
        problems += ["subscription: " + p for p in query_problems(select.text or "", source, ids)]
    return problems


def check(view, subscription, source, ids):
    return check_view(view, source, ids) + check_subscription(subscription, source, ids)


def main():
    tree = sys.argv[1]
    source, ids = program_events(tree)
    read = lambda name: open(os.path.join(tree, "installer/events", name), encoding="utf-8").read()
    view, subscription = read("Orvane-view.xml"), read("Orvane-subscription.xml")
    problems = check(view, subscription, source, ids)
    for problem in problems:
        print("FAIL:", problem)

    broken = {
        "another source": (view.replace("@Name='Orvane'", "@Name='Orvan'", 1), subscription),
        "an ID left out": (view, subscription.replace(" or EventID=1001", "")),
        "the simple filter's IDs": (view.replace("<EventId>1000,1001", "<EventId>1000"), subscription),
        "a view cut short": (view[: len(view) // 2], subscription),
        "events sent raw": (view, subscription.replace("RenderedText", "Events")),
        "collector-initiated": (view, subscription.replace(">SourceInitiated<", ">CollectorInitiated<")),
        "normal delivery": (view, subscription.replace(">MinBandwidth<", ">Normal<")),
    }
    missed = [what for what, (v, s) in broken.items() if not check(v, s, source, ids)]

    fields = program_fields(tree)
    message_table = open(os.path.join(tree, "src/OrvaneEvents.mc"), encoding="utf-8").read()
    readme = open(os.path.join(tree, "README.md"), encoding="utf-8").read()
    found = field_problems(message_table, readme, fields)
    problems += found
    for problem in found:
        print("FAIL:", problem)
    broken_fields = {
        "a message without its last field": (re.sub(r"\n[^\n]*%12[^\n]*", "", message_table, count=1), readme),
        "a README row left out": (message_table, re.sub(r"^\| 11 \|.*\n", "", readme, count=1, flags=re.M)),
        "two README rows swapped": (message_table, readme.replace("`size_kb`", "`@@`").replace(
            "`warning_kb`", "`size_kb`").replace("`@@`", "`warning_kb`")),
    }
    missed += [what for what, (m, r) in broken_fields.items() if not field_problems(m, r, fields)]
    for what in missed:
        print("FAIL: a kit with", what, "passes")
    if problems or missed:
        sys.exit(1)
    print(f"the fleet kit selects source {source}, events {sorted(ids)}; the message table and the README "
          f"name the program's {len(fields[1000])} fields; {len(broken) + len(broken_fields)} broken copies caught")


if __name__ == "__main__":
    main()
