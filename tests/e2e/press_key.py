#!/usr/bin/env python3
"""Presses and releases one key on the X display in DISPLAY, as a user at the keyboard would.

Uses the XTEST extension through libX11 and libXtst, which every X server and x11-utils bring.
"""
import ctypes
import sys

keysym_name = sys.argv[1].encode() if len(sys.argv) > 1 else b"Return"
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

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("no X display")
code = x11.XKeysymToKeycode(display, x11.XStringToKeysym(keysym_name))
if not code:
    sys.exit("no key for " + keysym_name.decode())
for down in (1, 0):
    xtst.XTestFakeKeyEvent(display, code, down, 0)
x11.XFlush(display)
x11.XCloseDisplay(display)
