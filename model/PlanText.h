#pragma once

// How the plan writes its numbers and messages, shared by its source files.

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <cmath>

// The window's translation context: the plan's texts share its catalogue.
inline QString trMain(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

// A number as the form shows it; a value that rounds to zero has no sign ("0.000", not
// "-0.000").
inline QString numberText(double v, char format, int precision)
{
    QString s = QString::number(v, format, precision);
    const auto nonZeroDigit = [](QChar c) {
        return c >= QLatin1Char('1') && c <= QLatin1Char('9');
    };
    if (s.startsWith(QLatin1Char('-')) && std::none_of(s.cbegin(), s.cend(), nonZeroDigit))
        s.remove(0, 1);
    return s;
}

// Every number the pellet and mu t calculators write into the form; a result that cannot be
// computed is left empty rather than shown as nan or inf.
inline QString fieldNumber(double v)
{
    return std::isfinite(v) ? numberText(v, 'f', 3) : QString();
}
