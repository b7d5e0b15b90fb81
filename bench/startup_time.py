#!/usr/bin/python3
"""Time from process start to the first expose of Tirn's main window, on a running X server.

    DISPLAY=:99 bench/startup_time.py [runs] -- /path/to/Tirn [args...]

Listens on the root window for new top-level windows (SubstructureNotify), asks for exposure
events on each as it is created, starts the program and takes the time of the first Expose of a
window that is mapped; then ends the program. Each run starts from the defaults in a fresh
settings folder (--fresh, XDG_CONFIG_HOME in a temporary folder), so no last session is read.
Prints each run and the median, in ms. Uses only libX11 through ctypes (no python X module).
"""

import ctypes
import ctypes.util
import os
import select
import signal
import statistics
import subprocess
import sys
import tempfile
import time

X = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
X.XOpenDisplay.restype = ctypes.c_void_p
X.XOpenDisplay.argtypes = [ctypes.c_char_p]
X.XDefaultRootWindow.restype = ctypes.c_ulong
X.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
X.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
X.XPending.argtypes = [ctypes.c_void_p]
X.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
X.XConnectionNumber.argtypes = [ctypes.c_void_p]
X.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
X.XFlush.argtypes = [ctypes.c_void_p]

EXPOSURE_MASK = 1 << 15
STRUCTURE_NOTIFY_MASK = 1 << 17
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
EXPOSE, CREATE_NOTIFY, MAP_NOTIFY = 12, 16, 19


class XAnyEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong)]


class XCreateWindowEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("parent", ctypes.c_ulong),
                ("window", ctypes.c_ulong)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("any", XAnyEvent), ("create", XCreateWindowEvent),
                ("pad", ctypes.c_long * 24)]


def one_run(display, root, command, timeout=20.0):
    fd = X.XConnectionNumber(display)
    ev = XEvent()
    with tempfile.TemporaryDirectory() as config:
        env = dict(os.environ, XDG_CONFIG_HOME=config)
        start = time.monotonic()
        proc = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        mapped = set()
        shown = None
        try:
            while shown is None and time.monotonic() - start < timeout:
                while X.XPending(display):
                    X.XNextEvent(display, ctypes.byref(ev))
                    if ev.type == CREATE_NOTIFY and ev.create.parent == root:
                        X.XSelectInput(display, ev.create.window,
                                       EXPOSURE_MASK | STRUCTURE_NOTIFY_MASK)
                        X.XFlush(display)
                    elif ev.type == MAP_NOTIFY:
                        mapped.add(ev.any.window)
                    elif ev.type == EXPOSE and shown is None:
                        shown = time.monotonic() - start
                if shown is None:
                    select.select([fd], [], [], 0.005)
        finally:
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        # Let the closing window's events go before the next run.
        time.sleep(0.2)
        while X.XPending(display):
            X.XNextEvent(display, ctypes.byref(ev))
    return shown


def main():
    args = sys.argv[1:]
    runs = 10
    if args and args[0] != "--":
        runs = int(args.pop(0))
    if not args or args[0] != "--" or len(args) < 2:
        sys.exit(__doc__)
    command = args[1:]
    if "--fresh" not in command:
        command.append("--fresh")
    display = X.XOpenDisplay(None)
    if not display:
        sys.exit("no X display (set DISPLAY)")
    root = X.XDefaultRootWindow(display)
    X.XSelectInput(display, root, SUBSTRUCTURE_NOTIFY_MASK)
    X.XSync(display, 0)
    times = []
    for i in range(runs):
        t = one_run(display, root, command)
        if t is None:
            sys.exit("run %d: no window was exposed within 20 s" % (i + 1))
        times.append(t * 1000)
        print("run %2d: %7.1f ms" % (i + 1, times[-1]))
    print("median of %d: %.1f ms (min %.1f, max %.1f)" %
          (runs, statistics.median(times), min(times), max(times)))


if __name__ == "__main__":
    main()
