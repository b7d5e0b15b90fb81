// libFuzzer entry for the composition parser: any byte string, read as UTF-8 the way a pasted
// text would arrive, must parse without crashing, hanging or touching memory it does not own,
// and the result must keep the list's invariants.

#include "XrayDataBase.h"
#include "parse.h"

#include <QHash>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const char *const TablePath = TIRN_SOURCE_DIR "/tests/fixtures/physics/XrayTable.txt";

// Lookups of unknown symbols add default records; reloading now and then keeps a long run's
// memory bounded.
constexpr int MaxRecords = 20000;

void ignoreMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

XrayDataBase &table()
{
    static XrayDataBase *db = [] {
        qInstallMessageHandler(ignoreMessages);
        auto *d = new XrayDataBase;
        if (!d->load(QString::fromUtf8(TablePath))) {
            std::fprintf(stderr, "cannot read %s\n", TablePath);
            std::abort();
        }
        return d;
    }();
    if (db->size() > MaxRecords)
        db->load(QString::fromUtf8(TablePath));
    return *db;
}

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    XrayDataBase &db = table();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const QString untouched = QStringLiteral("\x01untouched");
    QString expanded = untouched;
    const QVector<Element> result = parseCompString(text, expanded, db);

    if (result.isEmpty()) {
        check(expanded == untouched || expanded.isEmpty() ||
                  expanded == QLatin1String("No elements") ||
                  expanded.startsWith(QLatin1String("Mismatched brackets ")),
              "rejection text");
        return 0;
    }
    check(expanded.endsWith(QLatin1Char(' ')), "expanded form ends with a blank");
    QHash<QString, int> seen;
    for (const Element &e : result) {
        check(e.kind == KindSymbol, "result holds symbols only");
        const AtomData *rec = db.find(e.symbol);
        check(rec && rec->z >= 1, "result symbols are listed");
        check(e.atomicWeight == rec->atomicWeight, "atomic weight from the table");
        // A NaN only arises from 0 x infinity with counts of hundreds of digits.
        check(e.amount > 0 || std::isnan(e.amount), "positive amounts");
        check(!seen.contains(e.symbol), "each symbol once");
        seen.insert(e.symbol, 1);
        check(expanded.contains(e.symbol), "symbol shown");
    }
    check(expanded.startsWith(result.first().symbol), "expanded form starts with the first symbol");
    return 0;
}
