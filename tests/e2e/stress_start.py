#!/usr/bin/env python3
"""Starts the program under Xvfb against the simulator again and again and
counts the starts whose window never showed: for chasing start-up faults
that a single end-to-end run meets only now and then. Not a ctest test.

  tests/e2e/stress_start.py BUILD_DIR [--runs 40] [--mode demo|remote]

demo waits for the "Entering Demo Mode" box (-DEMO), remote for the main
window of a panel started with a remote-control port. A failed start prints
the harness's report (processes, windows, stderr, transcript) and keeps its
session folder. Run several at once to load the machine.
"""
import argparse
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vmharness import Session  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--runs", type=int, default=40)
    ap.add_argument("--mode", choices=("demo", "remote"), default="demo")
    a = ap.parse_args()
    failures = 0
    for i in range(a.runs):
        args = ["-DEMO"] if a.mode == "demo" else ["-remote=%d" % (20000 + os.getpid() % 20000 + i)]
        s = Session(a.build, model="5208", app_args=args)
        began = time.time()
        keep = False
        try:
            s.start()
            s.wait_window("^VM5200_GUI$" if a.mode == "demo" else "Velmora Model", timeout=30)
            print("%d ok %.1f s" % (i, time.time() - began), flush=True)
        except Exception as e:  # a failed start is counted, the loop goes on
            failures += 1
            keep = True
            print("%d FAILED (%s kept)\n%s" % (i, s.dir, e), flush=True)
        finally:
            s.stop()
            if not keep:
                s.cleanup()
    print("%d of %d starts failed" % (failures, a.runs))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
