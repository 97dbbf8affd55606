#!/usr/bin/env python3
"""An independent serial client (pyserial) asks the simulator for its identity."""
import os
import subprocess
import sys
import tempfile
import time

try:
    import serial
except ImportError:
    # A missing client fails the check: scripts/install-deps.sh installs it.
    print("pyserial is not installed (Debian: python3-serial)", file=sys.stderr)
    sys.exit(1)

sim_exe = sys.argv[1]
with tempfile.TemporaryDirectory() as ports:
    sim = subprocess.Popen([sim_exe, "--port-dir", ports, "--port", "4", "--model", "5208", "--serial", "2468"],
                           stdout=subprocess.PIPE)
    try:
        device = sim.stdout.readline().decode().strip()
        link = os.path.join(ports, "COM4")
        assert os.path.realpath(link) == device, (link, device)

        with serial.Serial(link, 9600, timeout=0.3) as port:  # wrong rate: no answer
            port.write(b"*IDN?\r\n")
            assert port.read_until(b"\r") == b"", "answered at the wrong rate"

        with serial.Serial(link, 115200, timeout=2) as port:
            port.reset_input_buffer()
            port.write(b"*IDN?\r\n")
            reply = port.read_until(b"\r")
            print("*IDN? ->", reply)
            assert reply == b"VM,5208,2468,1.00-1.25\r", reply
            port.write(b"*CFG? 90?\r\n")
            assert port.read_until(b"\r") == b"DIS RIS HIGH 2.5 DIS\r"
    finally:
        sim.terminate()
        sim.wait(timeout=10)
    assert not os.path.lexists(os.path.join(ports, "COM4")), "link left behind"
print("ok")
