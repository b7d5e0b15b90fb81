#include "FormDriver.h"
#include "MainWindow.h"

#include <QtTest>

#include <memory>

namespace {

QStringList items(const QComboBox *box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

} // namespace

// The composition fields driven the way a user drives them: type, leave the field, read.
class TestCompositionForm : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> w;

private Q_SLOTS:
    void init() { w = std::make_unique<MainWindow>(); }
    void cleanup() { w.reset(); }

    void startsWithBinderOnly()
    {
        QVERIFY(!w->plan->tgtComp.valid);
        QVERIFY(w->plan->bndComp.valid);
        QCOMPARE(w->ExtendedBndMolecularForm->text(), QStringLiteral("B1 N1 "));
        QCOMPARE(w->SelectTE->count(), 0);
    }

    void targetIsShownAndListed()
    {
        type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
        QCOMPARE(w->ExtendedTgtMolecularForm->text(), QStringLiteral("Fe2 O3 "));
        QCOMPARE(items(w->SelectTE), (QStringList{QStringLiteral("Fe"), QStringLiteral("O")}));
        QCOMPARE(w->SelectTE->currentIndex(), 0);
        QVERIFY(w->plan->tgtComp.valid);
        QCOMPARE(w->plan->tgtComp.entries.at(0).data, w->plan->xrayDb.find(QStringLiteral("Fe")));
        // The refilled element box moved the calculation point to the Fe K edge.
        QCOMPARE(w->SetCalcPointE->text(),
                 QString::number(w->plan->xrayDb.find(QStringLiteral("Fe"))->edge[EdgeK], 'f', 4));
    }

    void rejectedTargetEmptiesTheComposition_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("label");
        QTest::newRow("open parenthesis") << "(Fe2O3"
                                          << "Mismatched brackets () : 1";
        QTest::newRow("open bracket") << "[Fe2O3"
                                      << "Mismatched brackets [] : 1";
        QTest::newRow("nothing") << ""
                                 << "No elements";
        QTest::newRow("misplaced bracket") << "Fe[O]3"
                                           << "";
    }

    void rejectedTargetEmptiesTheComposition()
    {
        QFETCH(QString, text);
        QFETCH(QString, label);
        type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
        QVERIFY(w->plan->tgtComp.valid);
        type(w->SetTgtCmp, text);
        QCOMPARE(w->ExtendedTgtMolecularForm->text(), label);
        QVERIFY(!w->plan->tgtComp.valid);
        QVERIFY(w->plan->tgtComp.entries.isEmpty());
        QCOMPARE(w->SelectTE->count(), 0);
    }

    void sameExpandedFormChangesNothing()
    {
        type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
        w->SelectAE->setCurrentIndex(EdgeLI);
        const QString point = w->SetCalcPointE->text();
        w->SetTgtWeight->setText(QStringLiteral("123")); // not a user edit: no slot runs

        type(w->SetTgtCmp, QStringLiteral("Fe 2 O 3"));
        QCOMPARE(w->SetTgtWeight->text(), QStringLiteral("123"));
        QCOMPARE(w->SetCalcPointE->text(), point);
        QCOMPARE(items(w->SelectTE), (QStringList{QStringLiteral("Fe"), QStringLiteral("O")}));

        // A real change recalculates from the thickness.
        type(w->SetTgtCmp, QStringLiteral("Fe3O4"));
        QVERIFY(w->SetTgtWeight->text() != QStringLiteral("123"));
    }

    void binderIsAlwaysReevaluated()
    {
        type(w->SetTgtCmp, QStringLiteral("Fe2O3"));
        type(w->SetBndCmp, QStringLiteral("C6H10O5"));
        QCOMPARE(w->ExtendedBndMolecularForm->text(), QStringLiteral("C6 H10 O5 "));
        QVERIFY(w->plan->bndComp.valid);

        type(w->SetBndCmp, QStringLiteral("C6H10O5("));
        QCOMPARE(w->ExtendedBndMolecularForm->text(), QStringLiteral("Mismatched brackets () : 1"));
        QVERIFY(!w->plan->bndComp.valid);
    }

    void mergedSymbolsInTheForm()
    {
        type(w->SetTgtCmp, QStringLiteral("Fe2Fe3"));
        QCOMPARE(w->ExtendedTgtMolecularForm->text(), QStringLiteral("Fe5 "));
        QCOMPARE(items(w->SelectTE), QStringList{QStringLiteral("Fe")});
    }

    void filters()
    {
        // Filter 1 starts as aluminium from its default text, filter 2 empty and absent.
        QVERIFY(w->plan->f1Comp.valid);
        QCOMPARE(w->plan->f1Comp.entries.size(), 1);
        QCOMPARE(w->plan->f1Comp.entries.at(0).symbol, QStringLiteral("Al"));
        QVERIFY(!w->plan->f2Comp.valid);

        type(w->Filter2Composition, QStringLiteral("Cu"));
        QVERIFY(w->plan->f2Comp.valid);
        QCOMPARE(w->plan->f2Comp.entries.at(0).data, w->plan->xrayDb.find(QStringLiteral("Cu")));

        type(w->Filter1Composition, QStringLiteral("(Al"));
        QVERIFY(!w->plan->f1Comp.valid);
        type(w->Filter2Composition, QString());
        QVERIFY(!w->plan->f2Comp.valid);
    }
};

QTEST_MAIN(TestCompositionForm)
#include "test_composition_form.moc"
