// libFuzzer entry for the session loader: any bytes handed to a plan either leave it exactly as
// it was, with a reason, or give a plan with no nan or inf in a read-out or in its own session,
// which loading that session again leaves as it is, without a note.

#include "PlanModel.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Unknown element symbols in the texts add records to the plan's element table; a new plan now
// and then keeps a long run's memory bounded.
constexpr int MaxRecords = 20000;

void ignoreMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

bool showsNoNumberThatIsNot(const QString &text)
{
    static const QRegularExpression notFinite(
        QStringLiteral("(?<![\\w.])[-+]?(nan|inf|infinity)(?!\\w)"),
        QRegularExpression::CaseInsensitiveOption);
    return !text.contains(notFinite);
}

// Every input starts from the same plan, edited away from the defaults, so that a finding
// replays alone as it happened in the run.
struct Bench
{
    PlanModel *plan = nullptr;
    QByteArray start;
    bool moved = false; // the plan is not at the start: the last input loaded

    void make()
    {
        delete plan;
        plan = new PlanModel;
        plan->setInput(PlanModel::SetTgtCmp, QStringLiteral("CuFe2O4"));
        plan->setInput(PlanModel::SetBndWeight, QStringLiteral("100"));
        start = plan->sessionJson();
        moved = false;
    }
};

Bench &bench()
{
    static Bench *b = [] {
        qInstallMessageHandler(ignoreMessages);
        auto *made = new Bench;
        made->make();
        return made;
    }();
    if (b->plan->xrayDb.size() > MaxRecords)
        b->make();
    return *b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Bench &b = bench();
    PlanModel &plan = *b.plan;
    if (b.moved) {
        check(plan.loadSessionJson(b.start).ok, "the starting plan loads");
        check(plan.sessionJson() == b.start, "the starting plan loads as it was");
        b.moved = false;
    }

    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const PlanModel::SessionLoad r = plan.loadSessionJson(bytes);
    if (!r.ok) {
        check(!r.error.isEmpty(), "a refusal says why");
        check(plan.sessionJson() == b.start, "a refused file changes nothing");
        return 0;
    }
    b.moved = true;
    check(r.ignored.size() <= r.ignoredCount && r.ignored.size() <= 8, "ignored keys counted");
    for (int o = 0; o < PlanModel::OutputCount; ++o)
        check(showsNoNumberThatIsNot(plan.output(PlanModel::Output(o))), "read-outs finite");
    const QByteArray json = plan.sessionJson();
    check(showsNoNumberThatIsNot(QString::fromUtf8(json)), "the session finite");
    const PlanModel::SessionLoad again = plan.loadSessionJson(json);
    check(again.ok, "the plan's own session loads");
    check(again.notes.isEmpty(), "the plan's own session agrees with itself");
    check(plan.sessionJson() == json, "loading the plan's own session changes nothing");
    return 0;
}
