#include "DetailedFluorescence.h"

#include "Pellet.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

// Units: every absorption in the pellet is a mu t (dimensionless), and depths are in units of
// the pellet's thickness, so that a homogeneous pellet needs neither its thickness nor its
// density. Per incident photon and per unit of Omega / 4 pi, a line of energy El from subshell s
// of an element gives
//
//   primary   = V_s omega_s r (1 / sin alpha) (1 - exp(-S)) / S,
//               S = mu t(E0) / sin alpha + mu t(El) / sin beta,
//   secondary = sum over exciting lines i (energy Ei, production g_i) of
//               g_i W_s(Ei) omega_s r (1 / (2 sin alpha)) J(a, b, m_i),
//
// where V_s are the subshell's vacancies per incident photon path (its own photoabsorption at E0
// as mu t, plus what K-to-L transfer and Coster-Kronig transitions move into it), omega_s its
// yield and r the line's share of its radiative emission; g_i = V omega r of the exciting line,
// W_s(Ei) the vacancies its photons make in subshell s per unit mu t of their path, and J the
// depth integral below with a = mu t(E0) / sin alpha, b = mu t(El) / sin beta, m_i = mu t(Ei).
// The factor 1/2 and the exponential integral E1 come from spreading the exciting line over all
// directions: of the photons emitted at depth z, those absorbed at depth z' per unit depth make
// (tau / 2) E1(m |z - z'|).

namespace {

constexpr double EULER_GAMMA = 0.57721566490153286;
// Below this, Ein(x) of a negative x comes from Ei's asymptotic series instead of the power
// series, whose terms would need e^|x| / |x| of headroom.
constexpr double EIN_SERIES_FLOOR = -40.0;

// Ein(x) = integral from 0 to x of (1 - exp(-u)) / u du, the entire part of the exponential
// integral: E1(x) = Ein(x) - gamma - ln x for x > 0, and for x < 0 the principal value of E1
// continues the same way, -Ei(-x) = Ein(x) - gamma - ln|x|. Its power series alternates for x > 0
// (used up to 1) and has terms of one sign for x < 0 (used down to EIN_SERIES_FLOOR).
double einSeries(double x)
{
    double term = 1.0;
    double sum = 0.0;
    for (int n = 1; n < 400; ++n) {
        term *= x / n;
        const double c = term / n;
        sum += (n & 1) ? c : -c;
        if (!(std::abs(c) > 1e-17 * std::abs(sum)))
            break;
    }
    return sum;
}

// exp(x) E1(x) for x > 1 by its continued fraction 1 / (x + 1 - 1 / (x + 3 - 4 / (x + 5 - ...))),
// evaluated forwards (modified Lentz); it needs fewer terms the larger x is.
double scaledE1(double x)
{
    constexpr double tiny = 1e-300;
    double b = x + 1.0;
    double c = 1.0 / tiny;
    double d = 1.0 / b;
    double h = d;
    for (int i = 1; i < 500; ++i) {
        const double an = -double(i) * double(i);
        b += 2.0;
        d = 1.0 / (an * d + b);
        c = b + an / c;
        const double delta = c * d;
        h *= delta;
        if (!(std::abs(delta - 1.0) > 1e-16))
            break;
    }
    return h;
}

// E1(x) for x > 0.
double e1(double x)
{
    return x <= 1.0 ? einSeries(x) - EULER_GAMMA - std::log(x) : std::exp(-x) * scaledE1(x);
}

// exp(-y) Ei(y) for y >= -EIN_SERIES_FLOOR by the asymptotic series sum k! / y^(k+1), cut at
// its smallest term (about exp(-y), below double precision here).
double scaledEi(double y)
{
    const double inv = 1.0 / y;
    double term = inv;
    double sum = term;
    for (int k = 1; k < 200; ++k) {
        const double next = term * (k * inv);
        if (!(next < term) || !(next > 1e-17 * sum))
            break;
        term = next;
        sum += term;
    }
    return sum;
}

// exp(-s) Ein(x), kept finite where Ein(x) alone would overflow (x far below 0, with s large
// enough that the product is small).
double scaledEin(double x, double s)
{
    if (x > 1.0)
        return std::exp(-s) * (std::exp(-x) * scaledE1(x) + EULER_GAMMA + std::log(x));
    if (x >= EIN_SERIES_FLOOR)
        return std::exp(-s) * einSeries(x);
    const double y = -x;
    return std::exp(-s) * (EULER_GAMMA + std::log(y)) - std::exp(y - s) * scaledEi(y);
}

// The same integrals at a fixed cost, for the many pairs of secondary fluorescence; the series
// above stay as the reference they are checked against (and computed with on request). Each
// form below is within 2e-16 of the function (relative, before rounding; a few units of the last
// place after it), far inside the 1e-6 the rates would need: the depth integral subtracts terms
// up to 1 / min(a, b) times its size for thin layers, and those digits are not to be lost.
//
// Ein(x) for |x| <= 1 by 18 terms of its series: what is left out is below x^19 / (19 * 19!),
// 4e-19 |x| of Ein(x) ~ x.
double einTaylor(double x)
{
    constexpr int terms = 18;
    // (-1)^(n+1) / (n n!), n = 18 ... 1
    static const auto coeffs = [] {
        std::array<double, terms> c{};
        double factorial = 1.0;
        for (int n = 1; n <= terms; ++n) {
            factorial *= n;
            c[terms - n] = ((n & 1) ? 1.0 : -1.0) / (n * factorial);
        }
        return c;
    }();
    double sum = 0.0;
    for (const double c : coeffs)
        sum = sum * x + c;
    return sum * x;
}

// exp(x) E1(x) and exp(-y) Ei(y) on the octaves [2^k, 2^(k+1)) from 1 up: Chebyshev series in
// t = 2 x / 2^k - 3, cut after the term of degree 22. The coefficients are those of the
// interpolant at 48 Chebyshev points, computed with 50 digits (tools/gen_expint_coeffs.py); the
// terms cut off add up to less than 2e-17 of the function on every octave. Their decay,
// like 5.8^-n, is that of a function analytic inside the ellipse through 0, its one singular point.
constexpr int CHEBYSHEV_TERMS = 23;
constexpr double SCALED_E1_OCTAVES[][CHEBYSHEV_TERMS] = {
    {0.46324352838580507,     -0.11534497887909514,    0.01528397025751147,
     -0.002118728756311583,   0.000303644266477795,    -4.462280219559204e-05,
     6.6860705980390665e-06,  -1.0172755596608788e-06, 1.5670012692782216e-07,
     -2.4383760524831098e-08, 3.826482479452566e-09,   -6.047804755560207e-10,
     9.617138194019332e-11,   -1.537390419933619e-11,  2.468995367176891e-12,
     -3.9811961621558646e-13, 6.442640845138054e-14,   -1.0459312166256069e-14,
     1.7028977913815833e-15,  -2.779702909448489e-16,  4.548073989047679e-17,
     -7.457357170490533e-18,  1.2251554362914893e-18},
    {0.2727218741818481,      -0.0758594431393776,     0.01087113362721191,
     -0.0015949715567875958,  0.0002384274345511502,   -3.6183924316441816e-05,
     5.559557819770056e-06,   -8.630076592481117e-07,  1.351219784356939e-07,
     -2.1311383806035657e-08, 3.3823752731911783e-09,  -5.397496561703579e-10,
     8.654169795041139e-11,   -1.3933954737249739e-11, 2.251818649655427e-12,
     -3.6511435508844504e-13, 5.937633647842904e-14,   -9.681899929331819e-15,
     1.5825650930050371e-15,  -2.5925185012054543e-16, 4.2555815935953854e-17,
     -6.998425052448756e-18,  1.1528747511065256e-18},
    {0.1521211124559018,      -0.0459218373920122,     0.007018311796195999,
     -0.0010839579386853677,  0.00016891784555893467,  -2.6525766480928563e-05,
     4.1931180156783205e-06,  -6.66669327781297e-07,   1.0653177474343602e-07,
     -1.7099560522195914e-08, 2.755563607626969e-09,   -4.45626791621172e-10,
     7.229530996554045e-11,   -1.1762285086166483e-11, 1.918664851080139e-12,
     -3.137117150318042e-13,  5.140409364202696e-14,   -8.439602069814206e-15,
     1.38814433751553e-15,    -2.2870443139743997e-16, 3.773874324198387e-17,
     -6.2362649839919174e-18, 1.0319112119666004e-18},
};
constexpr double SCALED_EI_OCTAVES[][CHEBYSHEV_TERMS] = {
    {0.7109938316754927,      -0.018946485604125984,  -0.026381281095997838,
     0.005501277810766627,    -0.0007710184335709796, 9.739709139166408e-05,
     -1.249084552929474e-05,  1.6880196774590742e-06, -2.3938070205651247e-07,
     3.5133072477032377e-08,  -5.279116225635992e-09, 8.067026789704252e-10,
     -1.2485037291456487e-10, 1.9517683557274607e-11, -3.0762328747835385e-12,
     4.88167714422955e-13,    -7.791594106693693e-14, 1.249793107667596e-14,
     -2.013365818383383e-15,  3.255750078576017e-16,  -5.2824384505272435e-17,
     8.59637244830867e-18,    -1.4026856227342067e-18},
    {0.5054104323033257,      -0.15714533571769573,   0.01023869215602043,
     0.001558438997823653,    -0.0006132093904239875, 0.00011897098331210834,
     -1.8206677198702508e-05, 2.526467422112609e-06,  -3.4267635993391367e-07,
     4.72935935831681e-08,    -6.736187108032411e-09, 9.889910362087467e-10,
     -1.4871032242862676e-10, 2.2759750164686382e-11, -3.5295206160299477e-12,
     5.529354883610997e-13,   -8.732893102730374e-14, 1.38849179562224e-14,
     -2.2200894984479906e-15, 3.5668743948734306e-16, -5.754637957876437e-17,
     9.318318843019303e-18,   -1.513781559648712e-18},
    {0.2330178383333846,      -0.10263747333258877,    0.020252452826560654,
     -0.0032580646337486328,  0.00037699115862158746,  -1.699644482210489e-05,
     -5.344625436836132e-06,  1.9536078040955082e-06,  -4.2264234357153665e-07,
     7.429302072980444e-08,   -1.1677412838868873e-08, 1.7284621479601582e-09,
     -2.4949221680145294e-10, 3.596377246421396e-11,   -5.249526001296091e-12,
     7.802897323253035e-13,   -1.1811649933171196e-13, 1.816335425233332e-14,
     -2.8286615333984655e-15, 4.449423648572442e-16,   -7.054639193572984e-17,
     1.1257557395772775e-17,  -1.8060833183491083e-18},
    {0.09932664988760521,     -0.03872285696593708,    0.007718996038431989,
     -0.0015666094046456775,  0.00031844804811688866,  -6.316153119181135e-05,
     1.18674401634107e-05,    -2.0503080779706596e-06, 3.147261228114083e-07,
     -4.049160412173196e-08,  3.6777763458283596e-09,  2.0625108320551393e-12,
     -1.0346134734249758e-10, 3.1998539837815133e-11,  -7.114014014011516e-12,
     1.3553823828628325e-12,  -2.3511438399785936e-13, 3.833611649716825e-14,
     -6.0019860176057246e-15, 9.169901955648797e-16,   -1.3847405515182e-16,
     2.0871159673242317e-17,  -3.16107692969943e-18},
    {0.04651258859864231,     -0.01679176232317258,   0.0030407989895865177,
     -0.0005527370669496138,  0.00010092924770101523, -1.853193063855411e-05,
     3.425944415847789e-06,   -6.3856270297813e-07,   1.2014180178507086e-07,
     -2.2823108106340884e-08, 4.371744586910805e-09,  -8.413541873527644e-10,
     1.6172982031712248e-10,  -3.081266987102427e-11, 5.7670554276374424e-12,
     -1.05050555272907e-12,   1.8442548417463594e-13, -3.0869213221920894e-14,
     4.859031858633917e-15,   -7.041959296441924e-16, 9.01537451177767e-17,
     -9.116446242027573e-18,  3.7530317367006397e-19},
    {0.022642854176270995,    -0.007954747069451653,   0.0013981461554080593,
     -0.0002458976498847845,  4.327606586461919e-05,   -7.621672647452713e-06,
     1.343325466473846e-06,   -2.3695289169517915e-07, 4.1832744315068965e-08,
     -7.39215172928652e-09,   1.3075416401750975e-09,  -2.315284532120946e-10,
     4.1044641321677265e-11,  -7.28546296439233e-12,   1.2949701002116576e-12,
     -2.3053012823985027e-13, 4.110904939754154e-14,   -7.344828040464535e-15,
     1.3151417501352857e-15,  -2.360721384481039e-16,  4.249669746792585e-17,
     -7.675015871648591e-18,  1.391231218117358e-18},
};

double chebyshevSeries(const double (&c)[CHEBYSHEV_TERMS], double t)
{
    // Clenshaw's recurrence.
    double b1 = 0.0, b2 = 0.0;
    for (int j = CHEBYSHEV_TERMS - 1; j > 0; --j) {
        const double b0 = 2.0 * t * b1 - b2 + c[j];
        b2 = b1;
        b1 = b0;
    }
    return t * b1 - b2 + c[0];
}

// The octave of a finite x >= 1 and where x lies in it, t in [-1, 1): read off its exponent
// and mantissa, exactly.
int octave(double x, double *t)
{
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int k = int(bits >> 52) - 1023;
    bits = (bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull;
    double mantissa;
    std::memcpy(&mantissa, &bits, sizeof mantissa);
    *t = 2.0 * mantissa - 3.0;
    return k;
}

// exp(x) E1(x) for x >= 1. From 8 up, the continued fraction of scaledE1 cut after n
// partial numerators, n by octave the fewest that keep its error below 2e-16 at the octave's
// lower end (the error falls as x grows), plus one; its convergent by the forward recurrence of
// numerator and denominator, one division in all. From 2^27 the first convergent does, divided
// out so that nothing overflows.
double scaledE1Fitted(double x)
{
    double t;
    const int k = octave(x, &t);
    if (k < 3)
        return chebyshevSeries(SCALED_E1_OCTAVES[k], t);
    if (k >= 27)
        return 1.0 / (x + 1.0 - 1.0 / (x + 3.0));
    static const int depth[27] = {0, 0, 0, 17, 11, 8, 6, 5, 4, 4, 3, 3, 3, 3,
                                  2, 2, 2, 2,  2,  2, 2, 2, 2, 2, 2, 2, 2};
    // 1 / (x + 1 - 1^2 / (x + 3 - 2^2 / (x + 5 - ...)))
    double num2 = 1.0, num1 = 0.0, den2 = 0.0, den1 = 1.0;
    double num = 1.0, den = x + 1.0;
    for (int i = 1; i <= depth[k]; ++i) {
        num2 = num1, den2 = den1, num1 = num, den1 = den;
        const double an = -double(i) * double(i);
        const double bn = x + double(2 * i + 1);
        num = bn * num1 + an * num2;
        den = bn * den1 + an * den2;
    }
    return num / den;
}

// exp(-y) Ei(y) for y >= 1. From 64 up, the asymptotic series sum k! / y^(k+1) cut after n terms,
// n by octave as for scaledE1Fitted; its terms fall all the way there (n < y), and what is left
// out is about the first term cut, with Ei's exponentially small part below exp(-64).
double scaledEiFitted(double y)
{
    double t;
    const int k = octave(y, &t);
    if (k < 6)
        return chebyshevSeries(SCALED_EI_OCTAVES[k], t);
    static const int terms[27] = {0, 0, 0, 0, 0, 0, 18, 13, 10, 9, 8, 7, 6, 6,
                                  6, 5, 5, 5, 5, 4, 4,  4,  4,  4, 4, 4, 4};
    const int n = k < 27 ? terms[k] : 3;
    const double inv = 1.0 / y;
    double sum = 1.0;
    for (int j = n - 1; j > 0; --j)
        sum = 1.0 + j * inv * sum;
    return sum * inv;
}

// E1(x) for x > 0.
double e1Fitted(double x)
{
    return x <= 1.0 ? einTaylor(x) - EULER_GAMMA - std::log(x) : std::exp(-x) * scaledE1Fitted(x);
}

// exp(-s) Ein(x), as scaledEin.
double scaledEinFitted(double x, double s)
{
    if (x > 1.0)
        return std::exp(-s) * (std::exp(-x) * scaledE1Fitted(x) + EULER_GAMMA + std::log(x));
    if (x >= -1.0)
        return std::exp(-s) * einTaylor(x);
    // Ein(x) = gamma + ln|x| - Ei(|x|); the two parts differ by a factor 1.4 or more, no
    // cancellation.
    const double y = -x;
    return std::exp(-s) * (EULER_GAMMA + std::log(y)) - std::exp(y - s) * scaledEiFitted(y);
}

// The two ways of computing the exponential integrals, for the depth integral's template. Its
// many pairs pass what they already have: for E1(x), exp(-x) and ln x; for exp(-s) Ein(x),
// exp(-s) and exp(-(x + s)). The series ignore them.
struct SeriesIntegrals
{
    static double e1(double x) { return ::e1(x); }
    static double e1(double x, double, double) { return ::e1(x); }
    static double einSmall(double x) { return einSeries(x); } // |x| <= 1
    static double scaledEi(double y) { return ::scaledEi(y); }
    static double scaledEin(double x, double s) { return ::scaledEin(x, s); }
    static double scaledEin(double x, double s, double, double) { return ::scaledEin(x, s); }
};
struct FittedIntegrals
{
    static double e1(double x) { return e1Fitted(x); }
    static double e1(double x, double expMinusX, double lnX)
    {
        return x <= 1.0 ? einTaylor(x) - EULER_GAMMA - lnX : expMinusX * scaledE1Fitted(x);
    }
    static double einSmall(double x) { return einTaylor(x); }
    static double scaledEi(double y) { return scaledEiFitted(y); }
    static double scaledEin(double x, double s) { return scaledEinFitted(x, s); }
    static double scaledEin(double x, double, double expMinusS, double expMinusXs)
    {
        if (x > 1.0)
            return expMinusXs * scaledE1Fitted(x) + expMinusS * (EULER_GAMMA + std::log(x));
        if (x >= -1.0)
            return expMinusS * einTaylor(x);
        return expMinusS * (EULER_GAMMA + std::log(-x)) - expMinusXs * scaledEiFitted(-x);
    }
};

// The parts of the depth integral that depend only on the incidence term a and the exciting
// line's m, computed once per exciting line.
struct ExcitingTerms
{
    double a = 0;
    double ea = 0; // exp(-a)
    double m = 0;
    double lnM = 0;     // ln m
    double einM = 0;    // Ein(m) - gamma
    double lnMa = 0;    // ln(m + a)
    double e1Ma = 0;    // E1(m + a)
    double logA = 0;    // ln(1 + a / m) / a
    double eaEinMa = 0; // exp(-a) Ein(m - a)
    // What an exit term so large that exp(-b) vanishes leaves (see depthIntegral):
    double skinA = 0;    // ln(1 + a / m) / a + E1(m + a) / a
    double skinM = 0;    // exp(-a) E1(m) / a
    double backFace = 0; // exp(-a - m)
    double em = 0;       // exp(-m)
    double eam1 = 0;     // exp(-a) - 1
    double invM = 0;     // 1 / m
};

// The parts that depend only on the exit term b (and a), once per secondary line.
struct ExitTerms
{
    double b = 0;
    double eb = 0;   // exp(-b)
    double ebm1 = 0; // exp(-b) - 1
    double s = 0;    // a + b
    double slab = 0; // (1 - exp(-s)) / s
    double invB = 0, invS = 0;
};

ExitTerms exitTerms(double a, double b)
{
    ExitTerms x;
    x.b = b;
    x.eb = std::exp(-b);
    x.ebm1 = std::expm1(-b);
    x.s = a + b;
    x.slab = -std::expm1(-x.s) / x.s;
    x.invB = 1.0 / b;
    x.invS = 1.0 / x.s;
    return x;
}

template <typename X> ExcitingTerms excitingTerms(double a, double m)
{
    ExcitingTerms t;
    t.a = a;
    t.ea = std::exp(-a);
    t.m = m;
    t.lnM = std::log(m);
    t.einM = m <= 1.0 ? X::einSmall(m) - EULER_GAMMA : X::e1(m) + t.lnM;
    t.lnMa = std::log(m + a);
    t.e1Ma = X::e1(m + a);
    t.logA = std::log1p(a / m) / a;
    t.eaEinMa = X::scaledEin(m - a, a);
    t.skinA = t.logA + t.e1Ma / a;
    t.skinM = t.ea * (t.einM - t.lnM) / a;
    t.backFace = std::exp(-a - m);
    t.em = std::exp(-m);
    t.eam1 = std::expm1(-a);
    t.invM = 1.0 / m;
    return t;
}

// Beyond this exit term, and as far beyond m, exp(-b) is below 1e-17 of the terms it multiplies.
constexpr double SKIN_EXIT = 40.0;

// The depth integral J(a, b, m) for the exit term b. With c = m s, s >= 1, over the direction
// cosines 1/s of the exciting photons, J = integral over s from 1 to infinity of ds / s K(m s),
//   K(c) = [F - G(a, c)] / (b + c) + [F - G(b, c)] / (a + c),
//   F = (1 - exp(-(a + b))) / (a + b),   G(a, c) = (exp(-(a + b)) - exp(-(b + c))) / (c - a),
// the first part for exciting photons travelling towards the surface the secondary line leaves
// by, the second for those travelling inwards. Partial fractions in c and
//   integral from m to infinity of exp(-c) / (c - p) dc = exp(-p) E1(m - p)
// (a principal value when m < p) give logarithms and exponential integrals. Each E1 of a
// difference is paired with the logarithm of the same difference, E1(x) + ln|x| = Ein(x) -
// gamma, so nothing diverges where m meets a or b.
template <typename X> double depthIntegral(const ExcitingTerms &t, const ExitTerms &x)
{
    const double a = t.a;
    const double m = t.m;
    const double b = x.b;
    const double overBS = x.invB * x.invS;
    if (b > m + SKIN_EXIT) {
        // A secondary line that only a thin skin under the surface lets out (soft lines, most
        // of the pairs): only the terms without exp(-b) remain, Ein(m) - gamma - ln m being
        // E1(m) and exp(-b) Ein(m - b) turning into -exp(-m) exp(-(b - m)) Ei(b - m).
        return (std::log1p(b * t.invM) * x.invB + t.skinA) * x.invS - t.skinM * x.invB -
               t.backFace * X::scaledEi(b - m) * overBS;
    }
    const double eb = x.eb;
    const double es = t.ea * eb;
    const double overAS = x.invS / a;
    // Towards the exit surface and inwards, thick-layer parts ...
    const double thick = x.slab * (std::log1p(b * t.invM) * x.invB + t.logA);
    // ... less what the finite thickness takes away. es - eb and es - ea through expm1, for
    // thin layers.
    const double shared = (eb * t.eam1 + t.ea * x.ebm1) * t.lnM + (t.ea + eb) * t.einM;
    const double lnMb = std::log(m + b);
    const double finite = shared / (a * b) - (es * lnMb + X::e1(m + b, t.em * eb, lnMb)) * overBS -
                          (es * t.lnMa + t.e1Ma) * overAS +
                          (EULER_GAMMA * es - eb * t.eaEinMa) * overAS +
                          (EULER_GAMMA * es - t.ea * X::scaledEin(m - b, b, eb, t.em)) * overBS;
    return thick - finite;
}

// Vacancies in K, L1, L2 and L3 once K vacancies have passed some on to the L subshells and
// Coster-Kronig transitions have moved L1 vacancies to L2 and L3 and L2 vacancies to L3.
void cascade(const ElementLines &el, const double ionised[FLUO_SHELL_COUNT],
             double vacancies[FLUO_SHELL_COUNT])
{
    vacancies[EdgeK] = ionised[EdgeK];
    vacancies[EdgeLI] = ionised[EdgeLI] + el.kToL[0] * vacancies[EdgeK];
    vacancies[EdgeLII] =
        ionised[EdgeLII] + el.kToL[1] * vacancies[EdgeK] + el.f12 * vacancies[EdgeLI];
    vacancies[EdgeLIII] = ionised[EdgeLIII] + el.kToL[2] * vacancies[EdgeK] +
                          el.f13 * vacancies[EdgeLI] + el.f23 * vacancies[EdgeLII];
}

// One element of the target or the binder, with what the model needs of it.
struct Emitter
{
    const ElementLines *lines = nullptr;
    const ElementCrossSections *xs = nullptr;
    double massPerArea = 0; // g/cm^2 of the element in the pellet
    double lowestEdge = 0;  // keV: photons at or below it ionise none of K ... L3
    int firstLine = 0;      // its first entry in the line arrays
};

// An element of a layer holding molPerArea moles of its formula per cm^2 (pellet or window).
Emitter emitterOf(const DetailedInput &in, const CompEntry &entry, double molPerArea)
{
    Emitter em;
    em.lines = in.lines->element(entry.data->z);
    em.xs = in.crossSections->element(entry.data->z);
    em.massPerArea = molPerArea * entry.amount * entry.data->atomicWeight;
    em.lowestEdge = HUGE_VAL;
    for (int s = 0; em.xs && s < FLUO_SHELL_COUNT; ++s) {
        if (const TabulatedEdge *edge = em.xs->edge(s))
            em.lowestEdge = std::min(em.lowestEdge, edge->energy);
    }
    return em;
}

// Photoionisation of K, L1, L2 and L3 by photons of energy E travelling one pellet thickness:
// the element's photoabsorption in the pellet as a mu t, shared out by the subshell cross
// sections of the line table. Jump ratios would do only just above an edge: far above it the
// L1 shell takes a growing part (Mo at 12 keV: 0.36 of the absorption, the jump-ratio rule 0.13).
// A shell counts from the edge of the absorption table, where tau has its step. Returns false
// when no subshell is ionised.
bool ionisation(const Emitter &em, double E, double ionised[FLUO_SHELL_COUNT])
{
    if (!(E > em.lowestEdge))
        return false;
    const double tau = em.massPerArea * em.xs->photo(E);
    // One logarithm for the four shares: secondary fluorescence asks here for every exciting
    // line of every element.
    const double lnE = std::log(E);
    bool any = false;
    for (int s = 0; s < FLUO_SHELL_COUNT; ++s) {
        const TabulatedEdge *edge = em.xs->edge(s);
        ionised[s] = edge && E > edge->energy ? tau * em.lines->photoShareAtLog(s, lnE) : 0.0;
        any = any || ionised[s] > 0.0;
    }
    return any;
}

// The pellet's scatter peaks, then what the detector makes of every record: its efficiency,
// and the escape peaks that take their share of each rate.
// The front window over the pellet as the records see it: its moles per cm^2, its mu t, what
// it leaves of the beam on the way in and of a photon of energy E on the way out.
struct FrontWindow
{
    bool present = false;
    const Composition *composition = nullptr; // with the tabulated cross sections
    double mol = 0;
    double beamIn = 1;
    double sinOut = 1;
    double mut(double E) const { return mol * composition->absorption(E); }
    double out(double E) const { return present ? std::exp(-mut(E) / sinOut) : 1.0; }
};

// The scatter peaks of one layer of these compositions, per second for the incident flux
// reaching it: Rayleigh, then Compton.
template <typename MuT, typename Path>
void addScatterPeaks(const DetailedInput &in, const QVector<const Composition *> &comps,
                     const QVector<double> &mols, const MuT &mut, const Path &path, double flux,
                     bool fromWindow, DetailedLineSet &out)
{
    const SpectrumInput &sp = in.spectrum;
    QVector<Scatterer> scatterers;
    for (int c = 0; c < comps.size(); ++c) {
        for (const CompEntry &entry : comps.at(c)->entries) {
            Scatterer s;
            s.factors = in.scatter->element(entry.data->z);
            s.atomicWeight = entry.data->atomicWeight;
            s.massPerArea = mols.at(c) * entry.amount * entry.data->atomicWeight;
            scatterers.append(s);
        }
    }
    ScatterGeometry geometry;
    geometry.E0 = sp.E0;
    geometry.incidenceDeg = in.incidenceDeg;
    geometry.exitDeg = in.exitDeg;
    geometry.distance = sp.detector.distanceCm;
    geometry.detRadius = sp.detector.radiusCm;
    geometry.polarised = in.polarised;
    const ScatterRates rates = pelletScatter(geometry, scatterers, mut);
    LinePeak rayleigh;
    rayleigh.kind = LinePeak::Kind::Scatter;
    rayleigh.fromWindow = fromWindow;
    rayleigh.lineName = QStringLiteral("Rayleigh");
    rayleigh.peakEnergy = sp.E0;
    rayleigh.peakIntensity = flux * rates.rayleigh * path(sp.E0);
    LinePeak compton = rayleigh;
    compton.lineName = QStringLiteral("Compton");
    compton.peakEnergy = rates.comptonEnergy;
    compton.peakIntensity = flux * rates.compton * path(compton.peakEnergy);
    compton.intrinsicFwhm = rates.comptonFwhm;
    out.lines.append(rayleigh);
    out.lines.append(compton);
}

template <typename MuT, typename Path>
void addDetectorResponse(const DetailedInput &in, const Composition &tgt, const Composition &bnd,
                         double tgtMol, double bndMol, const MuT &mut, const Path &path,
                         const FrontWindow &window, DetailedLineSet &out)
{
    const SpectrumInput &sp = in.spectrum;
    const double elements = std::max(1, sp.detector.elements);
    // The pellet's scatter, through the window both ways; then the window's own. Each element
    // of an array sees the same.
    const auto pelletPath = [&](double E) { return path(E) * window.out(E); };
    addScatterPeaks(in, {&tgt, &bnd}, {tgtMol, bndMol}, mut, pelletPath,
                    sp.I0 * window.beamIn * elements, false, out);
    if (window.present)
        addScatterPeaks(
            in, {window.composition}, {window.mol}, [&](double E) { return window.mut(E); }, path,
            sp.I0 * elements, true, out);

    DetectorResponse detector;
    // The escape of a silicon detector is usually figured with Hubbell's K yield of Si (0.050,
    // the classic yield table's) rather than the 0.043 of Elam's line table; so the classic
    // table's yield of the crystal's element (for germanium the two differ by 2 %). A crystal of
    // two elements takes the line table's for both.
    const int z = sp.detector.material.z;
    const double kYield = sp.yieldK && sp.yieldSize > z ? sp.yieldK[z] : 0.0;
    if (in.crossSections && in.lines)
        detector.setUp(sp.detector, *in.crossSections, *in.lines, *in.scatter, kYield);
    const int parents = out.lines.size();
    const int escapeLines = detector.escapeLineCount();
    QVector<double> escapes(escapeLines);
    double total = 0;
    for (int i = 0; i < parents; ++i) {
        LinePeak &peak = out.lines[i];
        const double E = peak.peakEnergy;
        const double eff = detector.efficiency(E);
        double escape = 0.0;
        for (int k = 0; k < escapeLines; ++k)
            escape += escapes[k] = detector.escapeFraction(E, k);
        const double recorded = peak.peakIntensity * eff;
        peak.peakIntensity = recorded * (1.0 - escape);
        peak.secondaryIntensity *= eff * (1.0 - escape);
        total += recorded;
        // Appending may move the records: the parent by value.
        const LinePeak parent = peak;
        for (int k = 0; k < escapeLines; ++k) {
            if (!(recorded * escapes[k] > 0))
                continue;
            LinePeak esc;
            esc.kind = LinePeak::Kind::Escape;
            esc.fromBinder = parent.fromBinder;
            esc.fromWindow = parent.fromWindow;
            esc.element = parent.element;
            esc.lineName = parent.lineName + detector.escapeSuffix(k);
            esc.peakEnergy = E - detector.escapeShift(k);
            esc.peakIntensity = recorded * escapes[k];
            esc.secondaryIntensity = parent.secondaryIntensity / (1.0 - escape) * escapes[k];
            esc.intrinsicFwhm = parent.intrinsicFwhm;
            out.lines.append(esc);
        }
    }
    out.detectorResponse = true;
    // Each element of an array piles up at its own rate, r / N of every record's: pairs at
    // 2 (r_i / N) (r_j / N) tau in each of the N, the whole array's r_i r_j tau / N, which is
    // the pile-up of the summed rates with tau / N.
    out.countRate = total - addFirstOrderPileup(out.lines, in.pileupTime / elements);
}

// What a record brings to the name of a pile-up pair: a scatter peak has no element.
const QString &pileupElement(const LinePeak &p)
{
    return p.kind == LinePeak::Kind::Scatter ? p.lineName : p.element;
}

} // namespace

double addFirstOrderPileup(QVector<LinePeak> &records, double tau)
{
    if (!(tau > 0.0))
        return 0.0;
    // The parents by falling rate: for each, its partners by falling rate, so that both loops
    // stop at the first pair below the listing floor instead of visiting every pair.
    QVector<int> order;
    order.reserve(records.size());
    for (int i = 0; i < records.size(); ++i) {
        const double r = records.at(i).peakIntensity;
        if (r > 0.0 && std::isfinite(r))
            order.append(i);
    }
    if (order.isEmpty())
        return 0.0;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return records.at(a).peakIntensity > records.at(b).peakIntensity;
    });
    const double floor = PILEUP_LISTED * records.at(order.first()).peakIntensity;
    QVector<double> lost(records.size(), 0.0);
    QVector<LinePeak> piled;
    double events = 0.0;
    for (int a = 0; a < order.size(); ++a) {
        const int i = order.at(a);
        const double ri = records.at(i).peakIntensity;
        // No partner after this one is stronger, so no pair of it or a later parent reaches
        // 2 ri^2 tau.
        if (2.0 * ri * ri * tau < floor)
            break;
        for (int b = a; b < order.size(); ++b) {
            const int j = order.at(b);
            const double rj = records.at(j).peakIntensity;
            const double rate = (a == b ? 1.0 : 2.0) * ri * rj * tau;
            if (rate < floor) {
                if (a == b)
                    continue; // a pair of itself counts once; with another, twice
                break;
            }
            const LinePeak &p = records.at(i);
            const LinePeak &q = records.at(j);
            LinePeak pile;
            pile.kind = LinePeak::Kind::Pileup;
            pile.element = pileupElement(p) + QLatin1Char('+') + pileupElement(q);
            pile.lineName = p.lineName + QLatin1Char('+') + q.lineName;
            pile.peakEnergy = p.peakEnergy + q.peakEnergy;
            pile.peakIntensity = rate;
            // Two independent spreads add in quadrature.
            pile.intrinsicFwhm = std::hypot(p.intrinsicFwhm, q.intrinsicFwhm);
            piled.append(pile);
            lost[i] += rate;
            lost[j] += rate;
            events += rate;
        }
    }
    // First order holds while tau times the count rate is small; far beyond it (a parent
    // giving up more photons than it has) it would leave negative rates. There every pile-up
    // shrinks by one factor, so that no parent gives up more than half of its photons.
    double deepest = 0.0;
    for (int i = 0; i < records.size(); ++i) {
        if (lost.at(i) > 0.0)
            deepest = std::max(deepest, lost.at(i) / records.at(i).peakIntensity);
    }
    if (deepest > PILEUP_MOST_LOST) {
        const double shrink = PILEUP_MOST_LOST / deepest;
        for (LinePeak &pile : piled)
            pile.peakIntensity *= shrink;
        for (double &l : lost)
            l *= shrink;
        events *= shrink;
    }
    for (int i = 0; i < records.size(); ++i) {
        if (!(lost.at(i) > 0.0))
            continue;
        LinePeak &p = records[i];
        const double left = p.peakIntensity - lost.at(i);
        p.secondaryIntensity *= left / p.peakIntensity;
        p.peakIntensity = left;
    }
    records += piled;
    return events;
}

double discSolidAngleFraction(double distance, double radius)
{
    // 1 - D / r = R^2 / (r (r + D)) with r = sqrt(D^2 + R^2): no cancellation for a small disc.
    const double r = std::sqrt(distance * distance + radius * radius);
    return 0.5 * (radius * radius) / (r * (r + distance));
}

double secondaryDepthIntegral(double a, double b, double m, bool reference)
{
    const ExitTerms x = exitTerms(a, b);
    return reference ? depthIntegral<SeriesIntegrals>(excitingTerms<SeriesIntegrals>(a, m), x)
                     : depthIntegral<FittedIntegrals>(excitingTerms<FittedIntegrals>(a, m), x);
}

double scaledExpIntegralE1(double x)
{
    return x <= 1.0 ? std::exp(x) * e1Fitted(x) : scaledE1Fitted(x);
}

double expIntegralEin(double x)
{
    return scaledEinFitted(x, 0.0);
}

double scaledExpIntegralEi(double y)
{
    // Ei(y) = gamma + ln y - Ein(-y).
    return y >= 1.0 ? scaledEiFitted(y)
                    : std::exp(-y) * (EULER_GAMMA + std::log(y) - einTaylor(-y));
}

void computeDetailedLines(const DetailedInput &in, DetailedLineSet &out)
{
    const SpectrumInput &sp = in.spectrum;
    out.lines.clear();
    out.detectorResponse = false;
    out.countRate = 0.0;
    out.elements = 1;

    if (!in.lines || !in.crossSections)
        return;
    // The same compositions and path, with the tabulated cross sections whatever their own
    // choice.
    Composition tgt = *sp.tgt;
    Composition bnd = *sp.bnd;
    tgt.tabulated = bnd.tabulated = in.crossSections;
    const LightPath exitPath = sp.exit.withTabulated(in.crossSections);

    // Moles of each composition per cm^2; a blank pellet holds its binder alone.
    const bool blank = isBlankPellet(sp.tgtMolPerArea, sp.bndPerTgt);
    const double tgtMol = sp.tgtMolPerArea;
    const double bndMol = blank ? sp.bndMolPerArea : sp.tgtMolPerArea * sp.bndPerTgt;
    const auto mut = [&](double E) {
        return tgtMol * tgt.absorption(E) +
               (bnd.entries.isEmpty() ? 0.0 : bndMol * bnd.absorption(E));
    };
    const double sinIn = std::sin(in.incidenceDeg * DEGREE);
    const double sinOut = std::sin(in.exitDeg * DEGREE);
    const double a = mut(sp.E0) / sinIn;
    // N elements of an array, each with the solid angle of the one described.
    out.elements = std::max(1, sp.detector.elements);
    const double scale =
        sp.I0 * discSolidAngleFraction(sp.detector.distanceCm, sp.detector.radiusCm) * out.elements;

    // The front window: what it leaves of the beam reaching the pellet and of what leaves it.
    Composition windowComposition = in.frontWindow.composition;
    windowComposition.tabulated = in.crossSections;
    FrontWindow window;
    window.composition = &windowComposition;
    window.mol = in.frontWindow.molPerArea();
    window.present = window.mol > 0 && !windowComposition.entries.isEmpty();
    window.sinOut = sinOut;
    if (window.present)
        window.beamIn = std::exp(-window.mut(sp.E0) / sinIn);

    // Every element of both compositions with its lines, in the order of the records.
    QVector<Emitter> emitters;
    for (const Composition *comp : {&tgt, &bnd}) {
        const bool fromBinder = comp == &bnd;
        const double mol = fromBinder ? bndMol : tgtMol;
        for (const CompEntry &entry : comp->entries) {
            Emitter em = emitterOf(in, entry, mol);
            em.firstLine = out.lines.size();
            if (!em.lines)
                continue;
            for (const EmissionLine &l : em.lines->lines) {
                LinePeak peak;
                peak.peakEnergy = l.energy;
                peak.fromBinder = fromBinder;
                peak.element = entry.symbol;
                peak.lineName = l.name;
                out.lines.append(peak);
            }
            emitters.append(em);
        }
    }

    // Per line: what the beam makes it emit per unit mu t of depth (g = V omega r), and its exit
    // term b.
    const int nLines = out.lines.size();
    QVector<double> production(nLines, 0.0), exitTerm(nLines, 0.0), secondary(nLines, 0.0);
    QVector<double> lineMuT(nLines, 0.0); // mu t at the line, for secondary fluorescence
    for (const Emitter &em : qAsConst(emitters)) {
        double ionised[FLUO_SHELL_COUNT] = {0, 0, 0, 0};
        double vacancies[FLUO_SHELL_COUNT] = {0, 0, 0, 0};
        if (em.xs && ionisation(em, sp.E0, ionised))
            cascade(*em.lines, ionised, vacancies);
        for (int j = 0; j < em.lines->lines.size(); ++j) {
            const EmissionLine &l = em.lines->lines.at(j);
            const int i = em.firstLine + j;
            production[i] = vacancies[l.shell] * em.lines->yield[l.shell] * l.rate;
            lineMuT[i] = mut(l.energy);
            exitTerm[i] = lineMuT[i] / sinOut;
        }
    }

    if (in.secondary) {
        // Secondary fluorescence is linear in what the exciting lines emit, so lines of one
        // energy (Ka1 and Ka2 of the light elements, an element in both compositions) excite
        // together: the groups, by energy, with their production g and mu t m.
        QVector<std::pair<double, int>> exciting; // energy, line
        for (int i = 0; i < nLines; ++i) {
            if (production[i] > 0.0)
                exciting.append({out.lines.at(i).peakEnergy, i});
        }
        std::sort(exciting.begin(), exciting.end());
        QVector<double> groupE, groupG, groupM;
        for (int i = 0; i < exciting.size(); ++i) {
            const double Ei = exciting.at(i).first;
            const int line = exciting.at(i).second;
            double emitted = production[line];
            while (i + 1 < exciting.size() && exciting.at(i + 1).first == Ei)
                emitted += production[exciting.at(++i).second];
            groupE.append(Ei);
            groupG.append(emitted);
            groupM.append(lineMuT[line]);
        }
        const int groups = groupE.size();

        // Which pairs to leave out. Of an exciting group i, a line k from subshell s of an
        // emitter gets g_i V_s(Ei) omega_s r J / (2 sin alpha), its primary being
        // V_s(E0) omega_s r slab(a + b) / sin alpha, slab(S) = (1 - exp(-S)) / S. J never exceeds
        // the infinitely thick layer's (ln(1 + a/m)/a + ln(1 + b/m)/b) / (a + b), the integral
        // of the same positive integrand over all depths, and ln(1 + x) <= x / sqrt(1 + x), so
        //   secondary_ik / primary_k <= R = g_i/2 V_s(Ei)/V_s(E0) [ln(1 + a/m)/a
        //                                   + 1/sqrt(m (m + b))] / (1 - exp(-(a + b))),
        // which falls as b grows: taken at the smallest b of the subshell's lines it bounds them
        // all (and within a few tens of per cent for most pairs). For each subshell of each
        // emitter the groups with the smallest R are left out, as many as keep the sum of their
        // R within the tolerance; so is each line's part left out, against its primary rate and
        // so its total.
        const double tolerance = in.secondaryTolerance > 0.0 ? in.secondaryTolerance : 0.0;
        const int nEmitters = emitters.size();
        struct Shells
        {
            double vacancies[FLUO_SHELL_COUNT] = {0, 0, 0, 0}; // at E0
            double minExit[FLUO_SHELL_COUNT] = {HUGE_VAL, HUGE_VAL, HUGE_VAL, HUGE_VAL};
            double thickness[FLUO_SHELL_COUNT] = {0, 0, 0, 0}; // 1 - exp(-(a + minExit))
        };
        QVector<Shells> shells(nEmitters);
        for (int e = 0; tolerance > 0.0 && e < nEmitters; ++e) {
            const Emitter &em = emitters.at(e);
            Shells &sh = shells[e];
            double ionised[FLUO_SHELL_COUNT] = {0, 0, 0, 0};
            if (!em.xs || !ionisation(em, sp.E0, ionised))
                continue;
            cascade(*em.lines, ionised, sh.vacancies);
            for (int j = 0; j < em.lines->lines.size(); ++j) {
                const int shell = em.lines->lines.at(j).shell;
                const double b = exitTerm[em.firstLine + j];
                if (b > 0.0)
                    sh.minExit[shell] = std::min(sh.minExit[shell], b);
            }
            for (int shell = 0; shell < FLUO_SHELL_COUNT; ++shell)
                sh.thickness[shell] = -std::expm1(-(a + sh.minExit[shell]));
        }

        // The vacancies each group makes in each emitter, and the bound R of each subshell (-1
        // where there is none to go by: computed whatever it makes).
        const auto at = [&](int i, int e) {
            return (std::size_t(i) * std::size_t(nEmitters) + std::size_t(e)) * FLUO_SHELL_COUNT;
        };
        // Kept from call to call: freshly allocated, blocks this size are mapped and cleared
        // anew each time.
        static thread_local std::vector<double> groupVacancies, bounds;
        groupVacancies.assign(at(groups, 0), 0.0);
        // by emitter, subshell, then group
        const auto boundAt = [&](int i, int e, int shell) {
            return std::size_t(e * FLUO_SHELL_COUNT + shell) * std::size_t(groups) + std::size_t(i);
        };
        bounds.assign(tolerance > 0.0 ? groupVacancies.size() : 0, 0.0);
        for (int i = 0; i < groups; ++i) {
            const double m = groupM.at(i);
            if (!(m > 0.0))
                continue;
            const double thickA = std::log1p(a / m) / a;
            for (int e = 0; e < nEmitters; ++e) {
                const Emitter &em = emitters.at(e);
                double ionised[FLUO_SHELL_COUNT];
                double *vacancies = &groupVacancies[at(i, e)];
                if (!em.xs || !ionisation(em, groupE.at(i), ionised))
                    continue;
                cascade(*em.lines, ionised, vacancies);
                for (int shell = 0; tolerance > 0.0 && shell < FLUO_SHELL_COUNT; ++shell) {
                    const Shells &sh = shells.at(e);
                    double &bound = bounds[boundAt(i, e, shell)];
                    if (!(vacancies[shell] > 0.0))
                        bound = 0.0;
                    else if (sh.vacancies[shell] > 0.0 && sh.thickness[shell] > 0.0)
                        bound = 0.5 * groupG.at(i) * vacancies[shell] / sh.vacancies[shell] *
                                (thickA + 1.0 / std::sqrt(m * (m + sh.minExit[shell]))) /
                                sh.thickness[shell];
                    else
                        bound = -1.0;
                }
            }
        }
        // The smallest first, by binades (2^-k <= R < 2^-k+1): the binades that fit whole, then
        // the pairs of the next one as long as they fit. Skipped pairs get R = 0.
        for (int e = 0; tolerance > 0.0 && e < nEmitters; ++e) {
            for (int shell = 0; shell < FLUO_SHELL_COUNT; ++shell) {
                if (!(shells.at(e).vacancies[shell] > 0.0))
                    continue; // nothing to skip against
                double *const r0 = &bounds[boundAt(0, e, shell)];
                constexpr int binades = 80; // below 2^-79 all in the first
                double sums[binades] = {};
                const auto binade = [](double r) { // r > 0 and finite
                    std::uint64_t bits;
                    std::memcpy(&bits, &r, sizeof bits);
                    return std::min(binades - 1, std::max(0, int(bits >> 52) - 1023 + binades - 1));
                };
                for (int i = 0; i < groups; ++i) {
                    const double r = r0[i];
                    if (r > 0.0 && r <= tolerance)
                        sums[binade(r)] += r;
                }
                double left = tolerance;
                int cut = 0;
                while (cut < binades && sums[cut] <= left)
                    left -= sums[cut++];
                for (int i = 0; i < groups; ++i) {
                    double &r = r0[i];
                    if (!(r > 0.0 && r <= tolerance))
                        continue;
                    const int k = binade(r);
                    if (k < cut) {
                        r = 0.0;
                    } else if (k == cut && r <= left) {
                        left -= r;
                        r = 0.0;
                    }
                }
            }
        }

        std::vector<ExitTerms> exits(nLines);
        for (int k = 0; k < nLines; ++k)
            exits[k] = exitTerms(a, exitTerm[k]);
        const auto addSecondary = [&](auto integrals) {
            using X = decltype(integrals);
            for (int i = 0; i < groups; ++i) {
                const double m = groupM.at(i);
                if (!(m > 0.0))
                    continue;
                const double weight = groupG.at(i) / (2.0 * sinIn);
                ExcitingTerms terms;
                bool haveTerms = false;
                for (int e = 0; e < nEmitters; ++e) {
                    const Emitter &em = emitters.at(e);
                    const double *vacancies = &groupVacancies[at(i, e)];
                    bool skip[FLUO_SHELL_COUNT];
                    bool any = false;
                    for (int shell = 0; shell < FLUO_SHELL_COUNT; ++shell) {
                        skip[shell] = !(vacancies[shell] > 0.0) ||
                                      (tolerance > 0.0 && bounds[boundAt(i, e, shell)] == 0.0);
                        any = any || !skip[shell];
                    }
                    if (!any)
                        continue;
                    if (!haveTerms) {
                        terms = excitingTerms<X>(a, m);
                        haveTerms = true;
                    }
                    double lastB = -1.0;
                    double lastJ = 0.0;
                    for (int j = 0; j < em.lines->lines.size(); ++j) {
                        const EmissionLine &l = em.lines->lines.at(j);
                        if (skip[l.shell])
                            continue;
                        const double made = vacancies[l.shell] * em.lines->yield[l.shell] * l.rate;
                        if (!(made > 0.0))
                            continue;
                        const int k = em.firstLine + j;
                        const double b = exitTerm[k];
                        if (!(b > 0.0))
                            continue;
                        // Lines of one energy (Ka1 and Ka2 of the light elements) share J.
                        if (b != lastB) {
                            lastB = b;
                            lastJ = depthIntegral<X>(terms, exits.at(k));
                        }
                        secondary[k] += weight * made * lastJ;
                    }
                }
            }
        };
        if (tolerance > 0.0)
            addSecondary(FittedIntegrals());
        else
            addSecondary(SeriesIntegrals());
    }

    // Air and filters between pellet and detector, and the window over the pellet both ways.
    const auto path = [&](double E) { return exitPath.transmission(E); };
    const double pelletScale = scale * window.beamIn;
    for (int i = 0; i < nLines; ++i) {
        LinePeak &peak = out.lines[i];
        const double primary = production[i] / sinIn * slabFactor(a + exitTerm[i]);
        const double T = path(peak.peakEnergy) * window.out(peak.peakEnergy);
        peak.peakIntensity = T * pelletScale * (primary + secondary[i]);
        peak.secondaryIntensity = T * pelletScale * secondary[i];
    }

    // The window's own lines, primary only: the beam reaches it whole, and what the pellet's
    // lines excite in so thin a layer is left out.
    if (window.present) {
        const double aWindow = window.mut(sp.E0) / sinIn;
        for (const CompEntry &entry : windowComposition.entries) {
            const Emitter em = emitterOf(in, entry, window.mol);
            if (!em.lines)
                continue;
            double ionised[FLUO_SHELL_COUNT] = {0, 0, 0, 0};
            double vacancies[FLUO_SHELL_COUNT] = {0, 0, 0, 0};
            if (em.xs && ionisation(em, sp.E0, ionised))
                cascade(*em.lines, ionised, vacancies);
            for (const EmissionLine &l : em.lines->lines) {
                LinePeak peak;
                peak.peakEnergy = l.energy;
                peak.fromWindow = true;
                peak.element = entry.symbol;
                peak.lineName = l.name;
                const double made = vacancies[l.shell] * em.lines->yield[l.shell] * l.rate;
                const double b = window.mut(l.energy) / sinOut;
                peak.peakIntensity =
                    path(l.energy) * scale * made / sinIn * slabFactor(aWindow + b);
                out.lines.append(peak);
            }
        }
    }
    if (in.scatter)
        addDetectorResponse(in, tgt, bnd, tgtMol, bndMol, mut, path, window, out);
}

void renderDetailedSpectrum(const DetailedLineSet &lines, const SpectrumInput &view,
                            double *spectrum, SpectrumResult &result)
{
    const int n = view.gridPoints;
    const double gaussWidth = gaussianWidth(view.detector.fwhm);
    const double integScale = unitAreaPeak(view.detector.fwhm) * view.channelWidth;
    const double eLo = n > 0 ? view.gridE[0] : 0.0;
    const double eHi = n > 0 ? view.gridE[n - 1] : 0.0;

    std::fill(spectrum, spectrum + n, 0.0);
    result.linePeaks.clear();
    result.labelList.clear();
    result.infoText.clear();

    const double step = evenStep(view.gridE, n);
    double peakMax = 0.0;
    for (const LinePeak &line : lines.lines) {
        const double I = line.peakIntensity;
        // A line that nothing excites adds nothing but the cost of its Gaussian.
        if (I != 0.0) {
            double width = gaussWidth;
            double toInteg = integScale;
            if (lines.detectorResponse) {
                // The detector's width at the peak's energy, with what the peak brings of its
                // own in quadrature.
                const double det = detectorFwhm(view.detector, line.peakEnergy);
                const double fwhm = std::sqrt(det * det + line.intrinsicFwhm * line.intrinsicFwhm);
                width = gaussianWidth(fwhm);
                toInteg = unitAreaPeak(fwhm) * view.channelWidth;
            }
            addGaussianByRecurrence(view.gridE, n, step, line.peakEnergy,
                                    view.integ ? I * toInteg : I, width, spectrum);
        }
        if (!(eLo < line.peakEnergy && line.peakEnergy < eHi))
            continue;
        peakMax = std::max(peakMax, I);
        result.linePeaks.append(line);
    }

    finishSpectrum(spectrum, n, peakMax, view.ratio, result);
}

void simulateDetailed(const DetailedInput &in, double *spectrum, SpectrumResult &result)
{
    DetailedLineSet lines;
    computeDetailedLines(in, lines);
    renderDetailedSpectrum(lines, in.spectrum, spectrum, result);
}
