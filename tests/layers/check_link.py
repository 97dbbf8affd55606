#!/usr/bin/env python3
"""Fails when a layer's library needs a symbol that only a layer not below it defines.

Usage: check_link.py LAYERS_JSON

The libraries are static, so the program's final link resolves a call from
link/ into main/ (a forward-declared function) without a word. Here every
symbol a layer's archive leaves undefined must be defined by the archive
itself, by a layer below it, or outside the project; one defined only by
another layer of ours, or by a Qt module the layer does not link, is a fault.
Every object of an archive counts, also those the program never pulls in.
"""
import subprocess
import sys
import os

from check_layers import below, load_table, qt_of

UNDEFINED = {"U", "w", "v"}
WEAK = {"W", "V"}


def symbols(path, dynamic=False):
    """(undefined: name -> objects that leave it undefined,
        defined: name -> True when some object defines it strongly, False when only weakly)."""
    args = ["nm", "-P", "-g", "-A"] + (["-D", "--defined-only"] if dynamic else []) + [path]
    out = subprocess.run(args, capture_output=True, text=True, check=True).stdout
    undefined, defined = {}, {}
    for line in out.splitlines():
        where, _, rest = line.rpartition(": ")
        fields = rest.split()
        if len(fields) < 2:
            continue
        name, kind = fields[0].split("@")[0], fields[1]
        if kind in UNDEFINED:
            member = where[where.find("[") + 1:-1] if where.endswith("]") else os.path.basename(where)
            undefined.setdefault(name, []).append(member)
        else:
            defined[name] = defined.get(name, False) or kind not in WEAK
    return undefined, defined


def demangle(names):
    out = subprocess.run(["c++filt"], input="\n".join(names), capture_output=True, text=True).stdout
    return dict(zip(names, out.splitlines()))


def main():
    table = load_table(sys.argv[1])
    layers = table["layers"]
    missing = [l["archive"] for l in layers.values() if not os.path.isfile(l["archive"])]
    if missing:
        print("not built yet: " + ", ".join(missing))
        return 1
    needs, defines = {}, {}
    for name, layer in layers.items():
        undefined, defined = symbols(layer["archive"])
        needs[name] = {s: objs for s, objs in undefined.items() if s not in defined}
        defines[name] = defined
    qt_defines = {q: symbols(m["library"], dynamic=True)[1] for q, m in table["qt"].items()}

    faults = []  # (layer, symbol, objects, where it is defined)
    for name in layers:
        lower = below(table, name)
        qt = qt_of(table, name)
        for s, objs in sorted(needs[name].items()):
            if any(s in defines[b] for b in lower) or any(s in qt_defines[q] for q in qt):
                continue
            # A weak copy elsewhere is an inline or template body that any user may
            # emit; which headers a layer may use is the include check's business.
            owners = [n for n in layers if n != name and defines[n].get(s)] or \
                     [q for q in qt_defines if q not in qt and s in qt_defines[q]]
            if owners:
                faults.append((name, s, objs, owners))
    if faults:
        readable = demangle(sorted({f[1] for f in faults}))
        for name, s, objs, owners in faults:
            where = ", ".join(f"{o} ({layers[o]['dir']}/)" if o in layers else o for o in owners)
            why = "not below it" if owners[0] in layers else f"not linked by {name}"
            print(f"{name} ({layers[name]['dir']}/) needs {readable.get(s, s)} [{s}] "
                  f"in {', '.join(sorted(set(objs)))}: defined in {where}, {why}")
    print(f"{len(faults)} upward symbol(s)" if faults
          else f"layers link one way: {len(layers)} libraries, "
               f"{sum(len(n) for n in needs.values())} undefined symbols checked")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
