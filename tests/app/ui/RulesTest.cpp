// The same unusual transmitters and blocks through the window, tservicectl's
// reading and the saved-set file: one verdict from each, one text from the
// window and the command line, and nothing written when refused.
#include <QJsonDocument>
#include <QJsonObject>

#include "Describe.h"
#include "GuiFixture.h"
#include "Report.h"
#include "Rules.h"
#include "SavedSet.h"
#include "Session.h"

namespace tservice::testing {
namespace {

using Change = std::function<void(sim::Transmitter&)>;

void Put16(sim::Transmitter& t, int offset, int v) {
    t.block[offset] = static_cast<std::uint8_t>(v & 0xFF);
    t.block[offset + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

// The transmitter's stored block as a saved-set file of device 2.
QByteArray FileOf(const sim::Transmitter& t) {
    std::vector<std::uint8_t> raw(t.block.begin(), t.block.end());
    raw.resize(static_cast<std::size_t>(t.blockLen), 0);
    QJsonObject o;
    o["model"] = t.model;
    o["version"] = t.version;
    o["device"] = 2;
    o["raw"] = QString::fromStdString(Hex(raw.data(), static_cast<int>(raw.size())));
    return QJsonDocument(o).toJson();
}

struct Unusual {
    const char* name;
    int model;
    Change change;
    const char* refusal;  // part of the window's text; null when accepted
};

class SameVerdict : public GuiTest {};

TEST_F(SameVerdict, UnusualTransmittersAreJudgedAlikeByWindowCommandLineAndFile) {
    const std::vector<Unusual> cases{
        {"ordinary", kTevTs, [](sim::Transmitter&) {}, nullptr},
        {"sensor type past its list", kTevTs, [](sim::Transmitter& t) { t.block[9] = 6; }, "неизвестный тип датчика (6)"},
        {"ЛАДР sensor past its list", kLadr, [](sim::Transmitter& t) { t.block[9] = 2; }, "неизвестный тип датчика (2)"},
        {"ТЕВ-ТП past its eleven", kTevTp, [](sim::Transmitter& t) { t.block[9] = 11; }, "неизвестный тип датчика (11)"},
        {"range number past the mark", kTevTs, [](sim::Transmitter& t) { t.block[10] = 60; }, nullptr},
        {"count byte above 40", kTevTs, [](sim::Transmitter& t) { t.blockLen = 41; }, "неверная длина базы данных (41"},
        {"stored number above 31", kTevTs, [](sim::Transmitter& t) { t.block[11] = 40; }, "неверный номер устройства"},
        {"model 104", kTevTs, [](sim::Transmitter& t) { t.model = 104; }, "не ТЕВ, не ЛАДР и не ОСКИ"},
        {"model 0xFF", kTevTs, [](sim::Transmitter& t) { t.model = 0xFF; }, "не определен тип прибора"},
        {"setpoint beyond the scale", kTevTs, [](sim::Transmitter& t) { Put16(t, 5, 9000); }, nullptr},
    };
    OpenPort();
    for (const Unusual& c : cases) {
        SCOPED_TRACE(c.name);
        line = sim::Line();
        sim::Transmitter& t = AddDevice(2, c.model, 5);
        c.change(t);
        const bool accepted = c.refusal == nullptr;

        messages.Reset();
        form->Image.Tip = 0;
        Read(2);
        EXPECT_EQ(form->Image.Vvod == 1, accepted);
        const std::string windowText = messages.boxes.empty() ? "" : messages.boxes.back().text;

        messages.Reset();
        DeviceImage image;
        int nuCur = 1;
        EXPECT_EQ(cli::ReadChecked(form->Link, messages, image, nuCur), accepted);
        const std::string cliText = messages.boxes.empty() ? "" : messages.boxes.back().text;
        EXPECT_EQ(cliText, windowText);
        if (!accepted) { EXPECT_NE(windowText.find(c.refusal), std::string::npos) << windowText; }

        SavedSet saved;
        std::string error;
        EXPECT_EQ(ParseSavedSet(FileOf(t), saved, error), accepted) << error;
        EXPECT_EQ(t.writes, 0);
    }
}

struct Edit {
    const char* name;
    std::function<void(DeviceImage&)> change;
    const char* refusal;    // part of the write's refusal; null when written
    bool fileTakesIt;       // a file carrying it is loaded (the target keeps what the file may not set)
};

TEST_F(SameVerdict, UnusualBlocksAreRefusedBeforeAnyWriteByWindowFileAndCheck) {
    const auto nonStandard = [](DeviceImage& im, int lo, int hi) {
        im.PutDiap(47);  // the mark of Pt100's table
        im.PutNonStandMin(lo);
        im.PutNonStandMax(hi);
        for (int k = 0; k < 8; ++k) im.PutNonStandY(k, 900 * (k + 1));
    };
    const std::vector<Edit> cases{
        {"alarm type", [](DeviceImage& im) { im.PutTipSign(1); }, nullptr, true},
        {"setpoint beyond the scale", [](DeviceImage& im) { im.PutUstKod1(9000); }, "поле UstKod1 = 9000: допустимо 0…8191", false},
        {"sensor type 99", [](DeviceImage& im) { im.PutTipD(99); }, "поле TipD = 99: допустимо 0…5", false},
        {"range past the mark", [](DeviceImage& im) { im.PutDiap(60); }, "поле Diap = 60: допустимо 0…46 или 47", false},
        {"non-standard range", [&](DeviceImage& im) { nonStandard(im, -50, 100); }, nullptr, true},
        {"non-standard below the table", [&](DeviceImage& im) { nonStandard(im, -300, 100); }, "поле NonStandMin = -300", false},
        {"non-standard too narrow", [&](DeviceImage& im) { nonStandard(im, 0, 10); }, "поле NonStandMax = 10", false},
        {"connection scheme 3", [](DeviceImage& im) { im.PutConnect(3); }, "поле Connect = 3: допустимо 1…2", false},
        {"alarm type 3", [](DeviceImage& im) { im.PutTipSign(3); }, "поле TipSign = 3: допустимо 0…2", false},
        {"uninterpreted byte", [](DeviceImage& im) { im.Baza[40] = 0x11; }, "байт 39 блока = 17", true},
    };
    OpenPort();
    AddDevice(2, kTevTs, 5);
    for (const Edit& c : cases) {
        SCOPED_TRACE(c.name);
        messages.Reset();
        Read(2);
        ASSERT_EQ(form->Image.Vvod, 1);
        const DeviceImage read = form->LastReading;
        DeviceImage next = read;
        c.change(next);
        const std::string why = CheckBlock(next, read);
        EXPECT_EQ(why.empty(), c.refusal == nullptr) << why;
        if (c.refusal) { EXPECT_NE(why.find(c.refusal), std::string::npos) << why; }

        const int writes = line.Find(2)->writes;
        c.change(form->Image);
        form->Image.Izmen = 1;
        form->OutPortClick();
        EXPECT_EQ(line.Find(2)->writes - writes, c.refusal ? 0 : 1);
        if (c.refusal) { EXPECT_EQ(messages.boxes.back().text, why); }

        SavedSet saved;
        std::string error;
        DeviceImage target = read;
        const bool parsed = ParseSavedSet(QJsonDocument(ToJson(Describe(next, 2))).toJson(), saved, error);
        EXPECT_EQ(parsed && ApplySavedSet(saved, target, error), c.fileTakesIt) << error;
        if (!c.fileTakesIt) { EXPECT_EQ(target.Baza, read.Baza); }
        line.Find(2)->ResetBlock();
    }
}

}  // namespace
}  // namespace tservice::testing
