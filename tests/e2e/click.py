#!/usr/bin/env python3
"""Clicks the left mouse button at X Y of the screen in DISPLAY, as a user with a mouse would.

Uses the XTEST extension through libX11 and libXtst, like press_key.py.
"""
import ctypes
import sys

x, y = int(sys.argv[1]), int(sys.argv[2])
x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]
xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("no X display")
xtst.XTestFakeMotionEvent(display, -1, x, y, 0)
for down in (1, 0):
    xtst.XTestFakeButtonEvent(display, 1, down, 10)
x11.XFlush(display)
x11.XCloseDisplay(display)
