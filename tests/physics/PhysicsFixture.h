#pragma once

#include "XrayDataBase.h"

#include <QString>
#include <QtTest>

// A small element table in the shipped file's layout: H, B, C, N, O, F, Mg, Al, Ar, Ca, Fe, Ba,
// Pb and U. Fe, O (K region) and H carry the figures the worked examples are built on.
inline QString physicsFixturePath(const char *name)
{
    return QStringLiteral(TIRN_SOURCE_DIR "/tests/fixtures/physics/") + QLatin1String(name);
}

inline void loadFixtureTable(XrayDataBase &db)
{
    QVERIFY2(db.load(physicsFixturePath("XrayTable.txt")), "fixture table missing");
    QVERIFY(db.find(QStringLiteral("Fe")) != nullptr);
}
