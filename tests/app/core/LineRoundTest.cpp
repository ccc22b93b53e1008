// The line overview's round, row texts, CSV and backup against simulated
// transmitters in virtual time.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "PortNames.h"
#include "LineBackup.h"
#include "LineRound.h"
#include "SavedSet.h"
#include "ScriptedMessages.h"
#include "SimComPort.h"

namespace tservice {
namespace {

struct LineFixture : ::testing::Test {
    LineFixture() : port(line, clock), link(port, clock, messages) {
        sim::Line::AddDemoDevices(line);
        for (sim::Transmitter* t : line.Devices()) t->drift = 0;
        link.PortName = testing::kSerialName;
        EXPECT_EQ(link.OpenPort(), 0);
    }
    std::vector<FoundDevice> Demo() const { return {{1, 100}, {2, 101}, {3, 102}, {4, 103}}; }
    LineRound MakeRound(const std::vector<FoundDevice>& found) {
        return LineRound(found, [this] { return clock.NowMs(); });
    }
    void RunRounds(LineRound& round, int rounds) {
        const int target = round.Rounds() + rounds;
        while (round.Rounds() < target) round.Step(link);
    }
    std::vector<int> Commands() const {
        std::vector<int> out;
        for (const auto& r : port.requests) out.push_back(r.size() > 1 ? r[1] : -1);
        return out;
    }
    sim::Line line;
    VirtualClock clock{36'000'000};  // 10:00:00
    sim::SimComPort port;
    testing::ScriptedMessages messages;
    TComPortClass link;
};

TEST_F(LineFixture, FirstRoundReadsEachDeviceWholeThenOnlyItsMeasurement) {
    LineRound round = MakeRound(Demo());
    RunRounds(round, 1);
    EXPECT_EQ(Commands(), (std::vector<int>{0x11, 0x44, 0x47, 0x11, 0x44, 0x47, 0x11, 0x44, 0x47, 0x11, 0x44, 0x47}));
    port.requests.clear();
    line.Find(3)->rez = 1000;
    RunRounds(round, 2);
    EXPECT_EQ(Commands(), std::vector<int>(8, 0x47));
    EXPECT_EQ(round.Devices()[2].image.GetRez(), 1000);
    EXPECT_EQ(link.GetPovt1(), 5);
    EXPECT_TRUE(messages.boxes.empty());
    for (sim::Transmitter* t : line.Devices()) EXPECT_EQ(t->writes, 0);
}

TEST_F(LineFixture, RowsShowTheDecodedSettingsOfEachModel) {
    LineRound round = MakeRound(Demo());
    RunRounds(round, 1);
    const std::vector<std::vector<std::string>> want{
        {"1", "ЛАДР  731590.003  ПО.V5  0x5A17C3E9", "корневой", "", "20,00 %", "80,00 %", "10,400 мА", "Норма", "привилегированный", "есть",
         "10:00:00"},
        {"2", "ТЕВ-ТС МЕ  618204.002  ПО.V5  0x7C20F4A5", "Pt100", "-50…100 °C", "-20 °C", "69,99 °C", "9,99 °C", "Норма", "привилегированный", "есть",
         "10:00:00"},
        {"3", "ТЕВ-ТП МЕ  618214.003  ПО.V4  0x93E6B1D0", "XA(K)", "0…200 °C", "40 °C", "159,98 °C", "79,99 °C", "Норма", "привилегированный", "есть",
         "10:00:00"},
        {"4", "ОСКИ  731590.005  ПО.V2  0x1D4B8E62", "", "", "", "", "10,400 мА", "Норма", "привилегированный", "есть", "10:00:00"},
    };
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(LineRowTexts(round.Devices()[i]), want[i]) << i;
}

TEST_F(LineFixture, ASilentDeviceIsMarkedWhileTheOthersKeepUpdating) {
    LineRound round = MakeRound(Demo());
    RunRounds(round, 1);
    const std::int64_t before = round.Devices()[0].lastGoodMs;
    line.Find(2)->faults.silent = true;
    RunRounds(round, 2);
    const auto& d = round.Devices();
    EXPECT_TRUE(d[1].silent);
    EXPECT_EQ(LineRowTexts(d[1])[9], "нет ответа");
    EXPECT_EQ(LineRowTexts(d[1])[2], "Pt100");  // the last reading stays shown
    for (int i : {0, 2, 3}) {
        EXPECT_FALSE(d[i].silent);
        EXPECT_GT(d[i].lastGoodMs, before);
    }
    EXPECT_LT(d[1].lastGoodMs, d[0].lastGoodMs);
    EXPECT_EQ(link.GetPovt1(), 5);
    // An exception answer is an answer: shown by its text, not as silence.
    line.Find(2)->faults.silent = false;
    for (const auto& [code, text] : {std::pair{6, "Идет запись базы данных. Ждите."}, std::pair{2, "ошибка обмена 02"}}) {
        line.Find(2)->faults.exceptionCode = code;
        RunRounds(round, 1);
        EXPECT_EQ(LineRowTexts(d[1])[9], text);
    }
    line.Find(2)->faults.exceptionCode = -1;
    RunRounds(round, 1);
    EXPECT_FALSE(d[1].silent);
}

TEST_F(LineFixture, AStoredNumberOtherThanTheAnsweringOneIsRefusedInRoundAndBackup) {
    line.Find(2)->block[11] = 3;  // stores number 4, where the ОСКИ answers
    LineRound round = MakeRound(Demo());
    RunRounds(round, 1);
    EXPECT_EQ(LineRowTexts(round.Devices()[1])[9].rfind("устройство 2 хранит номер 4: ", 0), 0u);
    QTemporaryDir dir;
    const std::vector<BackupEntry> saved = BackupLine(link, Demo(), dir.path().toStdString());
    EXPECT_TRUE(saved[1].file.empty());
    EXPECT_EQ(saved[1].error.rfind("устройство 2 хранит номер 4: ", 0), 0u) << saved[1].error;
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);
}

TEST_F(LineFixture, RefusedReadingsArePassedOverAndTheClosedLineIsALineFailure) {
    line.Add(5, 104, 1).drift = 0;
    LineRound round = MakeRound({{4, 103}, {5, 104}});
    RunRounds(round, 2);
    EXPECT_EQ(LineRowTexts(round.Devices()[1])[9], "устройство 5 - не ТЕВ, не ЛАДР и не ОСКИ");
    EXPECT_EQ(LineRowTexts(round.Devices()[1])[1], "");
    int toFive = 0;
    for (const auto& r : port.requests) toFive += r[0] == 5;
    EXPECT_EQ(toFive, 3);  // one reading, never again
    link.ClosePort();
    const RoundStep step = round.Step(link);
    EXPECT_EQ(step.code, kPortClosed);
    EXPECT_TRUE(LineRound::LineFailure(step.code));
    for (int code : {0, 130, 131, 6}) EXPECT_FALSE(LineRound::LineFailure(code)) << code;
    for (int code : {132, 135}) EXPECT_TRUE(LineRound::LineFailure(code)) << code;
    EXPECT_EQ(MakeRound({}).Step(link).device, -1);
}

TEST(LineTexts, CsvQuotesOnlyWhatNeedsItAndTimesAreWholeSeconds) {
    const std::string csv = LineCsv({{"1", "a;b", "say \"x\"", "two\nlines"}});
    const std::string body = csv.substr(csv.find("\r\n") + 2);
    EXPECT_EQ(body, "1;\"a;b\";\"say \"\"x\"\"\";\"two\nlines\"\r\n");
    EXPECT_EQ(csv.substr(0, csv.find(';')), "№");
    LineDevice never;
    never.number = 9;
    EXPECT_EQ(LineRowTexts(never)[10], "");
    never.lastGoodMs = 3'723'999;
    EXPECT_EQ(LineRowTexts(never)[10], "01:02:03");
}

TEST_F(LineFixture, BackupSavesEveryAnsweringDeviceAndNamesTheFailures) {
    QTemporaryDir dir;
    line.Find(4)->faults.silent = true;
    const std::vector<BackupEntry> e = BackupLine(link, Demo(), dir.path().toStdString());
    ASSERT_EQ(e.size(), 4u);
    const std::vector<std::string> names{"01_ЛАДР.json", "02_ТЕВ-ТС.json", "03_ТЕВ-ТП.json"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(e[i].file, dir.path().toStdString() + "/" + names[i]);
        SavedSet saved;
        std::string error;
        ASSERT_TRUE(LoadSavedSet(e[i].file, saved, error)) << error;
        const auto& block = line.Find(static_cast<int>(i) + 1)->block;
        std::vector<std::uint8_t> want(block.begin(), block.end());
        want[4] &= 0x0F;  // correction code 0 in place of the privilege bit
        EXPECT_EQ(saved.raw, want) << i;
    }
    EXPECT_TRUE(e[3].file.empty());
    EXPECT_EQ(BackupFileName(7, 104), "07_104.json");
    const std::string summary = BackupSummary(e);
    EXPECT_NE(summary.find(std::string("устройство 4: устройство 4 ") + testing::kSerialName + " не отвечает на запрос\n"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("сохранено 3 из 4"), std::string::npos);
}

}  // namespace
}  // namespace tservice
