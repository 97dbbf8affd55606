"""The window probe of the program (VM5200_PROBE_DIR): a session that switches
it on, and the parsed view of the window it writes on request."""
import os
import time
from decimal import Decimal

from vmharness import Session


class Window:
    """One view of the main window: places, shown values, caches, queue."""

    def __init__(self, text):
        self.geom, self.spin, self.combo, self.items, self.check = {}, {}, {}, {}, {}
        self.mux, self.tabs, self.current, self.sys, self.ch = {}, {}, {}, {}, {}
        self.queue = None
        self.menus, self.actions, self.text = {}, {}, {}
        self.window = None
        self.focus = ""
        self.popup = self.modal = False
        self.limits = None
        self.checked = {}
        # The timing diagram, once its window exists: row name -> [(time, level)].
        self.diagram_window = None
        self.diagram, self.diagram_problems = {}, []
        for line in text.splitlines():
            kind, _, rest = line.partition(" ")
            f = rest.split(" ")
            if kind == "window":
                self.window = tuple(int(v) for v in f[0:4])
            elif kind == "geom":
                self.geom[f[0]] = tuple(int(v) for v in f[1:7])
            elif kind == "spin":
                self.spin[f[0]] = dict(value=Decimal(f[1]), incexp=int(f[2]), min=Decimal(f[3]),
                                       max=Decimal(f[4]), inc=Decimal(f[5]), dec=int(f[6]),
                                       enabled=f[7] == "1", text=" ".join(f[8:]))
            elif kind == "combo":
                self.combo[f[0]] = (int(f[1]), " ".join(f[2:]))
            elif kind == "items":
                self.items[f[0]] = " ".join(f[1:]).split("|") if len(f) > 1 and f[1] else []
            elif kind == "check":
                self.check[f[0]] = f[1] == "1"
            elif kind == "item":
                self.mux.setdefault(f[0], []).append(
                    dict(row=int(f[1]), rect=tuple(int(v) for v in f[2:6]), checked=f[6] == "1",
                         text=" ".join(f[7:])))
            elif kind == "tab":
                self.tabs.setdefault(f[0], []).append(
                    dict(index=int(f[1]), rect=tuple(int(v) for v in f[2:6]), page=f[6]))
            elif kind == "current":
                self.current[f[0]] = int(f[1])
            elif kind == "sys":
                self.sys[f[0]] = Decimal(f[1])
            elif kind == "ch":
                n = int(f[0])
                self.ch[n] = {f[i]: Decimal(f[i + 1]) for i in range(1, len(f) - 1, 2)}
            elif kind == "queue":
                self.queue = dict(pending=int(f[0]), inuse=f[1] == "1", status=f[2] == "1",
                                  disabled=f[3] == "1", channels=int(f[4]))
            elif kind == "limits":
                self.limits = dict(period=Decimal(f[0]), delay=Decimal(f[1]), width=Decimal(f[2]))
            elif kind == "popup":
                self.popup = rest == "1"
            elif kind == "modal":
                self.modal = rest == "1"
            elif kind == "checked":
                self.checked[f[0]] = (f[1] == "1", " ".join(f[2:]))
            elif kind == "focus":
                self.focus = rest
            elif kind == "menu":
                self.menus[f[0]] = tuple(int(v) for v in f[1:5])
            elif kind == "action":
                self.actions[f[0]] = tuple(int(v) for v in f[1:5])
            elif kind == "textline":
                self.text.setdefault(f[0], []).append(" ".join(f[1:]))
            elif kind == "diagramwindow":
                self.diagram_window = dict(rect=tuple(int(v) for v in f[0:4]), visible=f[4] == "1")
            elif kind == "diagram" and f[0] == "edges":
                self.diagram[f[1]] = [(Decimal(t), l) for t, l in (e.split(":") for e in f[2:] if e)]
            elif kind == "diagram" and f[0] == "problem":
                self.diagram_problems.append(" ".join(f[1:]))

    def shown(self, name):
        g = self.geom.get(name)
        return bool(g and g[4])

    def usable(self, name):
        g = self.geom.get(name)
        return bool(g and g[4] and g[5])

    def centre(self, name):
        x, y, w, h = self.geom[name][:4]
        return x + w // 2, y + h // 2

    def idle(self):
        q = self.queue
        return q and q["pending"] == 0 and not q["inuse"] and not q["disabled"]


class ProbeSession(Session):
    """A session whose program answers probe requests."""

    def __init__(self, *a, **kw):
        super().__init__(*a, **kw)
        self.probe_dir = os.path.join(self.dir, "probe")

    def env(self):
        e = super().env()
        e["VM5200_PROBE_DIR"] = self.probe_dir
        return e

    def probe(self, timeout=10):
        os.makedirs(self.probe_dir, exist_ok=True)
        out = os.path.join(self.probe_dir, "window.txt")
        req = os.path.join(self.probe_dir, "request")
        if os.path.exists(out):
            os.remove(out)
        open(req, "w").close()
        deadline = time.time() + timeout
        while time.time() < deadline:
            if os.path.exists(out) and not os.path.exists(req):
                with open(out, encoding="utf-8") as f:
                    return Window(f.read())
            time.sleep(0.005)
        raise TimeoutError("the program did not answer the probe")

    # --- real input -----------------------------------------------------------
    def click(self, x, y):
        self.xdo("mousemove", x, y, "click", "1")

    def key(self, *names):
        self.xdo("key", "--delay", "15", *names)

    def type_text(self, text):
        self.xdo("type", "--delay", "15", text)
