// The non-standard range calculation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "Fit.h"
#include "ReferenceFit.h"

namespace tservice {
namespace {

using rangeref::LeastSquaresOptimum;
using rangeref::ReferenceFit;

std::unique_ptr<SensorTable> Shipped(const char* sensor) {
    auto table = std::make_unique<SensorTable>();
    const std::string dirs[] = {TSERVICE_TABLES_DIR};
    std::string error;
    EXPECT_TRUE(LoadTable(TableFileName(sensor), *table, error, dirs)) << sensor << error;
    return table;
}

// Rows first..last in `step` °C with signal f(t); stale rows beyond are NaN.
std::unique_ptr<SensorTable> Make(double first, double last, double step,
                                  const std::function<double(double)>& f) {
    auto table = std::make_unique<SensorTable>();
    for (double& v : table->TabT) v = std::numeric_limits<double>::quiet_NaN();
    for (double& v : table->TabX) v = std::numeric_limits<double>::quiet_NaN();
    int n = 0;
    for (double t = first; t <= last; t += step, ++n) {
        table->TabT[n] = t;
        table->TabX[n] = f(t);
    }
    table->TabCount = n;
    return table;
}

double Pt100(double t) { return 100 * (1 + 3.9083e-3 * t - 5.775e-7 * t * t); }

// A few standard ranges of the platinum sensors, as the range tables hold them.
constexpr RangeLimits kStandard[] = {{-200, -150}, {-50, 100}, {0, 600}, {-30, 20}, {-50, 0}};
constexpr int kStandardCount = sizeof kStandard / sizeof kStandard[0];

TEST(RangeRefusals, ComeInTheirOrderWithTheirTexts) {
    auto pt = Shipped("Pt100");
    auto empty = std::make_unique<SensorTable>();
    struct Row {
        const char* sensor;
        double tn, tk;
        const SensorTable* table;
        const char* refusal;  // nullptr: accepted
    } rows[] = {
        {"Pt100", 0, 0, empty.get(), kRefuseNoRange},  // "00"/"00", even without rows
        {"Pt100", 0, 0, pt.get(), kRefuseNoRange},
        {"Pt100", 100, 50, pt.get(), kRefuseBadRange},
        {"Pt100", -50, -30, pt.get(), nullptr},  // span = minimum
        {"Pt100", -50, -31, pt.get(), kRefuseNarrow},
        {"50П", -50, -30, pt.get(), kRefuseNarrow},
        {"50П", -50, -10, pt.get(), nullptr},
        {"50M", -50, -11, pt.get(), kRefuseNarrow},
        {"XA(K)", 0, 29, pt.get(), kRefuseNarrow},
        {"Pt100", 0, 600, pt.get(), kRefuseStandard},
        {"Pt100", 0, 601, pt.get(), nullptr},
        {"Pt100", -200, -150, pt.get(), kRefuseStandard},
        {"Pt100", -200, -149, pt.get(), nullptr},  // first table row
        {"Pt100", -201, -100, pt.get(), kRefuseBadRange},
        {"Pt100", 700, 850, pt.get(), nullptr},  // last table row
        {"Pt100", 700, 851, pt.get(), kRefuseBadRange},
        {"Pt100", -300, -250, pt.get(), kRefuseBadRange},
        {"Pt100", -300, -290, pt.get(), kRefuseNarrow},  // the span is checked first
        {"Pt100", 10.5, 60, pt.get(), kRefuseBadRange},  // between two rows
        {"Pt100", 10, 60.25, pt.get(), kRefuseBadRange},
        {"Pt100", 10, 60, empty.get(), kRefuseBadRange},
        {"MK(T)", 10, 60, pt.get(), kRefuseBadRange},  // no non-standard range
        {"Pt100", std::nan(""), 60, pt.get(), kRefuseBadRange},
    };
    for (const Row& row : rows) {
        RangeFitResult res = CalculateRange(row.tn, row.tk, row.sensor, *row.table, kStandard,
                                            kStandardCount);
        if (row.refusal == nullptr) {
            EXPECT_TRUE(res.ok) << row.sensor << " " << row.tn << ".." << row.tk << ": " << res.refusal;
            EXPECT_STREQ(res.refusal, "");
        } else {
            EXPECT_FALSE(res.ok) << row.sensor << " " << row.tn << ".." << row.tk;
            EXPECT_STREQ(res.refusal, row.refusal) << row.sensor << " " << row.tn << ".." << row.tk;
        }
    }
}

TEST(RangeRefusals, ExactTextsOfTheOperatorMessages) {
    EXPECT_STREQ(kRefuseNoRange, "не выбран диапазон\n расчет не произведен");
    EXPECT_STREQ(kRefuseBadRange, "ошибка выбора диапазона\n расчет не произведен");
    EXPECT_STREQ(kRefuseNarrow, "недопустимо узкий диапазон\n расчет не произведен");
    EXPECT_STREQ(kRefuseStandard, "выбран стандарт. диапазон \n расчет не произведен");
}

TEST(RangeRefusals, UnusableTablesAreRefused) {
    auto threeRows = Make(0, 200, 100, [](double t) { return t; });
    auto flat = Make(0, 100, 1, [](double t) { return t < 50 ? t : 50.0; });
    auto falling = Make(0, 100, 1, [](double t) { return -t; });
    auto repeated = Make(0, 100, 1, [](double t) { return t; });
    repeated->TabT[70] = 69;  // a temperature twice
    for (const SensorTable* table : {threeRows.get(), flat.get(), falling.get(), repeated.get()}) {
        RangeFitResult res = CalculateRange(0, 100, "Pt100", *table, nullptr, 0);
        EXPECT_FALSE(res.ok);
        EXPECT_STREQ(res.refusal, kRefuseTable);
    }
}

TEST(RangeFit, LinearTableGivesTheNodeCodes) {
    auto table = Make(-100, 400, 1, [](double t) { return 0.04 * t; });
    RangeFitResult res = CalculateRange(-20, 300, "XK(L)", *table, nullptr, 0);
    ASSERT_TRUE(res.ok) << res.refusal;
    const int want[8] = {512, 1024, 2048, 3072, 4096, 5120, 6144, 7168};
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(res.Codes[k], want[k]);
        EXPECT_EQ(std::string(res.CodeText[k]), std::to_string(want[k]));
        EXPECT_NEAR(res.YKod[k], want[k], 1e-6);
    }
    EXPECT_LT(res.MaxDeviation, 0.05);  // only the rounding of the codes
}

TEST(RangeFit, ScalingTheSignalChangesNoCode) {
    auto pt = Shipped("Pt100");
    auto scaled = std::make_unique<SensorTable>(*pt);
    for (int i = 0; i < scaled->TabCount; ++i) scaled->TabX[i] *= 0.37;  // 100 -> 37 ohm
    for (auto [tn, tk] : {std::pair{-50.0, 30.0}, {-200.0, 850.0}, {100.0, 400.0}}) {
        RangeFitResult a = CalculateRange(tn, tk, "Pt100", *pt, nullptr, 0);
        RangeFitResult b = CalculateRange(tn, tk, "Pt100", *scaled, nullptr, 0);
        ASSERT_TRUE(a.ok && b.ok);
        for (int k = 0; k < 8; ++k) EXPECT_EQ(a.Codes[k], b.Codes[k]) << tn << ".." << tk << " k=" << k;
    }
}

TEST(RangeFit, FiftyAndHundredShareTheCodes) {
    auto p = Shipped("100П");
    RangeFitResult hundred = CalculateRange(-100, 100, "100П", *p, nullptr, 0);
    RangeFitResult fifty = CalculateRange(-100, 100, "50П", *p, nullptr, 0);
    ASSERT_TRUE(hundred.ok && fifty.ok);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(std::memcmp(&hundred.YKod[k], &fifty.YKod[k], sizeof(double)), 0);
}

TEST(RangeFit, CodesOfARealSensorAreSoundAndClose) {
    auto pt = Shipped("Pt100");
    RangeFitResult res = CalculateRange(0, 600, "Pt100", *pt, nullptr, 0);
    ASSERT_TRUE(res.ok);
    // Platinum's resistance bends downward, so temperature over signal bends
    // upward: each node lies below the straight line, the codes below the
    // node signal codes, still rising.
    for (int k = 0; k < 8; ++k) {
        EXPECT_LT(res.Codes[k], kNodeCode[k]);
        if (k > 0) {
            EXPECT_GT(res.Codes[k], res.Codes[k - 1]);
        }
    }
    EXPECT_LE(res.F, res.FStart);
    EXPECT_LT(res.MaxDeviation, 0.5);
    EXPECT_GE(res.MaxDeviationAt, 0.0);
    EXPECT_LE(res.MaxDeviationAt, 600.0);
}

// The faster error evaluation must walk exactly the plain method's path.
TEST(RangeFit, SameBitsAsThePlainMethod) {
    struct Row {
        const char* sensor;
        double tn, tk;
    } rows[] = {
        {"Pt100", -50, 30},  {"Pt100", -200, 850}, {"XA(K)", 0, 1001},  {"XA(K)", -270, -240},
        {"XK(L)", -50, 601}, {"XK(E)", -270, 1000}, {"ЖК(J)", 1000, 1200}, {"100M", -180, 200},
        {"Ni", -60, 180},    {"100П", -100, 101},
    };
    for (const Row& row : rows) {
        auto table = Shipped(row.sensor);
        RangeFitResult res = CalculateRange(row.tn, row.tk, row.sensor, *table, nullptr, 0);
        ASSERT_TRUE(res.ok) << row.sensor << " " << res.refusal;
        rangeref::ReferenceFitOut ref = ReferenceFit(*table, row.tn, row.tk);
        EXPECT_EQ(res.Evaluations, ref.Evaluations) << row.sensor;
        EXPECT_EQ(std::memcmp(&res.F, &ref.F, sizeof(double)), 0) << row.sensor << res.F << " " << ref.F;
        EXPECT_EQ(std::memcmp(res.NodeX, ref.NodeX, sizeof res.NodeX), 0) << row.sensor;
        EXPECT_EQ(std::memcmp(res.NodeT, ref.NodeT, sizeof res.NodeT), 0) << row.sensor;
        EXPECT_EQ(std::memcmp(res.YKod, ref.YKod, sizeof res.YKod), 0) << row.sensor;
    }
}

TEST(RangeFit, SearchEndsAtTheLeastSquaresOptimum) {
    struct Row {
        const char* sensor;
        double tn, tk;
    } rows[] = {{"Pt100", 0, 601}, {"XA(K)", 0, 1001}, {"XK(L)", -50, 601}, {"100M", -180, 199}};
    for (const Row& row : rows) {
        auto table = Shipped(row.sensor);
        RangeFitResult res = CalculateRange(row.tn, row.tk, row.sensor, *table, nullptr, 0);
        ASSERT_TRUE(res.ok);
        double best[10];
        const double fOpt = LeastSquaresOptimum(*table, row.tn, row.tk, best);
        EXPECT_LE(res.F - fOpt, 1e-6) << row.sensor << " F=" << res.F << " optimum=" << fOpt;
        for (int r = 1; r <= 8; ++r) EXPECT_NEAR(res.NodeT[r], best[r], 1e-3) << row.sensor << r;
    }
}

// Coarse rows near the end of the table: segments without rows push the walk
// to the last row, never past it (the rows beyond hold NaN).
TEST(RangeFit, WalkStaysInsideACoarseTable) {
    auto table = Make(0, 200, 10, [](double t) { return t + 1e-3 * t * t; });
    for (auto [tn, tk] : {std::pair{100.0, 200.0}, {150.0, 200.0}, {0.0, 30.0}, {170.0, 200.0}}) {
        RangeFitResult res = CalculateRange(tn, tk, "Pt100", *table, nullptr, 0);
        ASSERT_TRUE(res.ok) << tn << ".." << tk << res.refusal;
        EXPECT_TRUE(std::isfinite(res.F)) << tn << ".." << tk;
        for (int k = 0; k < 8; ++k) EXPECT_TRUE(std::isfinite(res.YKod[k])) << tn << ".." << tk;
        rangeref::ReferenceFitOut ref = ReferenceFit(*table, tn, tk);
        EXPECT_EQ(std::memcmp(res.YKod, ref.YKod, sizeof res.YKod), 0) << tn << ".." << tk;
    }
}

TEST(RangeFit, StencilStaysInsideAtTheTableEnds) {
    // Limits on the first and last rows of a short table: the nodes next to
    // the ends take their four rows from inside the table.
    auto table = Make(0, 40, 1, Pt100);
    RangeFitResult res = CalculateRange(0, 40, "Pt100", *table, nullptr, 0);
    ASSERT_TRUE(res.ok);
    for (int k = 0; k < 8; ++k) EXPECT_NEAR(res.Codes[k], kNodeCode[k], 30) << k;
    EXPECT_LT(res.MaxDeviation, 0.05);
}

}  // namespace
}  // namespace tservice
