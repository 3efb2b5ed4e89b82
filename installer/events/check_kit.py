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
  of the administrators' page's table of event 1000's fields (docs/administrators.md),
  in order.

- the engines' content (make_engines.py writes it from the same table) is as the
  table makes it, parses, names the program's source and events, and takes each
  field from the table's position; broken copies of it are caught too.

With --events DIR it also runs the engines' parsing pieces on events the
program wrote: DIR/events.xml (Windows event XML) through the Alloy regular
expression, Winlogbeat's two numberings and the ingest pipeline, and the
journal's entries in DIR/journal.json and the lines of a syslog file,
DIR/linux.log, through a logfmt reader as Loki's, which must give the fields the
journal names.

Then it breaks copies of the kit (another source, an ID left out, XML cut short,
events sent raw) and of the message table and the README (a field left out, two
fields swapped) and each must be caught.

Usage: check_kit.py SOURCE_TREE [--events DIR]
"""
import json
import os
import re
import sys
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_engines  # noqa: E402

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


def engine_problems(tree, texts, fields, source, ids, drift=True):
    """What is wrong with the engines' content (name -> text) against the table;
    with `drift`, also where it is not as make_engines.py writes it."""
    problems = []
    expected = make_engines.files(tree)
    for name in expected:
        if name not in texts:
            problems.append(f"{name}: missing")
    parsed = {}
    for name, text in texts.items():
        if name.endswith(".json"):
            try:
                parsed[name] = json.loads(text)
            except ValueError as e:
                problems.append(f"{name}: not JSON: {e}")
        if source not in text or "1000" not in text:
            problems.append(f"{name}: does not name source {source} and event 1000")
    want = list(enumerate(fields))

    def positions(name, found, base=0):
        got = [(int(i) - base, key) for key, i in found]
        if sorted(got) != want:
            problems.append(f"{name}: takes the fields {sorted(got)}, the table has {want}")

    kql = texts.get("log-analytics/orvane.kql", "")
    positions("orvane.kql", re.findall(r"(\w+) = to\w+\(d\[(\d+)\]\)", kql))
    spl = texts.get("splunk/orvane.spl", "")
    positions("orvane.spl", re.findall(r"(\w+)=(?:tonumber\()?mvindex\(data, (\d+)\)", spl))
    alloy = texts.get("alloy/orvane.alloy", "")
    if alloy.count("{") != alloy.count("}"):
        problems.append("orvane.alloy: its braces do not pair")
    for xpath in re.findall(r'xpath_query\s*=\s*"([^"]*)"', alloy):
        problems += ["orvane.alloy: " + p for p in query_problems(xpath, source, ids)]
    regex = alloy_regex(alloy)
    try:
        groups = list(re.compile(regex).groupindex) if regex else []
    except re.error as e:
        groups = []
        problems.append(f"orvane.alloy: its regular expression does not compile: {e}")
    positions("orvane.alloy's regular expression", [(key, i) for i, key in enumerate(groups)])
    mapping = re.search(r"stage\.logfmt \{\s*mapping = \{([^}]*)\}", alloy)
    if not mapping or not set(fields) <= set(re.findall(r"(\w+) = \"\"", mapping.group(1))):
        problems.append("orvane.alloy: the journal's logfmt stage does not take every field")
    dcr = parsed.get("log-analytics/orvane-dcr.json", {})
    for log in dcr.get("properties", {}).get("dataSources", {}).get("windowsEventLogs", []):
        for query in log.get("xPathQueries", []):
            problems += ["orvane-dcr.json: " + p for p in query_problems(query.split("!", 1)[-1], source, ids)]
    for item in parsed.get("log-analytics/orvane-workbook.json", {}).get("items", []):
        query = item.get("content", {}).get("query")
        if query is not None and (f'Source == "{source}"' not in query or "d[11]" not in query):
            problems.append(f"orvane-workbook.json: {item.get('name')} is not the table's query")
    pipeline = parsed.get("elastic/orvane-pipeline.json", {})
    for base in (0, 1):
        renames = [(p["rename"]["target_field"].removeprefix("orvane."), p["rename"]["field"].removeprefix(
            "winlog.event_data.param")) for p in pipeline.get("processors", []) if "rename" in p and
            ("!ctx" in p["rename"]["if"]) == (base == 1)]
        positions(f"orvane-pipeline.json (param{base}..)", renames, base)
    for name, text in expected.items():
        if drift and texts.get(name) != text:
            problems.append(f"{name}: not as make_engines.py writes it from the table")
    return problems


def alloy_regex(alloy):
    found = re.search(r'stage\.regex \{[^}]*expression = "((?:[^"\\]|\\.)*)"', alloy)
    return json.loads('"' + found.group(1) + '"') if found else ""


def winlogbeat(values, base):
    """Winlogbeat's event_data for unnamed Data: param<base>.. with empty values dropped."""
    return {f"param{i + base}": v for i, v in enumerate(values) if v}


def run_pipeline(pipeline, event_data):
    """The pipeline's renames, as Elasticsearch runs them on a Windows event 1000 of ours."""
    ctx = {"winlog": {"provider_name": "Orvane", "event_id": "1000", "event_data": dict(event_data)}}
    named = {}
    zero_based = "param0" in ctx["winlog"]["event_data"]
    for p in pipeline["processors"]:
        rename = p.get("rename")
        if rename and ("!ctx" in rename["if"]) != zero_based:
            value = ctx["winlog"]["event_data"].pop(rename["field"].removeprefix("winlog.event_data."), None)
            if value is not None:
                named[rename["target_field"].removeprefix("orvane.")] = value
    return named


def logfmt(line):
    """Pairs of a logfmt line as Loki's logfmt parser reads them (Go's quoting)."""
    pairs = {}
    for key, quoted, plain in re.findall(r'(\w+)=(?:"((?:[^"\\]|\\.)*)"|(\S*))', line):
        pairs[key] = json.loads('"' + quoted + '"') if quoted or plain == "" and f'{key}=""' in line else plain
    return pairs


def events_problems(tree, directory, fields):
    """The engines' parsing pieces run on the program's own events."""
    problems = []
    texts = make_engines.files(tree)
    regex = re.compile(alloy_regex(texts["alloy/orvane.alloy"]))
    pipeline = json.loads(texts["elastic/orvane-pipeline.json"])
    xml_path = os.path.join(directory, "events.xml")
    elements = re.findall(r"<Event[ >].*?</Event>", open(xml_path, encoding="utf-8").read(), re.S)
    checked = 0
    for element in elements:
        event = ET.fromstring(element)
        ns = {"e": "http://schemas.microsoft.com/win/2004/08/events/event"}
        if event.findtext("e:System/e:EventID", namespaces=ns) != "1000":
            continue
        data = event.find("e:EventData", ns)
        values = [d.text or "" for d in data.findall("e:Data", ns)]
        # What Alloy's event_data holds: the EventData's inner XML as rendered.
        inner = re.search(r"<EventData>(.*)</EventData>", element, re.S).group(1)
        match = regex.match(inner)
        as_xml = lambda v: v.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
        if not match or [match.group(k) or "" for k in fields] != [as_xml(v) for v in values[:len(fields)]]:
            problems.append(f"events.xml: Alloy's regular expression misreads {inner[:120]}")
        for base in (0, 1):
            named = run_pipeline(pipeline, winlogbeat(values, base))
            if named != {k: v for k, v in zip(fields, values) if v}:
                problems.append(f"events.xml: the pipeline misnames Winlogbeat's param{base}..: {named}")
        checked += 1
    # Linux: Loki's logfmt stage over the line must give what the journal names.
    for entry in (json.loads(l) for l in open(os.path.join(directory, "journal.json"), encoding="utf-8")):
        if entry.get("ORVANE_ID") != "1000":
            continue
        pairs, named = logfmt(entry["MESSAGE"]), {k: entry.get("ORVANE_" + k.upper(), "") for k in fields}
        if {k: pairs.get(k) for k in fields} != named:
            problems.append(f"journal.json: logfmt reads {pairs}, the journal names {named}")
        checked += 1
    lines = [l for l in open(os.path.join(directory, "linux.log"), encoding="utf-8") if "orvane[" in l]
    for line in lines:
        pairs = logfmt(line.split("]: ", 1)[1])
        if pairs.get("id") != "1000" or set(pairs) != set(fields) | {"id", "user"}:
            problems.append(f"linux.log: logfmt reads {sorted(pairs)} from {line.strip()}")
        checked += 1
    if not elements or not lines:
        problems.append(f"events: {len(elements)} Windows events, {len(lines)} Linux lines")
    print(f"the engines' parsing pieces read {checked} of the program's events as the table names them")
    return problems


def main():
    tree = sys.argv[1]
    if sys.argv[2:3] == ["--events"]:
        problems = events_problems(tree, sys.argv[3], program_fields(tree)[1000])
        for problem in problems:
            print("FAIL:", problem)
        sys.exit(1 if problems else 0)
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
    readme = open(os.path.join(tree, "docs/administrators.md"), encoding="utf-8").read()
    found = field_problems(message_table, readme, fields)
    problems += found
    for problem in found:
        print("FAIL:", problem)
    broken_fields = {
        "a message without its last field": (re.sub(r"\n[^\n]*%12[^\n]*", "", message_table, count=1), readme),
        "a row of the page's table left out": (message_table, re.sub(r"^\| 11 \|.*\n", "", readme, count=1, flags=re.M)),
        "two of its rows swapped": (message_table, readme.replace("`size_kb`", "`@@`").replace(
            "`warning_kb`", "`size_kb`").replace("`@@`", "`warning_kb`")),
    }
    missed += [what for what, (m, r) in broken_fields.items() if not field_problems(m, r, fields)]

    engines = {}
    for name in make_engines.files(tree):
        path = os.path.join(tree, "installer/events", name)
        engines[name] = open(path, encoding="utf-8").read() if os.path.exists(path) else ""
    found = engine_problems(tree, engines, fields[1000], source, ids)
    problems += found
    for problem in found:
        print("FAIL:", problem)
    swap = lambda text, a, b: text.replace(a, "@@").replace(b, a).replace("@@", b)
    broken_engines = {
        "a KQL query with two positions swapped": ("log-analytics/orvane.kql", lambda t: swap(t, "d[1])", "d[2])")),
        "a Splunk search off by one": ("splunk/orvane.spl", lambda t: t.replace("mvindex(data, 0)", "mvindex(data, 1)")),
        "an Alloy expression with a field moved": ("alloy/orvane.alloy", lambda t: swap(t, "P<room_kb>", "P<stop_kb>")),
        "a pipeline counting from 1 where it counts from 0": (
            "elastic/orvane-pipeline.json", lambda t: t.replace('"winlog.event_data.param0"', '"winlog.event_data.param1"', 1)),
        "a workbook that is no JSON": ("log-analytics/orvane-workbook.json", lambda t: t[:-3]),
        "a rule with another source": ("log-analytics/orvane-dcr.json", lambda t: t.replace("'Orvane'", "'Orvan'")),
    }
    for what, (name, breaking) in broken_engines.items():
        if not engine_problems(tree, {**engines, name: breaking(engines[name])}, fields[1000], source, ids, False):
            missed.append(what)
    for what in missed:
        print("FAIL: a kit with", what, "passes")
    if problems or missed:
        sys.exit(1)
    print(f"the fleet kit selects source {source}, events {sorted(ids)}; the message table, the administrators' page and "
          f"{len(engines)} engines' files name the program's {len(fields[1000])} fields; "
          f"{len(broken) + len(broken_fields) + len(broken_engines)} broken copies caught")


if __name__ == "__main__":
    main()
