"""The service window in a real X window against the simulator: the access
code typed into Tools > "Service", the readback in its order, a delay
calibration raised by clicks (the width follows), "Store Cals", and a
calibration file saved (every command line equal to what the simulator
holds), changed on the instrument and loaded back."""
import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_main  # noqa: E402
from vmharness import Session  # noqa: E402

# Channel 1's delay calibration spin edit: its up button, in window
# coordinates (page control at 8,151, tab row 26 px, boxes 3+3, spin 10,20).
DELAY_UP = (8 + 3 + 11 + 10 + 63 - 6, 151 + 26 + 3 + 3 + 20 + 5)


def readback(channels):
    seq = [":SYST:SEC 73952", "*SAVC 0", "*SER?", "*BAD?", ":PULS0:CAL:EXT:GAIN?",
           ":PULS0:CAL:EXT:OFF?"]
    for n in range(1, channels + 1):
        seq += [":PULS%d:CAL:%s?" % (n, k) for k in ("WID", "DEL", "GAIN", "OFF")]
    return seq


def values(dump):
    return dict(l.split("=", 1) for l in dump.splitlines() if "=" in l)


def held_lines(dump, channels):
    """The command lines a calibration file must hold for the simulator's
    values, in the file's order and with the simulator's number text."""
    d = values(dump)
    out = ["*SER " + d["identity.serial"], "*BAD " + d["identity.model"],
           ":PULS0:CAL:EXT:GAIN " + d["cal.trigger.gain"],
           ":PULS0:CAL:EXT:OFF " + d["cal.trigger.offset"]]
    for n in range(1, channels + 1):
        for cmd, key in (("WID", "width"), ("DEL", "delay"), ("GAIN", "gain"), ("OFF", "offset")):
            out.append(":PULS%d:CAL:%s %s" % (n, cmd, d["cal.channel.%d.%s" % (n, key)]))
    return out


def open_tools_item(s, wid, downs):
    """Tools menu by keyboard: Alt, two menus to the right, down to the item."""
    s.press_in_window(wid, "alt")
    time.sleep(0.3)
    s.xdo("key", "--delay", "80", "Right", "Right", "Down", *(["Down"] * downs), "Return")


class ServiceWindowTest(unittest.TestCase):
    def test_service_window(self):
        # A negative offset preset on top of the factory calibration.
        s = Session(e2e_main.BUILD, model="5204", sim_args=["--set", ":PULS3:CAL:OFF -7"])
        self.addCleanup(s.cleanup)
        self.addCleanup(s.stop)
        s.start()
        main = s.wait_window(r"Velmora Model 5204", 60)
        s.wait_transcript(r"RX \*SS\?", 30, count=2)

        # The code, typed for real; the next status tick opens the window.
        open_tools_item(s, main, 3)
        box = s.wait_window(r"^Unsecure Form$", 15)
        s.xdo("windowfocus", "--sync", box, check=False)
        s.xdo("type", "--delay", "30", "73952")
        s.xdo("key", "Return")
        s.answer_box(r"^VM5200_GUI$", "Return", timeout=15)
        win = s.wait_window(r"^Service$", 15)
        s.wait_transcript(re.escape("RX :PULS4:CAL:OFF?"), 30)
        rx = s.received()
        start = rx.index(":SYST:SEC 73952")
        self.assertEqual(rx[start:start + 22], readback(4))

        # Delay calibration of channel 1 up by one click: delay, then width
        # moved by the same step.
        time.sleep(1.0)  # progress window closed, sending on again
        cal = values(s.dump_state())
        delay, width = int(cal["cal.channel.1.delay"]), int(cal["cal.channel.1.width"])
        self.assertNotEqual(delay, width)
        s.xdo("mousemove", "--window", win, *DELAY_UP)
        s.xdo("click", "1")
        s.wait_transcript(re.escape("RX :PULS1:CAL:WID %d" % (width + 1)), 10)
        rx = s.received()
        i = rx.index(":PULS1:CAL:DEL %d" % (delay + 1))
        self.assertEqual(rx[i + 1], ":PULS1:CAL:WID %d" % (width + 1))

        # Store Cals.
        s.xdo("mousemove", "--window", win, 342 + 56, 97 + 12)
        s.xdo("click", "1")
        s.wait_transcript(re.escape("RX *SAVC 0"), 10, count=2)
        rx = s.received()
        i = len(rx) - 1 - rx[::-1].index("*SAVC")
        self.assertEqual(rx[i + 1], "*SAVC 0")
        self.assertRegex(s.dump_state(), re.compile(r"^cal\.storecount=1$", re.M))

        # Save to a file (Qt's own dialog: the name typed, Return).
        path = os.path.join(s.dir, "cal.txt")
        s.xdo("mousemove", "--window", win, 342 + 56, 8 + 12)
        s.xdo("click", "1")
        dlg = s.wait_window(r"^Save calibration parameters$", 30)
        s.xdo("windowfocus", "--sync", dlg, check=False)
        s.xdo("type", "--delay", "20", path)
        s.xdo("key", "Return")
        deadline = time.time() + 15
        while not os.path.exists(path) and time.time() < deadline:
            time.sleep(0.1)
        with open(path, "rb") as f:
            saved = f.read().decode("ascii").split("\r\n")
        before = s.dump_state()
        self.assertEqual(saved[-1], "")
        self.assertEqual([l for l in saved[:-1] if "//" not in l], held_lines(before, 4))

        # Change a value behind the window's back, then load the file.
        count = len(s.received())
        s.xdo("mousemove", "--window", win, *DELAY_UP)
        s.xdo("click", "1")
        s.wait_transcript(re.escape("RX :PULS1:CAL:DEL %d" % (delay + 2)), 10)
        self.assertNotEqual(s.dump_state(), before)
        s.xdo("mousemove", "--window", win, 342 + 56, 39 + 12)
        s.xdo("click", "1")
        dlg = s.wait_window(r"^Open$", 30)
        s.xdo("windowfocus", "--sync", dlg, check=False)
        s.xdo("type", "--delay", "20", path)
        s.xdo("key", "Return")
        s.answer_box(r"^VM5200_GUI$", "Return", timeout=60)
        self.assertGreater(len(s.received()), count)
        after = s.dump_state()
        cals = lambda d: [l for l in d.splitlines() if re.match(r"cal\.(trigger|channel)", l)]
        self.assertEqual(cals(after), cals(before))


if __name__ == "__main__":
    e2e_main.main()
