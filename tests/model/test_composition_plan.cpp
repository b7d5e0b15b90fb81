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

    // A read-out answers the form on show or is empty: without a target, or with a target or
    // binder that cannot be used, nothing computed from the pellet is left from before, the
    // status line says why, and the values come back with a composition that can be used. An
    // empty binder is a pellet of the target alone.
    void pelletWithoutAnswer_data()
    {
        QTest::addColumn<QStringList>("edits"); // field=text, in order
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("emptied");
        const QString noTarget =
            QStringLiteral("Target: no composition \u2014 type one, e.g. Fe2O3");
        QTest::newRow("empty target") << QStringList{"SetTgtCmp="} << noTarget << true;
        QTest::newRow("blank target") << QStringList{"SetTgtCmp=  "} << noTarget << true;
        QTest::newRow("empty target, then another edit")
            << QStringList{"SetTgtCmp=", "Distance=30"} << noTarget << true;
        QTest::newRow("target of lower case letters")
            << QStringList{"SetTgtCmp=cuo"}
            << "Target: no composition could be read; characters ignored: c u o" << true;
        QTest::newRow("target with an unknown symbol")
            << QStringList{"SetTgtCmp=Xq2O3"}
            << "Target: unknown element symbol: Xq; the composition is not used until it is "
               "corrected"
            << true;
        QTest::newRow("binder with an unknown symbol")
            << QStringList{"SetBndCmp=Xq"}
            << "Binder: unknown element symbol: Xq; the composition is not used until it is "
               "corrected"
            << true;
        QTest::newRow("binder with an open parenthesis")
            << QStringList{"SetBndCmp=(BN"}
            << "Binder: no composition could be read: unbalanced parentheses" << true;
        QTest::newRow("empty binder") << QStringList{"SetBndCmp="} << "" << false;
        QTest::newRow("target partly read") << QStringList{"SetTgtCmp=0.9Fe2O3"}
                                            << "Target: the number 0.9 before Fe2O3 is ignored; a "
                                               "mixture by mass is written [SiO2]70[Al2O3]30"
                                            << false;
    }

    void pelletWithoutAnswer()
    {
        QFETCH(QStringList, edits);
        QFETCH(QString, status);
        QFETCH(bool, emptied);
        QString shownStatus;
        connect(plan.get(), &PlanModel::statusMessage, this,
                [&shownStatus](const QString &text, int) { shownStatus = text; });
        type(PlanModel::SetTgtCmp, QStringLiteral("Fe2O3"));
        type(PlanModel::SetTgtBndMolR, QStringLiteral("20"));
        type(PlanModel::SetThick, QStringLiteral("1"));
        QVERIFY(plan->plotShown());
        const auto snapshot = [this] {
            QStringList all;
            for (int i = 0; i < PlanModel::InputCount; ++i)
                all << plan->input(PlanModel::Input(i));
            for (int o = 0; o < PlanModel::OutputCount; ++o)
                all << plan->output(PlanModel::Output(o));
            all << plan->spectrum.infoText
                << QString::number(plan->fluoSpectrum[MUT_POINTS / 2], 'g', 17);
            return all;
        };
        const QStringList before = snapshot();
        const QString weight = plan->input(PlanModel::SetTgtWeight);
        const QString thickness = plan->input(PlanModel::SetThick);

        for (const QString &e : edits) {
            const int field = PlanModel::inputIndex(e.section(QLatin1Char('='), 0, 0));
            QVERIFY2(field >= 0, qPrintable(e));
            type(PlanModel::Input(field), e.section(QLatin1Char('='), 1));
        }
        QCOMPARE(shownStatus, status);
        QCOMPARE(plan->plotShown(), !emptied);
        const unsigned pellet = READS_PELLET | READS_SPECTRUM;
        for (int o = 0; o < PlanModel::OutputCount; ++o) {
            const auto label = PlanModel::Output(o);
            if (!(pellet & readoutBit(label)) || label == PlanModel::CountRate ||
                label == PlanModel::DeadTime) // empty in the classic model anyway
                continue;
            QVERIFY2(
                plan->output(label).isEmpty() == emptied,
                qPrintable(PlanModel::outputName(label) + QLatin1Char('=') + plan->output(label)));
        }
        if (emptied) {
            QCOMPARE(plan->spectrum.infoText, QString());
            QCOMPARE(plan->spectrum.linePeaks.size(), 0);
            QCOMPARE(plan->fluoSpectrum[MUT_POINTS / 2], 0.0);
            // Nothing derived from it, and no solver works from a jump that is not on show.
            QCOMPARE(plan->input(PlanModel::SetTgtWeight), weight);
            type(PlanModel::SetDMuT, QStringLiteral("2"));
            QCOMPARE(plan->input(PlanModel::SetThick), thickness);
            type(PlanModel::SetDMuT, QStringLiteral("1"));
            QCOMPARE(plan->input(PlanModel::SetThick), thickness);
        }
        if (!plan->tgtComp.valid) {
            QCOMPARE(plan->input(PlanModel::SetCalcPointE), QString());
            QCOMPARE(plan->choiceItems(PlanModel::SelectTE).size(), 0);
        }

        type(PlanModel::Distance, QStringLiteral("20"));
        type(PlanModel::SetBndCmp, QStringLiteral("BN"));
        type(PlanModel::SetTgtCmp, QStringLiteral("Fe2O3"));
        QCOMPARE(snapshot(), before);
        QCOMPARE(shownStatus, QString());
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
