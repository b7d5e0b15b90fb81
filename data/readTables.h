#pragma once

#include <QString>

// Number of yield entries read into each array (indices 0 ... 129).
constexpr int YIELD_SLOTS = 130;
// Size of the yield arrays held by the main window.
constexpr int YIELD_ARRAY_SIZE = 150;

// Fills values[0 ... count-1] from a two-column "Z  yield" text file; see readTables.cpp.
void readYield(double *values, int count, QString fileName);
