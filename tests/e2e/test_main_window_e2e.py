#!/usr/bin/env python3
"""The real program in a real X window against the simulated instrument: it
finds the instrument, fills its window in the right order of queries, then
polls once a second; the Run button reaches the instrument. Takes a
screenshot of the filled window for a four- and an eight-channel model.

usage: test_main_window_e2e.py BUILD_DIR ARTIFACT_DIR
"""
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import vmharness  # noqa: E402

FAILURES = []


def check(cond, what):
    if not cond:
        FAILURES.append(what)
        print("FAIL:", what)


def received(session):
    """(time, line) of every line the simulator received, in order."""
    out = []
    for l in session.transcript_lines():
        parts = l.split(" ", 3)
        if len(parts) >= 3 and parts[2] == "RX":
            out.append((float(parts[0]), parts[3] if len(parts) > 3 else ""))
    return out


def expected_init(channels):
    seq = ["*CFG? 0?", "*CFG? 90?", ":SYST:SEC?", ":SYST:AUT?"]
    if channels > 4:
        seq += [":PULS0:ICL?", ":PULS0:OCL?"]
    seq += [":PULS0:COUN:STAT?", ":PULS0:COUN:SOUR?", "*SS?", "*ERS?"]
    seq += ["*CFG? %d?" % n for n in range(1, channels + 1)]
    return seq


def run_model(build, artifacts, model, channels):
    s = vmharness.Session(build, model=model)
    try:
        s.start()
        wid = s.wait_window(r"Velmora Model %s" % model, 60)
        title = s.window_name(wid)
        check(title == "Velmora Model %s  SW Version: 0.0.4.0 ComPort: 1 Baud: 115200" % model,
              "caption: %r" % title)
        last = "*CFG? %d?" % channels
        s.wait_transcript(re.escape("RX " + last), 60)
        s.wait_transcript(r"RX \*SS\?", 30, count=4)  # the init's poll and three more

        rx = received(s)
        lines = [l for _, l in rx]
        # Identity first (the scan may ask more than once), nothing else before.
        first_other = next(i for i, l in enumerate(lines) if l != "*IDN?")
        check(first_other >= 1, "identity query first")
        init = expected_init(channels)
        got = lines[first_other:first_other + len(init)]
        check(got == init, "initialisation order:\n  got      %s\n  expected %s" % (got, init))
        # Then status polls about once a second, and nothing sent meanwhile.
        polls = [t for t, l in rx[first_other + len(init):] if l == "*SS?"]
        check(len(polls) >= 3, "status polls after the initialisation: %d" % len(polls))
        gaps = [b - a for a, b in zip(polls, polls[1:])]
        check(all(0.8 <= g <= 1.8 for g in gaps), "poll period: %s" % gaps)
        after = [l for _, l in rx[first_other + len(init):]]
        check(set(after) <= {"*SS?", "*ERS?"}, "only polls while idle: %s" % sorted(set(after)))

        # The filled window (pointer out of the way: no hover highlight).
        s.xdo("mousemove", 0, 0)
        time.sleep(0.3)
        os.makedirs(artifacts, exist_ok=True)
        shot = os.path.join(artifacts, "main-window-%dch.png" % channels)
        subprocess.run(["import", "-window", wid, shot], env=s.env(), check=True,
                       capture_output=True)
        check(os.path.getsize(shot) > 10000, "screenshot written")

        # Run: the command reaches the instrument and the poll confirms it.
        geo = s.xdo("getwindowgeometry", "--shell", wid)
        g = dict(kv.split("=") for kv in geo.split())
        menu = int(g["HEIGHT"]) - 739
        s.xdo("mousemove", "--window", wid, 557 + 54, menu + 36)
        s.xdo("click", "1")
        s.wait_transcript(r"RX :PULS0:STAT ON", 10)
        state = s.dump_state()
        check(re.search(r"^status\.running=1$", state, re.M) is not None,
              "simulator running after Run")
    finally:
        s.stop()
        if s.app is not None and s.app.returncode not in (0, -15, None):
            check(False, "program exit status %s" % s.app.returncode)
        s.cleanup()


def main():
    build, artifacts = sys.argv[1], sys.argv[2]
    run_model(build, artifacts, "5204", 4)
    run_model(build, artifacts, "5208", 8)
    if FAILURES:
        print("%d failure(s)" % len(FAILURES))
        return 1
    print("all passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
