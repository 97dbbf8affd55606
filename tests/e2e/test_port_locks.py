"""Two instruments on one desk: ports held by another program's lock file
are never written to, a stale lock does not keep a port from us, and two
panels started one after the other each find and keep their own instrument."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_main  # noqa: E402
from vmharness import Session  # noqa: E402


def queries(session, text):
    return sum(1 for l in session.transcript_lines() if l.endswith(" RX " + text))


class PortLockTest(unittest.TestCase):
    def session(self, **kw):
        s = Session(e2e_main.BUILD, **kw)
        self.addCleanup(s.cleanup)
        self.addCleanup(s.stop)
        return s

    def test_two_panels_each_keep_their_own_instrument(self):
        one = self.session(model="5208", port=1)
        one.start_display()
        one.start_sim()
        two = self.session(model="5204", port=2).share(one)
        two.start_sim()

        # A terminal program that marks its port with a lock file only.
        terminal = subprocess.Popen(["sleep", "600"])
        self.addCleanup(terminal.wait)
        self.addCleanup(terminal.kill)
        with open(two.lock_file(), "w") as f:
            f.write("%10d\n" % terminal.pid)

        # The first panel takes COM1 and marks it as its own.
        one.start_app()
        one.wait_window("Model 5208 .*ComPort: 1 Baud", timeout=40)
        with open(one.lock_file()) as f:
            self.assertEqual(int(f.read()), one.app.pid)

        # The second panel finds both ports taken: it asks the terminal's
        # instrument nothing and leaves the first panel's alone.
        idn_one = queries(one, "*IDN?")
        late = self.session().share(one)
        late.start_app()
        late.answer_box("^Warning$", "Escape", timeout=40)  # "No device found": No ends it
        late.app.wait(timeout=20)  # and the panel ends
        self.assertEqual(queries(two, "*IDN?"), 0, "the terminal's port was written to")
        self.assertEqual(queries(one, "*IDN?"), idn_one, "the first panel's port was scanned")

        # The terminal program ends without removing its lock: that lock is
        # stale, and a third panel takes COM2.
        terminal.kill()
        terminal.wait()
        two.start_app()
        two.wait_window("Model 5204 .*ComPort: 2 Baud", timeout=40)
        self.assertEqual(queries(one, "*IDN?"), idn_one)

        # Both keep polling their own instrument.
        polls = queries(one, "*SS?"), queries(two, "*SS?")
        one.wait_transcript(r" RX \*SS\?$", count=polls[0] + 2, timeout=15)
        two.wait_transcript(r" RX \*SS\?$", count=polls[1] + 2, timeout=15)
        self.assertEqual(queries(one, "*IDN?"), idn_one)


if __name__ == "__main__":
    e2e_main.main()
