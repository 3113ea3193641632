"""A virtual display of its own for the start-up measurements, and the windows mapped on it."""
import os
import re
import subprocess
import threading
import time


def start_display(work, size):
    """Xvfb on a free display, and an environment whose XDG folders all lie in `work`."""
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", size + "x24", "-nolisten", "tcp"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    display = ":" + xvfb.stdout.readline().strip()
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", HOME=work,
               XDG_CONFIG_HOME=work + "/config", XDG_DATA_HOME=work + "/data", XDG_STATE_HOME=work + "/state",
               XDG_CACHE_HOME=work + "/cache", XDG_RUNTIME_DIR=work + "/runtime")
    os.makedirs(work + "/runtime", mode=0o700, exist_ok=True)
    return xvfb, display, env


def mapped_windows(display):
    """Every top-level window mapped on the display, as (monotonic time, id), in a list that grows."""
    seen = []
    xev = subprocess.Popen(["stdbuf", "-oL", "xev", "-display", display, "-root", "-event", "substructure"],
                           stdout=subprocess.PIPE, text=True)

    def read():
        mapping = False
        for line in xev.stdout:
            if line.startswith("MapNotify"):
                mapping = True
                stamp = time.monotonic()
            elif mapping:
                found = re.search(r"window (0x[0-9a-f]+)", line)
                if found:
                    seen.append((stamp, found.group(1)))
                mapping = False

    threading.Thread(target=read, daemon=True).start()
    return xev, seen
