#!/usr/bin/python3
"""Checks on what the alert receivers saved (tst_channels_e2e.sh).

  alert_check.py events DIR SUFFIX        the events of the saved JSON files, in order ("down up")
  alert_check.py hosts FILE               how many hosts a JSON message lists
  alert_check.py desc FILE ADDR EXPECTED  exit 0 when ADDR's description is EXPECTED's text, byte for byte
  alert_check.py downtime FILE            exit 0 when every host's downtime_s is end - begin and at least 1
  alert_check.py mail FILE ADDR EXPECTED  exit 0 when the mail's decoded body holds ADDR's line with
                                          EXPECTED's text; prints the decoded subject
"""
import datetime
import email
import email.header
import email.policy
import json
import os
import sys


def load(path):
    with open(path, "rb") as f:
        return json.loads(f.read().decode("utf-8"))


def expected(path):
    with open(path, "rb") as f:
        return f.read().decode("utf-8")


def main(argv):
    cmd = argv[1]
    if cmd == "events":
        folder, suffix = argv[2], argv[3]
        names = sorted(n for n in os.listdir(folder) if n.endswith(suffix))
        print(" ".join(load(os.path.join(folder, n))["event"] for n in names))
        return 0
    if cmd == "hosts":
        print(len(load(argv[2])["hosts"]))
        return 0
    if cmd == "desc":
        want = expected(argv[4])
        for h in load(argv[2])["hosts"]:
            if h["address"] == argv[3]:
                if h["description"] == want:
                    return 0
                print("description of %s: %r, expected %r" % (argv[3], h["description"], want))
                return 1
        print("no host %s" % argv[3])
        return 1
    if cmd == "downtime":
        ok = True
        for h in load(argv[2])["hosts"]:
            begin = datetime.datetime.fromisoformat(h["begin"])
            end = datetime.datetime.fromisoformat(h["end"])
            if h["downtime_s"] != int((end - begin).total_seconds()) or h["downtime_s"] < 1:
                print("host %s: begin %s end %s downtime_s %s" % (h["address"], h["begin"], h["end"], h["downtime_s"]))
                ok = False
        return 0 if ok else 1
    if cmd == "mail":
        with open(argv[2], "rb") as f:
            msg = email.message_from_bytes(f.read(), policy=email.policy.default)
        print(str(msg["Subject"]))
        body = msg.get_content()
        want = "%s (%s)" % (expected(argv[4]), argv[3])
        if want in body.replace("\r\n", "\n"):
            return 0
        print("body lacks %r:\n%s" % (want, body))
        return 1
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
