#pragma once

// The description of every field of the plan: one row per input, read-out, option and choice
// (model/FieldList.h). Sessions, batch --set/--print/--list-fields, the checks and the window's
// widget look-up all follow from these rows, so that adding a field is a row, a widget of the
// row's name and the physics input that reads it.

#include <QString>

#include <cmath>

// What a field's text must be. Text that does not read as a finite number fails every rule but
// Composition. The rule says on which side of 0 the number belongs (the message users know);
// every number must then also lie within the row's bounds, lower and upper both included, the
// range the tables and real instruments give it a meaning in.
enum class Rule {
    Composition,      // anything; flagged only for what the parser drops
    Positive,         // > 0
    NonNegative,      // >= 0
    Share,            // 0 to 100, both included (0 is a blank: binder alone)
    RangeStart,       // >= 0
    RangeEnd,         // above the range start
    Angle,            // in (0, 90] degrees
    Gas,              // a chamber's gas: names with optional mole fractions ("N2:0.8 Ar:0.2")
    RoiEnd,           // > 0, and above the region's lower bound when that is set
    Count,            // a whole number
    DetectorMaterial, // a crystal the program knows: Si, Ge, CdTe
    FilePath,         // a file's path, read when it is loaded; empty: none
    Signed,           // any number, 0 and negatives included
};

// Where a field sits and which part of the plan it belongs to.
enum FieldGroup {
    GroupPellet,      // weights, shares, densities, thickness: the pellet
    GroupMuT,         // calculation point and the two solvers
    GroupRange,       // the plotted energy range
    GroupFilters,     // the filters between pellet and detector
    GroupWindows,     // the windows over the pellet's faces
    GroupSpectrum,    // beam, geometry and detector of both fluorescence models
    GroupGeometry,    // the detailed model's angles
    GroupDetector,    // the detailed model's detector
    GroupMeasurement, // the ion chambers, the point time and the noise of a scan
};

// What an edit of an input recomputes and how the window treats it.
enum FieldFlag : unsigned {
    FEEDS_LINES = 1u << 0,           // the detailed model's lines depend on it
    DETAILED_ONLY = 1u << 1,         // means nothing to the classic model (greyed there)
    EMPTY_WITHOUT_FILTER2 = 1u << 2, // may stay empty while filter 2 has no composition
    EMPTY_WITHOUT_TARGET = 1u << 3,  // may stay empty while there is no target
    FANO_LIMITED = 1u << 4,          // a detector resolution: the material's Fano limit applies
    CLASSIC_AT_NORMAL = 1u << 5,     // an angle the classic model takes as 90 degrees
    EMPTY_MEANS_DEFAULT = 1u << 6,   // may stay empty: the plan then takes a value of its own
};

enum OutputFlag : unsigned {
    OUT_PELLET = 1u << 0,     // its role is reset with the pellet fields' styles
    OUT_ROLE = 1u << 1,       // shows a role (derived, alarm) by its style
    OUT_TRANSLATED = 1u << 2, // its default text is translated
    OUT_DETECTOR = 1u << 3,   // a read-out of the detailed model's detector
    OUT_MEASURE = 1u << 4,    // a read-out of the measurement's chambers and noise
};

enum OptionFlag : unsigned {
    OPT_EXCLUSIVE = 1u << 0,     // one of a pair of radio buttons
    OPT_VIEW_ONLY = 1u << 1,     // shows or hides part of the form; recomputes nothing
    OPT_FEEDS_LINES = 1u << 2,   // the detailed model's lines depend on it
    OPT_MODEL = 1u << 3,         // a choice of model, with the numerical conditions
    OPT_DETAILED_ONLY = 1u << 4, // means nothing to the classic model (greyed there)
    OPT_PLOT_ONLY = 1u << 5,     // how the plot is drawn: a repaint, nothing recomputed; its
                                 // check box sits beside the plot's range
};

// The enums of the plan, generated from the rows; PlanModel inherits them, so that they read
// PlanModel::SetTgtCmp as they always did.
struct PlanFields
{
    enum Output {
#define TIRN_OUTPUT(name, ...) name,
#include "FieldList.h"
        OutputCount
    };
    enum Input {
#define TIRN_INPUT(name, ...) name,
#include "FieldList.h"
        InputCount
    };
    enum Option {
#define TIRN_OPTION(name, ...) name,
#include "FieldList.h"
        OptionCount
    };
    enum Choice {
#define TIRN_CHOICE(name) name,
#include "FieldList.h"
        ChoiceCount
    };
};

// The read-outs computed from an input, as bits over the outputs.
constexpr unsigned readoutBit(PlanFields::Output o)
{
    return 1u << o;
}
constexpr unsigned READS_NONE = 0;
constexpr unsigned READS_TARGET = readoutBit(PlanFields::ExtendedTgtMolecularForm);
constexpr unsigned READS_BINDER = readoutBit(PlanFields::ExtendedBndMolecularForm);
constexpr unsigned READS_VERDICT = readoutBit(PlanFields::label_15) |
                                   readoutBit(PlanFields::label_20) |
                                   readoutBit(PlanFields::label_21);
// The transmission noise reads both chambers (just above the calculation point) and the flux at
// the sample; the absorbed shares and the flux from the current are at the excitation energy.
constexpr unsigned READS_TRANS_NOISE = readoutBit(PlanFields::ChiNoiseTrans) |
                                       readoutBit(PlanFields::PointTimeTrans) |
                                       readoutBit(PlanFields::BestMuT);
constexpr unsigned READS_FLUX = readoutBit(PlanFields::FluxFromCurrent);
constexpr unsigned READS_I0_CHAMBER =
    readoutBit(PlanFields::I0Absorbed) | READS_FLUX | READS_TRANS_NOISE;
constexpr unsigned READS_IT_CHAMBER = readoutBit(PlanFields::ItAbsorbed) | READS_TRANS_NOISE;
constexpr unsigned READS_CHAMBERS =
    readoutBit(PlanFields::I0Absorbed) | readoutBit(PlanFields::ItAbsorbed) | READS_FLUX;
constexpr unsigned READS_SAMPLE_FLUX =
    readoutBit(PlanFields::ChiNoiseTrans) | readoutBit(PlanFields::PointTimeTrans);
constexpr unsigned READS_MUT = readoutBit(PlanFields::dMut) | readoutBit(PlanFields::MuPt) |
                               readoutBit(PlanFields::TransM) | READS_VERDICT;
// The noise of a transmission point is the pellet's too.
constexpr unsigned READS_PELLET = readoutBit(PlanFields::CylWeight) |
                                  readoutBit(PlanFields::CylVol) | READS_MUT | READS_TRANS_NOISE;
// The windows take part in mu(+)t and the transmission, and so in the noise of a point, not in
// d-mu t or the verdict on the pellet alone.
constexpr unsigned READS_WINDOWS = readoutBit(PlanFields::WindowsMuT) |
                                   readoutBit(PlanFields::MuPt) | readoutBit(PlanFields::TransM) |
                                   READS_TRANS_NOISE;
constexpr unsigned READS_DEAD_TIME = readoutBit(PlanFields::DeadTime);
constexpr unsigned READS_FLUO_NOISE =
    readoutBit(PlanFields::RoiSignal) | readoutBit(PlanFields::RoiBackground) |
    readoutBit(PlanFields::ChiNoiseFluo) | readoutBit(PlanFields::PointTimeFluo);
// The fluorescence noise is counted in the recorded spectrum: whatever the spectrum reads, it
// reads.
constexpr unsigned READS_SPECTRUM = readoutBit(PlanFields::AddInfo) |
                                    readoutBit(PlanFields::CountRate) | READS_DEAD_TIME |
                                    READS_FLUO_NOISE;
// The simulation runs on the plotted range's grid, and only while it is not empty.
constexpr unsigned READS_RANGE = READS_SPECTRUM;
static_assert(PlanFields::OutputCount <= 32, "read-out masks are 32 bits");

struct InputRow
{
    const char *name;
    const char *defaultText;
    const char *unit;
    Rule rule;
    double lower;
    double upper;
    const char *caption; // translatable, in the window's context
    const char *tip;     // translatable; nullptr where the form's widget has its own
    FieldGroup group;
    unsigned flags;    // FieldFlag
    unsigned readouts; // READS_...
};

struct OutputRow
{
    const char *name;
    const char *defaultText;
    const char *unit;
    const char *caption; // for a read-out the window makes; nullptr for the form's own
    const char *tip;
    unsigned flags; // OutputFlag
};

struct OptionRow
{
    const char *name;
    bool checked;
    const char *caption; // for a check box the window makes; nullptr for the form's own
    const char *tip;
    unsigned flags; // OptionFlag
};

namespace Fields {

const InputRow &input(PlanFields::Input i);
const OutputRow &output(PlanFields::Output o);
const OptionRow &option(PlanFields::Option o);
const char *choice(PlanFields::Choice c);

// -1 when no row of that kind has the name.
int inputIndex(const QString &name);
int outputIndex(const QString &name);
int optionIndex(const QString &name);
int choiceIndex(const QString &name);

// Every field, one per line "NAME<TAB>KIND<TAB>UNIT<TAB>DEFAULT<TAB>RULE", KIND one of input,
// output, option, choice, in the table's order: what batch --list-fields prints.
QString listing();

} // namespace Fields
