#include "Fit.h"

#include <cmath>
#include <cstdio>

#include "DeviceImage.h"
#include "Models.h"

namespace tservice {

namespace {

constexpr int kNodes = 10;
constexpr int kSegments = 9;
constexpr double kFullCode = kTevScale;

// Both columns rise strictly and hold finite numbers: the node search, the
// stencils and the segment walk all rely on it.
bool TableUsable(const SensorTable& table) {
    const int n = table.TabCount;
    if (n < 4) return false;
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(table.TabT[i]) || !std::isfinite(table.TabX[i])) return false;
        if (i > 0 && !(table.TabT[i] > table.TabT[i - 1] && table.TabX[i] > table.TabX[i - 1]))
            return false;
    }
    return true;
}

// Rows of TN and TK, or the refusal text. `rowTN`/`rowTK` are set on success.
const char* CheckLimits(double TN, double TK, std::string_view sensorText,
                        const SensorTable& table, const RangeLimits* standard,
                        int standardCount, int& rowTN, int& rowTK) {
    if (TN == TK) return kRefuseNoRange;
    if (TK < TN) return kRefuseBadRange;
    const float span = MinSpan(sensorText);
    if (span < 0) return kRefuseBadRange;
    if (TK - TN < span) return kRefuseNarrow;
    const int n = table.TabCount;
    if (n <= 0) return kRefuseBadRange;
    const double first = table.TabT[0];
    const double last = table.TabT[n - 1];
    if (TN < first || TN > last || TK < first || TK > last) return kRefuseBadRange;
    for (int i = 0; i < standardCount; ++i) {
        if (TN == static_cast<double>(standard[i].lo) && TK == static_cast<double>(standard[i].hi))
            return kRefuseStandard;
    }
    rowTN = -1;
    rowTK = -1;
    for (int i = 0; i < n; ++i) {
        if (table.TabT[i] == TN) rowTN = i;
        if (table.TabT[i] == TK) rowTK = i;
    }
    // A limit between two rows has no table signal.
    if (rowTN < 0 || rowTK < 0) return kRefuseBadRange;
    if (!TableUsable(table)) return kRefuseTable;
    return nullptr;
}

// NodeX[1..8] from the end signals; 1/kTevScale is held in extended precision.
void NodeSignals(double (&nodeX)[kNodes]) {
    const long double inv = 1.0L / kTevScale;
    const long double x0 = nodeX[0];
    const long double span = nodeX[9] - nodeX[0];
    for (int j = 1; j <= 8; ++j)
        nodeX[j] = static_cast<double>(x0 + static_cast<long double>(kNodeCode[j - 1]) * inv * span);
}

// First estimate of NodeT[1..8]: four-point Lagrange interpolation of
// temperature over signal, the node in the middle interval of its stencil.
void FirstEstimate(const SensorTable& table, const double (&nodeX)[kNodes],
                   double (&nodeT)[kNodes]) {
    const int n = table.TabCount;
    const double* X = table.TabX;
    const double* T = table.TabT;
    int w = 0;  // node signals rise, so one sweep finds every first row
    for (int j = 1; j <= 8; ++j) {
        const double x = nodeX[j];
        while (w < n && X[w] < x) ++w;
        int W = w;
        if (W == n || W == n - 1) W = n - 2;  // keep the stencil inside the table
        if (W <= 1) W = 2;
        double sum = 0.0;
        for (int k = W - 2; k <= W + 1; ++k) {
            double term = T[k];
            for (int m = W - 2; m <= W + 1; ++m)
                if (m != k) term = (x - X[m]) * term / (X[k] - X[m]);
            sum = sum + term;
        }
        nodeT[j] = sum;
    }
}

// The least-squares error of the polyline through (NodeX, NodeT) against the
// table rows of the range, and the direct search that minimises it.
//
// The error is summed row by row in a fixed order, so every evaluation here
// gives the very bits of a plain row-by-row evaluation; the search path and
// the codes are therefore those of the plain method. Speed comes from exact
// shortcuts only: a segment's slope is computed once; a trial that moves one
// node reuses the running sum up to its first changed segment; a trial is
// dropped as soon as its running sum can no longer end below F (rounding of
// a sum of non-negative terms is monotone, so a partial sum that is not below
// the current one at the same row cannot lead to a smaller total); and a
// trial runs side by side with the one that would follow its failure, since
// the chain of additions, not the arithmetic, bounds the time per row.
class FitSearch {
public:
    FitSearch(const SensorTable& table, const double (&nodeX)[kNodes], int firstRow)
        : X_(table.TabX), T_(table.TabT) {
        for (int r = 0; r < kNodes; ++r) nodeX_[r] = nodeX[r];
        for (int r = 0; r < kSegments; ++r) dX_[r] = nodeX[r + 1] - nodeX[r];
        // Each segment takes at least one row and a row whose signal equals a
        // node's belongs to the segment starting there; the walk ends at the
        // last table row.
        const int last = table.TabCount - 1;
        int j = firstRow;
        for (int r = 0; r < kSegments; ++r) {
            beg_[r] = j;
            if (j <= last) {
                do ++j;
                while (j <= last && X_[j] < nodeX[r + 1]);
            }
            end_[r] = j;
        }
    }

    // Full evaluation of `nodeT`, which becomes the current point; returns F.
    double Start(const double (&nodeT)[kNodes]) {
        ++evaluations_;
        double run = 0.0;
        pre_[0] = 0.0;
        for (int r = 0; r < kSegments; ++r) {
            t_[r] = nodeT[r];
            slope_[r] = (nodeT[r + 1] - nodeT[r]) / dX_[r];
            run = SumSegment(r, nodeT[r], slope_[r], run);
            pre_[r + 1] = run;
        }
        t_[9] = nodeT[9];
        return pre_[kSegments];
    }

    void Minimize();

    double F() const { return pre_[kSegments]; }
    double Node(int r) const { return t_[r]; }
    long Evaluations() const { return evaluations_; }

private:
    double SumSegment(int r, double t0, double slope, double run) const {
        const double x0 = nodeX_[r];
        for (int j = beg_[r], e = end_[r]; j < e; ++j) {
            const double d = t0 + slope * (X_[j] - x0) - T_[j];
            run = run + d * d;
        }
        return run;
    }

    // A trial move of one node: its value, the slopes of its two segments
    // and the running sums after each of them.
    struct Move {
        double v, s1, s2, mid, run;
    };
    Move Prepare(int i, double v) const;
    bool Finish(int i, const Move& m);
    bool TryCoordinate(int i, double v);
    int TryCoordinatePair(int i, double va, double vb);
    bool TryVector(const double (&p)[kNodes]);
    void Explore(double h);

    const double* X_;
    const double* T_;
    double nodeX_[kNodes];
    double dX_[kSegments];
    int beg_[kSegments];
    int end_[kSegments];
    double t_[kNodes] = {};      // current point
    double slope_[kSegments] = {};
    double pre_[kNodes] = {};    // running sum before segment r; pre_[9] = F
    long evaluations_ = 0;
};

// Moves node i (1..8) to v if that lowers F; true when it did.
bool FitSearch::TryCoordinate(int i, double v) {
    ++evaluations_;
    if (v == t_[i]) return false;  // same point, same error
    Move m = Prepare(i, v);
    m.mid = SumSegment(i - 1, t_[i - 1], m.s1, pre_[i - 1]);
    m.run = SumSegment(i, v, m.s2, m.mid);
    return Finish(i, m);
}

// Tries node i at va and, should that fail, at vb: the two trials start
// from the same point, so their partial sums run side by side (two
// independent chains of additions in one pass). Returns 0 when va was taken,
// 1 when vb was, 2 when neither.
int FitSearch::TryCoordinatePair(int i, double va, double vb) {
    if (va == t_[i] || vb == t_[i]) {  // rare: a trial at the point itself
        if (TryCoordinate(i, va)) return 0;
        return TryCoordinate(i, vb) ? 1 : 2;
    }
    ++evaluations_;
    Move a = Prepare(i, va);
    Move b = Prepare(i, vb);
    const double t0 = t_[i - 1];
    const double x0 = nodeX_[i - 1];
    double runA = pre_[i - 1];
    double runB = runA;
    for (int j = beg_[i - 1], e = end_[i - 1]; j < e; ++j) {
        const double dx = X_[j] - x0;
        const double da = t0 + a.s1 * dx - T_[j];
        const double db = t0 + b.s1 * dx - T_[j];
        runA = runA + da * da;
        runB = runB + db * db;
    }
    a.mid = runA;
    b.mid = runB;
    const double x1 = nodeX_[i];
    for (int j = beg_[i], e = end_[i]; j < e; ++j) {
        const double dx = X_[j] - x1;
        const double da = va + a.s2 * dx - T_[j];
        const double db = vb + b.s2 * dx - T_[j];
        runA = runA + da * da;
        runB = runB + db * db;
    }
    a.run = runA;
    b.run = runB;
    if (Finish(i, a)) return 0;
    ++evaluations_;
    return Finish(i, b) ? 1 : 2;
}

FitSearch::Move FitSearch::Prepare(int i, double v) const {
    Move m;
    m.v = v;
    m.s1 = (v - t_[i - 1]) / dX_[i - 1];
    m.s2 = (t_[i + 1] - v) / dX_[i];
    return m;
}

// Completes a move whose sums over the two changed segments are in m and
// takes it if the total ends below F.
bool FitSearch::Finish(int i, const Move& m) {
    double run = m.run;
    if (!(run < pre_[i + 1])) return false;
    double after[kNodes];
    after[i + 1] = run;
    for (int r = i + 1; r < kSegments; ++r) {
        run = SumSegment(r, t_[r], slope_[r], run);
        after[r + 1] = run;
    }
    if (!(run < pre_[kSegments])) return false;
    t_[i] = m.v;
    slope_[i - 1] = m.s1;
    slope_[i] = m.s2;
    pre_[i] = m.mid;
    for (int r = i + 1; r <= kSegments; ++r) pre_[r] = after[r];
    return true;
}

// Moves all nodes to p (ends unchanged) if that lowers F; true when it did.
bool FitSearch::TryVector(const double (&p)[kNodes]) {
    ++evaluations_;
    bool same = true;
    for (int r = 1; r <= 8; ++r) same = same && p[r] == t_[r];
    if (same) return false;
    const double f = pre_[kSegments];
    double slope[kSegments];
    double after[kNodes];
    double run = 0.0;
    for (int r = 0; r < kSegments; ++r) {
        slope[r] = (p[r + 1] - p[r]) / dX_[r];
        run = SumSegment(r, p[r], slope[r], run);
        if (!(run < f)) return false;
        after[r + 1] = run;
    }
    for (int r = 1; r <= 8; ++r) t_[r] = p[r];
    for (int r = 0; r < kSegments; ++r) {
        slope_[r] = slope[r];
        pre_[r + 1] = after[r + 1];
    }
    return true;
}

// The step after a failed trial with step s: back to +h after a grown
// positive step, to -h after +h or a grown negative step; false after -h
// (both directions failed).
bool NextStep(double s, double h, double& next) {
    if (s == h)
        next = -h;
    else if (s == -h)
        return false;
    else if (s > 0)
        next = h;
    else
        next = -h;
    return true;
}

// One exploration pass with step h: each node in turn tries +h, growing the
// step while it helps, then -h likewise. A trial and the one that would
// follow its failure are evaluated together.
void FitSearch::Explore(double h) {
    for (int i = 1; i <= 8; ++i) {
        double s = h;
        for (;;) {
            double next;
            if (!NextStep(s, h, next)) {
                if (!TryCoordinate(i, t_[i] + s)) break;
                s = 2.0 * s;
                continue;
            }
            const double base = t_[i];
            const int taken = TryCoordinatePair(i, base + s, base + next);
            if (taken == 0) {
                s = 2.0 * s;
            } else if (taken == 1) {
                s = 2.0 * next;
            } else if (!NextStep(next, h, s)) {
                break;
            }
        }
    }
}

// Scales d to unit length: first by its largest element, then by a Heron
// square root of eight iterations. False for a zero vector.
bool UnitDirection(double (&d)[8]) {
    double m = 0.0;
    for (double v : d)
        if (std::fabs(v) > m) m = std::fabs(v);
    if (!(m > 0.0)) return false;
    const double invM = 1.0 / m;
    double s = 0.0;
    for (double& v : d) {
        v = v * invM;
        s = s + v * v;
    }
    double r = s;
    for (int k = 0; k < 8; ++k) r = (r + s / r) * 0.5;
    const double invR = 1.0 / r;
    for (double& v : d) v = v * invR;
    return true;
}

void FitSearch::Minimize() {
    const double eps = 1e-16;
    double h = 0.1;
    for (;;) {
        const double fOld = F();
        double base[kNodes];
        for (int r = 0; r < kNodes; ++r) base[r] = t_[r];
        for (;;) {
            Explore(h);
            if (F() < fOld) break;
            h = 0.1 * h;
            if (h < eps) return;
        }
        // Pattern move along the progress of the pass.
        double d[8];
        for (int i = 0; i < 8; ++i) d[i] = t_[i + 1] - base[i + 1];
        if (!UnitDirection(d)) continue;
        double s = h;
        for (;;) {
            double p[kNodes];
            p[0] = t_[0];
            p[9] = t_[9];
            for (int i = 0; i < 8; ++i) p[i + 1] = t_[i + 1] + s * d[i];
            if (TryVector(p)) {
                s = 2.0 * s;
                continue;
            }
            if (!NextStep(s, h, s)) break;
        }
    }
}

// Largest deviation of the programmed characteristic (whole codes, nodes at
// the fixed signal codes) from the table rows TN..TK.
void MaxDeviation(const SensorTable& table, int rowTN, int rowTK, RangeFitResult& res) {
    const double TN = res.NodeT[0];
    const double TK = res.NodeT[9];
    const double x0 = res.NodeX[0];
    const double xSpan = res.NodeX[9] - res.NodeX[0];
    double xc[kNodes] = {0, 0, 0, 0, 0, 0, 0, 0, 0, kFullCode};
    double yc[kNodes] = {0, 0, 0, 0, 0, 0, 0, 0, 0, kFullCode};
    for (int k = 0; k < 8; ++k) {
        xc[k + 1] = kNodeCode[k];
        yc[k + 1] = res.Codes[k];
    }
    int seg = 0;
    for (int j = rowTN; j <= rowTK; ++j) {
        const double c = (table.TabX[j] - x0) / xSpan * kFullCode;
        while (seg < kSegments - 1 && c > xc[seg + 1]) ++seg;
        const double y = yc[seg] + (yc[seg + 1] - yc[seg]) * (c - xc[seg]) / (xc[seg + 1] - xc[seg]);
        const double dev = std::fabs(TN + y * (TK - TN) / kFullCode - table.TabT[j]);
        if (dev > res.MaxDeviation) {
            res.MaxDeviation = dev;
            res.MaxDeviationAt = table.TabT[j];
        }
    }
}

}  // namespace

float MinSpan(std::string_view sensorText) {
    const SensorData* data = FindSensorData(sensorText);
    return data ? data->minSpan : -1.0f;
}

RangeFitResult CalculateRange(double TN, double TK, std::string_view sensorText,
                              const SensorTable& table, const RangeLimits* standard,
                              int standardCount) {
    RangeFitResult res;
    int rowTN = -1;
    int rowTK = -1;
    if (const char* refusal = CheckLimits(TN, TK, sensorText, table, standard, standardCount,
                                          rowTN, rowTK)) {
        res.refusal = refusal;
        return res;
    }
    res.NodeX[0] = table.TabX[rowTN];
    res.NodeX[9] = table.TabX[rowTK];
    NodeSignals(res.NodeX);
    res.NodeT[0] = TN;
    res.NodeT[9] = TK;
    FirstEstimate(table, res.NodeX, res.NodeT);

    FitSearch search(table, res.NodeX, rowTN + 1);
    res.FStart = search.Start(res.NodeT);
    search.Minimize();
    res.F = search.F();
    res.Evaluations = search.Evaluations();
    for (int r = 1; r <= 8; ++r) res.NodeT[r] = search.Node(r);

    double codes[8];
    for (int k = 0; k < 8; ++k) {
        codes[k] = (res.NodeT[k + 1] - TN) / (TK - TN) * kFullCode;
        // The transmitter stores signed 16-bit codes; anything else is a table fault.
        if (!(std::fabs(codes[k]) < 32767.5)) {
            res.refusal = kRefuseTable;
            return res;
        }
    }
    for (int k = 0; k < 8; ++k) {
        res.YKod[k] = codes[k];
        res.Codes[k] = static_cast<int>(std::lround(codes[k]));
        std::snprintf(res.CodeText[k], sizeof res.CodeText[k], "%d", res.Codes[k]);
    }
    MaxDeviation(table, rowTN, rowTK, res);
    res.ok = true;
    return res;
}

}  // namespace tservice
