#!/usr/bin/env python3
"""Checks the fleet kit beside the policy templates against the program:

- Orvane-view.xml (an Event Viewer custom view) and Orvane-subscription.xml (a
  source-initiated Windows Event Forwarding subscription) are well-formed, and so
  is the query inside the subscription;
- every query the two hold selects exactly the events the program writes: its
  event source and the IDs of its message table, which the run log's module
  writes too;
- the view reads the Application and ForwardedEvents logs, and the subscription
  is source-initiated, sends rendered text and lands in ForwardedEvents.

Then it breaks copies of the kit (another source, an ID left out, XML cut short,
events sent raw) and each must be caught.

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
                           ("LogFile", "ForwardedEvents"), ("Enabled", "true")):
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
    }
    missed = [what for what, (v, s) in broken.items() if not check(v, s, source, ids)]
    for what in missed:
        print("FAIL: a kit with", what, "passes")
    if problems or missed:
        sys.exit(1)
    print(f"the fleet kit selects source {source}, events {sorted(ids)}; {len(broken)} broken copies caught")


if __name__ == "__main__":
    main()
