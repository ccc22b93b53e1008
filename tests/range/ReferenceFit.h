#pragma once
// A plain, row-by-row rendering of the range fit, kept only to check that the
// library's faster evaluation follows exactly the same search path.
#include "Tables.h"

namespace tservice::rangeref {

struct ReferenceFitOut {
    double NodeX[10] = {};
    double NodeT[10] = {};
    double FStart = 0.0;
    double F = 0.0;
    long Evaluations = 0;
    double YKod[8] = {};
};

// TN and TK must be rows of `table` (which must rise, >= 4 rows).
ReferenceFitOut ReferenceFit(const SensorTable& table, double TN, double TK);

// The exact minimum of the same error for the same nodes: the polyline is
// linear in the eight inner node temperatures, so the 8x8 normal equations
// give it. Returns the error at that minimum (°C²); `nodeT` gets the nodes.
double LeastSquaresOptimum(const SensorTable& table, double TN, double TK, double (&nodeT)[10]);

}  // namespace tservice::rangeref
