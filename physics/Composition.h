#pragma once

#include "CrossSectionTable.h"
#include "XrayDataBase.h"
#include "parse.h"

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
//
// Two absorption models: by default each element's two-term table (C lambda^3 - D lambda^4 per
// region, photoabsorption only). With tabulated set, the tabulated cross sections instead: the
// absorption is the total attenuation (photoabsorption and coherent and incoherent scattering),
// and the share of a shell follows from the tabulated jump ratios. An element the table does not
// hold absorbs nothing there.
struct Composition
{
    bool valid = false;
    QVector<CompEntry> entries;
    const CrossSectionTable *tabulated = nullptr; // not owned; must outlive the composition

    double molecularWeight() const;
    double entryAbsorption(double E, int k) const;
    double absorption(double E) const;
    double edgeAbsorption(double E, int k, int i) const;
};

// Replaces comp with the parse of text; returns the expanded form or the parser's message.
QString evalComposition(const QString &text, Composition &comp, XrayDataBase &db,
                        ParseNotes *notes = nullptr);

// mu t of a pellet: tgtMolPerArea * (tgt.absorption(E) + bndPerTgt * bnd.absorption(E)).
double pelletMuT(const Composition &tgt, const Composition &bnd, double tgtMolPerArea,
                 double bndPerTgt, double E);
