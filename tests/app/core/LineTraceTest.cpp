// The line watched through the link on simulated transmitters: one record per
// exchange with its tries, pauses and result, decoded in words.
#include <gtest/gtest.h>

#include "PortNames.h"
#include "LineDecode.h"
#include "ScriptedMessages.h"
#include "SimComPort.h"
#include "Workflow.h"

namespace tservice {
namespace {

struct LineTraceTest : ::testing::Test {
    LineTraceTest() : port(line, clock), traced(port, clock), link(traced, clock, messages) {
        sim::Line::AddDemoDevices(line);
        link.PortName = testing::kSerialName;
        EXPECT_EQ(link.OpenPort(), 0);
        traced.SetObserver(&recorder);
        link.SetObserver(&recorder);
    }
    std::vector<std::string> Summaries() {
        std::vector<std::string> out;
        for (const auto& r : records) out.push_back(decoder.Exchange(r).summary);
        return out;
    }
    sim::Line line;
    VirtualClock clock{1000};
    sim::SimComPort port;
    TracingPort traced;
    testing::ScriptedMessages messages;
    TComPortClass link;
    std::vector<ExchangeRecord> records;
    ExchangeRecorder recorder{[this](const ExchangeRecord& r) { records.push_back(r); }};
    LineDecoder decoder;
    DeviceImage image;
};

TEST_F(LineTraceTest, ReadingOfEachDemoTransmitterIsThreeDecodedExchanges) {
    const struct { int nu; const char* model; const char* meas; } cases[] = {
        {0, "ЛАДР, версия 5", "мА"}, {1, "ТЕВ-ТС, версия 5", "°C"},
        {2, "ТЕВ-ТП, версия 4", "Тхс"}, {3, "ОСКИ, версия 2", "мА"}};
    for (const auto& c : cases) {
        records.clear();
        int nuCur = c.nu;
        ASSERT_EQ(ReadTransmitter(link, image, nuCur).stage, ReadStage::Done) << c.model;
        const auto s = Summaries();
        ASSERT_GE(s.size(), 3u) << c.model;
        EXPECT_EQ(s[0], std::string("идентификация: ") + c.model + ", код коррекции 0, CRC верна");
        EXPECT_NE(s[1].find("чтение блока параметров: блок "), std::string::npos) << s[1];
        EXPECT_NE(s[2].find(c.meas), std::string::npos) << s[2];
        EXPECT_NE(s[2].find("CRC верна"), std::string::npos) << s[2];
    }
}

TEST_F(LineTraceTest, SilentDeviceShowsFiveTriesWithTheirTiming) {
    int nuCur = 9;
    EXPECT_EQ(ReadTransmitter(link, image, nuCur).code, kNoAnswer);
    ASSERT_EQ(records.size(), 1u);
    const ExchangeRecord& r = records[0];
    EXPECT_EQ(r.result, kNoAnswer);
    ASSERT_EQ(r.tries.size(), 5u);
    for (const TraceTry& t : r.tries) {
        EXPECT_EQ(t.stage, 1);
        EXPECT_EQ(t.waitedMs, 1300);
        EXPECT_EQ(t.pauseMs, 300);
        EXPECT_TRUE(t.answer.empty());
    }
    EXPECT_EQ(r.tries[1].sentMs - r.tries[0].sentMs, 25 + 1300 + 300);
    const FrameText f = decoder.Exchange(r);
    EXPECT_EQ(f.summary, "идентификация, 5 попыток: нет ответа (ждали 1300 мс)");
    EXPECT_EQ(f.details.back(), "результат: 130 не отвечает на запрос");
}

TEST_F(LineTraceTest, WriteShowsBlockPauseAndConfirmation) {
    int nuCur = 1;
    ASSERT_EQ(ReadTransmitter(link, image, nuCur).stage, ReadStage::Done);
    image.Vvod = 1;
    records.clear();
    ASSERT_EQ(WriteTransmitter(link, image, image, nuCur, nuCur).stage, WriteStage::Done);
    const auto s = Summaries();
    ASSERT_GE(s.size(), 3u);
    EXPECT_EQ(s[0].rfind("идентификация: ТЕВ-ТС", 0), 0u) << s[0];
    EXPECT_EQ(s[1].rfind("запись блока параметров, после паузы 50 мс: блок ", 0), 0u) << s[1];
    EXPECT_EQ(s[2], "подтверждение записи, после паузы 300 мс: подтверждено, CRC верна");
}

TEST_F(LineTraceTest, NoObserverRecordsNothing) {
    traced.SetObserver(nullptr);
    link.SetObserver(nullptr);
    int nuCur = 0;
    ASSERT_EQ(ReadTransmitter(link, image, nuCur).stage, ReadStage::Done);
    EXPECT_TRUE(records.empty());
}

}  // namespace
}  // namespace tservice
