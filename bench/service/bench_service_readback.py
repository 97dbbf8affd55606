#!/usr/bin/env python3
"""Calibration readback of an eight-channel unit, real program against the
simulator.

  bench/service/bench_service_readback.py [BUILD_DIR] [--runs 3]

Opens Tools > "Service Window" (the simulator starts unlocked, so the item is
shown) and measures the time from the menu choice to the progress window
closing, against its floor: the number of exchanges x (30 ms pause + the
bytes of command and reply on the wire at 115200 baud, 10 bits a byte).
Also prints the span on the wire alone (first line received to last reply
sent, from the simulator's transcript). Runs under Xvfb like the end-to-end
tests (tests/e2e/vmharness.py).
"""
import argparse
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))
import vmharness  # noqa: E402

BAUD = 115200
PAUSE_MS = 30


def events(session, since):
    out = []
    for l in session.transcript_lines():
        parts = l.split(" ", 3)
        if len(parts) >= 3 and parts[2] in ("RX", "TX") and float(parts[0]) >= since:
            out.append((float(parts[0]), parts[2], parts[3] if len(parts) > 3 else ""))
    return out


def one_run(build):
    s = vmharness.Session(build, model="5208", sim_args=["--unlocked"])
    try:
        s.start()
        main = s.wait_window(r"Velmora Model 5208", 60)
        s.wait_transcript(r"RX \*SS\?", 30, count=2)
        s.press_in_window(main, "alt")
        time.sleep(0.3)
        s.xdo("key", "--delay", "80", "Right", "Right", "Down", "Down", "Down", "Down", "Down")
        time.sleep(0.3)
        t0 = time.monotonic()
        s.xdo("key", "Return")
        s.wait_window(r"^Initializing$", 10)
        while s.xdo("search", "--onlyvisible", "--name", r"^Initializing$", check=False):
            time.sleep(0.005)
        t1 = time.monotonic()
        ev = events(s, t0)
        start = next(i for i, e in enumerate(ev) if e[1] == "RX" and e[2] == ":SYST:SEC 73952")
        last = max(i for i, e in enumerate(ev) if e[1] == "RX" and e[2] == ":PULS8:CAL:OFF?")
        ex = [e for e in ev[start:last + 2]]
        rx = [e for e in ex if e[1] == "RX"]
        tx = [e for e in ex if e[1] == "TX"]
        wire = sum(len(e[2]) + 2 for e in rx) + sum(len(e[2]) + 1 for e in tx)
        floor = len(rx) * PAUSE_MS / 1000 + wire * 10 / BAUD
        return len(rx), floor, t1 - t0, ex[-1][0] - rx[0][0]
    finally:
        s.stop()
        s.cleanup()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("build", nargs="?", default=os.path.join(HERE, "..", "..", "build"))
    p.add_argument("--runs", type=int, default=3)
    a = p.parse_args()
    for r in range(a.runs):
        n, floor, total, onwire = one_run(os.path.abspath(a.build))
        print("run %d: %d exchanges, floor %.3f s, request to progress closed %.3f s "
              "(ratio %.3f), on the wire %.3f s (ratio %.3f)"
              % (r + 1, n, floor, total, total / floor, onwire, onwire / floor))


if __name__ == "__main__":
    main()
