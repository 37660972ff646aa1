"""Reads what swaymsg and gdbus print, for tests/desktop/sway.sh.

  window PREFIX   (sway's tree on stdin) the first window whose name starts with PREFIX:
                  "floating x y width height border shell"; nothing when there is none
  workarea        (sway's workspaces on stdin) the focused workspace: "x y width height"
  menu            (a com.canonical.dbusmenu GetLayout reply on stdin) the top level items, one
                  a line: "id<TAB>enabled<TAB>label", a separator as "id<TAB>-<TAB>-"
"""
import json
import re
import sys


def windows(node, floating=False):
    if node.get("type") in ("con", "floating_con") and node.get("name") is not None:
        yield node, floating
    for child in node.get("nodes", []):
        yield from windows(child, False)
    for child in node.get("floating_nodes", []):
        yield from windows(child, True)


def window(prefix):
    for node, floating in windows(json.load(sys.stdin)):
        if node["name"].startswith(prefix):
            r = node["rect"]
            print(1 if floating else 0, r["x"], r["y"], r["width"], r["height"], node.get("border"),
                  node.get("shell"))
            return


def workarea():
    for ws in json.load(sys.stdin):
        if ws.get("focused"):
            r = ws["rect"]
            print(r["x"], r["y"], r["width"], r["height"])
            return


def menu():
    text = sys.stdin.read()
    # The root's children: <(id, {properties}, [children])> each.
    for m in re.finditer(r"<\((\d+), \{(.*?)\}, ", text):
        props = m.group(2)
        if re.search(r"'type': <'separator'>", props):
            print(f"{m.group(1)}\t-\t-")
            continue
        label = re.search(r"'label': <'((?:[^'\\]|\\.)*)'>", props)
        enabled = "false" if re.search(r"'enabled': <false>", props) else "true"
        visible = not re.search(r"'visible': <false>", props)
        if visible:
            print(f"{m.group(1)}\t{enabled}\t{label.group(1) if label else ''}")


{"window": lambda: window(sys.argv[2]), "workarea": workarea, "menu": menu}[sys.argv[1]]()
