#include "PlanModel.h"

#include <QtTest>

#include <memory>

// The composition fields of the plan: an edit, then what the plan shows and chooses from it.
class TestCompositionPlan : public QObject
{
    Q_OBJECT

    std::unique_ptr<PlanModel> plan;

    void type(PlanModel::Input field, const QString &text) { plan->setInput(field, text); }

private Q_SLOTS:
    void init() { plan = std::make_unique<PlanModel>(); }
    void cleanup() { plan.reset(); }

    void startsWithBinderOnly()
    {
        QVERIFY(!plan->tgtComp.valid);
        QVERIFY(plan->bndComp.valid);
        QCOMPARE(plan->output(PlanModel::ExtendedBndMolecularForm), QStringLiteral("B1 N1 "));
        QCOMPARE(plan->choiceItems(PlanModel::SelectTE).size(), 0);
    }

    // Where the new target moves the calculation point is selTarget's "Fe K" row (pellet plan).
    void targetIsShownAndListed()
    {
        type(PlanModel::SetTgtCmp, QStringLiteral("Fe2O3"));
        QCOMPARE(plan->output(PlanModel::ExtendedTgtMolecularForm), QStringLiteral("Fe2 O3 "));
        QCOMPARE(plan->choiceItems(PlanModel::SelectTE),
                 (QStringList{QStringLiteral("Fe"), QStringLiteral("O")}));
        QCOMPARE(plan->choiceIndex(PlanModel::SelectTE), 0);
        QVERIFY(plan->tgtComp.valid);
        QCOMPARE(plan->tgtComp.entries.at(0).data, plan->xrayDb.find(QStringLiteral("Fe")));
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
        type(PlanModel::SetTgtCmp, QStringLiteral("Fe2O3"));
        QVERIFY(plan->tgtComp.valid);
        type(PlanModel::SetTgtCmp, text);
        QCOMPARE(plan->output(PlanModel::ExtendedTgtMolecularForm), label);
        QVERIFY(!plan->tgtComp.valid);
        QVERIFY(plan->tgtComp.entries.isEmpty());
        QCOMPARE(plan->choiceItems(PlanModel::SelectTE).size(), 0);
    }

    // Leaving the field with the same composition, spelt differently, writes nothing: no field,
    // no choice. The writes are counted, since the plan announces every one, even of a text the
    // field already has.
    void sameExpandedFormChangesNothing()
    {
        type(PlanModel::SetTgtCmp, QStringLiteral("Fe2O3"));
        plan->setChoice(PlanModel::SelectAE, EdgeLI);
        const QString point = plan->input(PlanModel::SetCalcPointE);
        QList<PlanModel::Input> written;
        int choicesChanged = 0;
        connect(plan.get(), &PlanModel::inputChanged, this,
                [&written](PlanModel::Input f) { written << f; });
        connect(plan.get(), &PlanModel::choiceChanged, this,
                [&choicesChanged] { ++choicesChanged; });

        type(PlanModel::SetTgtCmp, QStringLiteral("Fe 2 O 3"));
        QCOMPARE(written, QList<PlanModel::Input>{PlanModel::SetTgtCmp}); // only the edit itself
        QCOMPARE(choicesChanged, 0);
        QCOMPARE(plan->input(PlanModel::SetCalcPointE), point);
        QCOMPARE(plan->choiceItems(PlanModel::SelectTE),
                 (QStringList{QStringLiteral("Fe"), QStringLiteral("O")}));

        // A real change recalculates from the thickness.
        written.clear();
        type(PlanModel::SetTgtCmp, QStringLiteral("Fe3O4"));
        QVERIFY(written.contains(PlanModel::SetTgtWeight));
    }

    void binderIsAlwaysReevaluated()
    {
        type(PlanModel::SetTgtCmp, QStringLiteral("Fe2O3"));
        type(PlanModel::SetBndCmp, QStringLiteral("C6H10O5"));
        QCOMPARE(plan->output(PlanModel::ExtendedBndMolecularForm), QStringLiteral("C6 H10 O5 "));
        QVERIFY(plan->bndComp.valid);

        type(PlanModel::SetBndCmp, QStringLiteral("C6H10O5("));
        QCOMPARE(plan->output(PlanModel::ExtendedBndMolecularForm),
                 QStringLiteral("Mismatched brackets () : 1"));
        QVERIFY(!plan->bndComp.valid);
    }

    void mergedSymbols()
    {
        type(PlanModel::SetTgtCmp, QStringLiteral("Fe2Fe3"));
        QCOMPARE(plan->output(PlanModel::ExtendedTgtMolecularForm), QStringLiteral("Fe5 "));
        QCOMPARE(plan->choiceItems(PlanModel::SelectTE), QStringList{QStringLiteral("Fe")});
    }

    void filters()
    {
        // Filter 1 starts as aluminium from its default text, filter 2 empty and absent.
        QVERIFY(plan->f1Comp.valid);
        QCOMPARE(plan->f1Comp.entries.size(), 1);
        QCOMPARE(plan->f1Comp.entries.at(0).symbol, QStringLiteral("Al"));
        QVERIFY(!plan->f2Comp.valid);

        type(PlanModel::Filter2Composition, QStringLiteral("Cu"));
        QVERIFY(plan->f2Comp.valid);
        QCOMPARE(plan->f2Comp.entries.at(0).data, plan->xrayDb.find(QStringLiteral("Cu")));

        type(PlanModel::Filter1Composition, QStringLiteral("(Al"));
        QVERIFY(!plan->f1Comp.valid);
        type(PlanModel::Filter2Composition, QString());
        QVERIFY(!plan->f2Comp.valid);
    }
};

QTEST_GUILESS_MAIN(TestCompositionPlan)
#include "test_composition_plan.moc"
