// Time of one non-standard range calculation (table already loaded), the
// number of error evaluations, and how close the search ends to the exact
// least-squares optimum for the same nodes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "Fit.h"
#include "ReferenceFit.h"

namespace {

using namespace tservice;

struct Case {
    const char* sensor;
    double tn, tk;  // none of them is a standard range of its sensor type
};

// The ranges quoted for the speed target, then the whole span of every table.
const Case kCases[] = {
    {"Pt100", -50, 30},  {"Pt100", 0, 600},    {"100П", -100, 100},  {"XA(K)", 0, 1000},
    {"XK(L)", -50, 600}, {"XA(K)", -270, 1372}, {"XK(E)", -270, 1000}, {"ЖК(J)", -210, 1200},
    {"XK(L)", -200, 800}, {"Pt100", -200, 850}, {"100M", -180, 200},  {"Ni", -60, 180},
};

const SensorTable& Table(const char* sensor) {
    static std::unique_ptr<SensorTable> tables[8];
    static const char* names[8] = {};
    for (int i = 0; i < 8; ++i) {
        if (names[i] != nullptr && std::string(names[i]) == TableFileName(sensor)) return *tables[i];
        if (names[i] == nullptr) {
            names[i] = TableFileName(sensor);
            tables[i] = std::make_unique<SensorTable>();
            const std::string dirs[] = {TSERVICE_TABLES_DIR};
            std::string error;
            if (!LoadTable(names[i], *tables[i], error, dirs)) std::fprintf(stderr, "%s\n", error.c_str());
            return *tables[i];
        }
    }
    return *tables[0];
}

void Label(benchmark::State& state, const Case& c) {
    char text[64];
    std::snprintf(text, sizeof text, "%s %g..%g", c.sensor, c.tn, c.tk);
    state.SetLabel(text);
}

void BM_Calculate(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    const SensorTable& table = Table(c.sensor);
    RangeFitResult res;
    for (auto _ : state) {
        res = CalculateRange(c.tn, c.tk, c.sensor, table, nullptr, 0);
        benchmark::DoNotOptimize(res);
    }
    if (!res.ok) {
        state.SkipWithError(res.refusal);
        return;
    }
    double best[10];
    const double fOpt = rangeref::LeastSquaresOptimum(table, c.tn, c.tk, best);
    state.counters["evals"] = static_cast<double>(res.Evaluations);
    state.counters["F"] = res.F;
    state.counters["F_opt"] = fOpt;
    state.counters["F-F_opt"] = res.F - fOpt;
    state.counters["maxdev_C"] = res.MaxDeviation;
    Label(state, c);
    if (res.F - fOpt > 1e-6) state.SkipWithError("search ended more than 1e-6 C^2 above the optimum");
}

// The plain method: every trial sums every row and divides per row.
void BM_Plain(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    const SensorTable& table = Table(c.sensor);
    rangeref::ReferenceFitOut out;
    for (auto _ : state) {
        out = rangeref::ReferenceFit(table, c.tn, c.tk);
        benchmark::DoNotOptimize(out);
    }
    state.counters["evals"] = static_cast<double>(out.Evaluations);
    Label(state, c);
}

constexpr int kCount = sizeof kCases / sizeof kCases[0];

}  // namespace

BENCHMARK(BM_Calculate)->DenseRange(0, kCount - 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Plain)->DenseRange(0, kCount - 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
