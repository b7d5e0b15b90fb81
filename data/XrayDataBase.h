#pragma once

#include "AtomData.h"

#include <QMap>
#include <QString>

// The element table, keyed by symbol. Compositions keep pointers to the records, so a record is
// never removed or moved once loaded: QMap nodes stay put on insertion, and the table cannot be
// copied (a copy would share the map and a later detach would move every node).
class XrayDataBase
{
public:
    XrayDataBase() = default;
    XrayDataBase(const XrayDataBase &) = delete;
    XrayDataBase &operator=(const XrayDataBase &) = delete;

    // Reads a table file (see the format notes in XrayDataBase.cpp). Returns false, leaving the
    // table empty, when the file cannot be opened.
    bool load(const QString &fileName);

    // Subscript lookup: an unknown symbol gets a default record (z = -1) inserted under it.
    AtomData &operator[](const QString &symbol) { return table[symbol]; }
    // Lookup without insertion; nullptr for an unknown symbol.
    const AtomData *find(const QString &symbol) const;

    int size() const { return table.size(); }
    bool contains(const QString &symbol) const { return table.contains(symbol); }
    const QMap<QString, AtomData> &records() const { return table; }

private:
    QMap<QString, AtomData> table;
};

// Loads the table or ends the process the way the program must when its element table is
// missing: one line on standard output and exit status 1.
void loadXrayDataBase(XrayDataBase &db, const QString &fileName);
