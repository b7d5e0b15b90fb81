#include "XrayDataBase.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

// File layout: one element per line, 35 whitespace-separated columns:
//   0 symbol, 1 Z, 2 atomic weight,
//   for region j = 1..5 (K, LI, LII, LIII, MI): edge [keV] at 4j-1, wavelength at 4j (unused),
//   C at 4j+1, D at 4j+2,
//   23-24 symbol and Z repeated, 25-31 emission lines Ka2 ... Lb2 [eV],
//   32-34 K, LIII, LII edges [eV].
// "=" means no value. A line whose first field is exactly "#" is a comment; the two header lines
// ("#元素名 ..." and "#0 1 2 ...") are not, and end up as records no symbol lookup ever reaches.

namespace {

// An empty cell ("=") reads as 0, and no edge or coefficient is ever really 0, so both mean
// "none" - which the absorption code only recognises as a value below every energy and below 0.
double zeroAsMissing(const QString &field)
{
    const double v = field.toDouble();
    return v == 0.0 ? MissingValue : v;
}

} // namespace

const AtomData *XrayDataBase::find(const QString &symbol) const
{
    const auto it = table.constFind(symbol);
    return it == table.constEnd() ? nullptr : &it.value();
}

bool XrayDataBase::load(const QString &fileName)
{
    table.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;

    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
    QTextStream in(&file);
    // The shipped table is UTF-8 (only its header is not ASCII); reading it with the locale's
    // codec would garble the header keys under a C locale.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    in.setEncoding(QStringConverter::Utf8);
#else
    in.setCodec("UTF-8");
#endif
    while (!in.atEnd()) {
        const QStringList fields = in.readLine().simplified().split(whiteSpace, Qt::KeepEmptyParts);
        if (fields.isEmpty() || fields.at(0) == QLatin1String("#") || fields.at(0).isEmpty())
            continue;

        AtomData rec;
        rec.symbol = fields.at(0);
        const int n = fields.size();
        if (n > 2) {
            rec.z = fields.at(1).toInt(nullptr, 10);
            rec.atomicWeight = fields.at(2).toDouble();
        }
        for (int j = 1; j <= EDGE_COUNT; ++j) {
            if (n > 4 * j + 2) {
                rec.edge[j - 1] = zeroAsMissing(fields.at(4 * j - 1));
                rec.coefC[j - 1] = zeroAsMissing(fields.at(4 * j + 1));
                rec.coefD[j - 1] = zeroAsMissing(fields.at(4 * j + 2));
            }
        }
        for (int k = 25; k <= 31; ++k) {
            if (n > k)
                rec.line[k - 25] = fields.at(k).toDouble() / 1000.0;
        }
        table[rec.symbol] = rec;
    }
    return true;
}

void loadXrayDataBase(XrayDataBase &db, const QString &fileName)
{
    if (!db.load(fileName)) {
        std::printf("Cannot open [XrayDataBase1.txt]\n");
        std::fflush(stdout);
        std::exit(1);
    }
}
