#!/usr/bin/python3
"""Reference figures for the detector response, from xraylib, xraydb and fisx.

Usage:
  detector_reference.py compton E0_KEV THETA_DEG
      the Compton energy (xraylib ComptonEnergy)
  detector_reference.py escape E_KEV SI_MM
      fisx's Si escape rates for a photon of E_KEV: "KA TOTAL", the Ka pair (K-L2, K-L3) and all
      escape lines
  detector_reference.py efficiency E_KEV SI_MM BE_UM
      exp(-mu_Be rho t) (1 - exp(-tau_Si rho t)) with xraydb's Elam cross sections (total for
      Be, photoabsorption for Si) and densities
  detector_reference.py scatter E0_KEV MASS_PER_AREA ALPHA BETA RADIUS DISTANCE POLARISED COMPOSITION
      Rayleigh and Compton photons per incident photon reaching a detector disc of RADIUS at
      DISTANCE (cm) on the axis leaving the layer at BETA to its surface, the beam arriving at
      ALPHA on the other side of the normal; POLARISED 1 for a beam linearly polarised in the
      plane of beam and axis, 0 unpolarised; COMPOSITION mass fractions of compounds,
      "Fe2O3:0.01,BN:0.99". The disc is sampled on a polar grid of its own plane, the cross
      sections are xraylib's DCS_/DCSP_Rayl and _Compt, and the self-absorption uses xraylib's
      total attenuation along each direction.
  detector_reference.py escape_material MATERIAL E_KEV THICKNESS_MM
      fisx's escape rates for a photon of E_KEV in a Ge or CdTe crystal: the Ka (K-L) and the Kb
      (the other K lines) escapes of each element of the crystal in turn (Ge; Cd, Te), then
      all escape lines
  detector_reference.py efficiency_material E_KEV CRYSTAL DENSITY CRYSTAL_MM WINDOW WINDOW_DENSITY
                        WINDOW_UM DEAD_UM
      exp(-mu_window t) exp(-mu_crystal t_dead) (1 - exp(-tau_crystal t)) with xraydb's
      material_mu (total for window and dead layer, photoabsorption for the crystal), formulas
      and densities as given
  detector_reference.py windows_mut E_KEV FORMULA DENSITY UM [FORMULA DENSITY UM]
      the summed mu t of the layers with xraydb's material_mu, total attenuation
  detector_reference.py window_ratio E0_KEV MASS_PER_AREA ALPHA BETA COMPOSITION FORMULA DENSITY UM
      fisx's Ka (K-L2 + K-L3) rates of S and Fe from a layer of COMPOSITION (as for scatter;
      primary only, attenuators applied), with the window of FORMULA as beam filter and as
      attenuator, over the same rates without it. fisx puts filters and attenuators at normal incidence, so the window enters
      as UM / sin(ALPHA) and UM / sin(BETA). Prints "S_RATIO FE_RATIO".
Exits 3 when a module it needs is missing.
"""
import math
import sys

try:
    import xraylib
except ImportError:
    print("xraylib is not installed (Debian package python3-xraylib)", file=sys.stderr)
    sys.exit(3)


def compton(e0, theta):
    print("%.9g" % xraylib.ComptonEnergy(e0, math.radians(theta)))


def escape(e, si_mm):
    try:
        from fisx import Detector, Elements
    except ImportError:
        print("fisx is not installed (Debian package python3-fisx)", file=sys.stderr)
        sys.exit(3)
    elements = Elements()
    elements.initializeAsPyMca()
    detector = Detector("Si", 2.33, si_mm * 0.1)
    lines = detector.getEscape(e, elements)
    ka = sum(v["rate"] for k, v in lines.items() if k.startswith("Si_KL"))
    print("%.9g %.9g" % (ka, sum(v["rate"] for v in lines.values())))


def need_fisx():
    try:
        import fisx
    except ImportError:
        print("fisx is not installed (Debian package python3-fisx)", file=sys.stderr)
        sys.exit(3)
    return fisx


def need_xraydb():
    try:
        import xraydb
    except ImportError:
        print("xraydb is not installed (Debian package python3-xraydb)", file=sys.stderr)
        sys.exit(3)
    return xraydb


CRYSTALS = {"Ge": ("Ge", 5.323), "CdTe": ("CdTe", 5.85)}


def escape_material(material, e, mm):
    fisx = need_fisx()
    elements = fisx.Elements()
    elements.initializeAsPyMca()
    formula, density = CRYSTALS[material]
    crystal = fisx.Material(material, density, mm * 0.1)
    crystal.setComposition(elements.getComposition(formula))
    elements.addMaterial(crystal)
    detector = fisx.Detector(material, density, mm * 0.1)
    lines = detector.getEscape(e, elements)
    figures = []
    for symbol in (["Ge"] if material == "Ge" else ["Cd", "Te"]):
        ka = sum(v["rate"] for k, v in lines.items() if k.startswith(symbol + "_KL"))
        kb = sum(v["rate"] for k, v in lines.items()
                 if k.startswith(symbol + "_K") and not k.startswith(symbol + "_KL"))
        figures += [ka, kb]
    figures.append(sum(v["rate"] for v in lines.values()))
    print(" ".join("%.9g" % f for f in figures))


def efficiency_material(e, crystal, density, mm, window, window_density, window_um, dead_um):
    xraydb = need_xraydb()
    ev = e * 1000.0
    t = math.exp(-xraydb.material_mu(window, ev, window_density, kind="total") * window_um * 1e-4)
    t *= math.exp(-xraydb.material_mu(crystal, ev, density, kind="total") * dead_um * 1e-4)
    absorbed = 1.0 - math.exp(-xraydb.material_mu(crystal, ev, density, kind="photo") * mm * 0.1)
    print("%.9g" % (t * absorbed))


def windows_mut(e, layers):
    xraydb = need_xraydb()
    mut = 0.0
    for i in range(0, len(layers) - 2, 3):
        formula, density, um = layers[i], float(layers[i + 1]), float(layers[i + 2])
        mut += xraydb.material_mu(formula, e * 1000.0, density, kind="total") * um * 1e-4
    print("%.9g" % mut)


def window_ratio(e0, mass, alpha, beta, composition, formula, density, um):
    fisx = need_fisx()
    elements = fisx.Elements()
    elements.initializeAsPyMca()
    fractions = {}
    for part in composition.split(","):
        compound, share = part.split(":")
        for element, w in elements.getComposition(compound).items():
            fractions[element] = fractions.get(element, 0.0) + float(share) * w
    thickness = 0.1
    sample = fisx.Material("Pellet", mass / thickness, thickness)
    sample.setComposition(fractions)
    elements.addMaterial(sample)
    window = fisx.Material("Window", density, um * 1e-4)
    window.setComposition(elements.getComposition(formula))
    elements.addMaterial(window)

    def ka(with_window):
        xrf = fisx.XRF()
        xrf.setBeam(e0)
        xrf.setSample([["Pellet", mass / thickness, thickness]])
        xrf.setGeometry(alpha, beta)
        if with_window:
            t = um * 1e-4
            xrf.setBeamFilters([["Window", density, t / math.sin(math.radians(alpha)), 1.0]])
            xrf.setAttenuators([["Window", density, t / math.sin(math.radians(beta)), 1.0]])
        result = xrf.getMultilayerFluorescence(["S K", "Fe K"], elements, secondary=0,
                                               useMassFractions=1)
        rates = []
        for group in ("S K", "Fe K"):
            rates.append(sum(v["rate"] for layer in result[group].values()
                             for line, v in layer.items() if line in ("KL2", "KL3")))
        return rates

    bare, covered = ka(False), ka(True)
    print("%.9g %.9g" % (covered[0] / bare[0], covered[1] / bare[1]))


def efficiency(e, si_mm, be_um):
    try:
        import xraydb
    except ImportError:
        print("xraydb is not installed (Debian package python3-xraydb)", file=sys.stderr)
        sys.exit(3)
    ev = e * 1000.0
    window = math.exp(-xraydb.mu_elam("Be", ev, kind="total") * xraydb.atomic_density("Be") *
                      be_um * 1e-4)
    crystal = 1.0 - math.exp(-xraydb.mu_elam("Si", ev, kind="photo") *
                             xraydb.atomic_density("Si") * si_mm * 0.1)
    print("%.9g" % (window * crystal))


def scatter(e0, mass, alpha, beta, radius, distance, polarised, composition):
    parts = [(c, float(w)) for c, w in (p.split(":") for p in composition.split(","))]
    fractions = {}
    for formula, share in parts:
        cmp = xraylib.CompoundParser(formula)
        for z, w in zip(cmp["Elements"], cmp["massFractions"]):
            fractions[z] = fractions.get(z, 0.0) + share * w

    def mu(e):
        return sum(w * xraylib.CS_Total(z, e) for z, w in fractions.items())

    a, b = math.radians(alpha), math.radians(beta)
    beam = (math.cos(a), 0.0, -math.sin(a))
    field = (math.sin(a), 0.0, math.cos(a))
    axis = (math.cos(b), 0.0, math.sin(b))
    u = (-math.sin(b), 0.0, math.cos(b))
    v = (0.0, 1.0, 0.0)
    dot = lambda p, q: sum(x * y for x, y in zip(p, q))
    mu0 = mu(e0) / math.sin(a)
    rayleigh = compton = 0.0
    rings, sectors = 60, 72
    for i in range(rings):
        r = radius * (i + 0.5) / rings
        for k in range(sectors):
            phi = 2 * math.pi * (k + 0.5) / sectors
            p = [distance * axis[j] + r * (math.cos(phi) * u[j] + math.sin(phi) * v[j])
                 for j in range(3)]
            length = math.sqrt(dot(p, p))
            d = [x / length for x in p]
            if d[2] <= 0:
                continue
            # Solid angle of the disc element: its area, tilted by the angle to the direction.
            omega = (r * radius / rings * 2 * math.pi / sectors) * (distance / length) / length ** 2
            cos_t = max(-1.0, min(1.0, dot(beam, d)))
            theta = math.acos(cos_t)
            if polarised:
                sin_t = math.sin(theta)
                cos_phi = dot(field, d) / sin_t if sin_t > 1e-12 else 1.0
                ph = math.acos(max(-1.0, min(1.0, cos_phi)))
                dr = sum(w * xraylib.DCSP_Rayl(z, e0, theta, ph) for z, w in fractions.items())
                dc = sum(w * xraylib.DCSP_Compt(z, e0, theta, ph) for z, w in fractions.items())
            else:
                dr = sum(w * xraylib.DCS_Rayl(z, e0, theta) for z, w in fractions.items())
                dc = sum(w * xraylib.DCS_Compt(z, e0, theta) for z, w in fractions.items())
            ec = xraylib.ComptonEnergy(e0, theta)
            for dcs, e, total in ((dr, e0, "r"), (dc, ec, "c")):
                s = (mu0 + mu(e) / d[2]) * mass
                slab = (1 - math.exp(-s)) / s
                rate = omega * dcs * mass / math.sin(a) * slab
                if total == "r":
                    rayleigh += rate
                else:
                    compton += rate
    print("%.9g %.9g" % (rayleigh, compton))


def main():
    args = sys.argv[1:]
    what, nums = args[0], args[1:]
    if what == "compton":
        compton(float(nums[0]), float(nums[1]))
    elif what == "escape":
        escape(float(nums[0]), float(nums[1]))
    elif what == "efficiency":
        efficiency(float(nums[0]), float(nums[1]), float(nums[2]))
    elif what == "escape_material":
        escape_material(nums[0], float(nums[1]), float(nums[2]))
    elif what == "efficiency_material":
        efficiency_material(float(nums[0]), nums[1], float(nums[2]), float(nums[3]), nums[4],
                            float(nums[5]), float(nums[6]), float(nums[7]))
    elif what == "windows_mut":
        windows_mut(float(nums[0]), nums[1:])
    elif what == "window_ratio":
        window_ratio(float(nums[0]), float(nums[1]), float(nums[2]), float(nums[3]), nums[4],
                     nums[5], float(nums[6]), float(nums[7]))
    elif what == "scatter":
        scatter(*[float(x) for x in nums[:6]], int(nums[6]), nums[7])
    else:
        sys.exit("unknown request " + what)


if __name__ == "__main__":
    main()
