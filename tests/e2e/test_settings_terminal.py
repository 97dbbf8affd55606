"""The terminal, the settings file and the screen shot in the real window
against the simulator: typed lines reach the instrument and their replies the
terminal; a file saved through the menu and the file dialog, restored after a
real edit, puts the instrument and the window back where they were; the
screen shot is a JPEG of the window's outer size."""
import os
import re
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_main  # noqa: E402
from vmprobe import ProbeSession  # noqa: E402


def state(dump):
    """The dumped settings, without the comment line and the running count."""
    return {k: v for k, v in (l.split("=", 1) for l in dump.splitlines() if "=" in l)
            if k != "counter.count" and not k.startswith("status.")}


class SettingsTerminalTest(unittest.TestCase):
    def setUp(self):
        self.s = ProbeSession(e2e_main.BUILD, model="5208")
        self.addCleanup(self.s.cleanup)
        self.addCleanup(self.s.stop)
        self.s.start()
        self.wid = self.s.wait_window(r"Velmora Model 5208", 60)
        self.idle()

    def idle(self, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline:
            w = self.s.probe()
            if w.idle() and not w.modal and w.spin.get("PeriodAdj", {}).get("enabled"):
                return w
            time.sleep(0.05)
        self.fail("the window did not become idle")

    def menu(self, top, item):
        w = self.s.probe()
        self.s.click(*centre(w.menus[top]))
        deadline = time.time() + 10
        while item not in w.actions:
            if time.time() > deadline:
                self.fail("menu item %s did not show" % item)
            time.sleep(0.05)
            w = self.s.probe()
        self.s.click(*centre(w.actions[item]))

    def file_dialog(self, title, path):
        wid = self.s.wait_window("^%s$" % title, 60)
        self.s.xdo("windowfocus", "--sync", wid, check=False)
        self.s.key("ctrl+a")
        self.s.type_text(path)
        self.s.key("Return")

    def test_terminal_settings_file_and_screen_shot(self):
        s = self.s
        # --- terminal: a command and a query typed and sent with Enter.
        w = s.probe()
        s.click(*w.centre("SendEdit"))
        for line in (":PULS0:COUN:STAT 1", "*IDN?"):
            s.key("ctrl+a")
            s.type_text(line)
            s.key("Return")
            s.wait_transcript(re.escape("RX " + line) + "$", 20, count=2 if line == "*IDN?" else 1)
        reply = [l.split(" ", 3)[3] for l in s.transcript_lines() if " TX " in l][-1]
        deadline = time.time() + 10
        while True:
            term = s.probe().text.get("ResponseList", [])
            got = [t for t in term if t.endswith(") " + reply)]
            if got or time.time() > deadline:
                break
            time.sleep(0.05)
        self.assertTrue(any(t.endswith(") *IDN?") for t in term), term)
        self.assertTrue(got, (reply, term))
        self.assertEqual(s.probe().items["SendEdit"], [":PULS0:COUN:STAT 1", "*IDN?"])

        # --- save through the menu and the dialog.
        path = os.path.join(s.dir, "saved.txt")
        self.menu("Storage1", "SaveToFile1")
        self.file_dialog("Save system parameters", path)
        s._wait(lambda: os.path.exists(path), 30, "the settings file")
        saved = state(s.dump_state())
        with open(path, "rb") as f:
            data = f.read()
        self.assertTrue(data.endswith(b"\r\n") and b"\n" not in data.replace(b"\r\n", b""))
        lines = data.decode("ascii").split("\r\n")[:-1]
        self.assertEqual(len(lines), 20)
        self.assertIn(":PULS0:COUN:STAT 1", lines)
        self.idle()

        # --- a real edit: the period's up button.
        w = s.probe()
        period = w.spin["PeriodAdj"]["value"]
        s.click(*w.centre("PeriodAdj/fUpButton"))
        s.wait_transcript(r"RX :PULS0:PER ", 20)
        self.assertNotEqual(state(s.dump_state())["system.period"], saved["system.period"])
        self.idle()

        # --- restore: the instrument and the window are back.
        self.menu("Storage1", "RestoreSettingsFromFile1")
        self.file_dialog("Open", path)
        s.answer_box("^VM5200_GUI$", "Return", timeout=60)  # "Settings loaded."
        w = self.idle()
        self.assertEqual(state(s.dump_state()), saved)
        self.assertEqual(w.spin["PeriodAdj"]["value"], period)
        self.assertTrue(w.check["ShotCountEnbl"])

        # --- screen shot: a JPEG of the window's outer size.
        self.menu("ools1", "CaptureScreenShot1")
        shot = os.path.join(s.dir, "ScreenShot.jpg")
        s._wait(lambda: os.path.exists(shot), 20, "ScreenShot.jpg")
        g = dict(kv.split("=") for kv in s.xdo("getwindowgeometry", "--shell", self.wid).split())
        size = subprocess.run(["identify", "-format", "%m %w %h", shot], capture_output=True,
                              text=True, check=True).stdout.split()
        self.assertEqual(size, ["JPEG", g["WIDTH"], g["HEIGHT"]])
        os.makedirs(e2e_main.ARTIFACTS, exist_ok=True)
        subprocess.run(["cp", shot, os.path.join(e2e_main.ARTIFACTS, "e2e-screenshot.jpg")])


def centre(rect):
    x, y, w, h = rect
    return x + w // 2, y + h // 2


if __name__ == "__main__":
    e2e_main.main()
