#!/usr/bin/env python3
"""Fails when a folder includes a header of a layer above it.

Usage: check_layers.py SOURCE_ROOT QT_INCLUDE_ROOT

Each folder (and each folder's core/) may include only its own headers and
those of the layers listed for it below. Cores include no Qt header at all;
serial/ and link/ include no Qt Widgets header (serial/ not even Qt Gui).
"""
import os
import re
import sys

# unit -> units it may include besides itself (lowest layers first).
CORES = ["base/core", "serial/core", "link/core", "controls/core", "main/core", "diagram/core", "service/core",
         "remote/core", "session/core"]
ALLOWED = {
    "base/core": [],
    "serial/core": ["base/core"],
    "link/core": ["base/core"],
    "controls/core": ["base/core"],
    "main/core": ["base/core", "serial/core", "link/core"],
    "diagram/core": ["base/core", "serial/core", "link/core", "main/core"],
    "service/core": ["base/core", "serial/core", "link/core", "main/core"],
    "remote/core": [],
    "session/core": [],
    "serial": ["base/core", "serial/core"],
    "link": ["base/core", "serial/core", "link/core", "serial"],
    "session": ["base/core", "serial/core", "link/core", "main/core", "session/core", "serial", "link"],
    "ui": ["base/core"],
    "controls": ["base/core", "controls/core", "ui"],
    "diagram": ["base/core", "serial/core", "link/core", "main/core", "diagram/core", "session/core", "serial",
                "link", "session", "ui"],
    "forms": ["base/core", "controls/core", "serial/core", "main/core", "ui", "controls", "serial"],
    "main": [c for c in CORES if c not in ("service/core", "remote/core")] + ["serial", "link", "session", "ui", "controls", "forms", "diagram"],
    "service": CORES + ["serial", "link", "session", "ui", "controls", "forms", "diagram", "main"],
    "remote": [c for c in CORES if c != "service/core"] + ["serial", "link", "session", "ui", "controls", "forms",
                                                          "diagram", "main"],
    "app": CORES + ["serial", "link", "session", "ui", "controls", "forms", "diagram", "main", "service", "remote"],
}
# Qt modules a layer may use (None: any).
QT_MODULES = {"serial": {"QtCore"}, "link": {"QtCore", "QtGui"}, "session": {"QtCore"}}
QT_MODULES.update({c: set() for c in CORES})

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def unit_of(path):
    parts = path.split("/")
    if len(parts) >= 2 and parts[1] == "core":
        return parts[0] + "/core"
    return parts[0]


def qt_module(header, qt_root):
    if not re.match(r"^Q[A-Za-z]+$", header) and not header.startswith("Qt"):
        return None
    if "/" in header:
        return header.split("/")[0]
    for module in sorted(os.listdir(qt_root)) if os.path.isdir(qt_root) else []:
        if os.path.isfile(os.path.join(qt_root, module, header)):
            return module
    return "unknown Qt header"


def main():
    root, qt_root = sys.argv[1], sys.argv[2]
    faults = []
    for unit in ALLOWED:
        folder = os.path.join(root, unit)
        if not os.path.isdir(folder):
            continue
        for name in sorted(os.listdir(folder)):
            if not name.endswith((".h", ".cpp")):
                continue
            rel = unit + "/" + name
            with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
                text = f.read()
            for kind, inc in INCLUDE.findall(text):
                if kind == '"':
                    if "/" not in inc:
                        continue  # generated headers (BuildInfo.h)
                    target = unit_of(inc)
                    if target != unit and target not in ALLOWED[unit]:
                        faults.append(f"{rel}: includes {inc} ({target} is not below {unit})")
                elif unit in QT_MODULES:
                    module = qt_module(inc, qt_root)
                    if module and module not in QT_MODULES[unit]:
                        faults.append(f"{rel}: includes <{inc}> ({module} is not allowed in {unit})")
    for line in faults:
        print(line)
    print(f"{len(faults)} back edge(s)" if faults else "layers: no back edge")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
