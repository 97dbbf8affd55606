"""State agreement under load: the real program in a real window, driven with
real input (clicks on step buttons, lists, tabs and check marks, typed digits,
arrow keys) through a seeded random sequence of edits on the system page and
several channel pages while the status poll runs. Afterwards the simulated
instrument, the window and the program's caches must agree on every setting,
and the instrument must have received every expected command, in order.

VM5200_E2E_SEED and VM5200_E2E_EDITS choose the sequence (default 5200, 300)."""
import os
import random
import sys
import time
import unittest
from decimal import Decimal, ROUND_HALF_EVEN

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_main  # noqa: E402
from vmprobe import ProbeSession  # noqa: E402

LETTERS = "ABCDEFGH"
SYS_LISTS = {
    "SystemModeSel": (":PULS0:MOD ", ["NORM", "SING", "BURS", "DCYC"]),
    "TrigModeSel": (":PULS0:EXT:MOD ", ["DIS", "TRIG", "SGAT", "CGAT"]),
    "TriggerEdgeSel": (":PULS0:EXT:EDG ", ["RIS", "FALL"]),
    "GatePolaritySel": (":PULS0:EXT:POL ", ["LOW", "HIGH"]),
    "TrigGateDebounceSel": (":PULS0:EXT:DEB ", ["DIS", "ENAB"]),
}
ADD_LISTS = {
    "CounterSourceSel": (":PULS0:COUN:SOUR ", ["T0"] + ["CH" + c for c in LETTERS]),
    "ExternalInputClkSel": (":PULS0:ICL ", ["SYS", "10", "20", "25", "30", "40", "50", "60", "80"]),
    "ExternalOutputClkSel": (":PULS0:OCL ", ["T0", "10", "20", "25", "30", "40", "50", "60", "80"]),
}
CH_LISTS = {
    "ChModeSel": ("MOD", ["NORM", "SING", "BURS", "DCYC"]),
    "ChPolaritySel": ("POL", ["NORM", "INV"]),
    "ChOutputModeSel": ("OUTP:MOD", ["TTL", "ADJ"]),
    "ChGateModeSel": ("CGAT", ["DIS", "PULS", "OUTP"]),
    "ChGateLogicSel": ("CLOG", ["LOW", "HIGH"]),
}
CONTROL_WORDS = {"Disabled": "DIS", "Gate A": "GATA", "Gate B": "GATB", "Inhibit A": "INHA"}
PHASE_WORDS = {"Disabled": "DIS", "Sync A": "SYNA", "Sync B": "SYNB", "Sync T": "SYNT"}

# spin: (header, decimals on the wire or None for a count, grid, exponents to
# edit, range the instrument accepts)
SYS_SPINS = {
    "PeriodAdj": (":PULS0:PER ", 9, "period", range(-9, -3), ("5e-8", "5000")),
    "SysBurstAdj": (":PULS0:BCO ", None, None, range(0, 4), ("1", "4000000000")),
    "SysDutyOnAdj": (":PULS0:PCO ", None, None, range(0, 4), ("1", "4000000000")),
    "SysDutyOffAdj": (":PULS0:OCO ", None, None, range(0, 4), ("1", "4000000000")),
    "SysCycleCountAdj": (":PULS0:CYCL ", None, None, range(0, 4), ("0", "10000000")),
    "TrigThresholdAdj": (":PULS0:EXT:LEV ", 2, None, range(-2, 1), ("0.2", "15")),
}
CH_SPINS = {
    "ChDelayAdj": ("DEL", 11, "delay", range(-11, -5), ("0", "2000")),
    "ChWidthAdj": ("WIDT", 11, "width", range(-10, -5), ("1e-8", "2000")),
    "ChBurstAdj": ("BCO", None, None, range(0, 4), ("1", "10000000")),
    "ChDutyOnAdj": ("PCO", None, None, range(0, 4), ("1", "10000000")),
    "ChDutyOffAdj": ("OCO", None, None, range(0, 4), ("1", "10000000")),
    "ChWaitCountAdj": ("WCO", None, None, range(0, 4), ("0", "10000000")),
    "ChAmplitudeAdj": ("OUTP:AMPL", 2, None, range(-2, 1), ("2", "20")),
}
CHANNELS = [1, 2, 5, 8]  # the pages the sequence works on


def fmt(value, decimals):
    if decimals is None:
        return format(Decimal(value).quantize(Decimal(1), rounding=ROUND_HALF_EVEN), "f")
    return format(Decimal(value).quantize(Decimal(1).scaleb(-decimals), rounding=ROUND_HALF_EVEN), "f")


def on_grid(value, resolution):
    # Both rounded to 13 decimals; otherwise the fraction of value/resolution
    # rounded to 2 decimals must be 0 (or 1).
    q = Decimal("1e-13")
    v, r = Decimal(value).quantize(q), Decimal(resolution).quantize(q)
    if abs(v - r) <= Decimal("9e-13"):
        return True
    ratio = v / r
    frac = (ratio - int(ratio)).copy_abs().quantize(Decimal("0.01"))
    return frac in (Decimal("0.00"), Decimal("1.00"))


def sync_check(c, s, sources, count):
    """None when accepted, else the message the program must show."""
    if s == 0:
        return None
    if sources[s] == c:
        return "Error. You cannot sync two channels to each other."
    if s == c:
        return "Error. Channel cannot sync to itself."
    if sources[s] == 0:
        return None
    k = s
    for _ in range(count):
        if k > count:
            k = 1
        if sources[k] == c:
            return "Error. Circular sync reference."
        k = sources[k]
        if k == 0:
            return None
    return None


def source_number(caption):
    return 0 if caption == "T0" else LETTERS.index(caption[-1]) + 1


class Driver:
    def __init__(self, test, session, rng):
        self.t, self.s, self.rng = test, session, rng
        self.expected = []
        self.edits = 0
        self.spans = []  # (start, end) of every edit, monotonic clock
        self.refusals = {"grid": 0, "sync": 0}
        self.w = session.probe()

    def refresh(self):
        self.w = self.s.probe()
        return self.w

    def settle(self, done, timeout=3.0):
        """Input reaches the program a moment after xdotool returns: probes
        until `done(window)` holds, and returns the last view."""
        deadline = time.time() + timeout
        while True:
            w = self.refresh()
            if done(w) or time.time() > deadline:
                return w
            time.sleep(0.01)

    # --- pages ----------------------------------------------------------------
    def show_page(self, control, page):
        tabs = self.w.tabs[control]
        tab = next(t for t in tabs if t["page"] == page)
        if self.w.current[control] != tab["index"]:
            x, y, w, h = tab["rect"]
            self.s.click(x + w // 2, y + h // 2)
            for _ in range(50):
                if self.refresh().current[control] == tab["index"]:
                    return
                time.sleep(0.02)
            self.t.fail("page %s did not open" % page)

    # --- spin edits ------------------------------------------------------------
    def mark_digit(self, name, exponent):
        w = self.w
        if w.focus != name:
            # A click in the digits gives the focus and marks the digit under it.
            x, y, wd, h = w.geom[name][:4]
            up = w.geom.get(name + "/fUpButton")
            right = up[0] if up and up[0] > x else x + wd
            self.s.click((x + right) // 2, y + h // 2)
            w = self.settle(lambda v: v.focus == name)
        cur = w.spin[name]["incexp"]
        if cur > exponent:
            self.s.key(*(["Right"] * (cur - exponent)))
        elif cur < exponent:
            self.s.key(*(["Left"] * (exponent - cur)))
        got = self.settle(lambda v: v.spin[name]["incexp"] == exponent).spin[name]["incexp"]
        return got == exponent

    def spin_edit(self, name, header, decimals, grid, exponents, accepted):
        w = self.w
        sp = w.spin.get(name)
        if not sp or not sp["enabled"] or not w.usable(name):
            return False
        e = self.rng.choice(list(exponents))
        old = sp["value"]
        how = self.rng.choice(["up", "down", "button-up", "button-down", "digit"])
        if how == "digit" and e < -sp["dec"]:
            return False
        if not self.mark_digit(name, e):
            return False
        unit = Decimal(1).scaleb(e)
        if how == "digit":
            digit = self.rng.randrange(10)
            cur = int((old.copy_abs() / unit) % 10)
            new = old + (digit - cur) * unit
        else:
            # The step of the marked digit, never below the control's floor.
            step = self.w.spin[name]["inc"]
            new = old + step if how.endswith("up") else old - step
        lo, hi = (Decimal(v) for v in accepted)
        if not (max(lo, sp["min"]) <= new <= min(hi, sp["max"])) or new == old:
            return False
        if how == "digit":
            self.s.type_text(str(digit))
        elif how in ("up", "down"):
            self.s.key("Up" if how == "up" else "Down")
        else:
            self.s.click(*self.w.centre(name + ("/fUpButton" if how == "button-up" else "/fDownButton")))
        refused = grid and not on_grid(new, self.w.limits[grid])
        if how == "digit" and e == -sp["dec"]:
            time.sleep(0.1)  # the last decimal keeps the mark
            w = self.refresh()
        elif how == "digit":
            # The mark moves on once the digit is taken, refused or not.
            w = self.settle(lambda w: w.spin[name]["incexp"] != e)
        else:
            w = self.settle(lambda w: w.spin[name]["value"] != old)
        after = w.spin[name]["value"]
        if refused:
            self.refusals["grid"] += 1
            self.t.assertEqual(after, old, "%s: %s refused, shows the stored value" % (name, new))
            self.expected.append(header + fmt(old, decimals))
        else:
            self.t.assertLess(abs(after - new), Decimal("1e-12") * max(1, abs(new)),
                              "%s: %s %s from %s" % (name, how, e, old))
            self.expected.append(header + fmt(after, decimals))
        return True

    # --- lists -------------------------------------------------------------------
    def choose(self, name, target):
        idx, _ = self.w.combo[name]
        x, y, wd, h = self.w.geom[name][:4]
        self.s.click(x + wd - 6, y + h // 2)  # the arrow opens the drop-down
        for _ in range(100):
            if self.refresh().popup:
                break
            time.sleep(0.02)
        else:
            self.t.fail("the drop-down of %s did not open" % name)
        moves = target - idx
        keys = (["Down"] * moves if moves > 0 else ["Up"] * -moves) + ["Return"]
        self.s.key(*keys)
        self.settle(lambda w: not w.popup and w.combo[name][0] == target)

    def list_edit(self, name, header, words):
        w = self.w
        if not w.usable(name):
            return False
        idx, _ = w.combo[name]
        items = w.items[name]
        if idx < 0 or len(items) < 2:
            return False
        target = self.rng.choice([i for i in range(len(items)) if i != idx])
        self.choose(name, target)
        got = self.w.combo[name]
        self.t.assertEqual(got[0], target, name)
        self.expected.append(header + words(items[target], target))
        return True

    def sync_edit(self, n):
        name = "ChSyncSourceSel%d" % n
        w = self.w
        if not w.usable(name):
            return False
        idx, _ = w.combo[name]
        items = w.items[name]
        if idx < 0:
            return False
        target = self.rng.choice([i for i in range(len(items)) if i != idx])
        s = source_number(items[target])
        sources = {k: int(w.ch[k]["SyncSource"]) for k in range(1, 9)}
        message = sync_check(n, s, sources, w.queue["channels"])
        self.choose(name, target)
        if message:
            self.refusals["sync"] += 1
            self.s.answer_box("^VM5200_GUI$", timeout=10)
            got = self.settle(lambda w: not w.modal and w.combo[name][0] == idx).combo[name]
            self.t.assertEqual(got[0], idx, "%s returns to its source after: %s" % (name, message))
        else:
            got = self.w.combo[name]
            self.t.assertEqual(got[0], target, name)
            self.expected.append(":PULS%d:SYNC %s" % (n, "T0" if s == 0 else "CH" + LETTERS[s - 1]))
        return True

    # --- check marks and buttons --------------------------------------------------------
    def check_edit(self, name, header):
        w = self.w
        if not w.usable(name):
            return False
        x, y, wd, h = w.geom[name][:4]
        self.s.click(x + 7, y + h // 2)
        now = self.settle(lambda v: v.check[name] != w.check[name]).check[name]
        self.t.assertNotEqual(now, w.check[name], name + " toggles")
        self.expected.append(header + ("1" if now else "0"))
        return True

    def mux_edit(self, n):
        name = "ChMuxSelect%d" % n
        w = self.w
        if not w.usable(name):
            return False
        item = self.rng.choice(w.mux[name])
        x, y, wd, h = item["rect"]
        self.s.click(x + 9, y + h // 2)
        after = self.settle(
            lambda v: v.mux[name][item["row"]]["checked"] != item["checked"]).mux[name]
        mask = sum(1 << i for i, it in enumerate(after) if it["checked"])
        self.t.assertNotEqual(after[item["row"]]["checked"], item["checked"], name + " toggles")
        self.expected.append(":PULS%d:MUX %d" % (n, mask))
        return True

    def rearm(self, n):
        name = "ChReArmBtn%d" % n
        if not self.w.usable(name):
            return False
        self.s.click(*self.w.centre(name))
        time.sleep(0.03)
        self.refresh()
        self.expected.append("*ARM %d" % n)
        return True

    # --- one random edit -----------------------------------------------------------------
    def random_edit(self):
        where = self.rng.random()
        if where < 0.3:
            self.show_page("SystemPageControl", "SystemPage")
            kind = self.rng.random()
            if kind < 0.55:
                name = self.rng.choice(list(SYS_SPINS))
                return self.spin_edit(name, *SYS_SPINS[name])
            if kind < 0.9:
                name = self.rng.choice(list(SYS_LISTS))
                header, words = SYS_LISTS[name]
                return self.list_edit(name, header, lambda t, i: words[i])
            return self.check_edit("AutoStartEnbl", ":SYST:AUT ")
        if where < 0.4:
            self.show_page("SystemPageControl", "AdditionalPage")
            name = self.rng.choice(list(ADD_LISTS))
            header, words = ADD_LISTS[name]
            return self.list_edit(name, header, lambda t, i: words[i])
        n = self.rng.choice(CHANNELS)
        self.show_page("ChPageControl", "TabCh%d" % n)
        kind = self.rng.random()
        if kind < 0.45:
            base = self.rng.choice(list(CH_SPINS))
            sub, dec, grid, exps, acc = CH_SPINS[base]
            return self.spin_edit(base + str(n), ":PULS%d:%s " % (n, sub), dec, grid, exps, acc)
        if kind < 0.65:
            base = self.rng.choice(list(CH_LISTS))
            sub, words = CH_LISTS[base]
            return self.list_edit(base + str(n), ":PULS%d:%s " % (n, sub), lambda t, i: words[i])
        if kind < 0.72:
            return self.list_edit("ChControlModeSel%d" % n, ":PULS%d:CONT " % n,
                                  lambda t, i: CONTROL_WORDS[t])
        if kind < 0.79:
            return self.list_edit("ChPhaseSyncSel%d" % n, ":PULS%d:PSYN " % n,
                                  lambda t, i: PHASE_WORDS[t])
        if kind < 0.91:
            return self.sync_edit(n)
        if kind < 0.95:
            return self.mux_edit(n)
        if kind < 0.98:
            return self.check_edit("ChEnablebox%d" % n, ":PULS%d:STAT " % n)
        return self.rearm(n)


def wait_quiet(s, timeout=30, hold=0.5):
    """The view once the program has been idle (queue empty, no exchange, no
    readback) on every probe for `hold` seconds; None when that never came.
    A status poll's reply wait makes a single probe look busy now and then:
    that is waited out here, never judged."""
    deadline = time.time() + timeout
    since = None
    while time.time() < deadline:
        w = s.probe()
        if not w.idle():
            since = None
        elif since is None:
            since = time.time()
        elif time.time() - since >= hold:
            return w
        time.sleep(0.05)
    return None


def dump_dict(text):
    d = {}
    for line in text.splitlines():
        if line.startswith("#") or "=" not in line:
            continue
        k, _, v = line.partition("=")
        d[k] = v
    return d


class EditAgreementTest(unittest.TestCase):
    def test_random_edits_agree_with_the_instrument(self):
        seed = int(os.environ.get("VM5200_E2E_SEED", "5200"))
        count = int(os.environ.get("VM5200_E2E_EDITS", "300"))
        s = ProbeSession(e2e_main.BUILD, model="5208",
                         sim_args=["--adjustable", "--reply-delay-ms", "20"])
        self.addCleanup(s.cleanup)
        self.addCleanup(s.stop)
        s.start()
        s.wait_window("Velmora Model 5208", timeout=60)
        # The configuration is read and the pages are shown.
        deadline = time.time() + 30
        w = None
        while time.time() < deadline:
            try:
                w = s.probe(timeout=5)
            except TimeoutError:
                self.fail("the program does not answer the window probe")
            if w.shown("ChPageControl") and len(w.tabs.get("ChPageControl", [])) == 8 and w.idle():
                break
            time.sleep(0.2)
        else:
            self.fail("the program did not bring up its eight channel pages from the instrument")
        s.wait_transcript(r" RX \*SS\?$", timeout=10)  # the status poll runs
        mark = len(s.transcript_lines())

        rng = random.Random(seed)
        d = Driver(self, s, rng)
        t0 = time.time()
        tries = 0
        while d.edits < count and tries < count * 20:
            tries += 1
            start = time.monotonic()
            if d.random_edit():
                d.edits += 1
                d.spans.append((start, time.monotonic()))
        self.assertEqual(d.edits, count, "not enough edits could be made")
        elapsed = time.time() - t0

        # Everything sent: queue empty, no exchange running.
        w = wait_quiet(s)
        self.assertIsNotNone(w, "the command queue did not drain within 30 s")
        sim = dump_dict(s.dump_state())

        sent, polls, poll_start, last_rx = [], [], None, ""
        for line in s.transcript_lines()[mark:]:
            parts = line.split(" ", 3)
            if len(parts) < 4:
                continue
            if parts[2] == "RX" and not parts[3].endswith("?"):
                sent.append(parts[3])
            elif parts[2] == "RX" and parts[3] == "*SS?":
                poll_start = float(parts[0]) - 0.03  # the pause before the write
            elif parts[2] == "TX" and poll_start is not None and last_rx == "*ERS?":
                polls.append((poll_start, float(parts[0])))
                poll_start = None
            if parts[2] == "RX":
                last_rx = parts[3]
        during = sum(1 for a, b in d.spans if any(a < pe and ps < b for ps, pe in polls))
        report = ("seed %d: %d edits in %.1f s (%d refused off the grid, %d sync sources refused, "
                  "%d made while a status poll was in flight over %d polls); %d commands "
                  "expected, %d received" % (seed, d.edits, elapsed, d.refusals["grid"],
                                             d.refusals["sync"], during, len(polls),
                                             len(d.expected), len(sent)))
        print(report)
        with open(os.path.join(e2e_main.ARTIFACTS, "edit-agreement.txt"), "w") as f:
            f.write(report + "\n")
        for i, (a, b) in enumerate(zip(d.expected, sent)):
            self.assertEqual(b, a, "command %d of %d" % (i + 1, len(d.expected)))
        self.assertEqual(len(sent), len(d.expected))

        self.compare(sim, w)

    def compare(self, sim, w):
        def num(key):
            return Decimal(sim[key])

        def same(a, b, what):
            self.assertLess(abs(Decimal(a) - Decimal(b)), Decimal("1e-12") * max(1, abs(Decimal(b))),
                            "%s: %s vs %s" % (what, a, b))

        # System page: instrument, control, cache.
        for key, name, cache in [("system.period", "PeriodAdj", "Period"),
                                 ("system.burst", "SysBurstAdj", "BurstCount"),
                                 ("system.dutyon", "SysDutyOnAdj", "DutyOnCount"),
                                 ("system.dutyoff", "SysDutyOffAdj", "DutyOffCount"),
                                 ("system.cycles", "SysCycleCountAdj", "CycleCount"),
                                 ("trigger.threshold", "TrigThresholdAdj", "Threshold")]:
            same(w.spin[name]["value"], num(key), name)
            same(w.sys[cache], num(key), "cache " + cache)
        for key, name, cache, words in [
                ("system.mode", "SystemModeSel", "Mode", SYS_LISTS["SystemModeSel"][1]),
                ("trigger.mode", "TrigModeSel", "TrigMode", SYS_LISTS["TrigModeSel"][1]),
                ("trigger.edge", "TriggerEdgeSel", "TrigEdge", SYS_LISTS["TriggerEdgeSel"][1]),
                ("trigger.polarity", "GatePolaritySel", "GatePolarity",
                 SYS_LISTS["GatePolaritySel"][1]),
                ("trigger.debounce", "TrigGateDebounceSel", "Debounce",
                 SYS_LISTS["TrigGateDebounceSel"][1]),
                ("counter.source", "CounterSourceSel", "CounterSource",
                 ADD_LISTS["CounterSourceSel"][1]),
                ("clock.output", "ExternalOutputClkSel", "OutputClock",
                 ADD_LISTS["ExternalOutputClkSel"][1])]:
            word = words[w.combo[name][0]]
            self.assertEqual(word, sim[key], name)
            self.assertEqual(words[int(w.sys[cache])], sim[key], "cache " + cache)
        clock = sim["clock.input"].replace("INT", "SYS")
        self.assertEqual(ADD_LISTS["ExternalInputClkSel"][1][w.combo["ExternalInputClkSel"][0]], clock)
        self.assertEqual(ADD_LISTS["ExternalInputClkSel"][1][int(w.sys["InputClock"])], clock)
        self.assertEqual(w.check["AutoStartEnbl"], sim["system.autostart"] == "1")
        self.assertEqual(w.check["ShotCountEnbl"], sim["counter.enabled"] == "1")
        self.assertEqual(int(w.sys["CounterEnabled"]), int(sim["counter.enabled"]))

        # Channel pages.
        for n in range(1, 9):
            c = w.ch[n]
            k = "channel.%d." % n
            self.assertEqual(w.check["ChEnablebox%d" % n], sim[k + "enabled"] == "1", k + "enabled")
            self.assertEqual(int(c["Enabled"]), int(sim[k + "enabled"]), k + "enabled cache")
            for field, base, cache in [("delay", "ChDelayAdj", "Delay"),
                                       ("width", "ChWidthAdj", "Width"),
                                       ("burst", "ChBurstAdj", "BurstCount"),
                                       ("dutyon", "ChDutyOnAdj", "DutyOnCount"),
                                       ("dutyoff", "ChDutyOffAdj", "DutyOffCount"),
                                       ("wait", "ChWaitCountAdj", "WaitCount"),
                                       ("amplitude", "ChAmplitudeAdj", "Amplitude")]:
                same(w.spin["%s%d" % (base, n)]["value"], num(k + field), k + field)
                same(c[cache], num(k + field), k + field + " cache")
            for field, base, cache in [("mode", "ChModeSel", "Mode"),
                                       ("polarity", "ChPolaritySel", "Polarity"),
                                       ("outputmode", "ChOutputModeSel", "OutputMode"),
                                       ("gatemode", "ChGateModeSel", "GateMode"),
                                       ("gatelogic", "ChGateLogicSel", "GateLogic")]:
                words = CH_LISTS[base][1]
                self.assertEqual(words[w.combo["%s%d" % (base, n)][0]], sim[k + field], k + field)
                self.assertEqual(words[int(c[cache])], sim[k + field], k + field + " cache")
            self.assertEqual(CONTROL_WORDS[w.combo["ChControlModeSel%d" % n][1]],
                             sim[k + "controlmode"], k + "controlmode")
            self.assertEqual(PHASE_WORDS[w.combo["ChPhaseSyncSel%d" % n][1]],
                             sim[k + "phasesync"], k + "phasesync")
            # Eight channels: the item indexes the handlers store are the codes.
            self.assertEqual(["DIS", "GATA", "GATB", "INHA"][int(c["ControlMode"])],
                             sim[k + "controlmode"], k + "controlmode cache")
            self.assertEqual(["DIS", "SYNA", "SYNB", "SYNT"][int(c["PhaseSync"])],
                             sim[k + "phasesync"], k + "phasesync cache")
            mask = sum(1 << i for i, it in enumerate(w.mux["ChMuxSelect%d" % n]) if it["checked"])
            self.assertEqual(mask, int(sim[k + "mux"]), k + "mux")
            self.assertEqual(int(c["Mux"]), int(sim[k + "mux"]), k + "mux cache")
            src = w.combo["ChSyncSourceSel%d" % n][1]
            word = "T0" if src == "T0" else "CH" + src[-1]
            self.assertEqual(word, sim[k + "syncsource"], k + "syncsource")
            cs = int(c["SyncSource"])
            self.assertEqual("T0" if cs == 0 else "CH" + LETTERS[cs - 1], sim[k + "syncsource"],
                             k + "syncsource cache")


if __name__ == "__main__":
    e2e_main.main()
