#!/usr/bin/env python3
"""Restore of an eight-channel settings file against the simulator.

  bench/main/bench_restore.py [BUILD_DIR] [--runs 5]

The file is saved by the program itself (Storage > Save Settings To File).
Each run chooses Storage > Restore Settings From File, types the file's name
into the open dialog and measures from the Return that confirms it to the
appearance of the "Settings loaded." box. The floor: every command line of
the file costs the replay's 30 ms pause, the exchange's own 30 ms pause and
its bytes on the wire (115200 baud, 10 bits a byte, command + CR LF and
reply + CR); then the read-back costs 30 ms and the wire time per query.
Status polls that fall inside the run are not part of the floor. Prints each
run and the median ratio (goal: at most 1.10).

Runs under Xvfb like the end-to-end tests (tests/e2e/vmharness.py).
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))
from vmprobe import ProbeSession  # noqa: E402

WIRE_S_PER_BYTE = 10 / 115200
PAUSE_S = 0.030
READBACK = ["*CFG? 0?", "*CFG? 90?", ":SYST:SEC?", ":SYST:AUT?", ":PULS0:ICL?", ":PULS0:OCL?",
            ":PULS0:COUN:STAT?", ":PULS0:COUN:SOUR?", "*SS?", "*ERS?"] + \
           ["*CFG? %d?" % n for n in range(1, 9)]


def nbytes(text):
    return len(re.sub(r"\\x[0-9A-F]{2}|\\\\", "#", text))


def transcript(s):
    out = []
    for l in s.transcript_lines():
        p = l.split(" ", 3)
        if len(p) >= 3:
            out.append((float(p[0]), p[2], p[3] if len(p) > 3 else ""))
    return out


def centre(r):
    return r[0] + r[2] // 2, r[1] + r[3] // 2


def menu(s, top, item):
    w = s.probe()
    s.click(*centre(w.menus[top]))
    deadline = time.time() + 10
    while item not in w.actions:
        if time.time() > deadline:
            raise TimeoutError("menu item " + item)
        time.sleep(0.05)
        w = s.probe()
    s.click(*centre(w.actions[item]))


def type_into_dialog(s, title, path):
    wid = s.wait_window("^%s$" % title, 60)
    s.xdo("windowfocus", "--sync", wid, check=False)
    s.key("ctrl+a")
    s.type_text(path)
    return wid


def idle(s):
    deadline = time.time() + 60
    while time.time() < deadline:
        w = s.probe()
        if w.idle() and not w.modal and w.spin.get("PeriodAdj", {}).get("enabled"):
            return
        time.sleep(0.05)
    raise TimeoutError("window not idle")


def floor(events, commands, t0, t1):
    """Floor of the replay of `commands` and the read-back that follows."""
    ev = [e for e in events if t0 <= e[0] <= t1]
    total, i = 0.0, 0
    def exchange(i, line):
        while ev[i][1] != "RX" or ev[i][2] != line:
            i += 1
        reply = next(e for e in ev[i + 1:] if e[1] == "TX")
        return i + 1, (nbytes(line) + 2 + nbytes(reply[2]) + 1) * WIRE_S_PER_BYTE
    for c in commands:
        i, wire = exchange(i, c)
        total += 2 * PAUSE_S + wire
    for q in READBACK:
        i, wire = exchange(i, q)
        total += PAUSE_S + wire
    return total


def main():
    p = argparse.ArgumentParser()
    p.add_argument("build", nargs="?", default="build")
    p.add_argument("--runs", type=int, default=5)
    p.add_argument("--timeline", action="store_true", help="print the last run's exchanges")
    a = p.parse_args()
    s = ProbeSession(os.path.abspath(a.build), model="5208")
    try:
        s.start()
        s.wait_window("Velmora Model 5208", 60)
        idle(s)
        path = os.path.join(s.dir, "bench-settings.txt")
        menu(s, "Storage1", "SaveToFile1")
        type_into_dialog(s, "Save system parameters", path)
        s.key("Return")
        s._wait(lambda: os.path.exists(path), 30, "settings file")
        with open(path, encoding="ascii", newline="") as f:
            lines = f.read().split("\r\n")[:-1]
        commands = [l for l in lines if "//" not in l]
        comments = len(lines) - len(commands)
        print("settings file: %d command lines, %d comment lines" % (len(commands), comments))
        ratios, design_ratios = [], []
        for run in range(a.runs):
            idle(s)
            menu(s, "Storage1", "RestoreSettingsFromFile1")
            type_into_dialog(s, "Open", path)
            t0 = time.monotonic()
            s.xdo("key", "Return")
            box = None
            while box is None:
                out = s.xdo("search", "--onlyvisible", "--name", "^VM5200_GUI$", check=False)
                box = out.split()[0] if out else None
                if time.monotonic() - t0 > 60:
                    raise TimeoutError("Settings loaded. box")
            t1 = time.monotonic()
            f = floor(transcript(s), commands, t0, t1)
            # The replay pauses before every line, comments included.
            fd = f + comments * PAUSE_S
            ratios.append((t1 - t0) / f)
            design_ratios.append((t1 - t0) / fd)
            print("run %d: %.0f ms, floor %.0f ms, ratio %.3f; with the comment lines' pauses "
                  "floor %.0f ms, ratio %.3f" % (run + 1, (t1 - t0) * 1000, f * 1000, ratios[-1],
                                                fd * 1000, design_ratios[-1]))
            s.press_in_window(box, "Return")
        if a.timeline:
            for t, kind, text in transcript(s):
                if t0 <= t <= t1:
                    print("%7.1f %s %s" % ((t - t0) * 1000, kind, text))
        print("median ratio %.3f (goal <= 1.10); counting the comment lines' pauses %.3f"
              % (statistics.median(ratios), statistics.median(design_ratios)))
    finally:
        s.stop()
        s.cleanup()


if __name__ == "__main__":
    main()
