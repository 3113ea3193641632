#!/usr/bin/env python3
"""Drives the X display in DISPLAY as a user at the mouse and keyboard would.

  xtest.py click X Y    clicks the left mouse button at X Y of the screen
  xtest.py key KEY...   presses and releases keys one after another: an X keysym name ("Return", "Tab",
                        "a", "5"), a single character ("." or ","), or modifiers joined to a key with "+"
                        ("ctrl+Tab", "ctrl+shift+Tab", "ctrl+a")
Uses the XTEST extension through libX11 and libXtst, which every X server and x11-utils bring.
"""
import ctypes
import sys
import time

x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XStringToKeysym.restype = ctypes.c_ulong
x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
x11.XKeysymToKeycode.restype = ctypes.c_ubyte
x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]
xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]

MODIFIERS = {"ctrl": "Control_L", "shift": "Shift_L", "alt": "Alt_L"}
CHARACTERS = {".": "period", ",": "comma", " ": "space", ":": "colon", "-": "minus"}

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("no X display")


def keycode(name):
    name = MODIFIERS.get(name, CHARACTERS.get(name, name))
    code = x11.XKeysymToKeycode(display, x11.XStringToKeysym(name.encode()))
    if not code:
        sys.exit("no key for " + name)
    return code


if sys.argv[1] == "click":
    xtst.XTestFakeMotionEvent(display, -1, int(sys.argv[2]), int(sys.argv[3]), 0)
    for down in (1, 0):
        xtst.XTestFakeButtonEvent(display, 1, down, 10)
    x11.XFlush(display)
else:
    for combination in sys.argv[2:]:
        parts = combination.split("+") if len(combination) > 1 else [combination]
        codes = [keycode(part) for part in parts]
        for code in codes:
            xtst.XTestFakeKeyEvent(display, code, 1, 0)
        for code in reversed(codes):
            xtst.XTestFakeKeyEvent(display, code, 0, 0)
        x11.XFlush(display)
        time.sleep(0.05)
x11.XCloseDisplay(display)
