#include "FieldTable.h"

#include <QtGlobal>

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

QString number(double v)
{
    return std::isinf(v) ? QStringLiteral("inf") : QString::number(v, 'g', 6);
}

// The rule as a reader of the listing needs it: the interval the number must lie in.
QString ruleText(const InputRow &row)
{
    const QString upper = number(row.upper);
    switch (row.rule) {
    case Rule::Composition:
        return QStringLiteral("composition");
    case Rule::Positive:
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
    for (const OutputRow &r : OUTPUTS)
        line(r.name, "output", QString::fromUtf8(r.unit), QString::fromUtf8(r.defaultText), {});
    for (const OptionRow &r : OPTIONS) {
        line(r.name, "option", QString(), r.checked ? QStringLiteral("1") : QStringLiteral("0"),
             QStringLiteral("0 or 1"));
    }
    for (const char *c : CHOICES)
        line(c, "choice", QString(), QString(), QStringLiteral("an item of the list"));
    return out;
}

} // namespace Fields
