"""Runs the real program in a real X window (Xvfb) against the simulated
instrument, and drives it with xdotool. Used by the end-to-end tests."""
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time


def _decimal_comma_locale():
    try:
        out = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.split()
    except OSError:
        out = []
    for name in ("de_DE.utf8", "de_DE.UTF-8"):
        if name in out:
            return name
    return "C.UTF-8"


class Session:
    def __init__(self, build_dir, model="5208", sim_args=(), app_args=(), port=1,
                 keep_dir=None):
        self.build_dir = os.path.abspath(build_dir)
        self.model = model
        self.sim_args = list(sim_args)
        self.app_args = list(app_args)
        self.port = port
        self.dir = keep_dir or tempfile.mkdtemp(prefix="vm5200-e2e-")
        self.ports = os.path.join(self.dir, "ports")
        os.makedirs(self.ports, exist_ok=True)
        # Port lock files go here, never into the machine's /var/lock.
        self.locks = os.path.join(self.dir, "locks")
        os.makedirs(self.locks, exist_ok=True)
        self.transcript = os.path.join(self.dir, "transcript.txt")
        self.state_dump = os.path.join(self.dir, "state.txt")
        self.procs = []
        self.logs = {}
        self.xvfb = self.sim = self.app = None
        self.display = None

    # --- start / stop -------------------------------------------------------
    def start_display(self):
        # -noreset: by default the server resets whenever its last client
        # leaves, and a program connecting during that reset is turned away
        # ("could not connect to display"); the harness's own xdotool calls
        # come and go while the program starts.
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        num = b""
        deadline = time.time() + 20
        while not num.endswith(b"\n") and time.time() < deadline:
            chunk = os.read(r, 16)
            if not chunk:
                break
            num += chunk
        os.close(r)
        if not num.strip():
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + num.decode().strip()
        self.procs.append(self.xvfb)

    def start_sim(self):
        exe = os.path.join(self.build_dir, "sim", "VM5200_SIM")
        args = [exe, "--port-dir", self.ports, "--port", str(self.port), "--model", self.model,
                "--transcript", self.transcript, "--dump-state", self.state_dump] + self.sim_args
        with self._log("sim") as err:
            self.sim = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=err)
        self.procs.append(self.sim)
        link = os.path.join(self.ports, "COM%d" % self.port)
        self._wait(lambda: os.path.exists(link), 10, "simulator port link")

    def env(self):
        e = dict(os.environ)
        e["DISPLAY"] = self.display
        e["VM5200_PORT_DIR"] = self.ports
        e["VM5200_LOCK_DIR"] = self.locks
        e.pop("QT_QPA_PLATFORM", None)
        # A decimal-comma locale where the machine has one: numbers on the
        # wire and in the window must not follow it.
        e["LC_ALL"] = os.environ.get("VM5200_E2E_LOCALE") or _decimal_comma_locale()
        return e

    def start_app(self):
        exe = os.path.join(self.build_dir, "VM5200_GUI")
        with self._log("app") as err:
            self.app = subprocess.Popen([exe] + self.app_args, cwd=self.dir, env=self.env(),
                                        stdout=subprocess.DEVNULL, stderr=err)
        self.procs.append(self.app)

    def _log(self, name):
        # What a process says on stderr, kept for the report of a failed wait.
        path = os.path.join(self.dir, name + ".log")
        self.logs[name] = path
        return open(path, "ab")

    def report(self):
        """What the desk looks like now: for the message of a failed wait."""
        lines = []
        for name, p in (("app", self.app), ("sim", self.sim), ("Xvfb", self.xvfb)):
            if p is not None:
                rc = p.poll()
                lines.append("%s: %s" % (name, "running" if rc is None else "exited %s" % rc))
        if self.display:
            ids = self.xdo("search", "--onlyvisible", "--name", ".", check=False).split()
            names = [self.window_name(i) for i in ids[:20]]
            lines.append("visible windows: %r" % names)
        for name, path in sorted(self.logs.items()):
            try:
                with open(path, encoding="utf-8", errors="replace") as f:
                    tail = f.read()[-2000:]
            except OSError:
                tail = ""
            if tail.strip():
                lines.append("%s stderr (end):\n%s" % (name, tail))
        rx = self.transcript_lines()[-15:]
        if rx:
            lines.append("transcript (end):\n" + "\n".join(rx))
        return "\n".join(lines)

    def share(self, other):
        """Uses the display, port directory and lock folder of `other`: a
        second instrument or a second program on the same desk."""
        self.display, self.ports, self.locks = other.display, other.ports, other.locks
        return self

    def lock_file(self, port=None):
        """The lock file name another serial program would use for COM<port>."""
        dev = os.path.realpath(os.path.join(self.ports, "COM%d" % (port or self.port)))
        name = dev[len("/dev/"):] if dev.startswith("/dev/") else os.path.basename(dev)
        return os.path.join(self.locks, "LCK.." + name.replace("/", "_"))

    def start(self):
        self.start_display()
        self.start_sim()
        self.start_app()
        return self

    def stop(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.send_signal(signal.SIGTERM)
        for p in reversed(self.procs):
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()

    def cleanup(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    # --- helpers -----------------------------------------------------------
    @staticmethod
    def _wait(pred, timeout, what, report=None):
        deadline = time.time() + timeout
        while time.time() < deadline:
            v = pred()
            if v:
                return v
            time.sleep(0.05)
        raise TimeoutError("timed out waiting for " + what + ("\n" + report() if report else ""))

    def xdo(self, *args, check=True):
        r = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env(),
                           capture_output=True, text=True)
        if check and r.returncode != 0:
            raise RuntimeError("xdotool %s failed: %s" % (args, r.stderr))
        return r.stdout.strip()

    def wait_window(self, name_regex, timeout=30):
        def find():
            out = self.xdo("search", "--onlyvisible", "--name", name_regex, check=False)
            return out.split()[0] if out else None
        return self._wait(find, timeout, "window " + name_regex, self.report)

    def press_in_window(self, wid, *keys):
        """Gives the window the keyboard focus (there is no window manager)
        and types the keys, e.g. Return to press a box's default button."""
        self.xdo("windowfocus", "--sync", wid, check=False)
        self.xdo("key", "--clearmodifiers", *keys)

    def answer_box(self, text_regex, *keys, timeout=30):
        """Waits for a visible window named text_regex and answers it."""
        wid = self.wait_window(text_regex, timeout)
        self.press_in_window(wid, *(keys or ("Return",)))
        return wid

    def window_name(self, wid):
        # Not stripped: a caption may begin with a blank.
        r = subprocess.run(["xdotool", "getwindowname", str(wid)], env=self.env(),
                           capture_output=True, text=True, check=True, errors="replace")
        return r.stdout.rstrip("\n")

    def transcript_lines(self):
        try:
            with open(self.transcript, encoding="latin-1") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def received(self):
        """The lines the simulator received, in order."""
        out = []
        for l in self.transcript_lines():
            parts = l.split(" ", 3)
            if len(parts) >= 3 and parts[2] == "RX":
                out.append(parts[3] if len(parts) > 3 else "")
        return out

    def wait_transcript(self, pattern, timeout=30, count=1):
        rx = re.compile(pattern)
        return self._wait(
            lambda: len([l for l in self.transcript_lines() if rx.search(l)]) >= count,
            timeout, "transcript line " + pattern)

    def screenshot(self, path):
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        subprocess.run(["import", "-window", "root", path], env=self.env(), check=True,
                       capture_output=True)
        return path

    def dump_state(self):
        if os.path.exists(self.state_dump):
            os.remove(self.state_dump)
        self.sim.send_signal(signal.SIGUSR1)
        self._wait(lambda: os.path.exists(self.state_dump) and os.path.getsize(self.state_dump) > 0,
                   10, "state dump")
        time.sleep(0.1)
        with open(self.state_dump) as f:
            return f.read()
