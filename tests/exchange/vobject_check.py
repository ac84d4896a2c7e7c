#!/usr/bin/env python3
"""Reads a vCard file with vobject and prints, as JSON, the values an entry maps to, so the test
can compare them with what it wrote. Exit 3 when vobject is missing."""
import json
import sys

try:
    import vobject
except ImportError:
    sys.exit(3)


def text(line):
    value = line.value
    return value if isinstance(value, str) else str(value)


def main():
    with open(sys.argv[1], encoding="utf-8", newline="") as f:
        data = f.read()
    cards = []
    for card in vobject.readComponents(data):
        labels = {}
        for line in card.getChildren():
            if line.name.upper() == "X-ABLABEL" and line.group:
                labels[line.group.lower()] = text(line)
        out = {"version": "", "fn": "", "adr": None, "tel": [], "email": [], "note": [],
               "categories": []}
        for line in card.getChildren():
            name = line.name.upper()
            if name == "VERSION":
                out["version"] = text(line)
            elif name == "FN":
                out["fn"] = text(line)
            elif name == "ADR":
                a = line.value
                out["adr"] = [a.box, a.extended, a.street, a.city, a.region, a.code, a.country]
            elif name == "TEL":
                label = labels.get((line.group or "").lower())
                if label is None:
                    types = line.params.get("TYPE", [])
                    label = ",".join(types)
                out["tel"].append([text(line), label])
            elif name == "EMAIL":
                out["email"].append(text(line))
            elif name == "NOTE":
                out["note"].append(text(line))
            elif name == "CATEGORIES":
                out["categories"].extend(line.value)
        cards.append(out)
    json.dump(cards, sys.stdout)


main()
