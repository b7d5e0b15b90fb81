#!/usr/bin/python3
"""Chebyshev coefficients of exp(x) E1(x) and exp(-y) Ei(y) for physics/DetailedFluorescence.cpp.

Run with Debian's interpreter and python3-mpmath (apt-get install python3-mpmath):

    /usr/bin/python3 tools/gen_expint_coeffs.py > /tmp/coefficients.txt

and paste the two tables over SCALED_E1_OCTAVES and SCALED_EI_OCTAVES. Each octave
[2^k, 2^(k+1)) gets the coefficients of the interpolant at 48 Chebyshev points in
t = 2 x / 2^k - 3, computed with 50 digits and cut after degree 22; the script prints, on stderr,
the largest sum of the cut terms relative to the function on any octave.
"""

import sys

import mpmath as mp

mp.mp.dps = 50
POINTS = 48
DEGREE = 22


def chebyshev(f, lo, hi):
    half = mp.mpf(1) / 2
    nodes = [mp.cos(mp.pi * (k + half) / POINTS) for k in range(POINTS)]
    values = [f((lo + hi) / 2 + (hi - lo) / 2 * t) for t in nodes]
    c = [2 * mp.fsum(values[k] * mp.cos(j * mp.pi * (k + half) / POINTS) for k in range(POINTS))
         / POINTS for j in range(POINTS)]
    c[0] /= 2
    return c[:DEGREE + 1], mp.fsum(abs(x) for x in c[DEGREE + 1:])


def main():
    worst = mp.mpf(0)
    tables = [("SCALED_E1_OCTAVES", lambda x: mp.exp(x) * mp.e1(x), range(0, 3)),
              ("SCALED_EI_OCTAVES", lambda y: mp.exp(-y) * mp.ei(y), range(0, 6))]
    for name, f, octaves in tables:
        print("constexpr double %s[][CHEBYSHEV_TERMS] = {" % name)
        for k in octaves:
            lo, hi = mp.mpf(2) ** k, mp.mpf(2) ** (k + 1)
            c, tail = chebyshev(f, lo, hi)
            worst = max(worst, tail / min(abs(f(lo)), abs(f(hi))))
            print("    {" + ", ".join(repr(float(x)) for x in c) + "},")
        print("};")
    print("largest cut-off tail relative to the function: %s" % mp.nstr(worst, 3), file=sys.stderr)


if __name__ == "__main__":
    main()
