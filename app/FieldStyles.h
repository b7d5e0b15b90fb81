#pragma once

#include <QString>

// Roles of the field style sheets: the three colours look alike today, but every write still
// names its role so that the marking can be made visible by changing one string.
enum FieldStyleRole { StyleNormal = 0, StyleDerived = 1, StyleEdited = 2 };
// Output labels have no "edited" role; index 2 is spare.
enum OutputStyleRole { OutputNormal = 0, OutputDerived = 1, OutputSpare = 2 };

extern const QString inputStyle[3];
extern const QString outputStyle[3];
