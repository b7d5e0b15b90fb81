#!/usr/bin/python3
"""An ion chamber's fluxes from xraydb's ionchamber_fluxes, without Compton electrons.

Usage: xraydb_ionchamber.py GAS LENGTH_CM CURRENT_A ENERGY_KEV...
  GAS  an xraydb gas name (nitrogen, helium, argon); its density is xraydb's, at 0 C and 1 atm
Prints per energy one line: the flux entering [photons/s], the photoabsorbed share and the
transmitted share. Exits 3 when xraydb is not installed.
"""
import sys

try:
    import xraydb
except ImportError:
    print("xraydb is not installed (Debian package python3-xraydb)", file=sys.stderr)
    sys.exit(3)

gas, length, current = sys.argv[1], float(sys.argv[2]), float(sys.argv[3])
for e in sys.argv[4:]:
    f = xraydb.ionchamber_fluxes(gas=gas, volts=current, sensitivity=1.0, length=length,
                                 energy=float(e) * 1000.0, with_compton=0)
    print("%.10g %.10g %.10g" % (f.incident, f.photo / f.incident, f.transmitted / f.incident))
