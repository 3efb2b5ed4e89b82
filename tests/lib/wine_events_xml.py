#!/usr/bin/env python3
"""Wine's record of the events a Windows program reported (its eventlog and
advapi trace channels: WINEDEBUG=warn+eventlog,fixme+advapi) as the event XML
`wevtutil qe ... /f:xml` prints: concatenated <Event> elements, no root.

Wine keeps no event log of its own, so the computer, the user's SID and the
times are given; each event is a second after the one before.
Usage: wine_events_xml.py STDERR COMPUTER SID START_ISO_TIME > events.xml
"""
import datetime
import re
import sys
from xml.sax.saxutils import escape, quoteattr

TYPES = {"0x0001": ("2", "49152"), "0x0002": ("3", "32768")}  # level, qualifiers


def unescape(text):
    """A string as Wine's debugstr_w prints it: \\\\, \\", \\n, \\r, \\t and \\xxxx."""
    return re.sub(r'\\(?:([0-9a-f]{4})|(.))', lambda m: chr(int(m.group(1), 16)) if m.group(1) else
                  {"n": "\n", "r": "\r", "t": "\t"}.get(m.group(2), m.group(2)), text)


def main():
    trace, computer, sid, start = sys.argv[1:5]
    when = datetime.datetime.fromisoformat(start)
    events = []
    for line in open(trace, encoding="utf-8", errors="replace"):
        if "fixme:advapi:ReportEventW" in line:
            fields = line.split(",")
            events.append((fields[1].strip(), int(fields[3], 16), []))
        elif ":eventlog:ReportEventW" in line and events:
            events[-1][2].append(unescape(re.search(r'ReportEventW L"(.*)"\s*$', line).group(1)))
    for number, (kind, event_id, strings) in enumerate(events):
        level, qualifiers = TYPES.get(kind, ("4", "0"))
        stamp = (when + datetime.timedelta(seconds=number)).strftime("%Y-%m-%dT%H:%M:%S.0000000Z")
        data = "".join(f"<Data>{escape(s)}</Data>" if s else "<Data></Data>" for s in strings)
        sys.stdout.write(
            "<Event xmlns='http://schemas.microsoft.com/win/2004/08/events/event'><System>"
            f"<Provider Name='Orvane'/><EventID Qualifiers='{qualifiers}'>{event_id}</EventID><Version>0</Version>"
            f"<Level>{level}</Level><Task>0</Task><Opcode>0</Opcode><Keywords>0x80000000000000</Keywords>"
            f"<TimeCreated SystemTime='{stamp}'/><EventRecordID>{number + 1}</EventRecordID><Correlation/>"
            "<Execution ProcessID='0' ThreadID='0'/><Channel>Application</Channel>"
            f"<Computer>{escape(computer)}</Computer><Security UserID={quoteattr(sid)}/></System>"
            f"<EventData>{data}</EventData></Event>")


if __name__ == "__main__":
    main()
