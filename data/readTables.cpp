#include "readTables.h"

#include <QDebug>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

// Lines are "Z  yield"; a first field starting with '#' marks a comment. Lines are split without
// trimming, so a leading blank gives an empty first field, which reads as index 0.
void readYield(double *values, int count, QString fileName)
{
    QFile file(fileName);
    const bool opened = file.open(QIODevice::ReadOnly | QIODevice::Text);
    if (!opened) {
        // The message context names this file and the reader, whatever the build puts in
        // __FILE__, so log filters written against it keep working.
        QMessageLogger("readTables", 17, "void readYield(double*, int, QString)").debug()
            << QStringLiteral("Can't open [%1]").arg(fileName);
    }
    for (int i = 0; i < count; ++i)
        values[i] = 0.0;
    if (!opened)
        return;

    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList fields = in.readLine().split(whiteSpace, Qt::KeepEmptyParts);
        if (fields.size() < 2)
            continue;
        if (!fields.at(0).isEmpty() && fields.at(0).at(0) == QLatin1Char('#'))
            continue;
        const int index = fields.at(0).toInt(nullptr, 10);
        if (index >= 0 && index < count)
            values[index] = fields.at(1).toDouble();
    }
}
