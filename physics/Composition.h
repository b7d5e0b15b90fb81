#pragma once

#include "AtomData.h"

#include <QString>
#include <QVector>

// lambda [Angstrom] = HC_KEV_ANGSTROM / E [keV]
constexpr double HC_KEV_ANGSTROM = 12.3984172;

struct CompEntry
{
    QString symbol;
    const AtomData *data = nullptr; // points into the element table; not owned
    double amount = 0.0;            // relative number of atoms
};

// An evaluated composition. Absorption results are in cm^2 per mole of formula units.
struct Composition
{
    bool valid = false;
    QVector<CompEntry> entries;

    double molecularWeight() const;
    double entryAbsorption(double E, int k) const;
    double absorption(double E) const;
    double edgeAbsorption(double E, int k, int i) const;
};

// Replaces comp with the parse of text; returns the expanded form or the parser's message.
QString evalComposition(const QString &text, Composition &comp, XrayDataBase &db);

// mu t of a pellet: tgtMolPerArea * (tgt.absorption(E) + bndPerTgt * bnd.absorption(E)).
double pelletMuT(const Composition &tgt, const Composition &bnd, double tgtMolPerArea,
                 double bndPerTgt, double E);
