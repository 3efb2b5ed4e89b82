#!/usr/bin/env python3
"""Writes the content for the engines administrators run from the program's one
table of event fields (src/log/EventFields.h), so that a field's position is
written down once:

  log-analytics/orvane-dcr.json        the Azure Monitor Agent's data collection rule
  log-analytics/orvane.kql             one row per computer, user and file
  log-analytics/orvane-workbook.json   that table and files per band
  alloy/orvane.alloy                   Grafana Alloy: the Linux journal and the Windows log
  alloy/orvane.logql                   the same table in LogQL
  alloy/orvane-dashboard.json          a Grafana dashboard of it
  elastic/orvane-pipeline.json         an ingest pipeline naming Winlogbeat's params
  splunk/orvane.spl                    a Splunk search

Usage: make_engines.py SOURCE_TREE [--check]   (--check: fail when a file differs)
"""
import json
import os
import re
import sys

SOURCE = "Orvane"
XPATH = "*[System[Provider[@Name='Orvane'] and (EventID=1000 or EventID=1001)]]"
NUMBERS = {"size_kb", "warning_kb", "limit_kb", "room_kb", "stop_kb", "growth_kb_per_week", "weeks_to_stop"}
# A file's share of its stop, in bands: the lower bound of each, and its name.
BANDS = [(100, "at or past the stop"), (95, "95 %"), (90, "90 %"), (80, "80 %")]


def warning_fields(tree):
    with open(os.path.join(tree, "src/log/EventFields.h"), encoding="utf-8") as f:
        body = re.search(r"kWarningFields\{\{(.*?)\}\};", f.read(), re.S).group(1)
    return re.findall(r'\{"(\w+)", "', body)


def data_regex(fields):
    """The event's EventData as its Data elements, each field a named group (an
    empty value may be written <Data/> or <Data></Data>)."""
    return "".join(rf"\s*<Data(?:\s*/>|>(?P<{key}>[^<]*)</Data>)" for key in fields)


def kql(fields):
    extend = ",\n    ".join(f"{key} = {'tolong' if key in NUMBERS else 'tostring'}(d[{i}])"
                            for i, key in enumerate(fields))
    bands = ", ".join(f'percent_of_stop >= {low}, "{name}"' for low, name in BANDS)
    return f"""// Orvane: one row per computer, user and file, the newest event winning, the
// soonest to stop first. Event 1000's fields are unnamed in the Event table: they
// are taken by position (0-based) from its EventData.
Event
| where Source == "{SOURCE}" and EventID == 1000
| extend d = parse_xml(EventData).DataItem.EventData.Data
| extend
    {extend}
| summarize arg_max(TimeGenerated, *) by Computer, UserName, path
| extend percent_of_stop = round(100.0 * size_kb / stop_kb, 1)
| extend band = case(isnull(percent_of_stop), "stop not known", {bands}, "below 80 %")
| extend soonest = coalesce(weeks_to_stop, 1000000)
| order by soonest asc, room_kb asc
| project TimeGenerated, Computer, UserName, name, path, size_kb, stop_kb, percent_of_stop, band, room_kb,
    growth_kb_per_week, weeks_to_stop, dialog, format, kind
"""


def dcr():
    return {
        "location": "<region>",
        "kind": "Windows",
        "properties": {
            "description": "Orvane's events (1000: a file near its limit, 1001: a failure) into the Event table",
            "dataSources": {"windowsEventLogs": [{
                "name": "orvane", "streams": ["Microsoft-Event"], "xPathQueries": [f"Application!{XPATH}"]}]},
            "destinations": {"logAnalytics": [{"name": "workspace", "workspaceResourceId": "<workspace resource id>"}]},
            "dataFlows": [{"streams": ["Microsoft-Event"], "destinations": ["workspace"]}],
        },
    }


def workbook(fields):
    table = kql(fields)
    per_band = table.rsplit("| extend soonest", 1)[0] + "| summarize files = count() by band\n"
    item = lambda query, visual, title: {"type": 3, "name": title, "content": {
        "version": "KqlItem/1.0", "title": title, "query": query, "queryType": 0,
        "resourceType": "microsoft.operationalinsights/workspaces", "visualization": visual,
        "timeContext": {"durationMs": 2592000000}}}
    return {"version": "Notebook/1.0", "items": [
        {"type": 1, "name": "about", "content": {"json": "## Orvane\nFiles near where the mail client stops adding "
                                                         "to them, from events of the last 30 days."}},
        item(per_band, "barchart", "Files per band"),
        item(table, "table", "Files, the soonest to stop first"),
    ], "$schema": "https://github.com/Microsoft/Application-Insights-Workbooks/blob/master/schema/workbook.json"}


def alloy(fields):
    mapping = ", ".join(f'{key} = ""' for key in fields)
    metadata = ", ".join(f'{key} = ""' for key in fields + ["id", "user"])
    regex = data_regex(fields).replace("\\", "\\\\").replace('"', '\\"')
    return f"""// Grafana Alloy: Orvane's events from the Linux journal and the Windows
// Application log into Loki, every field as structured metadata of its name, so
// that one LogQL query reads both (alloy/orvane.logql).

// Linux: the journal's entries of Orvane's; the line is the event in logfmt.
loki.source.journal "orvane" {{
  matches       = "SYSLOG_IDENTIFIER=orvane"
  labels        = {{job = "orvane"}}
  relabel_rules = loki.relabel.orvane_journal.rules
  forward_to    = [loki.process.orvane_linux.receiver]
}}

loki.relabel "orvane_journal" {{
  forward_to = []
  rule {{
    source_labels = ["__journal__hostname"]
    target_label  = "host"
  }}
}}

loki.process "orvane_linux" {{
  stage.logfmt {{
    mapping = {{id = "", user = "", {mapping}}}
  }}
  stage.structured_metadata {{
    values = {{{metadata}}}
  }}
  forward_to = [loki.write.default.receiver]
}}

// Windows: the Application log, with the forwarding subscription's query.
loki.source.windowsevent "orvane" {{
  eventlog_name          = "Application"
  xpath_query            = "{XPATH}"
  use_incoming_timestamp = true
  labels                 = {{job = "orvane"}}
  forward_to             = [loki.process.orvane_windows.receiver]
}}

loki.process "orvane_windows" {{
  stage.json {{
    expressions = {{host = "computer", id = "event_id", user = "security.userId", event_data = ""}}
  }}
  // The fields are unnamed Data elements: each is taken by its position.
  stage.regex {{
    source     = "event_data"
    expression = "^{regex}"
  }}
  stage.labels {{
    values = {{host = ""}}
  }}
  stage.structured_metadata {{
    values = {{{metadata}}}
  }}
  forward_to = [loki.write.default.receiver]
}}

loki.write "default" {{
  endpoint {{
    url = "http://loki.example:3100/loki/api/v1/push"
  }}
}}
"""


def logql_queries():
    last = lambda field: (f'last_over_time({{job="orvane"}} | id="1000" | keep host, user, path, {field} '
                          f'| unwrap {field} [$__range]) by (host, user, path)')
    share = f"({last('size_kb')} / on (host, user, path) {last('stop_kb')})"
    queries = {f"{field}": last(field) for field in ("size_kb", "stop_kb", "room_kb", "weeks_to_stop")}
    bounds = [(1.0, None)] + [(low / 100, high / 100) for (low, _), (high, _) in zip(BANDS[1:], BANDS)]
    for (low, high), (_, name) in zip(bounds, BANDS):
        queries[f"files {name}"] = f"count({share} >= {low}" + (f" < {high})" if high else ")")
    return queries


def logql():
    lines = ["# Orvane in LogQL, over what alloy/orvane.alloy sends: one series per computer,",
             "# user and file, the newest value winning. Grafana's table joins the first four",
             "# on host, user and path (alloy/orvane-dashboard.json); the last count files per band.",
             "# Failures: {job=\"orvane\"} | id=\"1001\"", ""]
    for name, query in logql_queries().items():
        lines += [f"# {name}", query, ""]
    return "\n".join(lines)


def dashboard():
    queries = logql_queries()
    datasource = {"type": "loki", "uid": "${loki}"}
    target = lambda ref, expr, legend: {"refId": ref, "expr": expr, "queryType": "instant", "legendFormat": legend,
                                        "datasource": datasource}
    tables = [k for k in queries if not k.startswith("files")]
    bands = [k for k in queries if k.startswith("files")]
    return {
        "title": "Orvane", "uid": "orvane", "schemaVersion": 39, "time": {"from": "now-30d", "to": "now"},
        "templating": {"list": [{"name": "loki", "type": "datasource", "query": "loki", "label": "Loki"}]},
        "panels": [
            {"type": "barchart", "title": "Files per band", "datasource": datasource,
             "gridPos": {"x": 0, "y": 0, "w": 24, "h": 7},
             "targets": [target(chr(65 + i), queries[k], k[6:]) for i, k in enumerate(bands)],
             "transformations": [{"id": "reduce", "options": {"reducers": ["lastNotNull"]}}]},
            {"type": "table", "title": "Files, the soonest to stop first", "datasource": datasource,
             "gridPos": {"x": 0, "y": 7, "w": 24, "h": 16},
             "targets": [target(chr(65 + i), queries[k], k) for i, k in enumerate(tables)],
             "transformations": [{"id": "merge", "options": {}},
                                 {"id": "sortBy", "options": {"sort": [{"field": "Value #D"}, {"field": "Value #C"}]}}]},
            {"type": "logs", "title": "Failures", "datasource": datasource,
             "gridPos": {"x": 0, "y": 23, "w": 24, "h": 8},
             "targets": [{"refId": "A", "expr": '{job="orvane"} | id="1001"', "datasource": datasource}]},
        ],
    }


def pipeline(fields):
    processors = []
    # Winlogbeat numbers the unnamed Data from 1 in one code path and from 0 in
    # another; the path is never empty, so param0 tells which.
    for base, when in ((0, "ctx.winlog.event_data.containsKey('param0')"),
                       (1, "!ctx.winlog.event_data.containsKey('param0')")):
        for i, key in enumerate(fields):
            processors.append({"rename": {
                "if": f"ctx.winlog?.provider_name == '{SOURCE}' && ctx.winlog?.event_id == '1000' "
                      f"&& ctx.winlog.event_data != null && {when}",
                "field": f"winlog.event_data.param{i + base}", "target_field": f"orvane.{key}",
                "ignore_missing": True}})
    for key in fields:
        if key in NUMBERS:
            processors.append({"convert": {"field": f"orvane.{key}", "type": "long", "ignore_missing": True}})
    return {"description": "Orvane's event 1000 from Winlogbeat or the Elastic Agent: each unnamed insertion "
                           "string under its name (orvane.path, ...), whichever numbering the shipper used",
            "processors": processors}


def splunk(fields):
    evals = ",\n    ".join(f"{key}={'tonumber(' if key in NUMBERS else ''}mvindex(data, {i}){')' if key in NUMBERS else ''}"
                           for i, key in enumerate(fields))
    return f"""`comment("Orvane: one row per computer, user and file, the newest event winning, the soonest to stop first. The fields are the event's unnamed Data, taken by position (0-based); the forwarder must send XML (renderXml = true).")`
index=* sourcetype="XmlWinEventLog" Name="{SOURCE}" EventCode=1000
| spath path=Event.EventData.Data output=data
| spath path=Event.System.Security{{@UserID}} output=user
| eval
    {evals}
| stats latest(_time) as last_event, latest(*) as * by host, user, path
| eval percent_of_stop=round(100 * size_kb / stop_kb, 1)
| eval band=case(isnull(percent_of_stop), "stop not known", {", ".join(f'percent_of_stop >= {low}, "{name}"' for low, name in BANDS)}, true(), "below 80 %")
| eval soonest=coalesce(weeks_to_stop, 1000000)
| sort 0 soonest, room_kb
| table last_event, host, user, name, path, size_kb, stop_kb, percent_of_stop, band, room_kb, growth_kb_per_week, weeks_to_stop, dialog, format, kind
"""


def files(tree):
    fields = warning_fields(tree)
    as_json = lambda value: json.dumps(value, indent=2, ensure_ascii=False) + "\n"
    return {
        "log-analytics/orvane-dcr.json": as_json(dcr()),
        "log-analytics/orvane.kql": kql(fields),
        "log-analytics/orvane-workbook.json": as_json(workbook(fields)),
        "alloy/orvane.alloy": alloy(fields),
        "alloy/orvane.logql": logql(),
        "alloy/orvane-dashboard.json": as_json(dashboard()),
        "elastic/orvane-pipeline.json": as_json(pipeline(fields)),
        "splunk/orvane.spl": splunk(fields),
    }


def main():
    tree = sys.argv[1]
    check = "--check" in sys.argv[2:]
    stale = []
    for name, text in files(tree).items():
        path = os.path.join(tree, "installer/events", name)
        old = open(path, encoding="utf-8").read() if os.path.exists(path) else None
        if old == text:
            continue
        if check:
            stale.append(name)
        else:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
            print("wrote", name)
    if stale:
        print("FAIL: not as src/log/EventFields.h makes them (run installer/events/make_engines.py .):", *stale)
        sys.exit(1)


if __name__ == "__main__":
    main()
