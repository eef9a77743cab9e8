"""Reads an events export with the icalendar package and checks what a calendar program needs."""
import sys

# A missing parser is no pass: the test runner counts this status as skipped.
SKIPPED = 77

try:
    import icalendar
except ImportError:
    print("icalendar (python3-icalendar) not installed for " + sys.executable + "; skipped")
    sys.exit(SKIPPED)

with open(sys.argv[1], "rb") as handle:
    data = handle.read()

calendar = icalendar.Calendar.from_ical(data)
events = [c for c in calendar.walk() if c.name == "VEVENT"]
assert events, "no events in the calendar"
uids = set()
for event in events:
    uid = str(event["UID"])
    assert uid not in uids, "UID repeated: " + uid
    uids.add(uid)
    start = event.decoded("DTSTART")
    assert start.tzinfo is not None and start.utcoffset().total_seconds() == 0, start
    assert str(event["SUMMARY"]), "empty summary"
    event.decoded("DTSTAMP")
for line in data.split(b"\r\n"):
    assert len(line) <= 75, b"line longer than 75 octets: " + line
    assert b"\n" not in line, "bare LF"
summaries = {str(e["SUMMARY"]) for e in events}
for expected in ("Full Moon", "New Moon"):
    assert expected in summaries, expected + " missing"
print("%d events parsed" % len(events))
