"""Start-up paths of the real program: the scan finds the simulator (also at a
slow rate), demonstration mode by switch and by a held left Shift key, and the
log switch."""
import glob
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_main  # noqa: E402
from vmharness import Session  # noqa: E402

DEMO_CAPTION = " Model 5204  SW Version: 0.0.4.0 ComPort: Demo"


class StartupTest(unittest.TestCase):
    def session(self, **kw):
        s = Session(e2e_main.BUILD, **kw)
        self.addCleanup(s.cleanup)
        self.addCleanup(s.stop)
        return s

    def test_scan_finds_the_instrument_and_names_it(self):
        s = self.session(model="5208", app_args=["-log"])
        s.start()
        wid = s.wait_window("Velmora Model 5208", timeout=40)
        self.assertEqual(s.window_name(wid),
                         "Velmora Model 5208  SW Version: 0.0.4.0 ComPort: 1 Baud: 115200")
        s.wait_transcript(r" RX \*IDN\?$")
        # The log switch started the log before the scan.
        logs = glob.glob(os.path.join(s.dir, "SystemLogFile_*.txt"))
        self.assertEqual(len(logs), 1, logs)
        with open(logs[0], encoding="latin-1") as f:
            text = f.read()
        self.assertIn("*IDN?", text)

    def test_scan_tries_slower_rates_until_the_instrument_answers(self):
        s = self.session(model="5204", sim_args=["--baud", "9600"])
        s.start()
        wid = s.wait_window("Velmora Model 5204", timeout=60)
        self.assertTrue(s.window_name(wid).endswith("ComPort: 1 Baud: 9600"))
        rates = []
        for line in s.transcript_lines():
            parts = line.split()
            if len(parts) >= 3 and parts[2] in ("RX", "NOREPLY"):
                if not rates or rates[-1] != parts[1]:
                    rates.append(parts[1])
        # Fastest first, and 9600 only after the faster ones were tried.
        self.assertEqual(rates[:5], ["115200", "57600", "38400", "19200", "9600"])

    def test_demo_switch_opens_no_port(self):
        s = self.session(app_args=["-DEMO"])
        s.start()
        s.answer_box("^VM5200_GUI$")  # "Entering Demo Mode"
        wid = s.wait_window("ComPort: Demo", timeout=30)
        self.assertEqual(s.window_name(wid), DEMO_CAPTION)
        time.sleep(1.5)
        self.assertFalse([l for l in s.transcript_lines() if " RX " in l])

    def test_held_left_shift_starts_demonstration_mode(self):
        s = self.session()
        s.start_display()
        s.start_sim()
        # A key counts as held only while the xdotool process that pressed it runs.
        holder = subprocess.Popen(["xdotool", "keydown", "Shift_L", "sleep", "8", "keyup", "Shift_L"],
                                  env=s.env())
        self.addCleanup(holder.wait)
        time.sleep(0.5)
        s.start_app()
        s.answer_box("^VM5200_GUI$")  # "Entering Demo Mode"
        wid = s.wait_window("ComPort: Demo", timeout=30)
        self.assertEqual(s.window_name(wid), DEMO_CAPTION)


if __name__ == "__main__":
    e2e_main.main()
