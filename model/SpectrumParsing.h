#pragma once

// What the readers of spectrum files share: lines numbered as an editor numbers them, numbers
// read strictly, and the messages that name the line.

#include <QByteArray>
#include <QString>
#include <QVector>

namespace SpectrumParsing {

struct Line
{
    int number = 0;  // from 1
    QByteArray text; // without the line end, trimmed
};

// The lines of content, split at "\n", "\r\n" or "\r".
QVector<Line> splitLines(const QByteArray &content);
// Fields separated by commas or semicolons (each trimmed and taken out of double quotes; an
// empty one stays), or else by runs of blanks.
QVector<QByteArray> fields(const QByteArray &text);

// A message of the reader's, "line 12: ..." in the interface language.
QString atLine(int line, const QString &what);
QString translate(const char *text);

// token as a finite number; otherwise false with error naming the line and the text.
bool number(const QByteArray &token, int line, double *value, QString *error);
// token as a count: a finite number, >= 0, at most MeasuredLimits::MaxCount.
bool count(const QByteArray &token, int line, double *value, QString *error);
// token as a whole channel number between 0 and MeasuredLimits::MaxChannelNumber.
bool channel(const QByteArray &token, int line, int *value, QString *error);
// token as a counting time [s]: finite, >= 0, at most MeasuredLimits::MaxTime.
bool time(const QByteArray &token, int line, double *value, QString *error);

// The straight line energy = offset + gain * channel through the points by least squares;
// false with error set when there are fewer than two distinct channels, or the gain is not
// positive or either number is out of range.
bool fitCalibration(const QVector<double> &channels, const QVector<double> &energies,
                    double *offset, double *gain, double *largestResidual, QString *error);

// A number as the writers put it: the shortest text that reads back as the same double.
QByteArray shortest(double value);

} // namespace SpectrumParsing
