#pragma once

#include <QDialog>

class PlanModel;
class QLabel;
class QPushButton;
class QTableWidget;

// The measured spectrum's line areas beside the simulated ones, group by group, with the overall
// scale and the peaks no line explains. It follows the plan: every recomputation fills it anew.
class ComparisonDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ComparisonDialog(PlanModel *plan, QWidget *parent = nullptr);

    // Fills the table from the plan's last comparison.
    void refresh();

Q_SIGNALS:
    // The user asked for the table as a file.
    void saveRequested();

private:
    PlanModel *const plan;
    QLabel *summary;
    QTableWidget *table;
    QLabel *unexplained;
    QPushButton *save;
};
