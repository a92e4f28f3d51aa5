#!/usr/bin/python3
"""Drives the monitor's board through the accessibility tree (AT-SPI).

Usage: board_atspi.py LANGUAGE SHOT_DIR
Opens "Сведения → Все узлы" ("Information → All hosts") from the main
window's menu, checks that a down host is the first row, then filters by
address and checks that one row is left; leaves the screenshot to the
caller (it prints READY and waits for a line on stdin before filtering).
Every wait is bounded.
"""
import sys
import time

import pyatspi

LANG = sys.argv[1]
TEXTS = {
    "ru": {"menu": "Сведения", "board": "Все узлы", "filter": "Отбор", "down": "нет соединения"},
    "en": {"menu": "Info", "board": "All hosts", "filter": "Filter", "down": "down"},
}[LANG]
TITLE = {"ru": "Все узлы", "en": "All Hosts"}[LANG]


def fail(text):
    print("FAIL: " + text, flush=True)
    # What the tree held, to see why.
    try:
        for node in walk(application()):
            print("  %s %r" % (node.getRoleName(), node.name), flush=True)
    except Exception:
        pass
    sys.exit(1)


def until(what, seconds, probe):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = probe()
        if found:
            return found
        time.sleep(0.2)
    fail(what)


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    try:
        count = node.childCount
    except Exception:
        return
    for i in range(min(count, 400)):
        try:
            child = node.getChildAtIndex(i)
        except Exception:
            continue
        yield from walk(child, depth + 1)


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "orvant":
            return app
    return None


def find(root, role, name=None):
    for node in walk(root):
        try:
            if node.getRole() == role and (name is None or node.name == name):
                return node
        except Exception:
            continue
    return None


def act(node):
    action = node.queryAction()
    action.doAction(0)


app = until("the monitor is not in the accessibility tree", 60, application)
menu = until("no menu " + TEXTS["menu"], 30, lambda: find(app, pyatspi.ROLE_MENU_ITEM, TEXTS["menu"])
             or find(app, pyatspi.ROLE_MENU, TEXTS["menu"]))
act(menu)
item = until("no menu item " + TEXTS["board"], 20,
             lambda: find(app, pyatspi.ROLE_MENU_ITEM, TEXTS["board"]))
act(item)
frame = until("the board did not open", 20,
              lambda: find(app, pyatspi.ROLE_FRAME, TITLE) or find(app, pyatspi.ROLE_FILLER, TITLE))
table = until("the board has no table", 20, lambda: find(frame, pyatspi.ROLE_TABLE))


def cell(row, column):
    return table.queryTable().getAccessibleAt(row, column).name


def rows():
    return table.queryTable().nRows


# The down host heads the board once a pass has run with the window open.
until("the down host is not on top (first row: %s)" % (cell(0, 2) if rows() else "none"), 30,
      lambda: rows() >= 4 and cell(0, 2) == "127.0.0.2" and cell(0, 0) == TEXTS["down"])
print("first row: " + " | ".join(cell(0, c) for c in range(9)), flush=True)
print("READY", flush=True)
sys.stdin.readline()

box = until("no filter box", 10, lambda: find(frame, pyatspi.ROLE_TEXT, TEXTS["filter"]))
box.queryEditableText().setTextContents("0.0.3")
until("the filter left %d rows" % rows(), 10, lambda: rows() == 1 and cell(0, 2) == "127.0.0.3")
box.queryEditableText().setTextContents("")
until("clearing the filter did not bring the rows back", 10, lambda: rows() >= 4)
print("OK", flush=True)
