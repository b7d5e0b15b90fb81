#!/usr/bin/python3
"""Primary line rates of a homogeneous layer from xraylib's line cross sections.

Usage: xraylib_rates.py ENERGY_KEV MASS_PER_AREA_G_CM2 ALPHA BETA COMPOSITION GROUP...
  COMPOSITION  mass fractions of compounds, "Fe2O3:0.01,BN:0.99"
  GROUP        an element and the subshell its lines start from, "Fe K", "Pb L3", ...
Prints one line per emission line: "GROUP LINE ENERGY PRIMARY 0", LINE named as fisx names it
(KL3, L3M5, ...), PRIMARY in photons per incident photon and per unit of (solid angle / 4 pi):

    w rho t sigma_line(E0) / sin(alpha) * (1 - exp(-S)) / S,
    S = rho t (mu(E0) / sin(alpha) + mu(E_line) / sin(beta)),

sigma_line from CS_FluorLine_Kissel_Cascade (subshell photoionisation, Coster-Kronig and
K-to-L cascades, yields and radiative rates) and mu from CS_Total of the mixture. Exits 3 when
xraylib is not installed.

Usage: xraylib_rates.py --transitions Z_FIRST Z_LAST
Prints "Z TRANSITION RATE" for every radiative transition into K, L1, L2 or L3 that xraylib
gives a non-zero rate (RadRate) and an energy.
"""
import math
import re
import sys

try:
    import xraylib
except ImportError:
    print("xraylib is not installed (Debian package python3-xraylib)", file=sys.stderr)
    sys.exit(3)


def transitions(first, last):
    names = sorted(n[:-5] for n in dir(xraylib) if re.match(r"^(K|L[123])[KLMNOPQ]\d_LINE$", n))
    for z in range(first, last + 1):
        for name in names:
            line = getattr(xraylib, name + "_LINE")
            try:
                rate, energy = xraylib.RadRate(z, line), xraylib.LineEnergy(z, line)
            except ValueError:
                continue
            if rate > 0 and energy > 0:
                print("%d %s %.6g" % (z, name, rate))


def main():
    if sys.argv[1] == "--transitions":
        transitions(int(sys.argv[2]), int(sys.argv[3]))
        return
    energy, mass_per_area = float(sys.argv[1]), float(sys.argv[2])
    sin_a = math.sin(math.radians(float(sys.argv[3])))
    sin_b = math.sin(math.radians(float(sys.argv[4])))
    fractions = {}
    for part in sys.argv[5].split(","):
        formula, share = part.split(":")
        c = xraylib.CompoundParser(formula)
        for z, w in zip(c["Elements"], c["massFractions"]):
            fractions[z] = fractions.get(z, 0.0) + float(share) * w

    def mu(e):
        return sum(w * xraylib.CS_Total(z, e) for z, w in fractions.items())

    for group in sys.argv[6:]:
        symbol, shell = group.split()
        z = xraylib.SymbolToAtomicNumber(symbol)
        names = sorted(n[:-5] for n in dir(xraylib)
                       if re.match(r"^%s[KLMNOPQ]\d_LINE$" % shell, n))
        for name in names:
            line = getattr(xraylib, name + "_LINE")
            try:
                sigma = xraylib.CS_FluorLine_Kissel_Cascade(z, line, energy)
                e_line = xraylib.LineEnergy(z, line)
            except ValueError:
                continue
            if sigma <= 0:
                continue
            s = mass_per_area * (mu(energy) / sin_a + mu(e_line) / sin_b)
            rate = fractions.get(z, 0.0) * mass_per_area * sigma / sin_a * -math.expm1(-s) / s
            print("%s\t%s\t%.6f\t%.10g\t0" % (group, name, e_line, rate))


if __name__ == "__main__":
    main()
