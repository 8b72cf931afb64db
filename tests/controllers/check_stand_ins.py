#!/usr/bin/python3
"""The controller stand-ins against Debian's real Hamlib drivers: `rotctl -m MODEL -r PTY`.

Each family is driven by rotctl as a station would drive the real controller: the position it
reports, the bytes a target and a stop put on the line, the controller's resolution and range,
and what the driver makes of a silent and of a garbled controller.
"""
import os
import subprocess
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import controller_stand_in as stand_in  # noqa: E402


class Controller:
    """A stand-in served on its own thread, directed through its control lines."""

    def __init__(self, model):
        self.line = stand_in.Line(model)
        self.number = stand_in.MODELS[model]
        self.lock = threading.Lock()
        self.running = True
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        import selectors
        selector = selectors.DefaultSelector()
        selector.register(self.line.master, selectors.EVENT_READ)
        while self.running:
            if selector.select(0.01):
                with self.lock:
                    self.line.readable()
            with self.lock:
                self.line.tick()

    def control(self, text):
        with self.lock:
            return self.line.control(text)

    def rotctl(self, *command):
        done = subprocess.run(["rotctl", "-m", str(self.number), "-r", self.line.path,
                               *command], capture_output=True, text=True, timeout=30)
        return done.returncode, done.stdout + done.stderr

    def azimuth(self):
        """The azimuth rotctl reads from the controller (its first output line)."""
        rc, out = self.rotctl("p")
        assert rc == 0, out
        return out.splitlines()[0]

    def wait_position(self, wanted, seconds=20):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if float(self.control("position")) == wanted:
                return True
            time.sleep(0.05)
        return False

    def wait_commands(self, wanted, seconds=5):
        """Until the commands understood since "clear" are `wanted` (rotctl may exit before
        the stand-in has read its last bytes); those commands."""
        deadline = time.monotonic() + seconds
        while True:
            seen = self.control("commands")
            if seen == wanted or time.monotonic() > deadline:
                return seen
            time.sleep(0.02)

    def close(self):
        self.running = False
        self.thread.join(5)


class Family:
    """Cases every family runs; a subclass names the model and what its bytes look like."""
    model = None
    set_120 = set_45 = set_200 = stop = None
    reports_30 = reports_45 = None

    def setUp(self):
        self.c = Controller(self.model)
        self.c.control("set az=30 speed=90")

    def tearDown(self):
        self.c.close()

    def test_reports_turns_and_stops_as_the_real_driver_expects(self):
        self.assertEqual(self.c.azimuth(), self.reports_30)

        self.c.control("clear")
        rc, out = self.c.rotctl("P", "120", "0")
        self.assertEqual(rc, 0, out)
        self.assertEqual(self.c.wait_commands(self.set_120), self.set_120)
        self.assertTrue(self.c.wait_position(120.0))
        self.assertEqual(self.c.azimuth(), "120.00")

        # A target between the controller's steps goes out at its resolution.
        self.c.control("clear")
        self.c.rotctl("P", "45.3", "0")
        self.assertEqual(self.c.wait_commands(self.set_45), self.set_45)
        self.assertTrue(self.c.wait_position(float(self.reports_45)))
        self.assertEqual(self.c.azimuth(), self.reports_45)

        # Stop, sent while turning, leaves it short of the target.
        self.c.control("set speed=10")
        self.c.control("clear")
        self.c.rotctl("P", "200", "0")
        rc, out = self.c.rotctl("S")
        self.assertEqual(rc, 0, out)
        both = self.set_200 + " | " + self.stop
        self.assertEqual(self.c.wait_commands(both), both)
        stopped = float(self.c.control("position"))
        self.assertLess(stopped, 150.0)
        self.assertEqual(float(self.c.azimuth()), stopped)

    def test_silent_controller_is_a_timeout_and_the_next_answer_is_good(self):
        self.c.control("silent 4")
        rc, out = self.c.rotctl("p")
        self.assertNotEqual(rc, 0, out)
        self.assertIn("Communication timed out", out)
        self.c.control("silent 0")
        self.assertEqual(self.c.azimuth(), self.reports_30)


class Gs232bTest(Family, unittest.TestCase):
    model = "gs232b"
    set_120, set_45, set_200, stop = "W120 000", "W045 000", "W200 000", "S"
    reports_30, reports_45 = "30.00", "45.00"

    def test_negative_target_goes_out_plus_360_and_range_is_minus180_to_450(self):
        rc, out = self.c.rotctl("dump_state")
        self.assertIn("min_az=-180.000000\nmax_az=450.000000", out)
        self.c.control("clear")
        self.c.rotctl("P", "-10", "0")
        self.assertEqual(self.c.wait_commands("W350 000"), "W350 000")
        self.c.control("clear")
        self.c.rotctl("P", "390", "0")
        self.assertEqual(self.c.wait_commands("W390 000"), "W390 000")

    def test_elevation_is_read_and_a_target_carries_it(self):
        self.c.control("set el=35")
        rc, out = self.c.rotctl("p")
        self.assertEqual(out.splitlines()[:2], ["30.00", "35.00"])
        self.c.control("clear")
        self.c.rotctl("P", "200", "35")
        self.assertEqual(self.c.wait_commands("W200 035"), "W200 035")
        rc, out = self.c.rotctl("P", "200", "181")  # beyond the driver's 0..180
        self.assertNotEqual(rc, 0, out)

    def test_garbled_reply_is_a_protocol_error(self):
        self.c.control("garble 1")
        rc, out = self.c.rotctl("p")
        self.assertNotEqual(rc, 0, out)
        self.assertIn("Protocol error", out)


class Rot2ProgTest(Family, unittest.TestCase):
    model = "rot2prog"
    set_120, set_45, stop = "status | set 120.0", "status | set 45.0", "stop"
    set_200 = "status | set 200.0"
    reports_30, reports_45 = "30.00", "45.00"

    def test_every_set_is_preceded_by_a_status_frame_and_steps_are_half_degrees(self):
        self.c.control("clear")
        self.c.rotctl("P", "100.7", "0")
        self.assertEqual(self.c.wait_commands("status | set 100.5"), "status | set 100.5")
        self.assertTrue(self.c.wait_position(100.5))
        self.assertEqual(self.c.azimuth(), "100.50")


class Easycomm2Test(Family, unittest.TestCase):
    model = "easycomm2"
    set_120, set_45, set_200, stop = "AZ120.0 EL0.0", "AZ45.3 EL0.0", "AZ200.0 EL0.0", "SA SE"
    reports_30, reports_45 = "30.00", "45.30"


if __name__ == "__main__":
    unittest.main(verbosity=2)
