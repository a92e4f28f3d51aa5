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


def strings(block):
    """The string arguments, multi-line ones joined as dbus-monitor prints them."""
    text = "\n".join(block[1:])
    return [m.group(1) for m in re.finditer(r'string "((?:[^"\\]|\\.)*?)"(?=\n|\s*$|\s)', text, re.S)]


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
            m = re.search(r"array \[\s*((?:string \"[^\"]*\"\s*)*)\]", body)
            if m:
                call["actions"] = re.findall(r'string "([^"]*)"', m.group(1))
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
