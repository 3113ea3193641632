#!/usr/bin/env python3
"""The program's start-up beside a bare tray program, in one run on one virtual display.

For each program, in turns: the milliseconds from its start until its main window is mapped (less
the splash's two seconds for Tallydial) and its peak memory as /usr/bin/time reports it. Several
builds of Tallydial (before and after a change) can be set beside the same bare program.
Usage: startup.py RUNS BARE TALLYDIAL..."""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from desktop import mapped_windows, start_display

SPLASH_MS = 2000


def main_window(display, window, name):
    """True for a normal window of that title: the splash has the same title."""
    out = subprocess.run(["xprop", "-display", display, "-id", window, "WM_NAME", "_NET_WM_WINDOW_TYPE"],
                         capture_output=True, text=True).stdout
    return f'WM_NAME(STRING) = "{name}"' in out or f'WM_NAME(UTF8_STRING) = "{name}"' in out \
        if "_NET_WM_WINDOW_TYPE_SPLASH" not in out else False


def run_once(program, name, display, env):
    xev, seen = mapped_windows(display)
    time.sleep(0.3)
    memory = tempfile.NamedTemporaryFile(delete=False)
    start = time.monotonic()
    child = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", memory.name, program], env=env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    shown = None
    checked = 0
    while shown is None and time.monotonic() - start < 20:
        while checked < len(seen):
            stamp, window = seen[checked]
            checked += 1
            if main_window(display, window, name):
                shown = stamp
        time.sleep(0.005)
    time.sleep(1.0)
    # The program itself, so that /usr/bin/time lives to report.
    subprocess.run(["pkill", "-TERM", "-P", str(child.pid)])
    child.wait(10)
    xev.kill()
    with open(memory.name) as f:
        kilobytes = int(f.read().split()[-1])
    os.unlink(memory.name)
    return (shown - start) * 1000 if shown else float("nan"), kilobytes / 1024


def main():
    runs, bare, builds = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
    work = tempfile.mkdtemp()
    xvfb, display, env = start_display(work, "1024x768")
    results = {"bare": []} | {build: [] for build in builds}
    try:
        for _ in range(runs):
            results["bare"].append(run_once(bare, "Bare tray program", display, env))
            for build in builds:
                ms, mb = run_once(build, "Tallydial", display, env)
                results[build].append((ms - SPLASH_MS, mb))
    finally:
        xvfb.kill()
        shutil.rmtree(work, ignore_errors=True)
    median = {key: (statistics.median(r[0] for r in rows), statistics.median(r[1] for r in rows))
              for key, rows in results.items()}
    for key, rows in results.items():
        print(f"{key}: window after {statistics.median(r[0] for r in rows):6.1f} ms (median of {len(rows)}), "
              f"peak {statistics.median(r[1] for r in rows):6.2f} MB; runs (ms/MB): "
              + " ".join(f"{r[0]:.0f}/{r[1]:.2f}" for r in rows))
    for build in builds:
        print(f"{build} / bare: time {median[build][0] / median['bare'][0]:.2f}x, "
              f"peak memory {median[build][1] / median['bare'][1]:.3f}x")


if __name__ == "__main__":
    main()
