#!/usr/bin/python3
"""Line rates of a homogeneous layer from fisx, the fundamental-parameter library behind PyMca.

Usage: fisx_rates.py [--scatter] ENERGY_KEV MASS_PER_AREA_G_CM2 ALPHA BETA SECONDARY COMPOSITION
                     GROUP...
  SECONDARY    fisx's secondary flag: 0 primary only, 1 secondary excitation within the layer
  COMPOSITION  mass fractions of compounds, "Fe2O3:0.01,BN:0.99"
  GROUP        fisx line groups, "Fe K", "Pb L3", ...
Prints one line per emission line: "GROUP LINE ENERGY PRIMARY SECONDARY", where PRIMARY and
SECONDARY are photons per incident photon and per unit of (solid angle / 4 pi), without
attenuators or detector. With --scatter a sixth column SCATTER follows: the part of SECONDARY
that fisx ascribes to excitation by the scattered incident beam rather than by fluorescence
lines. Exits 3 when fisx is not installed.

Usage: fisx_rates.py --transitions Z_FIRST Z_LAST
Prints "Z TRANSITION RATE" for every radiative transition into K, L1, L2 or L3 that fisx gives a
non-zero rate (share of the subshell's radiative emission).
"""
import sys

try:
    from fisx import Elements, Material, XRF
except ImportError:
    print("fisx is not installed (Debian package python3-fisx)", file=sys.stderr)
    sys.exit(3)


def transitions(first, last):
    elements = Elements()
    elements.initializeAsPyMca()
    for z in range(first, last + 1):
        symbol = elements.getElementNames()[z - 1]
        for shell in ("K", "L1", "L2", "L3"):
            for name, rate in sorted(elements.getRadiativeTransitions(symbol, shell).items()):
                if name != "TOTAL" and rate > 0:
                    print("%d %s %.6g" % (z, name, rate))


def main():
    args = sys.argv[1:]
    if args and args[0] == "--transitions":
        transitions(int(args[1]), int(args[2]))
        return
    scatter = bool(args) and args[0] == "--scatter"
    if scatter:
        args = args[1:]
    energy = float(args[0])
    mass_per_area = float(args[1])
    alpha, beta = float(args[2]), float(args[3])
    secondary = int(args[4])
    parts = [p.split(":") for p in args[5].split(",")]
    groups = args[6:]

    elements = Elements()
    elements.initializeAsPyMca()
    # Element mass fractions of the mixture, from fisx's own formula parser.
    fractions = {}
    for formula, share in parts:
        for element, w in elements.getComposition(formula).items():
            fractions[element] = fractions.get(element, 0.0) + float(share) * w
    thickness = 0.1  # cm; only the product with the density matters
    sample = Material("Pellet", mass_per_area / thickness, thickness)
    sample.setComposition(fractions)
    elements.addMaterial(sample)

    xrf = XRF()
    xrf.setBeam(energy)
    xrf.setSample([["Pellet", mass_per_area / thickness, thickness]])
    xrf.setGeometry(alpha, beta)
    result = xrf.getMultilayerFluorescence(groups, elements, secondary=secondary,
                                           useMassFractions=1)
    for group in groups:
        for layer in result.get(group, {}):
            for line, v in sorted(result[group][layer].items()):
                row = "%s\t%s\t%.6f\t%.10g\t%.10g" % (group, line, v["energy"], v["primary"],
                                                       v.get("secondary", 0.0))
                if scatter:
                    # Contributions are keyed by their source; the beam's own are "... scattering".
                    row += "\t%.10g" % sum(x for k, x in v.items() if "scattering" in k)
                print(row)


if __name__ == "__main__":
    main()
