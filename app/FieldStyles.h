#pragma once

#include <QString>

// Style sheets of the field style roles (FieldStyleRole, OutputStyleRole of the plan). The input
// roles and the first two output roles look alike today, but every write still names its role so
// that the marking can be made visible by changing one string; the alarm role shows in red.
extern const QString inputStyle[3];
extern const QString outputStyle[3];
// Added to a field's style while its text breaks the field's rule.
extern const QString invalidInputStyle;
