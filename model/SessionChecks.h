#pragma once

// What a session's values must be before the plan takes them: the checks of the session
// loader (PlanModelSession.cpp), by kind of value, and the messages that locate a fault.

#include "PlanModel.h"
#include "PlanText.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>

#include <cmath>

namespace SessionChecks {

// Unknown keys a load names; the rest are only counted.
constexpr int NAMED_KEYS = 8;

// A value of the file as a message quotes it: a long text cut short, characters that would
// garble a status line replaced.
inline QString quoted(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double:
        return QString::number(value.toDouble(), 'g', 15);
    case QJsonValue::String: {
        QString s = value.toString();
        if (s.size() > 40)
            s = s.left(37) + QStringLiteral("...");
        for (QChar &c : s) {
            if (!c.isPrint())
                c = QLatin1Char('?');
        }
        return QLatin1Char('"') + s + QLatin1Char('"');
    }
    case QJsonValue::Array:
        return QStringLiteral("[...]");
    case QJsonValue::Object:
        return QStringLiteral("{...}");
    case QJsonValue::Undefined:
        break;
    }
    return QString();
}

// Where a byte of the file lies as an editor shows it: lines and columns counted from 1, one
// column per character.
inline QString position(const QByteArray &json, int offset)
{
    int line = 1;
    int column = 1;
    const int end = std::clamp(offset, 0, int(json.size()));
    for (int i = 0; i < end; ++i) {
        const auto c = uchar(json.at(i));
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((c & 0xC0) != 0x80) { // not a continuation byte of UTF-8
            ++column;
        }
    }
    return trMain("line %1, column %2").arg(line).arg(column);
}

inline bool wholeNumber(const QJsonValue &value, int lowest, int highest, int *out)
{
    if (!value.isDouble())
        return false;
    const double d = value.toDouble();
    if (!(d >= lowest && d <= highest) || d != std::floor(d))
        return false;
    *out = int(d);
    return true;
}

// Equal but for the last bits of the same quantity computed in another order.
inline bool close(double a, double b)
{
    return a == b || std::abs(a - b) <= 1e-9 * std::max(std::abs(a), std::abs(b));
}

// Equal as the form shows them (three decimals), or close.
inline bool sameShown(double a, double b)
{
    if (!std::isfinite(a) || !std::isfinite(b))
        return a == b;
    return close(a, b) || QString::number(a, 'f', 3) == QString::number(b, 'f', 3);
}

// Within a field's bounds, but for the last bits: a share computed as 100.00000000000001 is 100.
inline bool withinBounds(double v, const InputRow &row)
{
    return (v >= row.lower || close(v, row.lower)) && (v <= row.upper || close(v, row.upper));
}

// A number read-out's text: empty, or a finite number.
inline bool numberReadout(PlanFields::Output o)
{
    switch (o) {
    case PlanFields::CylWeight:
    case PlanFields::CylVol:
    case PlanFields::dMut:
    case PlanFields::MuPt:
    case PlanFields::TransM:
        return true;
    default:
        return false;
    }
}

// Whether a read-out's text from a file can be a result: no "nan" or "inf" in it, and a number
// where the read-out shows one.
inline bool plausibleReadout(PlanFields::Output o, const QString &text)
{
    static const QRegularExpression notFinite(
        QStringLiteral("(?<![\\w.])[-+]?(nan|inf|infinity)(?!\\w)"),
        QRegularExpression::CaseInsensitiveOption);
    if (text.contains(notFinite))
        return false;
    if (!numberReadout(o) || text.isEmpty())
        return true;
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && std::isfinite(v);
}

// Reads the parts of a session's root object, each value checked against its kind. The first
// value that cannot be used ends the reading; error then names its key and what is wrong.
class SessionReader
{
public:
    SessionReader(const QJsonObject &root, PlanModel::SessionLoad &result)
        : root(root), result(result)
    {
    }

    QString error;
    bool failed() const { return !error.isEmpty(); }

    bool fail(const QString &key, const QString &why)
    {
        if (error.isEmpty())
            error = key + QStringLiteral(": ") + why;
        return false;
    }

    void ignore(const QString &key)
    {
        if (result.ignored.size() < NAMED_KEYS)
            result.ignored << key;
        ++result.ignoredCount;
    }

    // The object under key: empty when the file lacks it (noted as missing); its members with
    // names outside known are noted as ignored.
    QJsonObject section(const QString &key, const QStringList &known)
    {
        if (!root.contains(key)) {
            result.missing << key;
            return QJsonObject();
        }
        const QJsonValue value = root.value(key);
        if (!value.isObject()) {
            fail(key, trMain("%1 is not an object").arg(quoted(value)));
            return QJsonObject();
        }
        const QJsonObject obj = value.toObject();
        for (auto it = obj.constBegin(); it != obj.constEnd(); ++it) {
            if (!known.contains(it.key()))
                ignore(key + QLatin1Char('.') + it.key());
        }
        return obj;
    }

    bool text(const QJsonValue &value, const QString &key, QString *out)
    {
        if (!value.isString())
            return fail(key, trMain("%1 is not a text").arg(quoted(value)));
        const QString s = value.toString();
        if (s.size() > PlanModel::SESSION_MAX_TEXT) {
            return fail(key, trMain("%1 characters, more than the %2 a field holds")
                                 .arg(s.size())
                                 .arg(PlanModel::SESSION_MAX_TEXT));
        }
        if (!s.isValidUtf16())
            return fail(key, trMain("%1 is not valid Unicode").arg(quoted(value)));
        *out = s;
        return true;
    }

    bool boolean(const QJsonValue &value, const QString &key, bool *out)
    {
        if (!value.isBool())
            return fail(key, trMain("%1 is not true or false").arg(quoted(value)));
        *out = value.toBool();
        return true;
    }

    bool style(const QJsonValue &value, const QString &key, int roles, int *out)
    {
        if (!wholeNumber(value, 0, roles - 1, out))
            return fail(key, trMain("%1 is not a style").arg(quoted(value)));
        return true;
    }

    bool item(const QJsonValue &value, const QString &key, int lowest, int highest, int *out)
    {
        if (!wholeNumber(value, lowest, highest, out)) {
            return fail(key, trMain("%1 is not an item of the list (%2 to %3)")
                                 .arg(quoted(value))
                                 .arg(lowest)
                                 .arg(highest));
        }
        return true;
    }

private:
    const QJsonObject &root;
    PlanModel::SessionLoad &result;
};

} // namespace SessionChecks
