#pragma once

#include <QString>

#include <memory>
#include <vector>

// What the Rayleigh and Compton peaks need of one element (data/ScatterFactors.txt): the atomic
// form factor F and the incoherent scattering function S of the momentum transfer
// x = sin(theta/2) / lambda [1/A], the density, and the width of the Compton profile.
//
// Between the positive grid points F and S are power laws (log-log linear). Below the first one
// F falls from F(0) = Z linearly in x^2 and S rises as x^2, as both do for small momentum
// transfer. Beyond the last one F continues the power law of the last interval and the deficit
// Z - S keeps falling as over the last interval (S stays put if it did not fall there). At x that
// is not positive, NaN included, F = F(0) and S = S(0) = 0.
struct ElementScatter
{
    int z = 0;
    QString symbol;
    double density = 0;     // g/cm^3
    double profileFwhm = 0; // FWHM of the Compton profile J(pz), atomic units of momentum

    double formFactor(double x) const;
    double incoherentFunction(double x) const;

private:
    friend class ScatterTable;

    // The positive grid points, shared by all elements of a table.
    struct Grid
    {
        std::vector<double> lnX;
        double x1 = 0; // the first one
    };
    std::shared_ptr<const Grid> grid;
    std::vector<double> lnF; // at the positive grid points
    std::vector<double> lnS;
    double f0 = 0; // F(0)
    double f1 = 0; // F and S at x1
    double s1 = 0;
    double deficitLast = 0;  // Z - S at the last grid point
    double deficitSlope = 0; // d ln(Z - S) / d ln x over the last interval, 0 unless it falls

    double interpolate(const std::vector<double> &lnV, double lx) const;
};

// Form factors, incoherent scattering functions, densities and Compton profile widths of the
// elements, keyed by Z. Not copied, like the other tables.
class ScatterTable
{
public:
    ScatterTable() = default;
    ScatterTable(const ScatterTable &) = delete;
    ScatterTable &operator=(const ScatterTable &) = delete;

    // Reads a table file (format in ScatterTable.cpp). Returns false, leaving the table empty
    // and a message with the line number in *error, when the file cannot be read or any part of
    // it is malformed.
    bool load(const QString &fileName, QString *error = nullptr);

    int size() const { return count; }
    // nullptr for an element the table does not hold.
    const ElementScatter *element(int z) const
    {
        return z > 0 && z < int(byZ.size()) && byZ[z].z == z ? &byZ[z] : nullptr;
    }

private:
    std::vector<ElementScatter> byZ;
    int count = 0;
};
