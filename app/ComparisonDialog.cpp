#include "ComparisonDialog.h"

#include "PlanModel.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

enum Column { ColLine, ColEnergy, ColMeasured, ColSimulated, ColRatio, ColumnCount };

QTableWidgetItem *cell(const QString &text, bool number)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

// An area with its standard deviation from the counting statistics, the deviation to two
// digits and the area to the same place: "1604447 ± 1400", "46.1 ± 6.8".
QString area(const PeakArea &a)
{
    const double sd = std::sqrt(std::max(a.variance, 0.0));
    if (!(sd > 0) || !std::isfinite(sd) || !std::isfinite(a.net))
        return QString::number(a.net, 'g', 6);
    const int decimals = 1 - int(std::floor(std::log10(sd)));
    const double unit = std::pow(10.0, -decimals);
    const int shown = std::max(decimals, 0);
    return QStringLiteral("%1 \u00b1 %2")
        .arg(std::round(a.net / unit) * unit, 0, 'f', shown)
        .arg(std::round(sd / unit) * unit, 0, 'f', shown);
}

} // namespace

ComparisonDialog::ComparisonDialog(PlanModel *model, QWidget *parent)
    : QDialog(parent), plan(model), summary(new QLabel), table(new QTableWidget(0, ColumnCount)),
      unexplained(new QLabel), save(new QPushButton(tr("Save CSV...")))
{
    setObjectName(QStringLiteral("comparisonDialog"));
    setWindowTitle(tr("Measured and simulated lines"));
    table->setObjectName(QStringLiteral("comparisonTable"));
    table->setHorizontalHeaderLabels(
        {tr("Lines"), tr("Energy [keV]"), tr("Measured"), tr("Simulated"), tr("Meas./sim.")});
    table->verticalHeader()->hide();
    // The numbers keep their room; a group of many lines (pile-up) is cut short, whole in its
    // hint.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setSectionResizeMode(ColLine, QHeaderView::Stretch);
    table->setTextElideMode(Qt::ElideRight);
    table->setWordWrap(false);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    summary->setObjectName(QStringLiteral("comparisonSummary"));
    summary->setWordWrap(true);
    unexplained->setObjectName(QStringLiteral("comparisonUnexplained"));
    unexplained->setWordWrap(true);
    save->setObjectName(QStringLiteral("comparisonSave"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(save, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(save, &QPushButton::clicked, this, &ComparisonDialog::saveRequested);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(table, 1);
    layout->addWidget(unexplained);
    layout->addWidget(buttons);
    resize(680, 420);
    connect(plan, &PlanModel::plotChanged, this, [this] {
        if (isVisible())
            refresh();
    });
}

void ComparisonDialog::refresh()
{
    const SpectrumComparisonResult &r = plan->comparison();
    const bool any = plan->measuredLoaded() && !r.groups.isEmpty();
    save->setEnabled(any);
    if (!plan->measuredLoaded()) {
        summary->setText(tr("No measured spectrum is loaded (File > Open Measured Spectrum)."));
    } else if (!plan->measuredProblem().isEmpty() && !std::isfinite(r.scale)) {
        summary->setText(plan->measuredProblem());
    } else {
        summary->setText(tr("Scale measured/simulated: %1 \u00b1 %2, from %3 of %4 groups "
                            "(areas above a straight background; a group counts from %5 "
                            "counts).")
                             .arg(r.scale, 0, 'g', 4)
                             .arg(r.scaleSigma, 0, 'g', 2)
                             .arg(std::count_if(r.groups.cbegin(), r.groups.cend(),
                                                [](const ComparedGroup &g) { return g.used; }))
                             .arg(r.groups.size())
                             .arg(MinScaleCounts));
    }
    table->setRowCount(any ? int(r.groups.size()) : 0);
    for (int row = 0; any && row < r.groups.size(); ++row) {
        const ComparedGroup &g = r.groups.at(row);
        QTableWidgetItem *lines = cell(g.members.join(QStringLiteral(", ")), false);
        lines->setToolTip(g.members.join(QLatin1Char('\n')));
        table->setItem(row, ColLine, lines);
        table->setItem(row, ColEnergy, cell(QString::number(g.energy, 'f', 4), true));
        table->setItem(row, ColMeasured, cell(area(g.measured), true));
        table->setItem(row, ColSimulated, cell(area(g.simulated), true));
        QTableWidgetItem *ratio =
            cell(std::isfinite(g.ratio) ? QString::number(g.ratio, 'f', 3) : QString(), true);
        // The groups outside the scale are shown, greyed.
        if (!g.used) {
            for (int c = 0; c < ColRatio; ++c)
                table->item(row, c)->setForeground(
                    palette().color(QPalette::Disabled, QPalette::Text));
            ratio->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
        }
        table->setItem(row, ColRatio, ratio);
    }
    QStringList peaks;
    for (const UnexplainedPeak &u : r.unexplained)
        peaks << tr("%1 keV (%2 \u03c3)").arg(u.energy, 0, 'f', 3).arg(u.significance, 0, 'f', 0);
    unexplained->setText(peaks.isEmpty() || !any
                             ? QString()
                             : tr("Unexplained peaks: %1").arg(peaks.join(QStringLiteral(", "))));
}
