#!/usr/bin/python3
"""Generates the element data shipped with Tirn.

Writes, relative to the repository root:
  data/XrayDataBase1.txt                  element table (Z = 1 ... 92)
  data/FYields/y-K.txt, data/FYields/y-L.txt   K- and L-shell fluorescence yields (Z = 0 ... 120)
  data/reference/mu_photo_reference.txt   tabulated photoabsorption used to check the table
  data/CrossSections.txt                  tabulated photoabsorption and scattering (Z = 1 ... 92)
  data/reference/mu_total_reference.txt   total attenuation used to check the cross sections
  data/FluoLines.txt                      emission lines by subshell, yields, Coster-Kronig,
                                          K-to-L vacancy transfer and subshell photoionisation
                                          shares (Z = 3 ... 92)
  data/ScatterFactors.txt                 atomic form factors, incoherent scattering functions,
                                          densities and Compton profile widths (Z = 1 ... 92)
  data/SOURCES.md                         sources, method and achieved accuracy

Run with Debian's interpreter, which has python3-xraydb, python3-xraylib and python3-fisx:
    /usr/bin/python3 tools/gen_xraydata.py [--output DIR]
--output writes the same files under DIR instead of the repository (DIR/data/...), which is how
the tests check that the shipped files are the ones this script writes.

The absorption model of the program is mu/rho = C*lambda^3 - D*lambda^4 (lambda in Angstrom,
cm^2/g) per absorption region, a region being the energy range above one edge up to the next
higher edge. C and D are fitted here to the photoabsorption cross sections of the Elam tables.
"""

import argparse
import json
import math
import os
import re
import sqlite3
import sys

import fisx
import numpy as np
import xraydb
import xraylib

HC_KEV_ANGSTROM = 12.3984172  # lambda [A] = HC / E [keV], the program's constant
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), os.pardir))

Z_MAX_TABLE = 92
Z_MAX_YIELD = 120

EDGE_NAMES = ["K", "L1", "L2", "L3", "M1"]  # the table's edge order K, LI, LII, LIII, MI
# Below this an "edge" lies in the vacuum ultraviolet, where the two-term form means nothing.
EDGE_FLOOR_KEV = 0.05
# The Elam photoabsorption tables start at 100 eV: no fit data below this.
DATA_FLOOR_KEV = 0.1

# Fit settings (see data/SOURCES.md for the reasoning).
BAND_LO_KEV, BAND_HI_KEV = 1.0, 40.0
OUT_OF_BAND_WEIGHT = 0.02
EDGE_BOOST = 6.0          # extra weight just above a region's own edge
TOP_BOOST = 3.0           # extra weight just below the next higher edge ...
TOP_BOOST_BELOW_L3 = 20.0  # ... made larger below LIII, whose jump is small against the background
BOOST_WIDTH = 0.02        # e-folding width of both boosts, in ln(E)
SAMPLES_PER_REGION = 300
K_REGION_TOP_KEV = 100.0  # the K region is fitted up to max(100 keV, 2 x K edge)
POSITIVITY_MARGIN = 0.95  # D/C <= 0.95/lambda_edge: mu >= 0.05*C*lambda^3 everywhere above the edge
LIGHT_ROBUST_SCALE = 0.08  # Cauchy scale of the robust fit used when the K edge lies below 1 keV

# Reference energies for the accuracy check.
REF_POINTS = 50
REF_EDGE_GAP = 0.015  # leave out energies within 1.5 % of any edge of the element
JUMP_STEP_KEV = 1e-4  # the program compares values at edge +- 0.0001 keV


# --------------------------------------------------------------------------------------------
# Tabulated data


def photo_mu(sym, energies_kev):
    """Elam photoabsorption mu/rho in cm^2/g."""
    e = np.atleast_1d(np.asarray(energies_kev, dtype=float)) * 1000.0
    return np.atleast_1d(np.asarray(xraydb.mu_elam(sym, e, kind="photo"), dtype=float))


_db = sqlite3.connect(os.path.join(os.path.dirname(xraydb.__file__), "xraydb.sqlite"))
_steps = {}


def tabulated_steps(sym):
    """Energies (keV) where the Elam photoabsorption table has a step (a repeated grid energy).

    A few of these sit some eV away from the listed edge energy (Pb K: 88.0007 against 88.005 keV),
    so the fits and the reference values keep clear of both positions."""
    if sym not in _steps:
        row = _db.execute(
            "select log_energy from photoabsorption where element=?", (sym,)
        ).fetchone()
        grid = np.exp(json.loads(row[0])) / 1000.0
        _steps[sym] = [grid[i] for i in range(len(grid) - 1) if abs(grid[i + 1] / grid[i] - 1) < 1e-9]
    return _steps[sym]


def step_bracket(sym, edge_kev):
    """Energies just below and just above the step at an edge, clear of both the listed edge
    and the table's own step position."""
    near = [s for s in tabulated_steps(sym) if abs(s / edge_kev - 1) < 0.002]
    lo = min([edge_kev] + near)
    hi = max([edge_kev] + near)
    return lo * (1 - 1e-7), hi * (1 + 1e-7)


def modelled_edges(z):
    """The edges the table carries, highest first, as {name: keV}.

    K always from Li on (H and He have none: their single region applies at every energy).
    A lower edge is kept while it lies above EDGE_FLOOR_KEV, below the previous edge, and the
    region above it reaches well into the tabulated range (previous edge >= 1.5 x 100 eV), so
    that every region has data to be fitted to."""
    if z <= 2:
        return {}
    edges = xraydb.xray_edges(z)
    out = {}
    prev = None
    for name in EDGE_NAMES:
        if name not in edges:
            break
        e = edges[name].energy / 1000.0
        if name != "K":
            if e < EDGE_FLOOR_KEV or e >= prev or prev < 1.5 * DATA_FLOOR_KEV:
                break
        out[name] = e
        prev = e
    return out


# --------------------------------------------------------------------------------------------
# Fitting


def _best_c_r(F, G, w, r_max):
    """Minimise sum w (C (F - r G) - 1)^2 over C (closed form) and 0 < r <= r_max (search)."""
    a1 = np.sum(w * F)
    b1 = np.sum(w * G)
    a2 = np.sum(w * F * F)
    b2 = np.sum(w * F * G)
    c2 = np.sum(w * G * G)

    def score(rs):
        num = (a1 - rs * b1) ** 2
        den = a2 - 2 * rs * b2 + rs * rs * c2
        return num / den

    rs = np.linspace(0.0, r_max, 2001)[1:]
    k = int(np.argmax(score(rs)))
    rs = np.linspace(rs[max(k - 1, 0)], rs[min(k + 1, len(rs) - 1)], 201)
    k = int(np.argmax(score(rs)))
    r = rs[k]
    c = (a1 - r * b1) / (a2 - 2 * r * b2 + r * r * c2)
    return c, r


def fit_region(sym, lo, hi, edge, top, top_boost, lambda_limit):
    """Fits C, D over [lo, hi] keV; edge and top are the region's own edge and the next higher
    edge (None for none). The fitted form stays positive for lambda < lambda_limit / 0.95."""
    e = np.exp(np.linspace(math.log(max(lo, DATA_FLOOR_KEV)), math.log(hi), SAMPLES_PER_REGION))
    mu = photo_mu(sym, e)
    lam = HC_KEV_ANGSTROM / e
    w = np.where((e >= BAND_LO_KEV) & (e <= BAND_HI_KEV), 1.0, OUT_OF_BAND_WEIGHT)
    if edge is not None:
        w = w * (1 + EDGE_BOOST * np.exp(-np.log(e / edge) / BOOST_WIDTH))
    if top is not None:
        w = w * (1 + top_boost * np.exp(-np.log(top / e) / BOOST_WIDTH))
    # Relative residual C*lam^3/mu - r*C*lam^4/mu - 1, with D = r*C.
    c, r = _best_c_r(lam**3 / mu, lam**4 / mu, w, POSITIVITY_MARGIN / lambda_limit)
    return c, r * c


def fit_band_robust(sym, lambda_limit):
    """Fits the single region that covers the whole 1-40 keV band (elements whose K edge lies
    below 1 keV, and H, He). The two-term form cannot follow such an element's photoabsorption
    over the whole band, so a Cauchy-weighted fit keeps the larger part of the band close
    instead of spreading the misfit evenly."""
    e = np.exp(np.linspace(math.log(BAND_LO_KEV), math.log(BAND_HI_KEV), SAMPLES_PER_REGION))
    mu = photo_mu(sym, e)
    lam = HC_KEV_ANGSTROM / e
    F, G = lam**3 / mu, lam**4 / mu
    w = np.ones_like(e)
    r_max = POSITIVITY_MARGIN / lambda_limit
    c, r = _best_c_r(F, G, w, r_max)
    for _ in range(60):
        res = np.abs(c * (F - r * G) - 1)
        c, r = _best_c_r(F, G, w / (1 + (res / LIGHT_ROBUST_SCALE) ** 2), r_max)
    return c, r * c


def fit_element(z):
    """{edge name: (C, D)} for the modelled edges of element z (key "K" for H and He)."""
    sym = xraydb.atomic_symbol(z)
    edges = modelled_edges(z)
    if not edges:
        return {"K": fit_band_robust(sym, HC_KEV_ANGSTROM / DATA_FLOOR_KEV)}
    names = list(edges)
    coefs = {}
    for i, name in enumerate(names):
        e_edge = edges[name]
        if i == 0 and e_edge < BAND_LO_KEV:
            coefs[name] = fit_band_robust(sym, HC_KEV_ANGSTROM / e_edge)
            continue
        lo = step_bracket(sym, e_edge)[1]
        if i > 0:
            upper = names[i - 1]
            hi = step_bracket(sym, edges[upper])[0]
            top = edges[upper]
            boost = TOP_BOOST_BELOW_L3 if upper == "L3" else TOP_BOOST
        else:
            hi = max(K_REGION_TOP_KEV, 2 * e_edge)
            top, boost = None, 0.0
        coefs[name] = fit_region(sym, lo, hi, e_edge, top, boost, HC_KEV_ANGSTROM / e_edge)
    return coefs


# --------------------------------------------------------------------------------------------
# Emission lines


def emission_lines(z, edges):
    """Ka2, Ka1, Kb, La2, La1, Lb1, Lb2 in eV (None where absent).

    Kb is the intensity-weighted energy of Kb1 (K-M3) and Kb3 (K-M2), the pair an
    energy-dispersive detector never separates; Lb2 is the tabulation's Lb2,15 (L3-N4,5).
    A line is kept only when its initial level is a modelled edge and it lies below that edge."""
    lines = xraydb.xray_lines(z)

    def energy(name):
        return lines[name].energy if name in lines else None

    kb = [(lines[n].energy, lines[n].intensity) for n in ("Kb1", "Kb3") if n in lines]
    kb_e = None
    if kb:
        total = sum(i for _, i in kb)
        kb_e = sum(e * i for e, i in kb) / total if total > 0 else kb[0][0]
    values = [
        (energy("Ka2"), "K"),
        (energy("Ka1"), "K"),
        (kb_e, "K"),
        (energy("La2"), "L3"),
        (energy("La1"), "L3"),
        (energy("Lb1"), "L2"),
        (energy("Lb2,15"), "L3"),
    ]
    out = []
    for e, level in values:
        if e is None or level not in edges or not e < edges[level] * 1000.0:
            out.append(None)
        else:
            out.append(e)
    return out


# --------------------------------------------------------------------------------------------
# Formatting


def fmt(x, digits=6):
    if x is None:
        return "="
    s = "%.*g" % (digits, x)
    return s


def fmt_ev(x):
    if x is None:
        return "="
    return ("%.1f" % x).rstrip("0").rstrip(".")


def header_titles():
    titles = ["#元素名", "原子番号", "原子量"]
    for k, n in enumerate(("K", "LI", "LII", "LIII", "MI"), start=1):
        titles += [n + "吸収端", "λ" + n, "C%d" % k, "D%d" % k]
    titles += ["元素名", "原子番号", "Ka2", "Ka1", "Kb", "La2", "La1", "Lb1", "Lb2",
               "K(eV)", "LIII(eV)", "LII(eV)"]
    assert len(titles) == 35
    return titles


def table_row(z, edges, coefs, lines):
    sym = xraydb.atomic_symbol(z)
    f = [sym, str(z), fmt(xraydb.atomic_mass(z))]
    for name in EDGE_NAMES:
        e = edges.get(name)
        c, d = coefs.get(name, (None, None))
        f += [fmt(e), fmt(HC_KEV_ANGSTROM / e if e else None), fmt(c), fmt(d)]
    f += [sym, str(z)]
    f += [fmt_ev(x) for x in lines]
    for name in ("K", "L3", "L2"):
        e = edges.get(name)
        f.append(fmt_ev(e * 1000.0 if e else None))
    assert len(f) == 35
    return f


# --------------------------------------------------------------------------------------------
# Reading the written table back, and the program's absorption formula


def read_table(path):
    rows = {}
    with open(path, encoding="utf-8") as fh:
        for line in fh:
            f = line.split()
            if not f or f[0].startswith("#"):
                continue

            def num(s):
                return 0.0 if s == "=" else float(s)

            rec = {"z": int(f[1]), "w": num(f[2]), "edge": [], "c": [], "d": []}
            for j in range(1, 6):
                for key, col in (("edge", 4 * j - 1), ("c", 4 * j + 1), ("d", 4 * j + 2)):
                    v = num(f[col])
                    rec[key].append(v if v != 0 else -1.0)
            rec["lines"] = [num(x) / 1000.0 for x in f[25:32]]
            rows[f[0]] = rec
    return rows


def table_mu(rec, e):
    """mu/rho the program computes for one element: the first region whose edge lies below E."""
    lam = HC_KEV_ANGSTROM / e
    for i in range(5):
        if e > rec["edge"][i]:
            c, d = rec["c"][i], rec["d"][i]
            if c > 0 and d > 0:
                return c * lam**3 - d * lam**4
            return 0.0
    return 0.0


# --------------------------------------------------------------------------------------------
# Fluorescence yields


def hubbell_omega_k(z):
    """Hubbell et al. (1994) semi-empirical K-shell yield."""
    s = 0.0370 + 0.03112 * z + 5.44e-5 * z**2 - 1.25e-6 * z**3
    return s**4 / (1 + s**4)


def hubbell_omega_l(z):
    """Hubbell et al. (1994) semi-empirical mean L-shell yield."""
    s = 0.17765 + 0.00298937 * z + 8.91297e-5 * z**2 - 2.67184e-7 * z**3
    return s**4 / (1 + s**4)


def xraylib_yield(z, shell):
    try:
        return xraylib.FluorYield(z, shell)
    except ValueError:
        return None


def yields():
    k = []
    l = []
    for z in range(0, Z_MAX_YIELD + 1):
        # K: no radiative filling of a K hole without a second shell (H, He).
        if z <= 2:
            k.append(0.0)
        else:
            tab = xraylib_yield(z, xraylib.K_SHELL)
            k.append(tab if tab is not None else hubbell_omega_k(z))
        # L: up to Ne nothing lies outside the L shell to fill an L hole radiatively.
        if z <= 10:
            l.append(0.0)
        else:
            tab = xraylib_yield(z, xraylib.L3_SHELL)
            # Krause's omega_L3 for Mg (1.2e-13) is not a usable number; Na has none.
            l.append(tab if tab is not None and tab > 1e-6 else hubbell_omega_l(z))
    return k, l


# --------------------------------------------------------------------------------------------
# Output


def write_crlf(path, lines, encoding="utf-8"):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding=encoding, newline="") as fh:
        for line in lines:
            fh.write(line + "\r\n")


XRAYDB_VERSION = xraydb.__version__
XRAYLIB_VERSION = getattr(xraylib, "__version__", "4")
FISX_VERSION = fisx.__version__

SOURCES_TABLE = (
    "Sources: photoabsorption cross sections, absorption-edge and emission-line energies from "
    "the Elam tables (W. T. Elam, B. D. Ravel, J. R. Sieber, Radiat. Phys. Chem. 63 (2002) "
    "121-128) as distributed with xraydb %s; atomic weights: IUPAC standard atomic weights "
    "(conventional values) as carried by xraydb; C and D fitted to mu/rho = C*lambda^3 - "
    "D*lambda^4 (lambda in Angstrom, cm2/g) per absorption region; Kb = intensity-weighted "
    "Kb1/Kb3 energy, Lb2 = Lb2,15 (L3-N4,5); generated by tools/gen_xraydata.py (see "
    "data/SOURCES.md)" % XRAYDB_VERSION
)


def write_table(path, fits):
    lines = ["\t".join(header_titles()), "\t".join("#%d" % i if i == 0 else str(i) for i in range(35))]
    for z in range(1, Z_MAX_TABLE + 1):
        edges, coefs, em = fits[z]
        lines.append("\t".join(table_row(z, edges, coefs, em)))
    lines += ["\t" * 34] * 3
    lines.append("#\t" + SOURCES_TABLE)
    write_crlf(path, lines)


def write_yields(out, k, l):
    k_head = [
        "# K-shell fluorescence yield",
        "# omegaK: Z<=2 zero; Z=3-98 xraylib %s FluorYield(K), the semi-empirical fit of "
        "J. H. Hubbell et al., J. Phys. Chem. Ref. Data 23 (1994) 339; Z=99-120 the same fit "
        "(w/(1-w))^(1/4) = 0.0370 + 0.03112 Z + 5.44e-5 Z^2 - 1.25e-6 Z^3" % XRAYLIB_VERSION,
        "# x y type",
    ]
    l_head = [
        "# L-shell fluorescence yield (L3 subshell)",
        "# omegaL3: Z<=10 zero; Z=13-98 M. O. Krause, J. Phys. Chem. Ref. Data 8 (1979) 307 "
        "(via xraylib %s FluorYield(L3)); Z=11,12 and 99-120 mean L-shell yield fit of "
        "J. H. Hubbell et al., J. Phys. Chem. Ref. Data 23 (1994) 339: (w/(1-w))^(1/4) = "
        "0.17765 + 0.00298937 Z + 8.91297e-5 Z^2 - 2.67184e-7 Z^3" % XRAYLIB_VERSION,
        "# x y type",
    ]
    for name, head, values in (("y-K.txt", k_head, k), ("y-L.txt", l_head, l)):
        body = ["%d  %s" % (z, "%g" % v) for z, v in enumerate(values)]
        write_crlf(os.path.join(out, "data", "FYields", name), head + body + [""])


def reference_energies(z):
    all_edges = [v.energy / 1000.0 for v in xraydb.xray_edges(z).values()]
    es = np.exp(np.linspace(math.log(BAND_LO_KEV), math.log(BAND_HI_KEV), REF_POINTS))
    return [e for e in es if all(abs(e / x - 1) > REF_EDGE_GAP for x in all_edges)]


def write_reference(path, fits):
    lines = [
        "# Photoabsorption mass attenuation coefficients mu/rho [cm2/g] of the Elam tables "
        "(Elam, Ravel, Sieber, Radiat. Phys. Chem. 63 (2002) 121), evaluated with xraydb %s "
        "mu_elam(kind='photo'), for checking data/XrayDataBase1.txt" % XRAYDB_VERSION,
        "# mu <symbol> <Z> <E keV> <mu/rho>: %d log-spaced energies 1-40 keV, leaving out those "
        "within %.1f %% of any absorption edge of the element" % (REF_POINTS, 100 * REF_EDGE_GAP),
        "# jump <symbol> <Z> <edge> <E keV> <mu/rho below> <mu/rho above>: E is the table's edge "
        "energy; the two values are taken just below and just above the tabulation's step",
    ]
    for z in range(1, Z_MAX_TABLE + 1):
        sym = xraydb.atomic_symbol(z)
        es = reference_energies(z)
        for e, m in zip(es, photo_mu(sym, es)):
            lines.append("mu %s %d %.6g %.6g" % (sym, z, e, m))
    for z in range(1, Z_MAX_TABLE + 1):
        sym = xraydb.atomic_symbol(z)
        edges = fits[z][0]
        for name in edges:
            if edges[name] < DATA_FLOOR_KEV:
                continue  # below the tabulation: it has no step there
            lo, hi = step_bracket(sym, edges[name])
            below, above = photo_mu(sym, [lo, hi])
            lines.append("jump %s %d %s %s %.6g %.6g" % (sym, z, name, fmt(edges[name]), below, above))
    write_crlf(path, lines)


def read_reference(path):
    mus, jumps = [], []
    with open(path) as fh:
        for line in fh:
            f = line.split()
            if not f or f[0].startswith("#"):
                continue
            if f[0] == "mu":
                mus.append((f[1], int(f[2]), float(f[3]), float(f[4])))
            elif f[0] == "jump":
                jumps.append((f[1], int(f[2]), f[3], float(f[4]), float(f[5]), float(f[6])))
    return mus, jumps


def accuracy(table, mus, jumps):
    """The figures the accuracy test computes, from the table as written."""
    errs, per_el, light = [], {}, {}
    for sym, z, e, ref in mus:
        rec = table[sym]
        valid = [x for x in rec["edge"] if x > 0]
        if valid and e <= min(valid):
            continue
        err = abs(table_mu(rec, e) / ref - 1)
        (light if z <= 2 else per_el).setdefault(sym, []).append(err)
        if z >= 3:
            errs.append(err)
    errs = np.array(errs)
    jk, jl3, above = [], [], []
    for sym, z, name, e, below, abv in jumps:
        rec = table[sym]
        m_hi = table_mu(rec, e + JUMP_STEP_KEV)
        m_lo = table_mu(rec, e - JUMP_STEP_KEV)
        rel = abs((m_hi - m_lo) / (abv - below) - 1)
        if name == "K" and z >= 11:
            jk.append((rel, sym))
        if name == "L3" and z >= 30:
            jl3.append((rel, sym))
        if e >= BAND_LO_KEV:
            above.append(abs(m_hi / abv - 1))
    worst = max(per_el.items(), key=lambda kv: np.median(kv[1]))
    return {
        "n": len(errs),
        "median": float(np.median(errs)),
        "p95": float(np.percentile(errs, 95)),
        "max": float(errs.max()),
        "worst": (worst[0], float(np.median(worst[1]))),
        "jumpK": (float(np.median([x for x, _ in jk])), max(jk)),
        "jumpL3": (float(np.median([x for x, _ in jl3])), max(jl3)),
        "above": (float(np.median(above)), float(np.percentile(above, 90)), len(above)),
        "light": {s: (float(np.median(v)), float(max(v))) for s, v in light.items()},
        "per_element": {s: float(np.median(v)) for s, v in per_el.items()},
    }


# --------------------------------------------------------------------------------------------
# Tabulated cross sections (the second absorption model)

# A repeated grid energy of the photoabsorption table is the step of the listed edge lying
# within this share of its energy; the tabulated step sits up to a few eV off the listed edge.
XS_EDGE_MATCH = 1e-4
XS_REF_POINTS = 64
XS_REF_EDGE_GAP_KEV = 0.005  # no reference energy within 5 eV of an edge or a tabulated step
XS_NEAR_EDGE_KEV = 0.006     # ... and one 6 eV either side of every edge in the band
EDGE_LABELS = ("K", "LI", "LII", "LIII", "MI")  # the program's names for EDGE_NAMES


def elam_grids(sym):
    """The raw Elam grids of one element as arrays of logarithms: ln E [eV] and ln mu [cm^2/g] of
    the photoabsorption (an edge appears as a repeated energy), and ln E with the coherent and
    incoherent scattering on the scattering grid."""
    photo = _db.execute(
        "select log_energy, log_photoabsorption from photoabsorption where element=?", (sym,)
    ).fetchone()
    scatter = _db.execute(
        "select log_energy, log_coherent_scatter, log_incoherent_scatter from scattering "
        "where element=?", (sym,)
    ).fetchone()
    return [np.array(json.loads(x), dtype=float) for x in photo + scatter]


def loglog(x, xs, ys):
    """exp of the value at x of the line through the two points of (xs, ys) around x (the two
    nearest ones outside the grid): log-log linear interpolation when xs, ys are logarithms."""
    i = min(max(int(np.searchsorted(xs, x)), 1), len(xs) - 1)
    t = (x - xs[i - 1]) / (xs[i] - xs[i - 1])
    return math.exp(ys[i - 1] + t * (ys[i] - ys[i - 1]))


def cross_section_rows(z):
    """The merged grid of element z: rows [E keV, photo, coherent, incoherent, edge name or None],
    ascending in energy, and the steps as (name, listed keV, tabulated keV, jump ratio).

    The merged grid is the union of the photoabsorption grid (which carries the edges) and the
    scattering grid. Each part keeps its tabulated values at its own energies and is interpolated
    log-log on its own grid at the others (photoabsorption never across an edge), so the program's
    log-log interpolation on the merged grid gives each part's own log-log interpolant. An edge
    becomes two rows at the listed edge energy, written exactly as the element table writes it,
    the second carrying the edge name. A repeated energy with no step and no listed edge (1 keV in
    every element) becomes one row. The grid ends where the scattering tables end (800 keV)."""
    sym = xraydb.atomic_symbol(z)
    le, lp, ls, lc, li = elam_grids(sym)
    # The scattering grid repeats 1 keV too, with equal values: keep one.
    keep = np.concatenate(([True], np.diff(ls) > 0))
    assert np.all(lc[1:][~keep[1:]] == lc[:-1][~keep[1:]]), sym
    assert np.all(li[1:][~keep[1:]] == li[:-1][~keep[1:]]), sym
    ls, lc, li = ls[keep], lc[keep], li[keep]
    assert np.all(np.diff(ls) > 0) and le[0] <= ls[0] and ls[-1] <= le[-1], sym
    listed = {name: v.energy / 1000.0 for name, v in xraydb.xray_edges(z).items()}

    photo, steps = [], []  # photo rows: [ln E eV, ln mu, edge name]
    k = 0
    while k < len(le):
        if k + 1 < len(le) and le[k + 1] == le[k]:
            e = math.exp(le[k]) / 1000.0
            near = [(abs(v / e - 1), name) for name, v in listed.items() if abs(v / e - 1) < XS_EDGE_MATCH]
            if not near:
                assert lp[k + 1] == lp[k], (sym, e)
                photo.append([le[k], lp[k], None])
            else:
                name = min(near)[1]
                x = math.log(float(fmt(listed[name])) * 1000.0)
                photo += [[x, lp[k], None], [x, lp[k + 1], name]]
                steps.append((name, listed[name], e, math.exp(lp[k + 1] - lp[k])))
            k += 2
        else:
            photo.append([le[k], lp[k], None])
            k += 1
    names = [s[0] for s in steps]
    assert len(set(names)) == len(names), sym
    for r0, r1 in zip(photo, photo[1:]):
        assert r1[0] > r0[0] or (r1[2] is not None and r1[0] == r0[0]), sym

    px = np.array([r[0] for r in photo])
    for x in ls:
        if np.min(np.abs(le - x)) < 1e-9:
            continue
        hi = int(np.searchsorted(px, x))  # the neighbours of x lie within one region
        assert 0 < hi < len(px), sym
        t = (x - px[hi - 1]) / (px[hi] - px[hi - 1])
        photo.append([x, photo[hi - 1][1] + t * (photo[hi][1] - photo[hi - 1][1]), None])
    photo.sort(key=lambda r: r[0])  # stable: the two rows of an edge stay in order

    out = []
    for x, lnp, name in photo:
        if x > ls[-1] + 1e-9:
            break
        e = float(fmt(math.exp(x) / 1000.0))
        if out:
            assert e > out[-1][0] or (name is not None and e == out[-1][0]), (sym, e)
        out.append([e, math.exp(lnp), loglog(x, ls, lc), loglog(x, ls, li), name])
    return out, steps


def write_cross_sections(path, tables):
    lines = [
        "# Tabulated cross sections mu/rho [cm2/g] of the Elam tables (W. T. Elam, B. D. Ravel, "
        "J. R. Sieber, Radiat. Phys. Chem. 63 (2002) 121), raw grid as shipped with xraydb %s; "
        "written by tools/gen_xraydata.py (see data/SOURCES.md)" % XRAYDB_VERSION,
        "# element <Z> <symbol> <rows>, then <rows> lines <E keV> <photo> <coherent> <incoherent> "
        "[edge], ascending in E",
        "# an edge is two lines at the same E, the value below the edge and then the value above "
        "it, the second naming the edge (K, L1, L2, L3, M1, ...)",
        "# interpolate each part log-log linearly between neighbouring lines, never across an "
        "edge; outside the grid, extrapolate log-log from the two nearest lines",
    ]
    for z in range(1, Z_MAX_TABLE + 1):
        rows = tables[z][0]
        lines.append("element %d %s %d" % (z, xraydb.atomic_symbol(z), len(rows)))
        for e, p, c, i, name in rows:
            f = [fmt(e), fmt(p), fmt(c), fmt(i)] + ([name] if name else [])
            lines.append(" ".join(f))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="ascii", newline="\n") as fh:
        fh.write("\n".join(lines) + "\n")


def read_cross_sections(path):
    """{symbol: (E, [ln photo, ln coh, ln incoh], edge rows)} as the program reads the file."""
    out = {}
    with open(path) as fh:
        lines = [l.split() for l in fh if not l.startswith("#")]
    k = 0
    while k < len(lines):
        _, z, sym, n = lines[k]
        block = lines[k + 1:k + 1 + int(n)]
        e = np.array([float(f[0]) for f in block])
        parts = [np.log([float(f[j]) for f in block]) for j in (1, 2, 3)]
        out[sym] = (int(z), e, parts, {f[4]: i for i, f in enumerate(block) if len(f) == 5})
        k += 1 + int(n)
    return out


def xs_value(tab, e_kev):
    """Total attenuation of one element at E, as the program computes it: each part log-log
    linear within the region holding E (E at an edge belongs to the region below it)."""
    _, e, parts, _ = tab
    n = len(e)
    # The first grid energy >= E ends the interval: at an edge that is the row below the edge,
    # just above it the row after the edge's second row.
    hi = min(max(int(np.searchsorted(e, e_kev, side="left")), 1), n - 1)
    lo = hi - 1
    t = (math.log(e_kev) - math.log(e[lo])) / (math.log(e[hi]) - math.log(e[lo]))
    return sum(math.exp(p[lo] + t * (p[hi] - p[lo])) for p in parts)


def xs_reference_energies(z, steps):
    avoid = [v.energy / 1000.0 for v in xraydb.xray_edges(z).values()] + [s[2] for s in steps]
    es = list(np.exp(np.linspace(math.log(BAND_LO_KEV), math.log(BAND_HI_KEV), XS_REF_POINTS)))
    for name, listed, _, _ in steps:
        es += [listed - XS_NEAR_EDGE_KEV, listed + XS_NEAR_EDGE_KEV]
    es = sorted(float(fmt(e)) for e in es)
    return [e for e in es if BAND_LO_KEV <= e <= BAND_HI_KEV
            and all(abs(e - x) > XS_REF_EDGE_GAP_KEV for x in avoid)]


def write_xs_reference(path, tables):
    lines = [
        "# Total attenuation mu/rho [cm2/g] (photoabsorption + coherent + incoherent scattering) "
        "of the Elam tables, evaluated with xraydb %s mu_elam(kind='total'), for checking "
        "data/CrossSections.txt" % XRAYDB_VERSION,
        "# mu <symbol> <Z> <E keV> <mu/rho>: %d log-spaced energies 1-40 keV and those %g eV "
        "either side of each absorption edge in that range, leaving out any within %g eV of an "
        "edge or a tabulated step of the element"
        % (XS_REF_POINTS, 1000 * XS_NEAR_EDGE_KEV, 1000 * XS_REF_EDGE_GAP_KEV),
    ]
    for z in range(1, Z_MAX_TABLE + 1):
        sym = xraydb.atomic_symbol(z)
        es = xs_reference_energies(z, tables[z][1])
        total = np.atleast_1d(xraydb.mu_elam(sym, np.array(es) * 1000.0, kind="total"))
        for e, m in zip(es, total):
            lines.append("mu %s %d %s %s" % (sym, z, fmt(e), fmt(m)))
    write_crlf(path, lines)


def fisx_total(sym, e_kev):
    """Total attenuation of an independent tabulation (EPDL97 through fisx), for the notes on
    the largest deviations."""
    from fisx import DataDir, Elements

    if not hasattr(fisx_total, "elements"):
        fisx_total.elements = Elements(DataDir.FISX_DATA_DIR)
    return fisx_total.elements.getMassAttenuationCoefficients(sym, [e_kev])["total"][0]


def xs_accuracy(path, ref_path, table, tables):
    """The figures the accuracy test computes, from the cross sections as written."""
    xs = read_cross_sections(path)
    errs, classic, worst = [], [], []
    with open(ref_path) as fh:
        for line in fh:
            f = line.split()
            if not f or f[0] != "mu":
                continue
            sym, e, ref = f[1], float(f[3]), float(f[4])
            err = abs(xs_value(xs[sym], e) / ref - 1)
            errs.append(err)
            worst.append((err, sym, e, ref, xs_value(xs[sym], e)))
            rec = table[sym]
            if int(f[2]) >= 3 and e > min(x for x in rec["edge"] if x > 0):
                classic.append(abs(table_mu(rec, e) / ref - 1))
    worst.sort(reverse=True)
    # The worst points, one per element, with an independent tabulation beside them.
    notes, seen = [], set()
    for err, sym, e, ref, mine in worst:
        if sym in seen:
            continue
        seen.add(sym)
        # Where E lies: how far above which edge.
        grid, names = xs[sym][1], xs[sym][3]
        below = [(grid[i], name) for name, i in names.items() if grid[i] < e]
        at, name = max(below) if below else (0.0, "")
        where = "%s + %s keV" % (name, fmt(e - at, 3)) if below else "-"
        notes.append((sym, e, err, ref, mine, fisx_total(sym, e), where))
        if len(notes) == 6:
            break
    step_off = max((abs(s[1] - s[2]) * 1000.0, sym, s[0]) for z, (rows, steps) in tables.items()
                   for sym in [xraydb.atomic_symbol(z)] for s in steps)
    listed_jump = []
    for z, (rows, steps) in tables.items():
        edges = xraydb.xray_edges(z)
        for name, _, _, jump in steps:
            if name in EDGE_NAMES and z >= 3:
                listed_jump.append(abs(jump / edges[name].jump_ratio - 1))
    # The element table's edges against the tabulation's steps: where both have an edge it is at
    # the same energy; the ones only one side has are listed.
    falling = ["%s %s (%.4g)" % (xraydb.atomic_symbol(z), s[0], s[3])
               for z, (rows, steps) in tables.items() for s in steps if s[3] < 1]
    untabulated, tabulated_only = [], []
    for z in range(1, Z_MAX_TABLE + 1):
        sym = xraydb.atomic_symbol(z)
        rec, names = table[sym], xs[sym][3]
        for i, name in enumerate(EDGE_NAMES):
            there = rec["edge"][i] > 0
            if there and name not in names:
                assert rec["edge"][i] < DATA_FLOOR_KEV, (sym, name)
                untabulated.append("%s %s (%s keV)" % (sym, EDGE_LABELS[i], fmt(rec["edge"][i])))
            elif name in names and not there:
                tabulated_only.append("%s %s (%s keV)" % (sym, EDGE_LABELS[i], fmt(xs[sym][1][names[name]])))
            elif name in names:
                assert xs[sym][1][names[name]] == rec["edge"][i], (sym, name)
    errs = np.array(errs)
    return {
        "n": len(errs),
        "median": float(np.median(errs)),
        "p95": float(np.percentile(errs, 95)),
        "max": float(errs.max()),
        "notes": notes,
        "classic": (float(np.median(classic)), float(np.percentile(classic, 95))),
        "step_off": step_off,
        "listed_jump": (float(np.median(listed_jump)), float(np.percentile(listed_jump, 95)),
                        len(listed_jump)),
        "untabulated": untabulated,
        "tabulated_only": tabulated_only,
        "falling": falling,
        "rows": sum(len(v[1]) for v in xs.values()),
        "starts": ["%s %s keV" % (sym, fmt(v[1][0])) for sym, v in xs.items() if v[1][0] != 0.1],
        "size": os.path.getsize(path),
    }

# --------------------------------------------------------------------------------------------
# Emission lines by subshell, yields and vacancy transfer (the detailed fluorescence model)

FL_SHELLS = ("K", "L1", "L2", "L3")
FL_MIN_RATE = 0.01  # a line is kept when it carries at least 1 % of its subshell's emission
# Pairs that lie within 0.8 % of each other in energy, which an energy-dispersive detector does
# not separate: each pair becomes one line at the intensity-weighted energy.
FL_MERGED = {"Kb1": "Kb1_3", "Kb3": "Kb1_3", "Lg2": "Lg2_3", "Lg3": "Lg2_3"}
FL_EXAMPLES = ("Fe", "Mo", "Pb")
_K_AUGER = re.compile(r"^K_([A-Z]\d)([A-Z]\d)_AUGER$")
# Subshell photoionisation shares: a grid per subshell from its edge up to SHARE_TOP_KEV (or as
# far as xraylib's partial cross sections reach), log-spaced, each interval halved while the
# log-log interpolation misses the share at its middle by more than SHARE_REFINE_TARGET.
SHARE_TOP_KEV = 300.0
SHARE_START_PER_DECADE = 4
SHARE_REFINE_TARGET = 0.002
SHARE_EDGE_STEP = 1e-4  # grid points this far (relative) either side of a higher edge
SHARE_NARROWEST = 1e-3  # no interval is halved below this width (relative): a step in the data
_ALL_SHELLS = sorted(getattr(xraylib, n) for n in dir(xraylib)
                     if re.match(r"^([KLMNOPQ]\d?)_SHELL$", n))
_fisx_elements = fisx.Elements()
_fisx_elements.initializeAsPyMca()


def xl(fn, *args):
    """An xraylib value, or 0 where xraylib has none."""
    try:
        return fn(*args)
    except ValueError:
        return 0.0


def occupied(z, subshell):
    """Whether the neutral atom has electrons in the subshell (xraylib's ElectronConfig)."""
    return xl(xraylib.ElectronConfig, z, getattr(xraylib, subshell + "_SHELL")) > 0


def final_subshells(level):
    """Elam's final levels "M4,5", "N2,3" as subshells; "M3" as itself."""
    m = re.match(r"^([A-Z])(\d)(?:,(\d))?$", level)
    return [m.group(1) + m.group(2)] + ([m.group(1) + m.group(3)] if m.group(3) else [])


def k_auger_l_vacancies(z):
    """Mean number of L1, L2 and L3 vacancies that one K-shell Auger transition leaves behind:
    K-LiLj leaves one in Li and one in Lj (two in Li for i = j), K-LiX one in Li, K-XY none.
    The weights are xraylib's K-shell Auger rates normalised to their sum; None where xraylib
    has no Auger rates for the element."""
    rates = {}
    for name in dir(xraylib):  # sorted, so the sums below always add up in the same order
        m = _K_AUGER.match(name)
        if not m:
            continue
        try:
            r = xraylib.AugerRate(z, getattr(xraylib, name))
        except ValueError:
            continue
        if r > 0:
            rates[(m.group(1), m.group(2))] = r
    total = sum(rates.values())
    if total <= 0:
        return None
    return [sum(r * ((a == s) + (b == s)) for (a, b), r in rates.items()) / total
            for s in ("L1", "L2", "L3")]


def _photo_shares_at(z, e_kev):
    """The shares at e_kev, or None where xraylib has no value for an open subshell."""
    parts = []
    for shell in _ALL_SHELLS:
        try:
            parts.append(xraylib.CS_Photo_Partial(z, shell, e_kev))
        except ValueError:
            parts.append(None)
    own = [parts[_ALL_SHELLS.index(getattr(xraylib, s + "_SHELL"))] for s in FL_SHELLS]
    if any(v is None and e_kev > partial_edge(z, s) * (1 + 1e-6) for v, s in zip(own, FL_SHELLS)):
        return None
    total = math.fsum(v for v in parts if v)
    if total <= 0:  # beyond xraylib's range
        return None
    return [(v or 0.0) / total for v in own]


# Where xraylib's spline refuses an energy inside its range (Fr K from 101.62 to 101.625 keV, a
# step in Kissel's data) the shares are taken at the nearest of these relative offsets.
_SHARE_OFFSETS = (0.0,) + tuple(x for k in range(1, 21) for x in (-k * 5e-5, k * 5e-5))


def photo_shares(z, e_kev):
    """Shares of K, L1, L2, L3 in the photoabsorption at e_kev: xraylib's partial (Kissel)
    cross sections over their sum over every subshell; zeros where xraylib has none within
    0.1 %."""
    for f in _SHARE_OFFSETS:
        v = _photo_shares_at(z, e_kev * (1 + f))
        if v is not None:
            return v
    return [0.0] * len(FL_SHELLS)


def share_top(z):
    """The highest energy, at most SHARE_TOP_KEV, where xraylib has partial cross sections."""
    top = SHARE_TOP_KEV
    while top > 1 and xl(xraylib.CS_Photo_Partial, z, xraylib.K_SHELL, top) <= 0:
        top = round(top * 0.9, 3)
    return top


_partial_edges = {}


def partial_edge(z, shell):
    """Where xraylib's partial cross section of the subshell starts, which can lie some eV away
    from its `EdgeEnergy` (Fr K: 0.5 keV above); between the two the other subshells' shares
    would jump. Found by bisection to 1e-7 relative."""
    if (z, shell) not in _partial_edges:
        _partial_edges[(z, shell)] = _find_partial_edge(z, shell)
    return _partial_edges[(z, shell)]


def _find_partial_edge(z, shell):
    macro = getattr(xraylib, shell + "_SHELL")
    edge = xraylib.EdgeEnergy(z, macro)
    lo, hi = edge * 0.97, edge * 1.03
    if xl(xraylib.CS_Photo_Partial, z, macro, lo) > 0 or xl(xraylib.CS_Photo_Partial, z, macro, hi) <= 0:
        return edge
    while hi / lo - 1 > 1e-7:
        mid = math.sqrt(lo * hi)
        if xl(xraylib.CS_Photo_Partial, z, macro, mid) > 0:
            hi = mid
        else:
            lo = mid
    return hi


def share_grid(z, j, edges):
    """[(keV, share)] of subshell j (0 K ... 3 L3) from just above its edge: the edge the higher
    of Elam's and xraylib's, so that both the program's photoabsorption and the partial cross
    sections have risen there; points just below and above where each higher subshell's partial
    cross section starts."""
    shell = FL_SHELLS[j]
    start = max(edges[shell], xraylib.EdgeEnergy(z, getattr(xraylib, shell + "_SHELL")),
                partial_edge(z, shell))
    start *= 1 + SHARE_EDGE_STEP
    top = share_top(z)
    if start >= top:
        return []
    share = lambda e: photo_shares(z, e)[j]
    knots = {start, top}
    for higher in FL_SHELLS[:j]:
        e = partial_edge(z, higher)
        if start < e * (1 - SHARE_EDGE_STEP) and e * (1 + SHARE_EDGE_STEP) < top:
            knots.update({e * (1 - SHARE_EDGE_STEP), e * (1 + SHARE_EDGE_STEP)})
    knots = sorted(knots)
    pts = []
    for a, b in zip(knots, knots[1:]):
        n = max(1, math.ceil(SHARE_START_PER_DECADE * math.log10(b / a)))
        if b / a - 1 < 3 * SHARE_EDGE_STEP:
            n = 1  # across an edge: nothing to refine
        pts += [a * (b / a) ** (i / n) for i in range(n)]
    pts.append(knots[-1])
    pts = [float("%.6g" % e) for e in pts]
    values = [float("%.6g" % share(e)) for e in pts]
    i = 0
    while i + 1 < len(pts):
        a, b = pts[i], pts[i + 1]
        if b / a - 1 < 3 * SHARE_EDGE_STEP or values[i] <= 0 or values[i + 1] <= 0:
            i += 1
            continue
        mid = math.sqrt(a * b)
        interp = math.sqrt(values[i] * values[i + 1])
        exact = share(mid)
        if exact > 0 and abs(interp / exact - 1) > SHARE_REFINE_TARGET and b / a > 1 + SHARE_NARROWEST:
            m = float("%.6g" % mid)
            pts.insert(i + 1, m)
            values.insert(i + 1, float("%.6g" % share(m)))
        else:
            i += 1
    # xraylib's spline refuses a few energies inside its own range (Ga L3 at 1.122 keV).
    return [(e, v) for e, v in zip(pts, values) if v > 0]


_line_names = {}


def line_names():
    """Elam's name of every transition into K, L1, L2 or L3 that the tabulation lists for any
    element, by (initial, final subshell): the tabulation leaves out some lines of some elements
    (Mo L3-N4,5 and L2-N4) that xraylib and fisx have."""
    if not _line_names:
        for z in range(3, Z_MAX_TABLE + 1):
            for name, line in xraydb.xray_lines(z).items():
                if line.initial_level in FL_SHELLS:
                    for fin in final_subshells(line.final_level):
                        _line_names.setdefault((line.initial_level, fin), set()).add(name)
        for key, names in _line_names.items():
            assert len(names) == 1, (key, names)
            _line_names[key] = names.pop()
    return _line_names


def fluorescence_lines(z):
    """One element's record for data/FluoLines.txt: yields of K, L1, L2, L3, the single-step
    Coster-Kronig probabilities f12, f13, f23, the L1, L2, L3 vacancies per K vacancy, the
    lines as (shell index, keV, name, shell, rate), rate being the share of the subshell's
    radiative emission, the photoionisation share grids, and the share of each subshell's
    emission that the kept lines carry."""
    sym = xraydb.atomic_symbol(z)
    xl_shell = {s: getattr(xraylib, s + "_SHELL") for s in FL_SHELLS}
    yields = [xl(xraylib.FluorYield, z, xl_shell[s]) for s in FL_SHELLS]
    ck = []
    for a, b, trans in (("L1", "L2", xraylib.FL12_TRANS), ("L1", "L3", xraylib.FL13_TRANS),
                        ("L2", "L3", xraylib.FL23_TRANS)):
        v = xl(xraylib.CosKronTransProb, z, trans)
        ck.append(v if v > 0 or yields[FL_SHELLS.index(a)] <= 0
                  else xraydb.ck_probability(z, a, b, total=False))
    fisx_rates = {s: _fisx_elements.getRadiativeTransitions(sym, s) for s in FL_SHELLS}
    merged, k_radiative = {}, {"L1": 0.0, "L2": 0.0, "L3": 0.0}
    for s in k_radiative:
        k_radiative[s] = xl(xraylib.RadRate, z, getattr(xraylib, "K" + s + "_LINE"))
    for (shell, fin), name in sorted(line_names().items()):
        macro = getattr(xraylib, shell + fin + "_LINE", None)
        if macro is None or not occupied(z, fin) or fisx_rates[shell].get(shell + fin, 0) <= 0:
            continue
        rate = xl(xraylib.RadRate, z, macro)
        energy = xl(xraylib.LineEnergy, z, macro)
        if rate <= 0 or energy <= 0:
            continue
        key = (shell, FL_MERGED.get(name, name).replace(",", "_"))
        acc = merged.setdefault(key, [0.0, 0.0])
        acc[0] += energy * rate
        acc[1] += rate
    lines, kept = [], {}
    for (shell, name), (weighted, rate) in merged.items():
        if rate >= FL_MIN_RATE and yields[FL_SHELLS.index(shell)] > 0:
            lines.append((FL_SHELLS.index(shell), float(fmt(weighted / rate)), name, shell, rate))
            kept[shell] = kept.get(shell, 0.0) + rate
    lines.sort()
    auger = k_auger_l_vacancies(z)
    wk = yields[0]
    k_to_l = [wk * k_radiative[s] + (1.0 - wk) * (auger[j] if auger else 0.0)
              for j, s in enumerate(("L1", "L2", "L3"))]
    # Shares for every subshell up to the last one that emits or passes vacancies on to one
    # that does.
    last = max(l[0] for l in lines) if lines else -1
    edges = {k: v.energy / 1000.0 for k, v in xraydb.xray_edges(z).items()}
    shares = [(FL_SHELLS[j], share_grid(z, j, edges)) for j in range(last + 1)
              if FL_SHELLS[j] in edges]
    shares = [(s, g) for s, g in shares if len(g) >= 2]
    return {"yields": yields, "ck": ck, "k_to_l": k_to_l, "lines": lines, "kept": kept,
            "auger": auger is not None, "shares": shares}


def write_fluorescence_lines(path, records):
    lines = [
        "# Emission lines by subshell, fluorescence yields, Coster-Kronig probabilities and "
        "subshell photoionisation shares from xraylib %s (yields and Coster-Kronig: Krause 1979 "
        "and Hubbell 1994; radiative rates: Scofield; shares: Kissel's partial photoionisation "
        "cross sections); line names and groupings of the Elam tables as shipped with xraydb %s; "
        "written by tools/gen_xraydata.py (see data/SOURCES.md)" % (XRAYLIB_VERSION, XRAYDB_VERSION),
        "# element <Z> <symbol> <lines> <yield K> <yield L1> <yield L2> <yield L3> <f12> <f13> "
        "<f23> <L1 per K> <L2 per K> <L3 per K>",
        "# then <lines> lines <shell> <name> <E keV> <rate>: shell K, L1, L2 or L3, the line's "
        "share of that subshell's radiative emission (lines of at least %g), by shell and energy"
        % FL_MIN_RATE,
        "# then per subshell, in shell order, share <shell> <E keV> <share> <E keV> <share> ...: "
        "the subshell's share of the photoabsorption from its edge on (interpolated log-log, "
        "constant beyond the ends)",
        "# f12, f13, f23 are single-step Coster-Kronig probabilities; an L1 vacancy reaches L3 "
        "directly (f13) or through L2 (f12 f23)",
    ]
    for z in range(3, Z_MAX_TABLE + 1):
        r = records[z]
        head = ["element", str(z), xraydb.atomic_symbol(z), str(len(r["lines"]))]
        head += [fmt(v) for v in r["yields"] + r["ck"] + r["k_to_l"]]
        lines.append(" ".join(head))
        for _, e, name, shell, rate in r["lines"]:
            lines.append("%s %s %s %s" % (shell, name, fmt(e), fmt(rate)))
        for shell, grid in r["shares"]:
            lines.append(" ".join(["share", shell] + ["%s %s" % (fmt(e), fmt(s)) for e, s in grid]))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="ascii", newline="\n") as fh:
        fh.write("\n".join(lines) + "\n")


def fl_summary(path, records):
    """Figures on the line data for data/SOURCES.md."""
    kept = {s: min((r["kept"][s], xraydb.atomic_symbol(z)) for z, r in records.items()
                   if s in r["kept"]) for s in FL_SHELLS}
    examples = []
    for sym in FL_EXAMPLES:
        r = records[xraydb.atomic_number(sym)]
        examples.append("| %s | %s | %s | %s | %s |" % (
            sym, " / ".join(fmt(v, 3) for v in r["yields"]), " / ".join(fmt(v, 3) for v in r["ck"]),
            " / ".join(fmt(v, 3) for v in r["k_to_l"]),
            ", ".join("%s %s" % (n, fmt(rt, 3)) for _, _, n, s, rt in r["lines"] if s == "L3")))
    # Against the Elam tables' yields, which the detailed model used before, for Z = 11-92.
    yield_dev = []
    for j, shell in enumerate(FL_SHELLS):
        devs = []
        for z in range(11, 93):
            edges = xraydb.xray_edges(z)
            if shell in edges and edges[shell].fyield > 0 and records[z]["yields"][j] > 0:
                devs.append((records[z]["yields"][j] / edges[shell].fyield - 1, z))
        worst = max(devs, key=lambda d: abs(d[0]))
        yield_dev.append((shell, float(np.median([abs(d[0]) for d in devs])), worst[0],
                          xraydb.atomic_symbol(worst[1])))
    # The written share grids, interpolated log-log, against xraylib at every interval's middle.
    share_err, points, steps = (0.0, ""), 0, 0
    for z, r in records.items():
        for shell, grid in r["shares"]:
            points += len(grid)
            j = FL_SHELLS.index(shell)
            for (e0, s0), (e1, s1) in zip(grid, grid[1:]):
                if e1 / e0 - 1 < SHARE_NARROWEST:
                    steps += e1 / e0 - 1 > 3 * SHARE_EDGE_STEP
                    continue
                mid = math.sqrt(e0 * e1)
                exact = photo_shares(z, mid)[j]
                if exact > 0.01:
                    err = abs(math.sqrt(s0 * s1) / exact - 1)
                    if err > share_err[0]:
                        share_err = (err, "%s %s at %s keV" % (xraydb.atomic_symbol(z), shell,
                                                               fmt(mid, 4)))
    mo = photo_shares(42, 12.0)
    return {
        "elements": len(records),
        "lines": sum(len(r["lines"]) for r in records.values()),
        "kept": kept,
        "no_auger": [xraydb.atomic_symbol(z) for z, r in records.items() if not r["auger"]],
        "no_lines": [xraydb.atomic_symbol(z) for z, r in records.items() if not r["lines"]],
        "examples": examples,
        "yield_dev": yield_dev,
        "share_points": points,
        "share_err": share_err,
        "share_steps": steps,
        "mo12": mo,
        "size": os.path.getsize(path),
    }


# --------------------------------------------------------------------------------------------
# Atomic form factors and incoherent scattering functions (Rayleigh and Compton peaks)

# x = sin(theta/2) / lambda [1/A]. xraylib's incoherent scattering functions start at 1e-3.
SC_X_FIRST = 1e-3
# xraylib interpolates Hubbell's tabulation with a cubic spline in x; the tabulation has no point
# between 20 and 50 1/A, and across that gap the spline turns negative for the light elements.
# 20 1/A is backscatter at 248 keV.
SC_X_LAST = 20.0
SC_START_INTERVALS = 40  # log-spaced intervals the grid starts from
SC_REFINE_TARGET = 0.004  # an interval is halved while any element misses by more at its middle
SC_ACCURACY_GOAL = 0.005  # what the program asks of the table
SC_S_FLOOR = 1e-3  # S is judged only where it exceeds this share of Z (tiny S, tiny Compton peak)
SC_PZ_MAX = 100.0  # xraylib's Compton profiles end at pz = 100 atomic units
SC_EXTRA_X = (25.0, 30.0)  # beyond the grid: where the extrapolation is compared with xraylib


def form_factor(z, x):
    return xraylib.FF_Rayl(z, x)


def incoherent_function(z, x):
    return xraylib.SF_Compt(z, x) if x > 0 else 0.0


def scatter_grid():
    """The x grid shared by all elements: 0, then SC_START_INTERVALS log-spaced intervals from
    SC_X_FIRST to SC_X_LAST, each halved in ln x while the log-log interpolation of the written
    (rounded) F or S of any element misses xraylib by more than SC_REFINE_TARGET at its middle.
    Uniform spacing fine enough everywhere would need about 300 points; the misfit concentrates
    around the points of Hubbell's grid where xraylib's spline bends sharply."""
    xs = [0.0] + [float(fmt(x)) for x in
                  np.exp(np.linspace(math.log(SC_X_FIRST), math.log(SC_X_LAST), SC_START_INTERVALS + 1))]
    values = {}

    def written(z, x):
        if (z, x) not in values:
            values[(z, x)] = (float(fmt(form_factor(z, x))), float(fmt(incoherent_function(z, x))))
        return values[(z, x)]

    while True:
        new = []
        for i in range(1, len(xs) - 1):
            a, b = xs[i], xs[i + 1]
            m = math.sqrt(a * b)  # the middle in ln x
            for z in range(1, Z_MAX_TABLE + 1):
                (fa, sa), (fb, sb) = written(z, a), written(z, b)
                err = abs(math.sqrt(fa * fb) / form_factor(z, m) - 1)
                s = incoherent_function(z, m)
                if s > SC_S_FLOOR * z:
                    err = max(err, abs(math.sqrt(sa * sb) / s - 1))
                if err > SC_REFINE_TARGET:
                    new.append(float(fmt(m)))
                    break
        if not new:
            return xs
        xs = sorted(set(xs + new))


def compton_profile_fwhm(z):
    """Full width at half maximum of the total Compton profile J(pz), symmetric in pz, in atomic
    units: twice the pz where J first falls to J(0)/2, found by a scan and bisection."""
    j0 = xraylib.ComptonProfile(z, 0.0)
    step = 0.01
    lo = 0.0
    while xraylib.ComptonProfile(z, lo + step) > j0 / 2:
        lo += step
        assert lo < SC_PZ_MAX, z
    hi = lo + step
    for _ in range(60):
        mid = 0.5 * (lo + hi)
        if xraylib.ComptonProfile(z, mid) > j0 / 2:
            lo = mid
        else:
            hi = mid
    # One crossing: the profile stays below half its peak further out.
    assert all(xraylib.ComptonProfile(z, p) < j0 / 2 for p in np.linspace(hi + 1e-9, 3 * hi, 200)), z
    return lo + hi


def scatter_records(xs):
    """{Z: (symbol, density, profile FWHM, F values, S values)} on the grid xs."""
    out = {}
    for z in range(1, Z_MAX_TABLE + 1):
        sym = xraydb.atomic_symbol(z)
        f = [form_factor(z, x) for x in xs]
        s = [incoherent_function(z, x) for x in xs]
        assert f[0] == z and s[0] == 0.0 and all(v > 0 for v in f + s[1:]), sym
        out[z] = (sym, xraydb.atomic_density(sym), compton_profile_fwhm(z), f, s)
    return out


def write_scatter_factors(path, xs, records):
    lines = [
        "# Atomic form factors F and incoherent scattering functions S (J. H. Hubbell et al., "
        "J. Phys. Chem. Ref. Data 4 (1975) 471) evaluated with xraylib %s FF_Rayl and SF_Compt; "
        "densities from xraydb %s; Compton profiles of F. Biggs, L. B. Mendelsohn, J. B. Mann, "
        "At. Data Nucl. Data Tables 16 (1975) 201 through xraylib ComptonProfile; written by "
        "tools/gen_xraydata.py (see data/SOURCES.md)" % (XRAYLIB_VERSION, XRAYDB_VERSION),
        "# x <n> <x_0 = 0> <x_1> ... <x_n-1>: the grid shared by all elements, "
        "x = sin(theta/2)/lambda in 1/Angstrom, ascending",
        "# element <Z> <symbol> <density g/cm3> <FWHM of the Compton profile J(pz), atomic units "
        "of momentum>, then the lines F <n values> and S <n values> on the grid",
        "# between positive grid points F and S are interpolated log-log linearly; from 0 to the "
        "first positive point F is linear in x^2 and S proportional to x^2",
        "x %d %s" % (len(xs), " ".join(fmt(x) for x in xs)),
    ]
    for z in range(1, Z_MAX_TABLE + 1):
        sym, density, fwhm, f, s = records[z]
        lines.append("element %d %s %s %s" % (z, sym, fmt(density), fmt(fwhm)))
        lines.append("F " + " ".join(fmt(v) for v in f))
        lines.append("S " + " ".join(fmt(v) for v in s))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="ascii", newline="\n") as fh:
        fh.write("\n".join(lines) + "\n")


def read_scatter_factors(path):
    """(x grid, {Z: (symbol, density, fwhm, F, S)}) as the program reads the file."""
    xs, out = None, {}
    with open(path) as fh:
        rows = [l.split() for l in fh if not l.startswith("#")]
    for k, f in enumerate(rows):
        if f[0] == "x":
            xs = np.array([float(v) for v in f[2:]])
        elif f[0] == "element":
            fv = np.array([float(v) for v in rows[k + 1][1:]])
            sv = np.array([float(v) for v in rows[k + 2][1:]])
            out[int(f[1])] = (f[2], float(f[3]), float(f[4]), fv, sv)
    return xs, out


def scatter_value(xs, z, values, x, incoherent):
    """F (incoherent False) or S of element z at x, as the program interpolates them."""
    if not x > 0:
        return values[0]
    if x <= xs[1]:
        r = (x / xs[1]) ** 2
        return r * values[1] if incoherent else values[0] + r * (values[1] - values[0])
    if x >= xs[-1] and incoherent:
        # Beyond the grid the deficit Z - S keeps falling as it does over the last interval.
        d0, d1 = z - values[-2], z - values[-1]
        if not 0 < d1 < d0:
            return values[-1]
        return z - d1 * (x / xs[-1]) ** (math.log(d1 / d0) / math.log(xs[-1] / xs[-2]))
    # The interval holding x; beyond the grid the last one, whose power law F continues.
    i = min(int(np.searchsorted(xs, x, side="right")), len(xs) - 1)
    a, b = xs[i - 1], xs[i]
    t = math.log(x / a) / math.log(b / a)
    return math.exp(math.log(values[i - 1]) + t * (math.log(values[i]) - math.log(values[i - 1])))


def scatter_accuracy(path):
    """Figures on the written table for data/SOURCES.md: the interpolated F and S against
    xraylib at the middle (in ln x) of every positive grid interval of every element, F also
    halfway to the first positive point, and the extrapolation beyond the grid."""
    xs, recs = read_scatter_factors(path)
    errs = {"F": [], "S": []}
    worst = {"F": (0.0, "", 0.0), "S": (0.0, "", 0.0)}
    skipped = (0, 0.0)
    for z, (sym, _, _, f, s) in recs.items():
        points = [xs[1] / 2] + [math.sqrt(xs[i] * xs[i + 1]) for i in range(1, len(xs) - 1)]
        for x in points:
            for name, values, ref in (("F", f, form_factor(z, x)),
                                      ("S", s, incoherent_function(z, x) if x >= xs[1] else None)):
                if ref is None:
                    continue
                if name == "S" and not ref > SC_S_FLOOR * z:
                    skipped = (skipped[0] + 1, max(skipped[1], x))
                    continue
                err = abs(scatter_value(xs, z, values, x, name == "S") / ref - 1)
                errs[name].append(err)
                worst[name] = max(worst[name], (err, sym, x))
    beyond = {"F": (0.0, ""), "S": (0.0, "")}
    negative = []
    for z, (sym, _, _, f, s) in recs.items():
        tail = [form_factor(z, x) for x in np.linspace(xs[-1], max(SC_EXTRA_X), 101)]
        if min(tail) <= 0:
            negative.append(sym)
        for x in SC_EXTRA_X:
            for name, values, ref in (("F", f, form_factor(z, x)), ("S", s, incoherent_function(z, x))):
                if name == "F" and min(tail) <= 0:
                    continue
                err = abs(scatter_value(xs, z, values, x, name == "S") / ref - 1)
                beyond[name] = max(beyond[name], (err, "%s at %g 1/A" % (sym, x)))
    both = errs["F"] + errs["S"]
    assert max(both) <= SC_ACCURACY_GOAL, max(both)
    return {
        "n": len(xs),
        "step": max(math.log(xs[i + 1] / xs[i]) for i in range(1, len(xs) - 1)),
        "min_step": min(math.log(xs[i + 1] / xs[i]) for i in range(1, len(xs) - 1)),
        "errs": {k: (float(np.max(v)), float(np.median(v)), len(v)) for k, v in errs.items()},
        "worst": worst,
        "skipped": skipped,
        "beyond": beyond,
        "negative": negative,
        "fwhm": [(recs[z][0], recs[z][2]) for z in (1, 6, 14, 26, 47, 82)],
        "size": os.path.getsize(path),
    }


def write_sources(path, acc, k, l, xacc, flacc, sacc):
    pct = lambda x: "%.2f %%" % (100 * x)
    pct3 = lambda x: "%.3f %%" % (100 * x)
    groups = [("Z = 3-10 (K edge below 1 keV)", range(3, 11)), ("Z = 11-30", range(11, 31)),
              ("Z = 31-60", range(31, 61)), ("Z = 61-92", range(61, 93))]
    group_lines = []
    for label, zs in groups:
        vals = [acc["per_element"][xraydb.atomic_symbol(z)] for z in zs]
        group_lines.append("| %s | %s | %s |" % (label, pct(float(np.median(vals))), pct(max(vals))))
    text = f"""# Element data: sources and method

The element table `data/XrayDataBase1.txt`, the fluorescence-yield curves
`data/FYields/y-K.txt` and `data/FYields/y-L.txt`, the tabulated cross sections
`data/CrossSections.txt`, the line data of the detailed fluorescence model `data/FluoLines.txt`,
the scattering factors of the Rayleigh and Compton peaks `data/ScatterFactors.txt`, and the
reference values `data/reference/mu_photo_reference.txt` and
`data/reference/mu_total_reference.txt` are all written by one script:

    /usr/bin/python3 tools/gen_xraydata.py

It needs Debian's `python3-xraydb` (here {XRAYDB_VERSION}), `python3-xraylib`
(here {XRAYLIB_VERSION}) and `python3-fisx` (here {FISX_VERSION}) with numpy, and runs in a few
seconds. It rewrites this file too, so the figures below always describe the committed data.

## Terms of the data

xraydb, the source of the Elam, Ravel & Sieber edges, emission lines and cross sections, places
its compilation in the public domain ("To the extent possible, the data, code, and documentation
here are placed in the public domain", Debian's python3-xraydb copyright file); the densities
of the elements come from it too. The fluorescence yields, Auger rates, form factors, incoherent
scattering functions and Compton profiles are evaluated with xraylib, distributed under the BSD
3-clause licence (copyright 2009 Bruno Golosio, Antonio Brunetti, Manuel Sanchez del Rio, Tom
Schoonjans and Teemu Ikonen), whose notice `packaging/copyright` reproduces. fisx (MIT/X11, ESRF) only supplies
comparison figures for these notes, nothing the program ships. The files as written here (fits,
layout, extrapolations) are Tirn's own work under its MIT licence.

## Tabulations

| Quantity | Source |
|---|---|
| Photoabsorption cross sections (fit data, reference values) | Elam tables: W. T. Elam, B. D. Ravel, J. R. Sieber, *A new atomic database for X-ray spectroscopic calculations*, Radiat. Phys. Chem. 63 (2002) 121-128, as shipped with xraydb (`mu_elam(..., kind='photo')`) |
| Absorption-edge energies (K, LI, LII, LIII, MI) | Elam tables (xraydb `xray_edges`) |
| Emission-line energies | Elam tables (xraydb `xray_lines`) |
| Atomic weights | IUPAC standard atomic weights, conventional values, as carried by xraydb |
| K-shell fluorescence yield | xraylib `FluorYield(K)` for Z = 3-98, which is the semi-empirical fit of J. H. Hubbell et al., *A review, bibliography, and tabulation of K, L, and higher atomic shell X-ray fluorescence yields*, J. Phys. Chem. Ref. Data 23 (1994) 339; the same fit, (w/(1-w))^(1/4) = 0.0370 + 0.03112 Z + 5.44e-5 Z^2 - 1.25e-6 Z^3, for Z = 99-120 (it reproduces xraylib's values to 5e-5) |
| L-shell fluorescence yield | L3-subshell yield of M. O. Krause, *Atomic radiative and radiationless yields for K and L shells*, J. Phys. Chem. Ref. Data 8 (1979) 307 (through xraylib `FluorYield(L3)`) for Z = 13-98; Hubbell et al. (1994) mean L-shell yield fit, (w/(1-w))^(1/4) = 0.17765 + 0.00298937 Z + 8.91297e-5 Z^2 - 2.67184e-7 Z^3, for Z = 11, 12 and 99-120 |

### Choices

- **Edges.** K for every element from Li on; H and He carry none, so their one region applies at
  every energy. Lower edges (LI, LII, LIII, MI in that order) are kept while they lie above
  50 eV and the region above them reaches well into the tabulated range (the next higher edge at
  150 eV or more), so that every region has data to fit: Fe has MI (91 eV), Li has only K.
  Energies below the lowest kept edge give no absorption in the program.
- **Kb** is the intensity-weighted energy of Kb1 (K-M3) and Kb3 (K-M2), which an
  energy-dispersive detector never separates; for light elements the tabulation gives both the
  same energy. **Lb2** is the tabulation's Lb2,15 (L3-N4,5). A line is written only when its
  initial level is one of the table's edges and it lies below that edge.
- **L yield.** The program applies one L yield to La1, La2, Lb1 and Lb2. La1, La2 and Lb2 start
  from L3 vacancies, which also collect most LI and LII vacancies through Coster-Kronig
  transitions, and Lb1 starts from L2, whose yield differs from the L3 yield by {l2_l3_agreement()}.
  The L3 yield is therefore the one that fits the strong L lines. Beyond Z = 98 the
  tabulation ends and the Hubbell mean-L fit continues it (it agrees with Krause's L3 values to a
  few per cent for Z >= 40: {hubbell_l_agreement()}). Na and Mg have no usable tabulated value
  (none, and 1.2e-13), so the fit is used there too.
- **Zeros.** K yield 0 for Z <= 2 (no second shell to fill a K hole), L yield 0 for Z <= 10
  (nothing outside the L shell), and Z = 0 is 0 in both files.

## Fitting C and D

Each absorption region runs from its edge up to the next higher edge; the K region is fitted
up to max(100 keV, 2 x K edge). C and D are fitted to the tabulated photoabsorption by weighted
least squares on the relative deviation (C lambda^3 - D lambda^4) / (mu/rho)_tab - 1, over
{SAMPLES_PER_REGION} log-spaced energies per region (the tabulation starts at 100 eV):

- weight 1 inside 1-40 keV, {OUT_OF_BAND_WEIGHT} outside;
- times (1 + {EDGE_BOOST:g} exp(-ln(E/E_edge)/{BOOST_WIDTH})) just above the region's own edge, and
  (1 + {TOP_BOOST:g} exp(-ln(E_next/E)/{BOOST_WIDTH})) just below the next higher edge
  ({TOP_BOOST_BELOW_L3:g} below LIII, whose jump is small against the background and so most
  sensitive to the value underneath it);
- D = r C with 0 < r <= {POSITIVITY_MARGIN} / lambda_edge. The form C lambda^3 (1 - r lambda)
  then stays above 5 % of C lambda^3 at every energy above the edge, so no region turns negative
  where it applies; C is solved in closed form for each r and r by a fine search.
- Elements whose K edge lies below 1 keV (Z <= 10) and H, He have a single region across the
  whole band, over which the photoabsorption of a light element does not follow any
  C lambda^3 - D lambda^4 with D > 0 (mu E^3 rises and then falls). Their K region is fitted over
  1-40 keV only, with Cauchy weights (scale {LIGHT_ROBUST_SCALE:g}) that keep most of the band close
  instead of spreading the misfit over all of it; below 1 keV these elements are only roughly
  described.

The two-term form cannot follow the tabulation over a wide region (mu E^3 is close to linear
in ln E, the form is linear in 1/E), so the weights trade the middle of the wide LI and MI
regions against the values at the edges; the settings above keep the 1-40 keV median near the
least-squares optimum of the form while holding the edge values and jumps.

## Achieved accuracy

Measured on `data/reference/mu_photo_reference.txt` ({REF_POINTS} log-spaced energies per
element between 1 and 40 keV, leaving out energies within {100 * REF_EDGE_GAP:.1f} % of any edge
and, in the check, energies below an element's lowest table edge), with the program's own
formula; `tests/data/test_absorption_accuracy.cpp` recomputes these numbers from the shipped
table through `Composition::absorption` and fails if they exceed its bounds.

| Figure (Z = 3-92, {acc["n"]} energies) | Value |
|---|---|
| median relative deviation | {pct(acc["median"])} |
| 95th percentile | {pct(acc["p95"])} |
| largest | {pct(acc["max"])} |
| worst element (by median) | {acc["worst"][0]}, {pct(acc["worst"][1])} |
| value just above an edge >= 1 keV, median / 90th percentile ({acc["above"][2]} edges) | {pct(acc["above"][0])} / {pct(acc["above"][1])} |
| K-edge jump (Z >= 11), median / worst | {pct(acc["jumpK"][0])} / {pct(acc["jumpK"][1][0])} ({acc["jumpK"][1][1]}) |
| LIII-edge jump (Z >= 30), median / worst | {pct(acc["jumpL3"][0])} / {pct(acc["jumpL3"][1][0])} ({acc["jumpL3"][1][1]}) |

By element group (median of each element's median deviation / worst element median):

| Group | Median | Worst |
|---|---|---|
{chr(10).join(group_lines)}

H and He (single region, fitted over 1-40 keV): H median {pct(acc["light"]["H"][0])}, largest
{pct(acc["light"]["H"][1])}; He median {pct(acc["light"]["He"][0])}, largest {pct(acc["light"]["He"][1])}.

The light elements carry most of the large deviations: above ~10 keV their photoabsorption
falls faster than any admissible two-term form (and there Compton scattering, which the
two-term model leaves out, dominates their attenuation anyway).

## Tabulated cross sections

The second absorption model uses the Elam tables themselves instead of a fit:
`data/CrossSections.txt` holds, for Z = 1-92, the photoabsorption, coherent (Rayleigh) and
incoherent (Compton) scattering cross sections in cm2/g on Elam's own energy grid, from 100 eV
(lower for {", ".join(xacc["starts"]) or "none"}) to 800 keV, where the scattering tables end:
{xacc["rows"]} rows, {xacc["size"] // 1024} KiB. The two-term table stays the default; this one is
chosen per composition.

- **Grid.** The raw tabulated values are read from xraydb's database, not sampled from its
  spline. Each element's grid is the union of its photoabsorption grid, which carries the edges
  as repeated energies, and its scattering grid. Where a part has no tabulated value (scattering
  at an edge, photoabsorption at the few scattering energies its own grid lacks) the value is
  interpolated log-log on that part's own grid, so each part keeps exactly its own log-log
  interpolant.
- **Edges.** Every step of the photoabsorption table is an edge: two rows at one energy, the
  value below and the value above, the second naming the edge. The steps sit within
  {xacc["step_off"][0]:.1f} eV of the listed edge energies (largest:
  {xacc["step_off"][1]} {xacc["step_off"][2]}); each is written at the listed energy, exactly as
  the element table writes it, so the jump lies where the program's edge does. The tabulation repeats 1 keV in
  every element with equal values on both sides; that is no edge and becomes one row.
- **Interpolation.** Each part is interpolated log-log linearly between neighbouring rows,
  never across an edge (an energy exactly at an edge takes the value below it); outside the grid
  it is extrapolated log-log from the two nearest rows. The total attenuation is the sum of the
  three parts; the program evaluates that sum through cubic pieces precomputed on load, which
  stay within 1e-7 of it (`data/CrossSectionTable.h`), so that a curve costs no exponentials.
- **Jump ratios and shell shares.** The jump ratio of an edge is the tabulated value just above
  it over the value just below. Against the jump ratios xraydb lists separately they agree to a
  median {pct(xacc["listed_jump"][0])} (95th percentile {pct(xacc["listed_jump"][1])}) over the
  {xacc["listed_jump"][2]} K, LI, LII, LIII and MI edges of Z >= 3; the listed values are rounded
  (many L2 ratios read 1.4). The photoabsorption above edge i is shared out by the product rule:
  shell i takes (1 - 1/J_i) of what the edges between edge i and E leave, prod 1/J_j. A few
  steps of the tabulation fall instead of rising; such a shell gets no share:
  {", ".join(xacc["falling"]) or "none"}.
- **Edges on one side only.** Element-table edges below the tabulation's start, which have no
  tabulated step and so no share in this model:
  {", ".join(xacc["untabulated"]) or "none"}.
  Tabulated steps the element table leaves out (it stops where a region above an edge would be
  too short to fit): {", ".join(xacc["tabulated_only"]) or "none"}.

### Achieved accuracy

Measured on `data/reference/mu_total_reference.txt`: xraydb's total attenuation
(`mu_elam(kind='total')`) at {XS_REF_POINTS} log-spaced energies per element between 1 and
40 keV and {1000 * XS_NEAR_EDGE_KEV:g} eV either side of every edge in that range, leaving out
energies within {1000 * XS_REF_EDGE_GAP_KEV:g} eV of an edge or a tabulated step;
`tests/data/test_absorption_accuracy.cpp` recomputes these figures through
`Composition::absorption` and fails if they exceed its bounds.

| Figure (Z = 1-92, {xacc["n"]} energies) | Value |
|---|---|
| median relative deviation | {pct3(xacc["median"])} |
| 95th percentile | {pct3(xacc["p95"])} |
| largest | {pct(xacc["max"])} |
| two-term table against the same total (Z >= 3), median / 95th percentile | {pct(xacc["classic"][0])} / {pct(xacc["classic"][1])} |

xraydb interpolates the tables with a cubic spline in log-log, which can overshoot in the
sparse grid just above a K edge (Cr between 6 and 8 keV, for one). The largest deviations, one
per element, with the total attenuation of an independent tabulation (EPDL97 through fisx) beside
them; fisx is closer to this table than to xraydb at {sum(abs(n[5] - n[4]) < abs(n[5] - n[3])
for n in xacc["notes"])} of these {len(xacc["notes"])} energies:

| Element, E | where | this table | xraydb | fisx (EPDL97) | deviation from xraydb |
|---|---|---|---|---|---|
{chr(10).join("| %s, %s keV | %s | %.5g | %.5g | %.5g | %s |" % (n[0], fmt(n[1]), n[6], n[4], n[3], n[5], pct(n[2])) for n in xacc["notes"])}

## Emission lines by subshell (detailed fluorescence model)

`data/FluoLines.txt` ({flacc["elements"]} elements, Z = 3-92, {flacc["lines"]} lines,
{flacc["size"] // 1024} KiB) carries what the detailed fluorescence model needs beyond the cross
sections: per element the fluorescence yields of K, L1, L2 and L3, the single-step Coster-Kronig
probabilities f12, f13 and f23, the number of L1, L2 and L3 vacancies one K vacancy leaves
behind, the K, L1, L2 and L3 emission lines with their energies and radiative rates, and each
subshell's share of the photoabsorption above its edge. Only the detailed model reads it; the
classic model's tables above are not touched by it.

| Quantity | Source | Why this one |
|---|---|---|
| Fluorescence yields K, L1, L2, L3 | xraylib {XRAYLIB_VERSION} `FluorYield`: K from J. H. Hubbell et al., J. Phys. Chem. Ref. Data 23 (1994) 339, L from M. O. Krause, J. Phys. Chem. Ref. Data 8 (1979) 307 | the Elam tables' K yields are Krause's, 10-15 % below Hubbell's for Na-Cl (Si 0.0429 against 0.0504) and 2-5 % below for Z = 22-51; fisx uses Hubbell's K yields as well, and the two peers agree on K lines to 1 % with them |
| Coster-Kronig probabilities f12, f13, f23 | xraylib `CosKronTransProb` (Krause 1979, single-step values); where xraylib has none and the element has that subshell's yield (f23 below Z = 30), the Elam tables' single-step value (xraydb `ck_probability(..., total=False)`) | the same set as the yields; xraylib leaves f23 of the light elements out |
| Radiative rates (share of the initial subshell's radiative emission) | xraylib `RadRate` (J. H. Scofield, At. Data Nucl. Data Tables 14 (1974) 121, Hartree-Slater) | the Elam tables give Z = 12-17 a Kb/Ka near 0.13 where Scofield's is 0.013-0.10 (Al Kb at 29 % of Ka instead of 1.5 %) |
| Line energies | xraylib `LineEnergy` | closer to measured values than the Elam tables' for L lines (Zr La1 2.0423 keV against Elam's 2.0442 keV); they differ from the classic table's Ka1 and La1 by at most 0.3 % |
| Which lines exist | the transitions the Elam tables name (xraydb `xray_lines`, any element), kept for an element where xraylib has a rate and an energy, fisx (`getRadiativeTransitions`) a non-zero rate, and xraylib's `ElectronConfig` electrons in the final subshell | a line from an empty subshell is not emitted (zinc has no L1-N2,3 line, having no 4p electrons) |
| K-shell Auger branching (K-LL, K-LX, K-XY) | xraylib `AugerRate`, normalised to their sum | |
| Subshell photoionisation shares K, L1, L2, L3 | xraylib `CS_Photo_Partial` (L. Kissel's partial photoionisation cross sections) over their sum over all subshells | the jump-ratio product rule gives the L1 shell far too little far above its edge (Mo at 12 keV: 0.126 of the photoabsorption, the partial cross sections {fmt(flacc["mo12"][1], 3)}); the sum of the partials rather than xraylib's `CS_Photo`, which for the light elements falls to nothing above a few tens of keV (Na at 50 keV: 0.27 of the partials' sum) |

- **Lines.** Every transition of the table above that carries at least {100 * FL_MIN_RATE:g} % of
  its subshell's radiative emission, named as the Elam tables name it with commas as underscores
  (`Lb2,15` is `Lb2_15`). The transitions to M4 and M5 (Kb5), N2 and N3 (Kb2), N4 and N5 (Kb4,
  Lb2,15), O4 and O5 (Lb5) are one line each, and so are Kb1 and Kb3 (K-M3, K-M2, as `Kb1_3`) and
  Lg2 and Lg3 (L1-N2, L1-N3, as `Lg2_3`), at the rate-weighted energy with the summed rate: they
  lie closer than an energy-dispersive detector resolves. The rates are not renormalised after
  the weak lines are dropped; the kept lines carry at least {pct(flacc["kept"]["K"][0])} of the K
  emission (least for {flacc["kept"]["K"][1]}) and {pct(flacc["kept"]["L3"][0])} of the L3
  emission (least for {flacc["kept"]["L3"][1]}). {", ".join(flacc["no_lines"]) or "No element"}
  emit no line: xraylib gives their only K transition (K-L1) no rate. xraylib has no L yields
  below magnesium; those elements emit K lines only.
- **Coster-Kronig.** The single-step probabilities are written, so that the program follows the
  cascade itself: of the L1 vacancies f12 move to L2 and f13 to L3, and of all L2 vacancies,
  those moved from L1 included, f23 move to L3. (A total f13 would already hold f12 f23; adding
  that to an explicit cascade would count it twice.)
- **K to L vacancy transfer.** A K vacancy fills radiatively with probability omega_K and
  otherwise by an Auger transition. The radiative K-L1, K-L2 and K-L3 transitions (Ka3, Ka2, Ka1)
  leave one vacancy in that subshell; a K-LiLj Auger transition leaves one in Li and one in Lj, a
  K-LiX transition (X beyond the L shell) one in Li. So the Li vacancies per K vacancy are
  n_i = omega_K R(K-Li) + (1 - omega_K) A_i, with R xraylib's radiative rate and A_i the mean
  number of Li vacancies per K Auger transition from xraylib's rates. xraylib has no Auger rates
  for {", ".join(flacc["no_auger"]) or "none"}; there only the radiative part is written (these
  elements have no L lines). Shake-off and other multiple ionisation are left out.
- **Photoionisation shares.** One row per subshell, from K down to the last subshell the element
  emits from, of (energy, share) pairs: from just above the higher of the Elam and the xraylib
  edge (so that the program's photoabsorption and the partial cross section have both risen
  there) to {fmt(SHARE_TOP_KEV)} keV or as far as xraylib's partial cross sections reach,
  {SHARE_START_PER_DECADE} log-spaced points per decade to start with, points
  {SHARE_EDGE_STEP:g} (relative) either side of where each higher subshell's partial cross
  section starts (found by bisection: Kissel's edges lie up to 0.5 keV from xraylib's
  `EdgeEnergy`, Fr K), and every interval
  halved in ln E while the log-log interpolation misses the share at its middle by more than
  {pct(SHARE_REFINE_TARGET)} ({flacc["share_points"]} points in all). The program interpolates
  log-log, holds the end values beyond the grid (above 300 keV the shares change by well under
  1 % per 100 keV) and counts a subshell from the edge of its own absorption table, where the
  photoabsorption steps. Where xraylib's spline refuses an energy inside its range (Fr K between
  101.62 and 101.625 keV, Ga L3 at 1.122 keV) the shares are taken at the nearest energy within
  0.1 % where it does not. Largest miss of the interpolation at the middle of an interval, where
  the share exceeds 1 %: {pct3(flacc["share_err"][0])} ({flacc["share_err"][1]}). Intervals are
  not halved below {SHARE_NARROWEST:g} (relative); {flacc["share_steps"]} such intervals, away
  from the edges above, hold a step or a kink of xraylib's near-edge data and are left out of
  that figure.
- **The L1 subshell.** fisx takes the L1 yields and Coster-Kronig probabilities from M. H. Chen,
  B. Crasemann, H. Mark, Phys. Rev. A 24 (1981) 177; xraylib and the Elam tables from Krause.
  The effective L1 yield omega_1 (1 - f12 - f13) of the two sets differs by 43 % for Mo and 30 %
  for Au, agrees for Sn; the L1 lines (Lb3, Lb4, Lg2,3) follow xraylib's set here.

Examples (yields K / L1 / L2 / L3, f12 / f13 / f23, L1 / L2 / L3 vacancies per K vacancy, and
the L3 lines with their rates):

| Element | yields | f12 / f13 / f23 | per K vacancy | L3 lines |
|---|---|---|---|---|
{chr(10).join(flacc["examples"])}

Against the Elam tables' yields (Z = 11-92), the median and the largest change: K
{pct(flacc["yield_dev"][0][1])} ({pct(flacc["yield_dev"][0][2])}, {flacc["yield_dev"][0][3]}), L1
{pct(flacc["yield_dev"][1][1])} ({pct(flacc["yield_dev"][1][2])}, {flacc["yield_dev"][1][3]}), L2
{pct(flacc["yield_dev"][2][1])} ({pct(flacc["yield_dev"][2][2])}, {flacc["yield_dev"][2][3]}), L3
{pct(flacc["yield_dev"][3][1])} ({pct(flacc["yield_dev"][3][2])}, {flacc["yield_dev"][3][3]}).

## Scattering factors (Rayleigh and Compton peaks)

`data/ScatterFactors.txt` (Z = 1-92, {sacc["size"] // 1024} KiB) holds per element the atomic form
factor F and the incoherent scattering function S on one grid of x = sin(theta/2)/lambda
(1/Angstrom) shared by all elements, the density of the element and the full width at half
maximum of its Compton profile.

| Quantity | Source |
|---|---|
| Atomic form factor F, incoherent scattering function S | J. H. Hubbell, Wm. J. Veigele, E. A. Briggs, R. T. Brown, D. T. Cromer, R. J. Howerton, *Atomic form factors, incoherent scattering functions, and photon scattering cross sections*, J. Phys. Chem. Ref. Data 4 (1975) 471, as interpolated by xraylib {XRAYLIB_VERSION} (`FF_Rayl`, `SF_Compt`) |
| Compton profiles J(pz) | F. Biggs, L. B. Mendelsohn, J. B. Mann, *Hartree-Fock Compton profiles for the elements*, At. Data Nucl. Data Tables 16 (1975) 201, through xraylib {XRAYLIB_VERSION} (`ComptonProfile`, all shells) |
| Densities (g/cm3, the element's common form; gases at 0 degC and 1 atm) | xraydb {XRAYDB_VERSION} `atomic_density` |

- **Grid.** x = 0, then {sacc["n"] - 1} points from {fmt(SC_X_FIRST)} 1/A (where xraylib's
  incoherent scattering functions start) to {fmt(SC_X_LAST)} 1/A. They come from
  {SC_START_INTERVALS} log-spaced intervals, each halved in ln x while the log-log interpolation of
  the written F or S of any element misses xraylib by more than {pct(SC_REFINE_TARGET)} at its
  middle; the steps in ln x run from {sacc["min_step"]:.3f} to {sacc["step"]:.3f}, the short ones
  where xraylib's spline bends sharply around points of Hubbell's grid.
- **Upper end.** xraylib interpolates F with a cubic spline in x between Hubbell's tabulated
  points, which have none between 20 and 50 1/A. Across that gap the spline turns negative for
  {", ".join(sacc["negative"])}, so the grid stops at 20 1/A, backscatter at 248 keV (200 keV
  backscatter is x = 16.1 1/A). Beyond it F continues the power law of the last interval
  and the deficit Z - S keeps falling as over the last interval (S stays at its last value where
  that deficit does not fall). Against xraylib at {" and ".join("%g" % x for x in SC_EXTRA_X)} 1/A this
  extrapolation stays within {pct(sacc["beyond"]["F"][0])} for F (largest: {sacc["beyond"]["F"][1]};
  elements whose spline stays positive) and {pct(sacc["beyond"]["S"][0])} for S (largest:
  {sacc["beyond"]["S"][1]}), xraylib's own values there being a spline across the 20-50 1/A
  gap.
- **Interpolation.** Between positive grid points F and S are interpolated log-log linearly.
  From 0 to the first point F is linear in x^2 from F(0) = Z and S proportional to x^2, as both
  behave for small momentum transfer; at x <= 0 F = Z and S = 0.
- **Compton profile width.** J(pz) is symmetric in pz; the width is 2 pz_half, pz_half the
  momentum where J first falls to J(0)/2 (scan in steps of 0.01 and bisection; beyond it J stays
  below J(0)/2), in atomic units of momentum. Examples:
  {", ".join("%s %s" % (sym, fmt(w, 4)) for sym, w in sacc["fwhm"])}.

### Achieved accuracy

The interpolated values of the written file against xraylib at the middle (in ln x) of every
grid interval of every element, and F halfway to the first positive point (xraylib has no S
there); S is judged where it exceeds {fmt(SC_S_FLOOR)} Z ({sacc["skipped"][0]} points left out, all
below x = {fmt(sacc["skipped"][1], 3)} 1/A, where the Compton peak is negligible):

| Figure | F | S |
|---|---|---|
| points | {sacc["errs"]["F"][2]} | {sacc["errs"]["S"][2]} |
| median relative deviation | {pct3(sacc["errs"]["F"][1])} | {pct3(sacc["errs"]["S"][1])} |
| largest | {pct3(sacc["errs"]["F"][0])} ({sacc["worst"]["F"][1]}, x = {fmt(sacc["worst"]["F"][2], 4)}) | {pct3(sacc["errs"]["S"][0])} ({sacc["worst"]["S"][1]}, x = {fmt(sacc["worst"]["S"][2], 4)}) |

The script stops if any of these exceeds {pct(SC_ACCURACY_GOAL)}.

## Detector constants (kept by hand)

`data/DetectorConstants.h` is not written by the script. It holds, for each crystal material of
an energy-dispersive detector, the two constants of charge creation that none of the libraries
above carries, and the crystal's atoms and density; everything else about the detector (edges,
lines, cross sections, the density of a window of one element) comes from the files above by
atomic number.

| Material | Quantity | Value | Source |
|---|---|---|---|
| Si | Fano factor | 0.115 | theoretical value for silicon, R. C. Alig, S. Bloom, C. W. Struck, *Scattering by ionization and phonon emission in semiconductors*, Phys. Rev. B 22 (1980) 5565, as listed in the Wikipedia article "Fano factor"; measured at Mn Ka: 0.119 +- 0.002 (D. Rodrigues et al., *Absolute measurement of the Fano factor using a Skipper-CCD*, arXiv:2004.11499, at 123 K) |
| Si | Mean energy per electron-hole pair | 3.65 eV | C. Canali, M. Martini, G. Ottaviani, A. Alberigi Quaranta, *Measurements of the average energy per electron-hole pair generation in silicon between 5-320 K*, IEEE Trans. Nucl. Sci. 19 (1972), doi:10.1109/TNS.1972.4326778: 2.15 Eg(T) + 1.21 eV, normalised to 3.62 eV at 300 K; 3.65 eV with the band gap at about 240 K, where Peltier-cooled detectors work |
| Si | Density | 2.329 g/cm3 | xraydb's density of the element, as in `data/ScatterFactors.txt` |
| Ge | Fano factor | 0.106 | B. G. Lowe, *Measurements of Fano factors in silicon and germanium in the low-energy X-ray region*, Nucl. Instrum. Meth. A 399 (1997) 354: 0.1057 +- 0.0002 at 5.9 keV in cryogenic germanium |
| Ge | Mean energy per electron-hole pair | 2.96 eV | at 77 K, G. F. Knoll, *Radiation Detection and Measurement*, 4th ed. (Wiley, 2010), Table 11.1 |
| Ge | Density | 5.323 g/cm3 | xraydb's density of the element |
| CdTe | Fano factor | 0.1 | the low end of the 0.1-0.15 reported for CdTe; 0.089 +- 0.005 was measured in CdZnTe (R. H. Redus et al., *Fano factor determination for CZT*, MRS Online Proceedings Library (1998)) |
| CdTe | Mean energy per electron-hole pair | 4.43 eV | room temperature, as given by A. Owens, A. Peacock, *Compound semiconductor radiation detectors*, Nucl. Instrum. Meth. A 531 (2004) 18 |
| CdTe | Density | 5.85 g/cm3 | xraydb's list of materials (`materials.dat`, CdTe) |
| CdTe | Atomic weights | Cd 112.414, Te 127.60 | IUPAC standard atomic weights as xraydb carries them, for the mass fractions |

It also holds the gases of the ion chambers: each molecule, and the mean energy per ion pair W
(He 41.3, N2 34.8, Ne 35.4, Ar 26.4, Kr 24.4, Xe 22.1, air 33.8, CO2 33.0 eV) from G. F. Knoll,
*Radiation Detection and Measurement*, Table 5-1, and ICRU Report 31, *Average Energy Required
to Produce an Ion Pair* (1979), as xraydb's `ionization_potential` tabulates them.

And the materials offered for the windows over a sample (a name typed into a window's
composition becomes its formula and density): Kapton C22H10N2O5 1.42, polypropylene C3H6 0.86
and Mylar C10H8O4 1.4 g/cm3 as xraydb's list of materials (`materials.dat`) has them; tape,
taken as the cellulose triacetate film of office tape, C12H16O8 at 1.3 g/cm3 (J. Brandrup,
E. H. Immergut, E. A. Grulke, *Polymer Handbook*, 4th ed. (Wiley, 1999): 1.28-1.33 g/cm3; its
adhesive, a few micrometres of acrylic, is left out).
"""
    with open(path, "w", encoding="utf-8") as fh:
        fh.write(text)


def l2_l3_agreement():
    devs = [abs(xraylib_yield(z, xraylib.L2_SHELL) / xraylib_yield(z, xraylib.L3_SHELL) - 1)
            for z in range(30, 99)]
    return "a median %.0f %% (at most %.0f %%) over Z = 30-98" % (
        100 * float(np.median(devs)), 100 * max(devs))


def hubbell_l_agreement():
    devs = []
    for z in range(40, 99):
        tab = xraylib_yield(z, xraylib.L3_SHELL)
        devs.append(abs(hubbell_omega_l(z) / tab - 1))
    return "largest deviation %.1f %%, median %.1f %% over Z = 40-98" % (
        100 * max(devs), 100 * float(np.median(devs)))


def check_table(table, fits):
    for z in range(1, Z_MAX_TABLE + 1):
        sym = xraydb.atomic_symbol(z)
        rec = table[sym]
        assert rec["z"] == z
        edges = [e for e in rec["edge"] if e > 0]
        assert edges == sorted(edges, reverse=True), sym
        for i in range(5):
            if rec["edge"][i] > 0 or (z <= 2 and i == 0):
                assert rec["c"][i] > 0 and rec["d"][i] > 0, (sym, i)
                lam_max = HC_KEV_ANGSTROM / (rec["edge"][i] if rec["edge"][i] > 0 else DATA_FLOOR_KEV)
                assert rec["c"][i] - rec["d"][i] * lam_max > 0, (sym, i)
        if z >= 3:
            assert rec["edge"][0] > 0, sym


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--output", default=ROOT, help="write DIR/data/... (default: the repository)")
    out = os.path.abspath(parser.parse_args().output)

    fits = {}
    for z in range(1, Z_MAX_TABLE + 1):
        edges = modelled_edges(z)
        fits[z] = (edges, fit_element(z), emission_lines(z, edges))

    table_path = os.path.join(out, "data", "XrayDataBase1.txt")
    ref_path = os.path.join(out, "data", "reference", "mu_photo_reference.txt")
    write_table(table_path, fits)
    write_reference(ref_path, fits)
    k, l = yields()
    write_yields(out, k, l)

    xs_tables = {z: cross_section_rows(z) for z in range(1, Z_MAX_TABLE + 1)}
    xs_path = os.path.join(out, "data", "CrossSections.txt")
    xs_ref_path = os.path.join(out, "data", "reference", "mu_total_reference.txt")
    write_cross_sections(xs_path, xs_tables)
    write_xs_reference(xs_ref_path, xs_tables)

    table = read_table(table_path)
    check_table(table, fits)
    mus, jumps = read_reference(ref_path)
    acc = accuracy(table, mus, jumps)
    xacc = xs_accuracy(xs_path, xs_ref_path, table, xs_tables)
    fl_records = {z: fluorescence_lines(z) for z in range(3, Z_MAX_TABLE + 1)}
    fl_path = os.path.join(out, "data", "FluoLines.txt")
    write_fluorescence_lines(fl_path, fl_records)
    flacc = fl_summary(fl_path, fl_records)
    sc_grid = scatter_grid()
    sc_path = os.path.join(out, "data", "ScatterFactors.txt")
    write_scatter_factors(sc_path, sc_grid, scatter_records(sc_grid))
    sacc = scatter_accuracy(sc_path)
    write_sources(os.path.join(out, "data", "SOURCES.md"), acc, k, l, xacc, flacc, sacc)
    print("median %.4f  p95 %.4f  max %.3f  worst %s %.4f" % (
        acc["median"], acc["p95"], acc["max"], acc["worst"][0], acc["worst"][1]))
    print("jump K median %.4f (worst %.3f %s)  jump LIII median %.4f (worst %.3f %s)" % (
        acc["jumpK"][0], acc["jumpK"][1][0], acc["jumpK"][1][1],
        acc["jumpL3"][0], acc["jumpL3"][1][0], acc["jumpL3"][1][1]))
    print("just above edges >= 1 keV: median %.4f  p90 %.4f" % acc["above"][:2])
    print("cross sections: %d energies, median %.5f  p95 %.5f  max %.4f; %d rows, %d bytes" % (
        xacc["n"], xacc["median"], xacc["p95"], xacc["max"], xacc["rows"], xacc["size"]))
    for sym, e, err, ref, mine, other, where in xacc["notes"]:
        print("  %s %.4g keV (%s): %.2f %% (xraydb %.5g, table %.5g, fisx %.5g)" % (
            sym, e, where, 100 * err, ref, mine, other))
    print("scatter factors: %d grid points, F max %.5f median %.6f, S max %.5f median %.6f; %d bytes" % (
        sacc["n"], sacc["errs"]["F"][0], sacc["errs"]["F"][1], sacc["errs"]["S"][0],
        sacc["errs"]["S"][1], sacc["size"]))


if __name__ == "__main__":
    main()
