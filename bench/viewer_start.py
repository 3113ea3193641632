#!/usr/bin/env python3
"""How soon the viewer answers while a large log loads, on a virtual display with a window manager.

For each run: the milliseconds from the viewer's start until its window is mapped, then a click on
its Profile drop-down as soon as the window can be found, and the milliseconds until the drop-down's
list is mapped. Without LOG, a log of 3 million calls is written to a temporary file first.
Usage: viewer_start.py RUNS VIEWER [LOG]"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from desktop import mapped_windows, start_display


def write_log(path, calls):
    record = '"TALLYD"\r\n#2020-{m:02}-{d:02}#\r\n#10:00:00#\r\n#10:30:00#\r\n{s}\r\n0.{c:02}\r\n' \
             '"Default"\r\n"My ISP"\r\n0\r\n""\r\n'
    with open(path, "w", newline="") as log:
        for i in range(calls):
            log.write(record.format(m=i % 12 + 1, d=i % 28 + 1, s=60 + i % 3600, c=i % 100))


def wait_for(condition, seconds):
    end = time.monotonic() + seconds
    while not condition() and time.monotonic() < end:
        time.sleep(0.001)


def run_once(viewer, log, display, env):
    xev, seen = mapped_windows(display)
    time.sleep(0.3)
    start = time.monotonic()
    child = subprocess.Popen([viewer, log], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for(lambda: seen, 10)
    mapped = seen[0][0] - start if seen else float("nan")
    window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid", str(child.pid)], env=env,
                            capture_output=True, text=True).stdout.split()[0]
    before = len(seen)
    clicked = time.monotonic()
    # The Profile drop-down, at the left of the filter row.
    subprocess.run(["xdotool", "mousemove", "--window", window, "80", "100", "click", "1"], env=env)
    wait_for(lambda: len(seen) > before, 20)
    answered = seen[before][0] - clicked if len(seen) > before else float("nan")
    child.kill()
    child.wait()
    xev.kill()
    return mapped * 1000, (clicked - start) * 1000, answered * 1000


def main():
    runs, viewer = int(sys.argv[1]), sys.argv[2]
    work = tempfile.mkdtemp()
    log = sys.argv[3] if len(sys.argv) > 3 else os.path.join(work, "log.dat")
    if len(sys.argv) <= 3:
        write_log(log, 3_000_000)
    xvfb, display, env = start_display(work, "1280x800")
    wm = subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1)
    try:
        rows = [run_once(viewer, log, display, env) for _ in range(runs)]
    finally:
        wm.kill()
        xvfb.kill()
        shutil.rmtree(work, ignore_errors=True)
    for mapped, clicked, answered in rows:
        print(f"window after {mapped:.0f} ms; clicked at {clicked:.0f} ms; the list {answered:.0f} ms later "
              f"({clicked + answered:.0f} ms after the start)")
    print(f"median: window after {statistics.median(r[0] for r in rows):.0f} ms, "
          f"a click answered after {statistics.median(r[2] for r in rows):.0f} ms, "
          f"the list shown {statistics.median(r[1] + r[2] for r in rows):.0f} ms after the start")


if __name__ == "__main__":
    main()
