#!/usr/bin/python3
"""An Amptek .mca file as PyMca reads it (PyMca5.PyMcaIO.specfilewrapper, the reader behind its
file dialogs).

Usage: pymca_mca.py FILE
Prints "OFFSET GAIN" of the energy calibration PyMca finds (keV, keV per channel), then the
counts one per line. Exits 3 when PyMca5 is not installed.
"""
import sys

try:
    from PyMca5.PyMcaIO import specfilewrapper
except ImportError:
    print("PyMca5 is not installed (Debian package python3-pymca5)", file=sys.stderr)
    sys.exit(3)


def main():
    sf = specfilewrapper.Specfile(sys.argv[1])
    scan = sf[0]
    calib = scan.header("@CALIB")
    if not calib:
        print("PyMca found no calibration", file=sys.stderr)
        sys.exit(1)
    zero, gain = calib[0].split()[1:3]
    print(zero, gain)
    for v in scan.mca(1):
        print("%.17g" % v)


if __name__ == "__main__":
    main()
