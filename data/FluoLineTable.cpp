#include "FluoLineTable.h"

#include "TableFile.h"

#include <algorithm>
#include <cmath>
#include <utility>

// File layout (written by tools/gen_xraydata.py):
//   # comment
//   element <Z> <symbol> <lines> <yield K> <yield L1> <yield L2> <yield L3> <f12> <f13> <f23>
//           <L1 per K> <L2 per K> <L3 per K>                                    (one line)
//   <shell> <name> <E keV> <rate>                           (<lines> lines, shell K, L1, L2, L3)
//   share <shell> <E keV> <share> <E keV> <share> ...   (at most one per subshell, in shell order)
// Lines come by shell; a shell's rates are shares of its radiative emission and so add up to at
// most 1. A shell with lines needs a share row: without one its lines would never be excited.

namespace {

constexpr int MaxZ = 118;
// Rounding of the written shares: the kept lines of a shell may add up to a hair above 1.
constexpr double ShareSlack = 1e-5;

int shellIndex(const QByteArray &name)
{
    static const char *const names[FLUO_SHELL_COUNT] = {"K", "L1", "L2", "L3"};
    for (int i = 0; i < FLUO_SHELL_COUNT; ++i) {
        if (name == names[i])
            return i;
    }
    return -1;
}

bool number(const QByteArray &field, double lo, double hi, double *value)
{
    bool ok = false;
    *value = field.toDouble(&ok);
    return ok && *value >= lo && *value <= hi;
}

} // namespace

double ElementLines::photoShare(int shell, double E) const
{
    return E > 0 ? photoShareAtLog(shell, std::log(E)) : 0.0;
}

double ElementLines::photoShareAtLog(int shell, double lx) const
{
    const QVector<double> &x = shareLogE[shell];
    const QVector<double> &y = shareLog[shell];
    if (x.isEmpty() || std::isnan(lx))
        return 0.0;
    if (lx <= x.first())
        return std::exp(y.first());
    if (lx >= x.last())
        return std::exp(y.last());
    const int i = int(std::upper_bound(x.begin(), x.end(), lx) - x.begin()) - 1;
    const double t = (lx - x[i]) / (x[i + 1] - x[i]);
    return std::exp(y[i] + t * (y[i + 1] - y[i]));
}

bool FluoLineTable::load(const QString &fileName, QString *error)
{
    TableFile in(fileName, error, [this] {
        byZ.clear();
        count = 0;
    });
    if (!in.read())
        return false;
    const QList<QByteArray> &lines = in.lines;
    int &lineNo = in.lineNo;
    const auto fail = [&in](const QString &what) { return in.fail(what); };

    std::vector<ElementLines> table(MaxZ + 1);
    int n = 0;
    while (n < lines.size()) {
        lineNo = n + 1;
        const QByteArray line = lines.at(n++).simplified();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> f = line.split(' ');
        bool zOk = false, countOk = false;
        const int z = f.size() == 14 ? f.at(1).toInt(&zOk) : 0;
        const int lineCount = f.size() == 14 ? f.at(3).toInt(&countOk) : 0;
        if (f.at(0) != "element" || !zOk || !countOk)
            return fail(
                QStringLiteral("expected \"element <Z> <symbol> <lines>\" and ten numbers"));
        if (z < 1 || z > MaxZ || table[z].z != 0)
            return fail(QStringLiteral("element %1 out of range or repeated").arg(z));
        if (lineCount < 0 || lineCount > 1000)
            return fail(QStringLiteral("element %1: %2 lines").arg(z).arg(lineCount));

        ElementLines &el = table[z];
        el.symbol = QString::fromLatin1(f.at(2));
        double *const probabilities[] = {&el.yield[0], &el.yield[1], &el.yield[2], &el.yield[3],
                                         &el.f12,      &el.f13,      &el.f23};
        for (int i = 0; i < 7; ++i) {
            if (!number(f.at(4 + i), 0.0, 1.0, probabilities[i]))
                return fail(
                    QStringLiteral("element %1: field %2 is no probability").arg(z).arg(5 + i));
        }
        if (el.f12 + el.f13 > 1.0 + ShareSlack)
            return fail(QStringLiteral("element %1: f12 + f13 exceed 1").arg(z));
        // An Auger transition can leave two vacancies in one subshell.
        for (int i = 0; i < 3; ++i) {
            if (!number(f.at(11 + i), 0.0, 2.0, &el.kToL[i]))
                return fail(
                    QStringLiteral("element %1: field %2 is not 0 ... 2").arg(z).arg(12 + i));
        }

        double shareSum[FLUO_SHELL_COUNT] = {0, 0, 0, 0};
        int lastShell = 0;
        for (int i = 0; i < lineCount; ++i) {
            lineNo = n + 1;
            if (n >= lines.size() || lines.at(n).trimmed().isEmpty())
                return fail(QStringLiteral("element %1 ends after %2 of %3 lines")
                                .arg(z)
                                .arg(i)
                                .arg(lineCount));
            const QList<QByteArray> g = lines.at(n++).simplified().split(' ');
            EmissionLine l;
            l.shell = g.size() == 4 ? shellIndex(g.at(0)) : -1;
            if (l.shell < 0 || !number(g.at(2), 1e-6, 1e4, &l.energy) ||
                !number(g.at(3), 0.0, 1.0, &l.rate) || !(l.rate > 0.0) || g.at(1).contains(','))
                return fail(QStringLiteral("expected <K|L1|L2|L3> <name> <E keV> <rate>"));
            if (l.shell < lastShell)
                return fail(QStringLiteral("lines out of shell order"));
            lastShell = l.shell;
            shareSum[l.shell] += l.rate;
            if (shareSum[l.shell] > 1.0 + ShareSlack)
                return fail(QStringLiteral("shell %1 emits more than all of its radiative share")
                                .arg(QString::fromLatin1(g.at(0))));
            l.name = QString::fromLatin1(g.at(1));
            el.lines.append(l);
        }

        int lastShare = -1;
        while (n < lines.size() && lines.at(n).simplified().startsWith("share ")) {
            lineNo = n + 1;
            const QList<QByteArray> g = lines.at(n++).simplified().split(' ');
            const int shell = shellIndex(g.at(1));
            if (shell < 0 || g.size() < 6 || g.size() % 2 != 0)
                return fail(QStringLiteral("expected share <K|L1|L2|L3> and pairs <E keV> <share>, "
                                           "at least two"));
            if (shell <= lastShare)
                return fail(QStringLiteral("share rows repeated or out of shell order"));
            lastShare = shell;
            for (int k = 2; k < g.size(); k += 2) {
                double e = 0, share = 0;
                if (!number(g.at(k), 1e-6, 1e4, &e) || !number(g.at(k + 1), 0.0, 1.0, &share) ||
                    !(share > 0.0))
                    return fail(QStringLiteral("share %1: pair %2 is no energy and share in (0, 1]")
                                    .arg(QString::fromLatin1(g.at(1)))
                                    .arg(k / 2));
                if (!el.shareLogE[shell].isEmpty() && !(std::log(e) > el.shareLogE[shell].last()))
                    return fail(QStringLiteral("share %1: energies do not rise")
                                    .arg(QString::fromLatin1(g.at(1))));
                el.shareLogE[shell].append(std::log(e));
                el.shareLog[shell].append(std::log(share));
            }
        }
        for (const EmissionLine &l : qAsConst(el.lines)) {
            if (el.shareLogE[l.shell].isEmpty())
                return fail(QStringLiteral("element %1: %2 has no share row").arg(z).arg(l.name));
        }
        el.z = z;
        ++count;
    }
    lineNo = 0;
    if (count == 0)
        return fail(QStringLiteral("no elements"));
    byZ = std::move(table);
    return true;
}
