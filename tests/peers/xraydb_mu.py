#!/usr/bin/python3
"""Linear attenuation coefficients [1/cm] of a material from xraydb (Elam's tables).

Usage: xraydb_mu.py FORMULA DENSITY KIND ENERGY_KEV...
  KIND  photo, total, coh or incoh
Prints one coefficient per energy, one per line. Exits 3 when xraydb is not installed.
"""
import sys

try:
    import xraydb
except ImportError:
    print("xraydb is not installed (Debian package python3-xraydb)", file=sys.stderr)
    sys.exit(3)

formula, density, kind = sys.argv[1], float(sys.argv[2]), sys.argv[3]
for e in sys.argv[4:]:
    print("%.10g" % xraydb.material_mu(formula, float(e) * 1000.0, density=density, kind=kind))
