"""The real program in a real X window against the simulated instrument: it
finds the instrument, fills its window in the right order of queries, then
polls about once a second; the Run button reaches the instrument. Takes a
screenshot of the filled window of a four- and an eight-channel model
(e2e-main-window-4ch.png, e2e-main-window-8ch.png in the artefact folder)."""
import os
import re
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_main  # noqa: E402
from vmharness import Session  # noqa: E402


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


class MainWindowTest(unittest.TestCase):
    def run_model(self, model, channels):
        s = Session(e2e_main.BUILD, model=model)
        self.addCleanup(s.cleanup)
        self.addCleanup(s.stop)
        s.start()
        wid = s.wait_window(r"Velmora Model %s" % model, 60)
        self.assertEqual(s.window_name(wid),
                         "Velmora Model %s  SW Version: 0.0.4.0 ComPort: 1 Baud: 115200" % model)
        s.wait_transcript(re.escape("RX *CFG? %d?" % channels), 60)
        s.wait_transcript(r"RX \*SS\?", 30, count=4)  # the initialisation's poll and three more

        rx = received(s)
        lines = [l for _, l in rx]
        # The identity first (the scan may ask more than once), then the
        # initialisation in its order.
        first_other = next(i for i, l in enumerate(lines) if l != "*IDN?")
        self.assertGreaterEqual(first_other, 1)
        init = expected_init(channels)
        self.assertEqual(lines[first_other:first_other + len(init)], init)
        # Then status polls about once a second, and nothing else while idle.
        rest = rx[first_other + len(init):]
        polls = [t for t, l in rest if l == "*SS?"]
        self.assertGreaterEqual(len(polls), 3)
        gaps = [b - a for a, b in zip(polls, polls[1:])]
        self.assertTrue(all(0.8 <= g <= 1.8 for g in gaps), gaps)
        self.assertLessEqual({l for _, l in rest}, {"*SS?", "*ERS?"})

        # The filled window, the pointer out of the way (no hover highlight).
        s.xdo("mousemove", 0, 0)
        time.sleep(0.3)
        shot = os.path.join(e2e_main.ARTIFACTS, "e2e-main-window-%dch.png" % channels)
        subprocess.run(["import", "-window", wid, shot], env=s.env(), check=True,
                       capture_output=True)
        self.assertGreater(os.path.getsize(shot), 10000)

        # Run: the command reaches the instrument, which then runs.
        g = dict(kv.split("=") for kv in s.xdo("getwindowgeometry", "--shell", wid).split())
        menu = int(g["HEIGHT"]) - 739
        s.xdo("mousemove", "--window", wid, 557 + 54, menu + 36)
        s.xdo("click", "1")
        s.wait_transcript(r"RX :PULS0:STAT ON", 10)
        self.assertRegex(s.dump_state(), re.compile(r"^status\.running=1$", re.M))

    def test_four_channel_model(self):
        self.run_model("5204", 4)

    def test_eight_channel_model(self):
        self.run_model("5208", 8)


if __name__ == "__main__":
    e2e_main.main()
