"""The timing diagram in the real program against the simulator: opened with
real clicks from Tools > "Timing Diagram", it follows a delay edited with real
input in the main window (its probe reports the new edge), and opening and
following it send the instrument nothing: while it is open the simulator
receives the edit's one command and the status polls, no other line. Saves
e2e-timing-diagram.png in the artefact folder."""
import os
import re
import subprocess
import sys
import time
import unittest
from decimal import Decimal

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_main  # noqa: E402
from vmprobe import ProbeSession  # noqa: E402

# Channel A on, 200 ns wide, in a 1 us period: its edges are a pixel apart or
# more in the default view, so the probe lists them one by one.
PRESET = [":PULS0:PER 0.000001", ":PULS1:STAT 1", ":PULS1:WIDT 0.0000002"]
POLLS = {"*SS?", "*ERS?"}
EDIT = ":PULS1:DEL 0.00000010000"


def centre(rect):
    x, y, w, h = rect[:4]
    return x + w // 2, y + h // 2


class TimingDiagramTest(unittest.TestCase):
    def settle(self, done, timeout, what):
        deadline = time.time() + timeout
        while True:
            w = self.s.probe()
            if done(w):
                return w
            if time.time() > deadline:
                self.fail("timed out waiting for " + what)
            time.sleep(0.05)

    def test_follows_an_edit_without_serial_traffic(self):
        s = self.s = ProbeSession(e2e_main.BUILD, model="5204",
                                  sim_args=[a for l in PRESET for a in ("--set", l)])
        self.addCleanup(s.cleanup)
        self.addCleanup(s.stop)
        s.start()
        main = s.wait_window(r"Velmora Model 5204", 60)
        w = self.settle(lambda w: w.idle() and not w.modal and w.usable("ChDelayAdj1")
                        and w.spin["ChDelayAdj1"]["enabled"], 60, "the filled window")
        self.assertIsNone(w.diagram_window)
        caption = s.window_name(main)

        # Tools > "Timing Diagram", clicked.
        start = len(s.received())
        s.click(*centre(w.menus["ools1"]))
        w = self.settle(lambda w: "TimingDiagramMenu" in w.actions, 10, "the Tools menu")
        s.click(*centre(w.actions["TimingDiagramMenu"]))
        diagram = s.wait_window(r"^Timing Diagram$", 15)
        w = self.settle(lambda w: w.diagram.get("ChA"), 10, "the diagram's rows")
        self.assertTrue(w.diagram_window["visible"])
        self.assertIn((Decimal(0), "H"), w.diagram["ChA"])
        self.assertIn((Decimal("2e-7"), "L"), w.diagram["ChA"])
        self.assertEqual(s.window_name(main), caption)

        # Channel A's delay 100 ns up: a click in its digits, the mark moved
        # to the 100 ns digit, Up. There is no window manager: the main window
        # is raised and given the keyboard by hand.
        s.xdo("windowraise", main)
        s.xdo("windowfocus", "--sync", main, check=False)
        x, y, wd, h = w.geom["ChDelayAdj1"][:4]
        up = w.geom.get("ChDelayAdj1/fUpButton")
        s.click((x + (up[0] if up and up[0] > x else x + wd)) // 2, y + h // 2)
        w = self.settle(lambda w: w.focus == "ChDelayAdj1", 10, "the delay's focus")
        mark = w.spin["ChDelayAdj1"]["incexp"]
        if mark != -7:
            s.key(*(["Right"] * (mark + 7) if mark > -7 else ["Left"] * (-7 - mark)))
        self.settle(lambda w: w.spin["ChDelayAdj1"]["incexp"] == -7, 10, "the 100 ns digit")
        s.key("Up")
        s.wait_transcript(re.escape("RX " + EDIT) + "$", 10)
        w = self.settle(lambda w: (Decimal("1e-7"), "H") in w.diagram.get("ChA", []), 5,
                        "the new edge in the diagram")
        self.assertIn((Decimal("3e-7"), "L"), w.diagram["ChA"])
        self.assertNotIn((Decimal(0), "H"), w.diagram["ChA"])

        # Whatever the diagram might ask would have gone out by now.
        time.sleep(1.5)
        self.assertEqual([l for l in s.received()[start:] if l not in POLLS], [EDIT])
        shot = os.path.join(e2e_main.ARTIFACTS, "e2e-timing-diagram.png")
        subprocess.run(["import", "-window", diagram, shot], env=s.env(), check=True,
                       capture_output=True)


if __name__ == "__main__":
    e2e_main.main()
