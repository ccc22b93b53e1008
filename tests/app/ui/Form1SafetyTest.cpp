// Write safety: a parameter block goes out only as a complete reading left it
// plus the operator's edits. Every path that can end in a write is tried; the
// evidence is what the simulated transmitters received and stored.
#include <QTemporaryDir>
#include <QTimer>

#include "Journal.h"
#include "SafetyFixture.h"

namespace tservice::testing {
namespace {

constexpr const char* kNoData = "Нет данных о приборе,\nпроизведите ввод информации с СОМ порта";
constexpr const char* kOtherModel = "Не совпадает тип прибора \nпри попытке сохранить базу.\nСохранение отменено";
constexpr const char* kOtherVersion = "Не совпадает версия прибора \nпри попытке сохранить базу.\nСохранение отменено";

class Form1Safety;

// One way towards a write. `run` starts after device 1 (ЛАДР v5) was read
// and its alarm type edited to HH (unless readFirst is false); `writes` is
// how many block writes may reach the transmitter; `told` a text the
// operator must have seen (or null).
struct Path {
    const char* name;
    bool readFirst;
    int writes;
    const char* told;
    std::function<void(Form1Safety&, sim::Transmitter&)> run;
};

void PrintTo(const Path& path, std::ostream* os) { *os << path.name; }

class Form1Safety : public SafetyTest, public ::testing::WithParamInterface<Path> {
public:
    // The operator's F9 and F10.
    void F9() { form->InPortClick(); }
    void F10() { form->OutPortClick(); }
    // F9 with the device silent from command cmd on (0x11, 0x44 or 0x47).
    void F9FailingAt(sim::Transmitter& t, int cmd) {
        bool from = false;
        trip.before = [&t, &from, cmd](PortOp op, int sent) {
            if (op == PortOp::Write && sent == cmd) from = true;
            t.faults.silent = from;
        };
        F9();
        trip.before = nullptr;
        t.faults.silent = false;
    }
    void Close(MsgAnswer answer) {
        messages.Script({answer});
        form->close();
    }
    void ChangeDevice(int number, MsgAnswer answer) {
        messages.Script({answer});
        PickDevice(number);
    }
    void ChangePort(const std::string& name, MsgAnswer answer) {
        ScriptPort(name);
        messages.Script({answer});
        form->PortClick();
    }
    bool Told(const char* text) const {
        for (const MsgBox& b : messages.boxes)
            if (b.text == text) return true;
        return false;
    }
    using SafetyTest::Pick;
    using SafetyTest::PickDevice;
    using SafetyTest::port;
    using SafetyTest::recorder;
    using SafetyTest::trip;
    using SafetyTest::form;
    using SafetyTest::messages;
    using SafetyTest::AddDevice;
    using SafetyTest::BlockWrites;
};

TEST_P(Form1Safety, OnlyTheLastCompleteReadingPlusEditsIsEverWritten) {
    const Path& path = GetParam();
    sim::Transmitter& t = AddDevice(1, kLadr, 5);
    OpenPort();
    std::vector<std::uint8_t> expected;
    if (path.readFirst) {
        Read(1);
        ASSERT_EQ(form->Image.Vvod, 1);
        expected = ImageBlock();
        ASSERT_EQ(expected.size(), 40u);
        ASSERT_EQ(expected[4] & 0x03, 0) << "the device starts with LH";
        Pick(form->CBoxTipSign, 2);
        expected[4] = static_cast<std::uint8_t>((expected[4] & ~0x03) | 2);
        ASSERT_EQ(ImageBlock(), expected);
        ASSERT_EQ(form->Image.Izmen, 1);
    }
    const std::vector<std::uint8_t> storedBefore = Stored(t);
    messages.Reset();
    path.run(*this, t);

    const std::vector<Request> blocks = BlockWrites();
    EXPECT_EQ(static_cast<int>(blocks.size()), path.writes);
    for (const Request& b : blocks) {
        EXPECT_EQ(b.address, 1);
        EXPECT_EQ(b.data, expected) << "a block that no complete reading produced";
    }
    EXPECT_EQ(t.writes, path.writes);
    EXPECT_EQ(Stored(t), path.writes > 0 ? expected : storedBefore);
    for (sim::Transmitter* other : line.Devices())
        if (other != &t) {
            EXPECT_EQ(other->writes, 0) << "device at " << other->address;
        }
    if (path.told != nullptr) {
        EXPECT_TRUE(Told(path.told)) << path.told;
    }
}

using F = Form1Safety;
using T = sim::Transmitter;

const Path kPaths[] = {
    {"F10BeforeAnyReading", false, 0, kNoData, [](F& f, T&) { f.F10(); }},
    {"NumberPickedBeforeAnyReadingThenClosingYes", false, 0, kNoData,
     [](F& f, T&) {
         F::Pick(f.form->CBoxUstrZ, 4);  // the number to take: marks the empty image changed
         ASSERT_EQ(f.form->Image.Izmen, 1);
         f.Close(MsgAnswer::Yes);
     }},
    {"IdentificationFailed", true, 0, kNoData, [](F& f, T& t) { f.F9FailingAt(t, 0x11); f.F10(); }},
    {"BlockFailed", true, 0, kNoData, [](F& f, T& t) { f.F9FailingAt(t, 0x44); f.F10(); }},
    {"MeasurementFailed", true, 0, kNoData, [](F& f, T& t) { f.F9FailingAt(t, 0x47); f.F10(); }},
    {"PollingTickFailed", true, 0, kNoData,
     [](F& f, T& t) {
         f.form->BtnPuskTimerClick();
         t.faults.silent = true;
         f.form->Timer1Timer();
         t.faults.silent = false;
         ASSERT_FALSE(f.form->Timer1->isActive());
         f.F10();
     }},
    {"CountByteAbove40", true, 0, kNoData,
     [](F& f, T& t) {
         t.blockLen = 41;
         f.F9();
         t.blockLen = 40;  // the device would take a 40-byte block again
         f.F10();
     }},
    {"StoredNumberAbove31", true, 0, kNoData,
     [](F& f, T& t) {
         t.block[11] = 40;
         f.F9();
         t.block[11] = 0;
         f.F10();
     }},
    {"UnknownSensorType", true, 0, kNoData,
     [](F& f, T& t) {
         const std::uint8_t tipD = t.block[9];
         t.block[9] = 9;
         f.F9();
         t.block[9] = tipD;
         f.F10();
     }},
    {"ModelCodeFF", true, 0, kNoData,
     [](F& f, T& t) {
         t.model = 0xFF;
         f.F9();
         f.F10();  // the identification of the write matches the image now
     }},
    {"ModelCode104", true, 0, kNoData,
     [](F& f, T& t) {
         t.model = 104;
         f.F9();
         f.F10();
     }},
    {"ModelCodeFFThenBackToLadr", true, 0, kNoData,
     [](F& f, T& t) {
         t.model = 0xFF;
         f.F9();
         t.model = kLadr;
         f.F10();
     }},
    {"ModelChangedBeforeTheWrite", true, 0, kOtherModel, [](F& f, T& t) { t.model = kTevTs; f.F10(); }},
    {"VersionChangedBeforeTheWrite", true, 0, kOtherVersion, [](F& f, T& t) { t.version = 4; f.F10(); }},
    {"DeviceSwappedForAnotherModel", true, 0, kOtherModel,
     [](F& f, T& t) {
         t.address = 20;  // taken off the number
         f.AddDevice(1, kTevTp, 4);
         f.F10();
     }},
    {"SwappedThenClosingYes", true, 0, kOtherModel,
     [](F& f, T& t) {
         t.address = 20;
         f.AddDevice(1, kOski, 2);
         f.Close(MsgAnswer::Yes);
     }},
    {"PortErrorInTheMiddleOfAReading", true, 0, kNoData,
     [](F& f, T&) {
         bool once = false;
         f.trip.before = [&](PortOp op, int cmd) {
             if (op == PortOp::Read && cmd == 0x44 && !once) {
                 once = true;
                 f.port.failRead = 1;
             }
         };
         f.F9();
         f.trip.before = nullptr;
         f.F10();
     }},
    {"PortVanishedInTheMiddleOfAReading", true, 0, kNoData,
     [](F& f, T&) {
         f.trip.before = [&](PortOp op, int cmd) {
             if (op == PortOp::Clear && cmd == 0x11) f.port.vanished = true;
         };
         f.F9();
         f.trip.before = nullptr;
         f.port.vanished = false;
         f.F10();
     }},
    {"ReadingFailedThenClosingYes", true, 0, kNoData,
     [](F& f, T& t) { f.F9FailingAt(t, 0x44); f.Close(MsgAnswer::Yes); }},
    {"ReadingFailedThenDeviceChangeYes", true, 0, kNoData,
     [](F& f, T& t) {
         f.AddDevice(2, kLadr, 5);
         f.F9FailingAt(t, 0x47);
         f.ChangeDevice(2, MsgAnswer::Yes);
     }},
    {"ReadingFailedThenPortChangeYes", true, 0, kNoData,
     [](F& f, T& t) {
         f.F9FailingAt(t, 0x11);
         f.ChangePort("COM2", MsgAnswer::Yes);
     }},
    {"F10", true, 1, nullptr, [](F& f, T&) { f.F10(); }},
    {"PortChangeYes", true, 1, nullptr,
     [](F& f, T&) {
         f.recorder.writes.clear();
         f.ChangePort("COM2", MsgAnswer::Yes);
         for (const auto& [name, cmd] : f.recorder.writes)
             if (cmd == 0x45) {
                 EXPECT_EQ(name, "COM1") << "the block belongs to the old port's device";
             }
         EXPECT_EQ(f.port.OpenName(), "COM2");
     }},
    {"DeviceChangeYes", true, 1, nullptr,
     [](F& f, T&) {
         f.AddDevice(2, kLadr, 5);
         f.ChangeDevice(2, MsgAnswer::Yes);
         EXPECT_EQ(f.form->NuCur, 1);
     }},
    {"ClosingYes", true, 1, nullptr, [](F& f, T&) { f.Close(MsgAnswer::Yes); }},
    {"ClosingNo", true, 0, nullptr, [](F& f, T&) { f.Close(MsgAnswer::No); }},
    {"ConfirmationLostThenF10Again", true, 2, nullptr,
     [](F& f, T&) {
         QTemporaryDir dir;
         f.form->JournalPath = dir.filePath("journal.jsonl");
         f.recorder.swallow = 0x0E;
         f.F10();
         f.recorder.swallow = -1;
         EXPECT_EQ(f.form->Image.Izmen, 1) << "the edited image keeps its mark";
         EXPECT_EQ(f.form->Image.GetTipSign(), 2);
         ASSERT_FALSE(f.messages.boxes.empty());
         EXPECT_NE(f.messages.boxes.back().text.find("Запись не подтверждена (подтверждение записи): устройство 1, "
                                                     "возможно, уже хранит новую базу данных. Считайте его (F9)"),
                   std::string::npos) << f.messages.boxes.back().text;
         const std::vector<JournalEntry> lines = ReadJournal(f.form->JournalPath).entries;
         ASSERT_EQ(lines.size(), 1u);
         EXPECT_EQ(lines[0].status, kUnconfirmed);
         EXPECT_EQ(lines[0].failedStep, "подтверждение записи");
         f.F10();
         EXPECT_EQ(ReadJournal(f.form->JournalPath).entries.size(), 2u);
     }},
    {"StoredNumberOtherThanTheAnsweringOne", true, 0, kNoData,
     [](F& f, T& t) {
         f.AddDevice(10, kLadr, 5);  // the same model and version at the stored number
         t.block[11] = 9;
         f.F9();
         f.F10();
         t.block[11] = 0;
     }},
    {"NewNumberAnsweredByAnotherTransmitter", true, 0,
     "Номер 3 уже занят: по нему отвечает другое устройство.\nВыберите свободный номер. Запись отменена",
     [](F& f, T&) {
         f.AddDevice(3, kTevTs, 5);
         F::Pick(f.form->CBoxUstrZ, 2);
         f.F10();
         EXPECT_EQ(f.form->Image.FocusCombo(), f.form->CBoxUstrZ);
         EXPECT_EQ(f.form->NuCur, 0);
     }},
    {"PurgeFailsBeforeTheBlock", true, 1, "COM-порт отключен. Проверьте оборудование, перезапустите программу.",
     [](F& f, T&) {
         // The exchange goes on after the purge failure: the block is whole.
         f.trip.before = [&](PortOp op, int cmd) {
             if (op == PortOp::Clear && cmd == 0x11 && f.BlockWrites().empty()) f.port.failClear = 1;
         };
         f.F10();
         f.trip.before = nullptr;
     }},
};

INSTANTIATE_TEST_SUITE_P(Paths, Form1Safety, ::testing::ValuesIn(kPaths),
                         [](const ::testing::TestParamInfo<Path>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tservice::testing
