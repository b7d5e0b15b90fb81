#include "FormDriver.h"
#include "MainWindow.h"

#include <QAbstractButton>
#include <QStatusBar>
#include <QtTest>

#include <memory>

// The pellet fields as only the window has them: focus passing through them, the red frame of a
// broken one, the alarm colour of a read-out. What the plan computes from the edits is tested
// without a window, in tests/model.
class TestPelletForm : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> w;

private Q_SLOTS:
    void init()
    {
        w = std::make_unique<MainWindow>();
        w->resize(1200, 900);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void cleanup()
    {
        // Hiding moves the focus out of the line edit that has it, which finishes its editing;
        // that must happen while the window is still whole, not inside its destructor.
        w->hide();
        w.reset();
    }

    // Focus passing through the solver fields is no edit: the pellet the user arrived at stays,
    // although Qt reports a finished edit at every focus-out after a field was written.
    void tabbingThroughChangesNothing()
    {
        w->show();
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        type(w->SetTgtCmp, QStringLiteral("CuO"));
        type(w->SetThick, QStringLiteral("1"));
        const auto texts = [this] {
            QStringList all;
            for (QLineEdit *edit : w->findChildren<QLineEdit *>())
                all << edit->objectName() + QLatin1Char('=') + edit->text();
            return all;
        };
        const QStringList before = texts();
        w->SetBndCmp->setFocus();
        for (QWidget *stop :
             {static_cast<QWidget *>(w->SetDMuT), static_cast<QWidget *>(w->SetMuT)}) {
            // A focus chain that no longer passes the field fails here rather than spinning.
            for (int tabs = 0; QApplication::focusWidget() != stop; ++tabs) {
                QVERIFY2(tabs < 100, qPrintable(stop->objectName()));
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(texts(), before);

        // Return re-applies the wanted d-mu t: the thickness follows.
        w->SetDMuT->setFocus();
        QTest::keyClick(w->SetDMuT, Qt::Key_Return);
        QCOMPARE(w->dMut->text(), QStringLiteral("1.000"));
    }

    // A broken field is framed in red and the status bar shows the plan's message about it,
    // until a sound value comes: in a field of the form and in one made from the field table,
    // which the detailed model enables.
    void brokenFieldIsFramed_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("good");
        QTest::newRow("field of the form") << int(PlanModel::SetCylDiam) << "abc"
                                           << "7";
        QTest::newRow("field made from the table") << int(PlanModel::ExitAngle) << "95"
                                                   << "45";
    }

    void brokenFieldIsFramed()
    {
        QFETCH(int, field);
        QFETCH(QString, bad);
        QFETCH(QString, good);
        const auto input = PlanModel::Input(field);
        QLineEdit *edit = w->inputEdit(input);
        QVERIFY(edit);
        auto *detailed = qobject_cast<QAbstractButton *>(w->optionWidget(PlanModel::DetailedFluo));
        QVERIFY(detailed);
        detailed->setChecked(true);
        QVERIFY(edit->isEnabled());
        type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
        const auto framed = [edit] { return edit->styleSheet().contains(QLatin1String("solid")); };
        type(edit, bad);
        QVERIFY(framed());
        QVERIFY(!w->plan->fieldProblem(input).isEmpty());
        QCOMPARE(w->statusBar()->currentMessage(), w->plan->fieldProblem(input));
        type(edit, good);
        QVERIFY(!framed());
        QCOMPARE(w->statusBar()->currentMessage(), QString());
    }

    // A dead time above the alarm shows in red, with the plan's advice in the status bar; the
    // detector back at its distance takes both away. The read-out is one the window makes from
    // the field table, reached through the detailed model's check box.
    void deadTimeAlarmIsRed()
    {
        type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
        auto *detailed = qobject_cast<QAbstractButton *>(w->optionWidget(PlanModel::DetailedFluo));
        QVERIFY(detailed);
        detailed->setChecked(true);
        QVERIFY(w->plan->option(PlanModel::DetailedFluo));
        QLabel *dead = w->outputLabel(PlanModel::DeadTime);
        QVERIFY(dead);
        const auto red = [dead] { return dead->styleSheet().contains(QLatin1String("200, 0, 0")); };
        type(w->Distance, QStringLiteral("2"));
        QVERIFY(red());
        QCOMPARE(dead->text(), w->plan->output(PlanModel::DeadTime));
        QVERIFY2(w->statusBar()->currentMessage().contains(QLatin1String("at a distance of")),
                 qPrintable(w->statusBar()->currentMessage()));
        type(w->Distance, QStringLiteral("20"));
        QVERIFY(!red());
        QCOMPARE(w->statusBar()->currentMessage(), QString());
    }
};

QTEST_MAIN(TestPelletForm)
#include "test_pellet_form.moc"
