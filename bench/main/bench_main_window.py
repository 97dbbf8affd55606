#!/usr/bin/env python3
"""Start-up and idle figures of the real program against the simulator.

  bench/main/bench_main_window.py [BUILD_DIR] [--model 5208] [--idle-seconds 60] [--runs 3]

1. Time from starting the program to the end of its first initialisation
   (the simulator's reply to the last channel block), against the floor the
   design sets: the 500 ms launch timer + 30 ms before every exchange made up
   to then + the bytes of those exchanges on the wire at 115200 baud
   (10 bits a byte). Printed per run with the ratio to the floor.
2. The program's CPU use while idle and connected (status poll running),
   from /proc/<pid>/stat over the given seconds, as a share of one core.

Runs under Xvfb like the end-to-end tests (tests/e2e/vmharness.py).
"""
import argparse
import os
import re
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))
import vmharness  # noqa: E402

BAUD = 115200
LAUNCH_MS = 500
PAUSE_MS = 30


def unescape_len(text):
    """Bytes of a transcript text (escapes \\xHH and \\\\ are one byte)."""
    return len(re.sub(r"\\x[0-9A-F]{2}|\\\\", "#", text))


def events(session):
    out = []
    for l in session.transcript_lines():
        p = l.split(" ", 3)
        if len(p) >= 3:
            out.append((float(p[0]), p[2], p[3] if len(p) > 3 else ""))
    return out


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks  # utime + stime


def one_run(build, model, channels, idle_seconds):
    s = vmharness.Session(build, model=model)
    try:
        s.start_display()
        s.start_sim()
        t0 = time.monotonic()
        s.start_app()
        last = "*CFG? %d?" % channels
        s.wait_transcript(re.escape("RX " + last), 60)
        s.wait_transcript(r"TX ", 60, count=1)
        time.sleep(0.3)
        ev = events(s)
        end_idx = max(i for i, e in enumerate(ev) if e[1] == "RX" and e[2] == last)
        end = next(e[0] for e in ev[end_idx:] if e[1] == "TX")
        rx = [e for e in ev[:end_idx + 1] if e[1] == "RX"]
        tx = [e for e in ev[:end_idx + 2] if e[1] == "TX"]
        wire_bytes = sum(unescape_len(e[2]) + 2 for e in rx) + sum(unescape_len(e[2]) + 1 for e in tx)
        floor = (LAUNCH_MS + PAUSE_MS * len(rx) + wire_bytes * 10 * 1000.0 / BAUD) / 1000.0
        measured = end - t0
        idle = None
        if idle_seconds > 0:
            def share():
                c0, w0 = cpu_seconds(s.app.pid), time.monotonic()
                time.sleep(idle_seconds)
                c1, w1 = cpu_seconds(s.app.pid), time.monotonic()
                return (c1 - c0) / (w1 - w0) * 100.0
            time.sleep(1.0)
            before = share()
            # A click on Run and one on Stop queue two commands; the task
            # timer sends them and stops again once the queue is empty.
            wid = s.wait_window("Velmora Model", 10)
            g = dict(kv.split("=") for kv in s.xdo("getwindowgeometry", "--shell", wid).split())
            s.xdo("mousemove", "--window", wid, 557 + 54, int(g["HEIGHT"]) - 739 + 36)
            s.xdo("click", "1")
            s.wait_transcript(r"RX :PULS0:STAT ON", 10)
            # And Stop again, so no run-state animation is counted as idle work.
            time.sleep(0.5)
            s.xdo("click", "1")
            s.wait_transcript(r"RX :PULS0:STAT OFF", 10)
            s.xdo("mousemove", 0, 0)
            time.sleep(1.0)
            idle = (before, share())
        return measured, floor, len(rx), wire_bytes, idle
    finally:
        s.stop()
        s.cleanup()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build", nargs="?", default=os.path.join(HERE, "..", "..", "build"))
    ap.add_argument("--model", default="5208")
    ap.add_argument("--idle-seconds", type=float, default=60)
    ap.add_argument("--runs", type=int, default=3)
    a = ap.parse_args()
    channels = 8 if a.model in ("5208", "5218", "3208", "3218") else 4
    ratios = []
    for r in range(a.runs):
        idle_s = a.idle_seconds if r == a.runs - 1 else 0
        m, f, n, b, idle = one_run(a.build, a.model, channels, idle_s)
        ratios.append(m / f)
        print("run %d: start to end of first initialisation %.3f s, floor %.3f s "
              "(%d exchanges, %d bytes on the wire), ratio %.3f" % (r + 1, m, f, n, b, m / f))
        if idle is not None:
            print("idle CPU over %.0f s (status poll running): %.2f %% of one core before any "
                  "command, %.2f %% after a first command" % (a.idle_seconds, idle[0], idle[1]))
    print("median ratio to the floor: %.3f (goal <= 1.10)" % statistics.median(ratios))
    return 0


if __name__ == "__main__":
    sys.exit(main())
