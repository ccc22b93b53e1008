// The window and tservicectl's reading apply the one acceptance rule, and the
// window the one block check: the same text from each, nothing written when
// refused. Every case of the rules themselves is in the core's tests.
#include "GuiFixture.h"
#include "Rules.h"
#include "Session.h"

namespace tservice::testing {
namespace {

class SameVerdict : public GuiTest {};

TEST_F(SameVerdict, WindowAndCommandLineRefuseAReadingAlike) {
    const std::pair<bool, std::function<void(sim::Transmitter&)>> cases[] = {
        {true, [](sim::Transmitter&) {}},
        {false, [](sim::Transmitter& t) { t.block[9] = 6; }},  // sensor type past its list
        {false, [](sim::Transmitter& t) { t.blockLen = 41; }},
        {false, [](sim::Transmitter& t) { t.block[11] = 40; }},
        {false, [](sim::Transmitter& t) { t.model = 104; }},
    };
    OpenPort();
    for (const auto& [accepted, change] : cases) {
        line = sim::Line();
        sim::Transmitter& t = AddDevice(2, kTevTs, 5);
        change(t);
        messages.Reset();
        form->Image.Tip = 0;
        Read(2);
        EXPECT_EQ(form->Image.Vvod == 1, accepted);
        const std::string windowText = messages.boxes.empty() ? "" : messages.boxes.back().text;

        messages.Reset();
        DeviceImage image;
        int nuCur = 1;
        EXPECT_EQ(cli::ReadChecked(form->Link, messages, image, nuCur), accepted) << windowText;
        EXPECT_EQ(messages.boxes.empty() ? "" : messages.boxes.back().text, windowText);
        EXPECT_EQ(t.writes, 0);
    }
}

TEST_F(SameVerdict, WindowWritesOnlyWhatTheBlockCheckPasses) {
    const std::function<void(DeviceImage&)> edits[] = {
        [](DeviceImage& im) { im.PutTipSign(1); },
        [](DeviceImage& im) { im.PutUstKod1(9000); },
        [](DeviceImage& im) { im.PutDiap(60); },
        [](DeviceImage& im) { im.Baza[40] = 0x11; },
    };
    OpenPort();
    AddDevice(2, kTevTs, 5);
    for (const auto& change : edits) {
        messages.Reset();
        Read(2);
        ASSERT_EQ(form->Image.Vvod, 1);
        DeviceImage next = form->LastReading;
        change(next);
        const std::string why = CheckBlock(next, form->LastReading);

        const int writes = line.Find(2)->writes;
        change(form->Image);
        form->Image.Izmen = 1;
        form->OutPortClick();
        EXPECT_EQ(line.Find(2)->writes - writes, why.empty() ? 1 : 0) << why;
        if (!why.empty()) { EXPECT_EQ(messages.boxes.back().text, why); }
        line.Find(2)->ResetBlock();
    }
}

}  // namespace
}  // namespace tservice::testing
