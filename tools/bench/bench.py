#!/usr/bin/env python3
"""Benchmarks of the real game under Xvfb (Mesa llvmpipe). Prints numbers; asserts nothing.

  python3 tools/bench/bench.py [RUN_DIR]      (default: build/run)

start-up   time from exec to the first painted frame: the first glXSwapBuffers, time-stamped
           by the LD_PRELOAD shim swaplog.c (the shared side-by-side benchmark's measure)
memory     resident set of the idle game in the main menu
idle CPU   share of one core used by the idle game in the main menu over 10 s, and its
           frame rate
FPS        frames per second with frame pacing off (KORVANE_UNCAPPED=1) in a local game
           at the start position, per resolution, shadows and cartoon setting
"""

import os
import statistics
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
top = os.path.dirname(os.path.dirname(here))
sys.path.insert(0, os.path.join(top, "tests", "e2e"))
os.environ.setdefault("KORVANE_RUN_DIR", os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else
                      os.path.join(top, "build", "run"))

import harness  # noqa: E402
from benchlib import probe_fps  # noqa: E402

harness.RUN_DIR = os.environ["KORVANE_RUN_DIR"]


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rss_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return float("nan")


def build_shim():
    shim = "/tmp/korvane-swaplog.so"
    subprocess.check_call(["gcc", "-O2", "-shared", "-fPIC", "-o", shim,
                           os.path.join(here, "swaplog.c"), "-ldl"])
    return shim


def startup_ms(xvfb, runs=5):
    shim = build_shim()
    times = []
    for _ in range(runs):
        log = tempfile.mktemp(prefix="swaps.", dir="/tmp")
        t0 = time.clock_gettime_ns(time.CLOCK_MONOTONIC)
        g = harness.Game(xvfb, config=harness.config_with(),
                         env={"LD_PRELOAD": shim, "SWAPLOG": log})
        first = None
        while first is None:
            if g.proc.poll() is not None:
                raise SystemExit("game exited: " + g.stderr())
            if os.path.exists(log):
                with open(log) as f:
                    line = f.readline()
                first = int(line) if line.strip() else None
            time.sleep(0.002)
        times.append((first - t0) / 1e6)
        g.stop()
        os.unlink(log)
    return statistics.median(times), min(times), max(times)


def idle(xvfb):
    g = harness.Game(xvfb, config=harness.config_with())
    g.wait_window()
    g.wait_probe(lambda p: p.frame >= 5)
    time.sleep(3)
    rss = rss_mib(g.proc.pid)
    c0, f0, t0 = cpu_seconds(g.proc.pid), g.probe().frame, time.monotonic()
    time.sleep(10)
    elapsed = time.monotonic() - t0
    cpu = (cpu_seconds(g.proc.pid) - c0) / elapsed * 100
    rate = (g.probe().frame - f0) / elapsed
    g.stop()
    return rss, cpu, rate


def fps(xvfb, w, h, shadows, cartoon):
    g = harness.Game(xvfb, config=harness.config_with(W=str(w), H=str(h), Shadows=shadows,
                                                      Cartoon=cartoon),
                     env={"KORVANE_UNCAPPED": "1"})
    g.wait_window()
    p = g.wait_probe(lambda p: p.frame >= 3)
    if "Menu/LocalButton" in p.windows:
        g.click_window("Menu/LocalButton")
        g.wait_probe(lambda p: p.values.get("mode") == "0")
    time.sleep(1)
    fps = probe_fps(g, 5)
    g.stop()
    return fps


def main():
    xvfb = harness.Xvfb()
    try:
        med, lo, hi = startup_ms(xvfb)
        print(f"start-up to first painted frame: median {med:.0f} ms (min {lo:.0f}, max {hi:.0f}, 5 runs)")
        rss, cpu, rate = idle(xvfb)
        print(f"idle main menu: resident memory {rss:.1f} MiB, CPU {cpu:.1f} % of one core, "
              f"{rate:.1f} frames/s")
        print(f"load average at the end: {os.getloadavg()[0]:.1f} (the machine is shared)")
        for (w, h) in ((800, 600), (1024, 768)):
            for shadows in ("true", "false"):
                for cartoon in ("false", "true"):
                    r = fps(xvfb, w, h, shadows, cartoon)
                    print(f"FPS {w}x{h} shadows={shadows} cartoon={cartoon}: {r:.1f}")
    finally:
        xvfb.stop()


if __name__ == "__main__":
    main()
