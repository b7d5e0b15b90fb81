#include "FieldTable.h"

#include "DetectorConstants.h"
#include "IonChamber.h"

#include <QtGlobal>

#include <algorithm>
#include <iterator>

namespace {

const OutputRow OUTPUTS[] = {
#define TIRN_OUTPUT(name, defaultText, unit, caption, tip, flags)                                  \
    {#name, defaultText, unit, caption, tip, flags},
#include "FieldList.h"
};

const InputRow INPUTS[] = {
#define TIRN_INPUT(name, defaultText, unit, rule, lower, upper, caption, tip, group, flags,        \
                   readouts)                                                                       \
    {#name, defaultText, unit, rule, lower, upper, caption, tip, group, flags, readouts},
#include "FieldList.h"
};

const OptionRow OPTIONS[] = {
#define TIRN_OPTION(name, checked, caption, tip, flags) {#name, checked, caption, tip, flags},
#include "FieldList.h"
};

const char *const CHOICES[] = {
#define TIRN_CHOICE(name) #name,
#include "FieldList.h"
};

static_assert(std::size(OUTPUTS) == PlanFields::OutputCount, "one row per read-out");
static_assert(std::size(INPUTS) == PlanFields::InputCount, "one row per input");
static_assert(std::size(OPTIONS) == PlanFields::OptionCount, "one row per option");
static_assert(std::size(CHOICES) == PlanFields::ChoiceCount, "one row per choice");

template <typename Row> const char *nameOf(const Row &row)
{
    return row.name;
}
const char *nameOf(const char *name)
{
    return name;
}

template <typename Table> int indexIn(const Table &table, const QString &name)
{
    int i = 0;
    for (const auto &row : table) {
        if (name == QLatin1String(nameOf(row)))
            return i;
        ++i;
    }
    return -1;
}

// A bound as people write it: 1000000 and 0.000001 rather than 1e+06 and 1e-06; only numbers
// that would need more than a few zeros keep the exponent, as the user types it (1e16).
QString number(double v)
{
    if (std::isinf(v))
        return QStringLiteral("inf");
    const QString shortest = QString::number(v, 'g', 6);
    const int e = int(shortest.indexOf(QLatin1Char('e')));
    if (e < 0)
        return shortest;
    const QString mantissa = shortest.left(e);
    const int exponent = shortest.mid(e + 1).toInt();
    if (exponent < -6 || exponent > 9)
        return mantissa + QLatin1Char('e') + QString::number(exponent);
    const int point = int(mantissa.indexOf(QLatin1Char('.')));
    const int decimals = point < 0 ? 0 : int(mantissa.size()) - point - 1;
    return QString::number(v, 'f', std::max(0, decimals - exponent));
}

// The rule as a reader of the listing needs it: the interval the number must lie in.
QString ruleText(const InputRow &row)
{
    const QString upper = number(row.upper);
    switch (row.rule) {
    case Rule::Composition:
        return QStringLiteral("composition");
    case Rule::Gas:
        return QStringLiteral("gas: %1, or NAME:SHARE ...").arg(gasNames());
    case Rule::Positive:
        if (row.flags & EMPTY_MEANS_DEFAULT)
            return QStringLiteral("number in [%1, %2]; empty: automatic")
                .arg(number(row.lower), upper);
        if (row.lower > 0)
            return QStringLiteral("number in [%1, %2]").arg(number(row.lower), upper);
        return QStringLiteral("number in (0, %1]").arg(upper);
    case Rule::NonNegative:
    case Rule::RangeStart:
    case Rule::Share:
    case Rule::Angle:
        return QStringLiteral("number in [%1, %2]").arg(number(row.lower), upper);
    case Rule::RangeEnd:
        return QStringLiteral("number > StartE0, at most %1").arg(upper);
    case Rule::Count:
        return QStringLiteral("whole number in [%1, %2]").arg(number(row.lower), upper);
    case Rule::DetectorMaterial: {
        QStringList names;
        for (const DetectorMaterial &m : DETECTOR_MATERIALS)
            names << QLatin1String(m.symbol);
        return QStringLiteral("one of %1").arg(names.join(QStringLiteral(", ")));
    }
    case Rule::RoiEnd:
        return QStringLiteral("number in [%1, %2], > RoiLow; empty: automatic")
            .arg(number(row.lower), upper);
    case Rule::FilePath:
        return QStringLiteral("path; empty: none");
    case Rule::Signed:
        return QStringLiteral("number in [%1, %2]").arg(number(row.lower), upper);
    }
    return QString();
}

} // namespace

namespace Fields {

const InputRow &input(PlanFields::Input i)
{
    return INPUTS[i];
}
const OutputRow &output(PlanFields::Output o)
{
    return OUTPUTS[o];
}
const OptionRow &option(PlanFields::Option o)
{
    return OPTIONS[o];
}
const char *choice(PlanFields::Choice c)
{
    return CHOICES[c];
}

int inputIndex(const QString &name)
{
    return indexIn(INPUTS, name);
}
int outputIndex(const QString &name)
{
    return indexIn(OUTPUTS, name);
}
int optionIndex(const QString &name)
{
    return indexIn(OPTIONS, name);
}
int choiceIndex(const QString &name)
{
    return indexIn(CHOICES, name);
}

QString listing()
{
    QString out;
    const auto line = [&out](const char *name, const char *kind, const QString &unit,
                             const QString &defaultText, const QString &rule) {
        out += QLatin1String(name) + QLatin1Char('\t') + QLatin1String(kind) + QLatin1Char('\t') +
               unit + QLatin1Char('\t') + defaultText + QLatin1Char('\t') + rule +
               QLatin1Char('\n');
    };
    for (const InputRow &r : INPUTS) {
        line(r.name, "input", QString::fromUtf8(r.unit), QString::fromUtf8(r.defaultText),
             ruleText(r));
    }
    for (const OutputRow &r : OUTPUTS) {
        line(r.name, "output", QString::fromUtf8(r.unit), QString::fromUtf8(r.defaultText),
             QStringLiteral("read-out: --print only"));
    }
    for (const OptionRow &r : OPTIONS) {
        line(r.name, "option", QString(), r.checked ? QStringLiteral("1") : QStringLiteral("0"),
             QStringLiteral("1, 0, true or false"));
    }
    // The items follow the target (its elements, then the chosen element's edges).
    for (const char *c : CHOICES)
        line(c, "choice", QString(), QString(), QStringLiteral("an item of its list"));
    return out;
}

} // namespace Fields
