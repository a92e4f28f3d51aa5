"""Reads dbus-monitor's record of org.freedesktop.Notifications traffic.

Default: one JSON line per Notify call, with its arguments by name.
--ids: the ids the server returned to those calls, one a line, in order.
"""
import json
import re
import sys


def blocks(text):
    block = []
    for line in text.splitlines():
        if re.match(r"^(method call|method return|signal|error) ", line):
            if block:
                yield block
            block = [line]
        elif block:
            block.append(line)
    if block:
        yield block


ARG = re.compile(r"^\s+(string|uint32|int32|int64|uint64|byte|boolean|double|variant|array|dict entry|object path|\]|\))")


def strings(block):
    """The string arguments in order. dbus-monitor prints a string between
    quotes without escaping, so one ends at a closing quote that ends its line
    where the next line starts another argument (or the block ends)."""
    out = []
    lines = block[1:]
    i = 0
    while i < len(lines):
        m = re.match(r'^\s*(?:variant\s+)?string "(.*)$', lines[i])
        if not m:
            i += 1
            continue
        text = m.group(1)
        while True:
            nxt = lines[i + 1] if i + 1 < len(lines) else None
            if text.endswith('"') and (nxt is None or ARG.match(nxt)):
                out.append(text[:-1])
                break
            if nxt is None:
                out.append(text)
                break
            i += 1
            text += "\n" + lines[i]
        i += 1
    return out


def main():
    ids_only = sys.argv[1] == "--ids"
    path = sys.argv[-1]
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    serials = {}
    calls = []
    ids = []
    for block in blocks(text):
        head = block[0]
        if head.startswith("method call") and "member=Notify" in head:
            serial = re.search(r"serial=(\d+)", head).group(1)
            sender = re.search(r"sender=(\S+)", head).group(1)
            serials[(sender, serial)] = len(calls)
            body = "\n".join(block[1:])
            s = strings(block)
            uints = re.findall(r"^\s*uint32 (\d+)", body, re.M)
            call = {
                "app": s[0], "icon": s[1], "summary": s[2], "body": s[3],
                "replaces": int(uints[0]),
                "actions": [],
                "urgency": None, "desktop_entry": None,
                "timeout": int(re.findall(r"^\s*int32 (-?\d+)", body, re.M)[-1]),
            }
            # After app, icon, summary and body: the actions, then the hint names and values.
            call["actions"] = s[4:6]
            m = re.search(r'string "urgency"\s*variant\s*byte (\d+)', body)
            if m:
                call["urgency"] = int(m.group(1))
            m = re.search(r'string "desktop-entry"\s*variant\s*string "([^"]*)"', body)
            if m:
                call["desktop_entry"] = m.group(1)
            calls.append(call)
        elif head.startswith("method return"):
            m = re.search(r"reply_serial=(\d+)", head)
            dest = re.search(r"destination=(\S+)", head)
            if m and dest and (dest.group(1), m.group(1)) in serials:
                u = re.search(r"uint32 (\d+)", "\n".join(block[1:]))
                if u:
                    ids.append(u.group(1))
    if ids_only:
        print("\n".join(ids))
    else:
        for c in calls:
            print(json.dumps(c, ensure_ascii=False))


if __name__ == "__main__":
    main()
