#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// What every table loader does around its parsing: it reads the whole file as lines, keeps the
// number of the line being read, and on a failure empties its table and reports the file and
// line ("file:line: what", or "file: what" for the file as a whole).
class TableFile
{
public:
    // clear empties the loader's table; it runs here and again at every failure.
    TableFile(const QString &fileName, QString *error, std::function<void()> clear);

    // Reads the file; false, through fail(), when it cannot be read.
    bool read();
    // Empties the table, sets the message if one is wanted, and returns false.
    bool fail(const QString &what);

    QList<QByteArray> lines;
    int lineNo = 0; // 1-based; 0 while the file as a whole is meant

private:
    QString fileName;
    QString *error;
    std::function<void()> clear;
};
