#!/usr/bin/env python3
"""Idle CPU of a local game whose clock runs, against the same game without a clock. Prints
numbers; asserts nothing.

  KORVANE_RUN_DIR=build/run /usr/bin/python3 tools/bench/clock_idle.py

Each game is left alone for 10 s once its clock runs (10+0: whole seconds; 0:15+0: tenths,
drawn as they change); the figure is the game's own CPU time over that wall time, as the
side-by-side benchmark counts idle CPU.
"""

import os
import time

from benchlib import harness  # noqa: E402


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def idle_cpu(xvfb, control, seconds=10.0):
    extra = f"TimeControl={control}\n" if control else ""
    g = harness.Game(xvfb, config=harness.config_with() + extra)
    try:
        g.wait_window()
        g.wait_probe(lambda p: p.frame >= 3 and p.visible("Menu/LocalButton"))
        g.click_window("Menu/LocalButton")
        g.wait_probe(lambda p: p.values.get("mode") == "0")
        time.sleep(2)  # past the second of activity the click counts for
        before, start = cpu_seconds(g.proc.pid), time.monotonic()
        first = g.probe()
        time.sleep(seconds)
        last = g.probe()
        used = cpu_seconds(g.proc.pid) - before
        wall = time.monotonic() - start
        drawn = int(last.values["drawn"]) - int(first.values["drawn"])
        return 100.0 * used / wall, drawn / wall, last.values["clock"]
    finally:
        g.stop()


def main():
    xvfb = harness.Xvfb()
    try:
        for control, name in ((None, "no clock"), ("600+0", "10+0"), ("15+0", "0:15+0")):
            cpu, fps, clock = idle_cpu(xvfb, control)
            print(f"local game, {name}: {cpu:.2f} % of a core idle, {fps:.1f} frames drawn a"
                  f" second (clock line at the end: {clock}; load average"
                  f" {os.getloadavg()[0]:.2f})")
    finally:
        xvfb.stop()


if __name__ == "__main__":
    main()
