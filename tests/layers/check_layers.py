#!/usr/bin/env python3
"""Fails when a folder includes a header of a layer that is not below it.

Usage: check_layers.py LAYERS_JSON

LAYERS_JSON is written by tests/layers/CMakeLists.txt from the vm_layer calls:
each layer's folder, the layers it links and the Qt modules it links. A folder
may include its own headers and those of the layers below it (the LINK lists,
followed through), and only the Qt modules those lists bring in: none in a
core, Qt Core alone in serial/, and so on.

Every folder of the source tree with C or C++ files is read, subfolders too;
one without a row fails, so a new folder cannot go unchecked. tests/ and
bench/ may include anything. The folders that are not layers of the program
have their rows below.
"""
import json
import os
import re
import sys

# Folders outside the program's libraries -> the folders (or layers' folders,
# with what is below them) they may include. None of them uses Qt.
OTHER_ROWS = {
    "sim": ["sim/engine"],          # the simulator shares no code with the program
    "sim/engine": [],
    "sim/fuzz": ["sim/engine"],
    "remote/fuzz": ["remote/core"],
}
UNCHECKED = ("tests", "bench")
SOURCE = (".h", ".hh", ".hpp", ".hxx", ".c", ".cc", ".cpp", ".cxx", ".inc", ".ipp", ".tpp")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def load_table(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def below(table, name):
    """Layers that `name` links, followed through (not `name` itself)."""
    seen, todo = set(), list(table["layers"][name]["link"])
    while todo:
        n = todo.pop()
        if n not in seen:
            seen.add(n)
            todo.extend(table["layers"][n]["link"])
    return seen


def qt_of(table, name):
    """Qt modules (Qt6::X) that `name` and the layers below it link, followed through."""
    todo = [q for n in below(table, name) | {name} for q in table["layers"][n]["qt"]]
    seen = set()
    while todo:
        q = todo.pop()
        if q not in seen:
            seen.add(q)
            todo.extend(table["qt"][q]["link"])
    return seen


def rows_of(table):
    """folder -> (folders it may include, Qt include folders it may use), and table faults."""
    rows, faults = {}, []
    dir_of = {n: l["dir"] for n, l in table["layers"].items()}
    for name, layer in table["layers"].items():
        lower = below(table, name)
        if name in lower:
            faults.append(f"{name} ({layer['dir']}/): links itself through a cycle of LINK lists")
        qt = qt_of(table, name)
        if layer["core"] and qt:
            faults.append(f"{name} ({layer['dir']}/): a core links {', '.join(sorted(qt))}")
        rows[layer["dir"]] = ({dir_of[n] for n in lower}, {table["qt"][q]["include"] for q in qt})
    by_dir = {l["dir"]: n for n, l in table["layers"].items()}
    for folder, may in OTHER_ROWS.items():
        allowed = set()
        for d in may:
            allowed.add(d)
            if d in by_dir:
                allowed |= {dir_of[n] for n in below(table, by_dir[d])}
        rows[folder] = (allowed, set())
    return rows, faults


class QtHeaders:
    def __init__(self, root):
        self.root = root
        self.modules = sorted(m for m in os.listdir(root) if m.startswith("Qt"))
        self.cache = {}

    def module(self, header):
        """The Qt include folder of <header>, or None when it is not a Qt header."""
        first = header.split("/")[0]
        if "/" in header:
            return first if first in self.modules else None
        if header[:1] not in "qQ":
            return None
        if header not in self.cache:
            found = [m for m in self.modules if os.path.isfile(os.path.join(self.root, m, header))]
            if found:
                self.cache[header] = found[0]
            elif re.match(r"^Q[A-Z][A-Za-z]*$", header):
                self.cache[header] = "an unknown Qt module"
            else:
                self.cache[header] = None
        return self.cache[header]


def source_folders(root):
    """Folders (relative, '/'-separated) holding C or C++ files, with those files."""
    found = {}
    for here, dirs, files in os.walk(root):
        rel = os.path.relpath(here, root).replace(os.sep, "/")
        # Build trees (in-source or beside) and hidden folders are not sources.
        dirs[:] = sorted(d for d in dirs if not d.startswith(".")
                         and not os.path.exists(os.path.join(here, d, "CMakeCache.txt"))
                         and not (rel == "." and d.startswith("build")))
        if rel.split("/")[0] in UNCHECKED:
            continue
        names = sorted(f for f in files if f.endswith(SOURCE))
        if names:
            found[rel] = names
    return found


def project_header(root, folder, kind, inc):
    """The repository path an include names, or None for a system or generated header."""
    candidates = [os.path.join(folder, inc)] if kind == '"' else []
    candidates.append(inc)
    for c in candidates:
        rel = os.path.normpath(c).replace(os.sep, "/")
        if not rel.startswith(("../", "/")) and os.path.isfile(os.path.join(root, rel)):
            return rel
    return None


def main():
    table = load_table(sys.argv[1])
    root = table["source"]
    qt = QtHeaders(table["qt_include"])
    rows, faults = rows_of(table)
    for folder, names in source_folders(root).items():
        if folder not in rows:
            faults.append(f"{folder}/: has sources but no row (a vm_layer line in CMakeLists.txt, "
                          f"or OTHER_ROWS in tests/layers/check_layers.py)")
            continue
        allowed, modules = rows[folder]
        for name in names:
            rel = folder + "/" + name
            with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
                text = f.read()
            for kind, inc in INCLUDE.findall(text):
                header = project_header(root, folder, kind, inc)
                if header:
                    target = os.path.dirname(header)
                    if target != folder and target not in allowed:
                        faults.append(f"{rel}: includes {inc} ({target}/ is not below {folder}/)")
                    continue
                module = qt.module(inc)
                if module and module not in modules:
                    faults.append(f"{rel}: includes <{inc}> ({module} is not linked by {folder}/)")
    for line in faults:
        print(line)
    print(f"{len(faults)} fault(s)" if faults else f"layers: no back edge in {len(rows)} folders")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
