#include "TableFile.h"

#include <QFile>

#include <utility>

TableFile::TableFile(const QString &fileName, QString *error, std::function<void()> clear)
    : fileName(fileName), error(error), clear(std::move(clear))
{
    this->clear();
}

bool TableFile::read()
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    lines = file.readAll().split('\n');
    return true;
}

bool TableFile::fail(const QString &what)
{
    clear();
    if (error)
        *error = lineNo > 0 ? QStringLiteral("%1:%2: %3").arg(fileName).arg(lineNo).arg(what)
                            : QStringLiteral("%1: %2").arg(fileName, what);
    return false;
}
