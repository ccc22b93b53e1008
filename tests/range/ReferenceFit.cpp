#include "ReferenceFit.h"

#include <cmath>
#include <utility>

namespace tservice::rangeref {

namespace {

const double kCode[10] = {0, 512, 1024, 2048, 3072, 4096, 5120, 6144, 7168, 8191};

struct Plain {
    const SensorTable& tab;
    double nodeX[10];
    double nodeT[10];
    int firstRow = 0;
    long evals = 0;

    double FitError(const double* t) {
        ++evals;
        double sum = 0.0;
        int j = firstRow;
        for (int r = 0; r <= 8; ++r) {
            if (j >= tab.TabCount) break;
            do {
                double d = t[r] + (t[r + 1] - t[r]) / (nodeX[r + 1] - nodeX[r]) *
                                      (tab.TabX[j] - nodeX[r]) -
                           tab.TabT[j];
                sum = sum + d * d;
                j = j + 1;
            } while (j < tab.TabCount && tab.TabX[j] < nodeX[r + 1]);
        }
        return sum;
    }

    // One step rule for a failed trial; false ends the exploration.
    static bool NextStep(double& s, double h) {
        if (s == h) s = -h;
        else if (s == -h) return false;
        else if (s > 0) s = h;
        else s = -h;
        return true;
    }

    void Minimize(double& F) {
        double h = 0.1;
        const double eps = 1e-16;
        double base[10], trial[10];
        for (;;) {
            double fOld = F;
            for (int i = 0; i < 10; ++i) base[i] = trial[i] = nodeT[i];
            for (;;) {
                for (int i = 1; i <= 8; ++i) {
                    double s = h;
                    for (;;) {
                        trial[i] = nodeT[i] + s;
                        double g = FitError(trial);
                        if (g < F) {
                            F = g;
                            nodeT[i] = trial[i];
                            s = 2.0 * s;
                            continue;
                        }
                        if (!NextStep(s, h)) break;
                    }
                    trial[i] = nodeT[i];
                }
                if (!(F >= fOld)) break;
                h = 0.1 * h;
                if (h < eps) return;
            }
            double D[8];
            for (int i = 0; i < 8; ++i) D[i] = nodeT[i + 1] - base[i + 1];
            double m = 0.0;
            for (int i = 0; i < 8; ++i) if (std::fabs(D[i]) > m) m = std::fabs(D[i]);
            double im = 1.0 / m, S = 0.0;
            for (int i = 0; i < 8; ++i) D[i] = D[i] * im;
            for (int i = 0; i < 8; ++i) S = S + D[i] * D[i];
            double r = S;
            for (int k = 0; k < 8; ++k) r = (r + S / r) * 0.5;
            double ir = 1.0 / r;
            for (int i = 0; i < 8; ++i) D[i] = D[i] * ir;
            double s = h;
            for (;;) {
                double P[10];
                P[0] = nodeT[0];
                P[9] = nodeT[9];
                for (int i = 0; i < 8; ++i) P[i + 1] = nodeT[i + 1] + s * D[i];
                double g = FitError(P);
                if (g < F) {
                    F = g;
                    s = 2.0 * s;
                    for (int i = 1; i <= 8; ++i) nodeT[i] = P[i];
                    continue;
                }
                if (!NextStep(s, h)) break;
            }
        }
    }
};

// Node temperature r of the solution (ends fixed).
long double NodeOf(int r, const long double (&x)[8], double TN, double TK) {
    if (r == 0) return TN;
    if (r == 9) return TK;
    return x[r - 1];
}

}  // namespace

ReferenceFitOut ReferenceFit(const SensorTable& table, double TN, double TK) {
    Plain p{table, {}, {}, 0, 0};
    for (int i = 0; i < table.TabCount; ++i) {
        if (table.TabT[i] == TN) {
            p.nodeX[0] = table.TabX[i];
            p.firstRow = i + 1;
        }
        if (table.TabT[i] == TK) p.nodeX[9] = table.TabX[i];
    }
    const long double k = 1.0L / 8191.0L;
    for (int j = 1; j <= 8; ++j)
        p.nodeX[j] = static_cast<double>(p.nodeX[0] + kCode[j] * k * (p.nodeX[9] - p.nodeX[0]));
    p.nodeT[0] = TN;
    p.nodeT[9] = TK;
    const int n = table.TabCount;
    for (int j = 1; j <= 8; ++j) {
        int W = 0;
        while (W < n && table.TabX[W] < p.nodeX[j]) ++W;
        if (W == n || W == n - 1) W = n - 2;
        if (W <= 1) W = 2;
        double sum = 0.0;
        for (int a = W - 2; a <= W + 1; ++a) {
            double term = table.TabT[a];
            for (int b = W - 2; b <= W + 1; ++b)
                if (b != a)
                    term = (p.nodeX[j] - table.TabX[b]) * term / (table.TabX[a] - table.TabX[b]);
            sum = sum + term;
        }
        p.nodeT[j] = sum;
    }
    ReferenceFitOut out;
    double F = p.FitError(p.nodeT);
    out.FStart = F;
    p.Minimize(F);
    out.F = F;
    out.Evaluations = p.evals;
    for (int i = 0; i < 10; ++i) {
        out.NodeX[i] = p.nodeX[i];
        out.NodeT[i] = p.nodeT[i];
    }
    for (int i = 0; i < 8; ++i) out.YKod[i] = (p.nodeT[i + 1] - TN) / (TK - TN) * 8191;
    return out;
}

double LeastSquaresOptimum(const SensorTable& table, double TN, double TK, double (&nodeT)[10]) {
    const ReferenceFitOut ref = ReferenceFit(table, TN, TK);  // for the nodes and first row
    int firstRow = 0;
    for (int i = 0; i < table.TabCount; ++i)
        if (table.TabT[i] == TN) firstRow = i + 1;
    // Rows and their segments, walked exactly as the error walks them.
    long double ata[8][8] = {};
    long double atb[8] = {};
    auto addRow = [&](int r, int j) {
        const long double u = (static_cast<long double>(table.TabX[j]) - ref.NodeX[r]) /
                              (static_cast<long double>(ref.NodeX[r + 1]) - ref.NodeX[r]);
        long double coef[10] = {};
        coef[r] = 1 - u;
        coef[r + 1] = u;
        long double rhs = table.TabT[j] - coef[0] * TN - coef[9] * TK;
        for (int a = 1; a <= 8; ++a) {
            if (coef[a] == 0) continue;
            atb[a - 1] += coef[a] * rhs;
            for (int b = 1; b <= 8; ++b) ata[a - 1][b - 1] += coef[a] * coef[b];
        }
    };
    int j = firstRow;
    for (int r = 0; r <= 8; ++r) {
        if (j >= table.TabCount) break;
        do {
            addRow(r, j);
            ++j;
        } while (j < table.TabCount && table.TabX[j] < ref.NodeX[r + 1]);
    }
    long double x[8];
    for (int c = 0; c < 8; ++c) {
        int piv = c;
        for (int r = c + 1; r < 8; ++r)
            if (std::fabs(ata[r][c]) > std::fabs(ata[piv][c])) piv = r;
        for (int k = 0; k < 8; ++k) std::swap(ata[c][k], ata[piv][k]);
        std::swap(atb[c], atb[piv]);
        for (int r = c + 1; r < 8; ++r) {
            const long double f = ata[r][c] / ata[c][c];
            for (int k = c; k < 8; ++k) ata[r][k] -= f * ata[c][k];
            atb[r] -= f * atb[c];
        }
    }
    for (int c = 7; c >= 0; --c) {
        long double v = atb[c];
        for (int k = c + 1; k < 8; ++k) v -= ata[c][k] * x[k];
        x[c] = v / ata[c][c];
    }
    nodeT[0] = TN;
    nodeT[9] = TK;
    for (int i = 0; i < 8; ++i) nodeT[i + 1] = static_cast<double>(x[i]);
    // The error at the optimum, summed in extended precision.
    long double sum = 0;
    j = firstRow;
    for (int r = 0; r <= 8; ++r) {
        if (j >= table.TabCount) break;
        do {
            const long double u = (static_cast<long double>(table.TabX[j]) - ref.NodeX[r]) /
                                  (static_cast<long double>(ref.NodeX[r + 1]) - ref.NodeX[r]);
            const long double d = (1 - u) * NodeOf(r, x, TN, TK) + u * NodeOf(r + 1, x, TN, TK) - table.TabT[j];
            sum += d * d;
            ++j;
        } while (j < table.TabCount && table.TabX[j] < ref.NodeX[r + 1]);
    }
    return static_cast<double>(sum);
}

}  // namespace tservice::rangeref
