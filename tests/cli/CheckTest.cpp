// The calibration check in virtual time against a simulated ТЕВ-ТС whose
// input is set to known offsets from the reference; the record's reader and
// the choice of checks for the certificate.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>

#include <QJsonArray>
#include <QJsonDocument>

#include "Args.h"
#include "Check.h"
#include "CheckCommand.h"
#include "ExitCodes.h"
#include "ScriptedMessages.h"
#include "SimComPort.h"

using namespace tservice;

namespace {

// Operator lines; before each is read, the calibrator is set (the action).
class Operator : public std::streambuf {
public:
    void Add(std::string line, std::function<void()> apply = {}) { lines_.push_back({line + "\n", std::move(apply)}); }

protected:
    int_type underflow() override {
        if (next_ >= lines_.size()) return traits_type::eof();
        auto& [text, apply] = lines_[next_++];
        if (apply) apply();
        setg(text.data(), text.data(), text.data() + text.size());
        return traits_type::to_int_type(text[0]);
    }

private:
    std::vector<std::pair<std::string, std::function<void()>>> lines_;
    std::size_t next_ = 0;
};

struct CheckFixture : ::testing::Test {
    CheckFixture() : port(line, clock), link(port, clock, messages) {
        sim::Line::AddDemoDevices(line);  // ТЕВ-ТС v5 at 2: Pt100, -50…100 °C
        line.Find(2)->drift = 0;          // the input holds still: errors to the code step
        link.PortName = "ttyS0";
        EXPECT_EQ(link.OpenPort(), 0);
        options = cli::ParseArgs({"check", "--port", "ttyS0", "--device", "2", "--tolerance", "0.25%"});
    }
    // The calibrator gives `applied` °C at the ТЕВ-ТС's input.
    std::function<void()> Apply(double applied) {
        return [this, applied] { line.Find(2)->SetInputPercent((applied + 50.0) / 150.0 * 100.0); };
    }
    int Run(std::istream& in) { return cli::RunCheck(link, clock, messages, options, in, prompts, record, image); }
    sim::Line line;
    VirtualClock clock{1000};
    sim::SimComPort port;
    tservice::testing::ScriptedMessages messages;
    TComPortClass link;
    cli::Options options;
    std::ostringstream prompts;
    CheckRecord record;
    DeviceImage image;
};

TEST_F(CheckFixture, ErrorsFollowTheInputOffsetsWithinACodeStep) {
    // nominal °C, what the operator says was applied ("" = nominal), the input's offset from it
    const struct { double nominal; const char* said; double reference, offset; bool pass; } points[] = {
        {-50, "", -50, 0.1, true},       {-12.5, "-12.4", -12.4, -0.3, true}, {25, "", 25, 0.35, true},
        {62.5, "62,6", 62.6, 0.45, false}, {100, "", 100, -0.2, true},
    };
    Operator op;
    for (const auto& p : points) op.Add(p.said, Apply(p.reference + p.offset));
    std::istream in(&op);
    EXPECT_EQ(Run(in), cli::kExitCheckFailed);
    ASSERT_EQ(record.points.size(), 5u);
    const double step = 150.0 / 8191;
    for (std::size_t i = 0; i < 5; ++i) {
        const CheckPoint& p = record.points[i];
        EXPECT_DOUBLE_EQ(p.nominal, points[i].nominal);
        EXPECT_DOUBLE_EQ(p.reference, points[i].reference);
        EXPECT_NEAR(p.error, points[i].offset, step) << i;
        EXPECT_DOUBLE_EQ(p.permitted, 0.375);
        EXPECT_EQ(p.pass, points[i].pass) << i;
        EXPECT_EQ(p.readings, 5);
    }
    EXPECT_FALSE(record.Pass());
    EXPECT_NE(prompts.str().find("Точка 1 из 5: подайте -50 °C (0 % диапазона)"), std::string::npos);
    EXPECT_NE(prompts.str().find("Точка 4 из 5: подайте 62,5 °C"), std::string::npos);
    for (const auto& r : port.requests) EXPECT_NE(r[1], 0x45);  // nothing written
}

TEST_F(CheckFixture, AllPointsWithinToleranceExitZeroAndABadLineIsAskedAgain) {
    options.points = {50};
    Operator op;
    op.Add("двадцать");
    op.Add("25.1", Apply(25.2));
    std::istream in(&op);
    EXPECT_EQ(Run(in), cli::kExitOk);
    ASSERT_EQ(record.points.size(), 1u);
    EXPECT_NEAR(record.points[0].error, 0.1, 150.0 / 8191);
    ASSERT_EQ(messages.plains.size(), 1u);
    EXPECT_NE(messages.plains[0].find("Ошибка ввода"), std::string::npos);
}

TEST_F(CheckFixture, UnstableValueFailedReadingOrEndOfInputRecordNoPoint) {
    struct Case { const char* name; std::function<void(sim::Transmitter&)> fault; int exit; const char* text; };
    const Case cases[] = {
        {"unstable", [](sim::Transmitter& t) { t.drift = 400; }, cli::kExitRefused, "значение не установилось за 60 с"},
        {"silent", [](sim::Transmitter& t) { t.faults.silent = true; }, cli::kExitLine, "(код 130); точка не записана"},
        {"eof", nullptr, cli::kExitRefused, "ввод закончился"},
    };
    for (const Case& c : cases) {
        messages.Reset();
        record = {};
        line.Find(2)->drift = 0;
        line.Find(2)->faults = {};
        Operator op;
        op.Add("", Apply(0));
        if (c.fault) op.Add("", [this, &c] { c.fault(*line.Find(2)); });
        std::istream in(&op);
        const std::int64_t start = clock.NowMs();
        EXPECT_EQ(Run(in), c.exit) << c.name;
        EXPECT_EQ(record.points.size(), 1u) << c.name;  // the first point only
        ASSERT_EQ(messages.boxes.size(), 1u) << c.name;
        EXPECT_NE(messages.boxes[0].text.find(c.text), std::string::npos) << messages.boxes[0].text;
        EXPECT_LT(clock.NowMs() - start, 70000) << c.name;  // the time limit holds
    }
}

TEST(CheckParse, ToleranceAndPointsAndNumbers) {
    const struct { const char* text; bool ok; double value; bool ofSpan; } tolerances[] = {
        {"0.5", true, 0.5, false}, {"0,25%", true, 0.25, true}, {" 1 ", true, 1, false}, {"0", false, 0, false},
        {"-1", false, 0, false},   {"%", false, 0, false},      {"101%", false, 0, false}, {"1e400", false, 0, false},
        {"0.5%%", false, 0, false}, {"nan", false, 0, false},
    };
    for (const auto& t : tolerances) {
        Tolerance tol;
        EXPECT_EQ(ParseTolerance(t.text, tol), t.ok) << t.text;
        if (t.ok) {
            EXPECT_EQ(tol.value, t.value) << t.text;
            EXPECT_EQ(tol.ofSpan, t.ofSpan) << t.text;
        }
    }
    std::vector<double> points;
    EXPECT_TRUE(ParsePoints("0,12.5,100", points));
    EXPECT_EQ(points, (std::vector<double>{0, 12.5, 100}));
    for (const char* bad : {"", "0,,50", "101", "-1", "a", "0;50", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21"})
        EXPECT_FALSE(ParsePoints(bad, points)) << bad;
    EXPECT_THROW(cli::ParseArgs({"check", "--port", "p", "--tolerance", "x"}), cli::UsageError);
    EXPECT_THROW(cli::ParseArgs({"check", "--port", "p"}), cli::UsageError);
    EXPECT_THROW(cli::ParseArgs({"check", "--port", "p", "--tolerance", "1", "--stage", "after"}), cli::UsageError);
}

CheckRecord Sample(CheckStage stage, bool pass) {
    CheckRecord r;
    r.time = QDateTime::fromString("2026-12-08T10:00:00.000+03:00", Qt::ISODateWithMs);
    r.device = 2;
    r.model = 101;
    r.stage = stage;
    r.scale = {"°C", -50, 100};
    r.tolerance = {0.25, true};
    r.conditions = {{{"Калибратор", "123", "С-1", "2027-01-01"}}, "21", "45", "Иванов"};
    CheckPoint p;
    p.reference = p.nominal = 25;
    p.measured = pass ? 25.1 : 26;
    p.hasOutput = true;
    p.outputMa = 12.01;
    JudgePoint(p, r.tolerance, r.scale);
    r.points = {p};
    return r;
}

TEST(CheckRecordJson, RoundTripsAndRefusesDamagedRecords) {
    const CheckRecord r = Sample(CheckStage::Left, true);
    CheckRecord back;
    ASSERT_TRUE(CheckFromJson(CheckToJson(r), back));
    EXPECT_EQ(CheckToJson(back), CheckToJson(r));
    EXPECT_NEAR(back.points[0].outputExpected, 12.0, 1e-9);
    EXPECT_TRUE(back.points[0].outputPass);  // 0.01 mA of 0.06 permitted
    const std::function<void(QJsonObject&)> damage[] = {
        [](QJsonObject& o) { o.remove("points"); },
        [](QJsonObject& o) { o["stage"] = "later"; },
        [](QJsonObject& o) { o["device"] = 33; },
        [](QJsonObject& o) { o["rangeFrom"] = "x"; },
        [](QJsonObject& o) { o["tolerance"] = QJsonObject{{"value", -1}}; },
        [](QJsonObject& o) { o["points"] = QJsonArray{1, 2}; },
        [](QJsonObject& o) { o["points"] = QJsonArray{QJsonObject{{"percent", 1e300}}}; },
        [](QJsonObject& o) { o["conditions"] = QJsonObject{{"instruments", 5}}; },
    };
    for (const auto& d : damage) {
        QJsonObject o = CheckToJson(r);
        d(o);
        EXPECT_FALSE(CheckFromJson(o, back)) << QJsonDocument(o).toJson().toStdString();
    }
}

TEST(CertificateChecks, LatestFoundBeforeLatestLeftWithTheAdjustmentsBetween) {
    DeviceImage image;
    auto check = [&](CheckStage s, bool pass) { return MakeCheckJournalEntry(Sample(s, pass), image); };
    JournalEntry calibration, setting;
    calibration.changes = {{"KBegSk", "KBegSk", "1180", "1200"}};
    setting.changes = {{"TipSign", "сигнализация", "LH", "HH"}};
    const std::vector<JournalEntry> journal{check(CheckStage::Left, true), check(CheckStage::Found, true),
                                            check(CheckStage::Found, false), calibration, setting,
                                            check(CheckStage::Left, true)};
    const CertificateChecks c = FindCertificateChecks(journal);
    ASSERT_TRUE(c.hasFound && c.hasLeft);
    EXPECT_FALSE(c.found.Pass());  // the latest as found, not the earlier one
    ASSERT_EQ(c.adjustments.size(), 1u);
    EXPECT_EQ(c.adjustments[0].changes[0].field, "KBegSk");
    EXPECT_FALSE(FindCertificateChecks({check(CheckStage::Left, true)}).hasFound);
}

}  // namespace
