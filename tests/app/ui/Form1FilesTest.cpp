// Parameter sets on file, the change list, the journal and the comparison in
// the main window on the simulated line.
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <filesystem>

#include "ChangesPanel.h"
#include "CompareWindow.h"
#include "EditFixture.h"
#include "FilePath.h"
#include "Journal.h"
#include "JournalWindow.h"
#include "SavedSet.h"

namespace tservice::testing {
namespace {

class Form1Files : public EditTest {
protected:
    void SetUp() override {
        EditTest::SetUp();
        // A folder whose name is not UTF-8, as the system may give one.
        folder = PathFromBytes(PathBytes(dir.path()) + "/\xff\xfe");
        ASSERT_TRUE(MakeDirectory(folder));
        form->JournalPath = Name("journal.jsonl");
        form->ChooseFile = [this](const QString&, const QString&, const QString& suggested, bool) {
            suggestedName = suggested;
            return chosen;
        };
    }
    // The toolkit cannot list, so not remove, a name that is not UTF-8.
    void TearDown() override {
        std::filesystem::remove_all(PathBytes(folder));
        EditTest::TearDown();
    }
    std::vector<std::string> Changes() {
        form->ChangesPanel->Refresh();
        std::vector<std::string> out;
        for (int i = 0; i < form->ChangesPanel->ListChanges->count(); ++i)
            out.push_back(Text(form->ChangesPanel->ListChanges->item(i)->text()));
        return out;
    }
    std::vector<JournalEntry> Journal() { return ReadJournal(form->JournalPath).entries; }
    QString Name(const char* file) const { return folder + '/' + QString::fromUtf8(file); }

    QTemporaryDir dir;
    QString folder;
    QString chosen;
    QString suggestedName;
};

TEST_F(Form1Files, SavedSetLoadsOntoAnotherUnitAndReachesItOnlyWithF10) {
    sim::Transmitter& source = AddDevice(1, kTevTs, 5);
    source.block[4] = static_cast<std::uint8_t>((source.block[4] & ~0x03) | 0x02);  // HH
    sim::Transmitter& target = ReadDevice(2, kTevTs, 5);
    const auto targetBlock = target.block;
    Read(1);
    chosen = Name("набор.json");
    form->FileSaveClick();
    Read(2);
    form->FileLoadClick();
    EXPECT_EQ(target.writes, 0);
    EXPECT_EQ(form->Image.Izmen, 1);
    EXPECT_EQ(form->Image.GetNu(), 1) << "the target keeps its number";
    EXPECT_EQ(Changes(), std::vector<std::string>{"тип сигнализации: LH → HH"});

    form->OutPortClick();
    EXPECT_EQ(target.writes, 1);
    EXPECT_EQ(target.block[11], targetBlock[11]);
    EXPECT_TRUE(Changes().empty()) << "empties after a successful write";
    const std::vector<JournalEntry> journal = Journal();
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal[0].deviceBefore, 2);
    ASSERT_EQ(journal[0].changes.size(), 1u);
    EXPECT_EQ(journal[0].changes[0].before, "LH");
    EXPECT_EQ(journal[0].changes[0].after, "HH");

    chosen = Name("report.html");
    form->ReportClick();
    QFile report;
    ASSERT_TRUE(OpenPath(report, chosen, QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(report.readAll());
    for (const char* want : {"ТЕВ-ТС МЕ  618204.002  ПО.V5  0x7C20F4A5", "Pt100", "тип сигнализации: LH → HH",
                             "<td>состояние</td>", "код АЦП начала шкалы (KBegSk)", "Выполнил",
                             "Проверил"})
        EXPECT_TRUE(html.contains(QString::fromUtf8(want))) << want;

    form->JournalClick();
    for (const auto& [device, rows] : {std::pair{0, 1}, {2, 1}, {1, 0}}) {
        form->FormJournal->CBoxUstr->setCurrentIndex(device);
        form->FormJournal->CBoxUstrClick();
        EXPECT_EQ(form->FormJournal->GridJournal->rowCount(), rows) << device;
    }

    chosen = Name("набор.json");
    form->FileCompareClick();
    ASSERT_NE(form->FormCompare, nullptr);
    std::vector<std::string> marked;
    for (int row = 0; row < form->FormCompare->GridCompare->rowCount(); ++row)
        if (form->FormCompare->GridCompare->item(row, 0)->font().bold())
            marked.push_back(Text(form->FormCompare->GridCompare->item(row, 0)->text()));
    EXPECT_TRUE(marked.empty()) << "the unit holds the file's configuration; its own number is no difference";
}

// A name typed without ".json" gets it (the load dialog lists *.json), the
// dialog suggests number, model and date, and loading what the unit already
// holds says so and marks nothing.
TEST_F(Form1Files, SavedNameGetsItsSuffixAndAnUnchangedLoadSaysSo) {
    ReadDevice(3, kTevTp, 4);
    chosen = dir.filePath("typed");
    form->FileSaveClick();
    EXPECT_TRUE(QFile::exists(dir.filePath("typed.json")));
    EXPECT_EQ(suggestedName, QStringLiteral("03_ТЕВ-ТП_") + QDate::currentDate().toString(Qt::ISODate) + ".json");
    chosen = dir.filePath("typed.json");
    messages.Reset();
    form->FileLoadClick();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "Файл typed.json: изменений нет");
    EXPECT_EQ(form->Image.Izmen, 0);
    EXPECT_EQ(Text(form->StatusChanged->text()), "");
}

TEST_F(Form1Files, RefusedFileShowsTheCommandLinesMessageAndLeavesTheImage) {
    AddDevice(3, kTevTp, 4);
    ReadDevice(1, kTevTs, 5);
    Read(3);
    const QString otherModel = dir.filePath("tp.json");
    chosen = otherModel;
    form->FileSaveClick();
    const QString broken = dir.filePath("broken.json");
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{\"model\": 101");
    f.close();
    Read(1);
    struct Case {
        QString file;
        MsgIcon icon;
    };
    for (const Case& c : {Case{otherModel, MsgIcon::Warning}, Case{broken, MsgIcon::Error}}) {
        SavedSet saved;
        std::string expected;
        DeviceImage copy = form->Image;
        if (LoadSavedSet(c.file.toStdString(), saved, expected)) { ASSERT_FALSE(ApplySavedSet(saved, copy, expected)); }
        const auto before = form->Image.Baza;
        messages.Reset();
        chosen = c.file;
        form->FileLoadClick();
        ASSERT_EQ(messages.boxes.size(), 1u) << Text(c.file);
        EXPECT_EQ(messages.boxes[0].text, expected);
        EXPECT_EQ(messages.boxes[0].icon, c.icon);
        EXPECT_EQ(form->Image.Baza, before);
        EXPECT_EQ(form->Image.Izmen, 0);
    }
}

TEST_F(Form1Files, JournalWindowGivesTheChainsVerdictAndMarksTheFirstBrokenLine) {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    form->AskOperator = [](const QString&) { return QStringLiteral("  Сидоров "); };
    form->OperatorClick();
    EXPECT_EQ(JournalOperator(), "Сидоров");
    EXPECT_EQ(RememberedOperator(), "Сидоров");
    std::string error;
    for (int device : {1, 2, 3}) {
        JournalEntry e;
        e.time = QDateTime::currentDateTime();
        e.deviceBefore = e.deviceAfter = device;
        ASSERT_TRUE(AppendJournal(form->JournalPath, e, error)) << error;
    }
    SetJournalOperator("");
    EXPECT_EQ(Journal().at(0).operatorName, "Сидоров");
    const auto verdict = [this] {
        form->JournalClick();
        std::vector<int> marked;  // devices of the rows marked
        for (int row = 0; row < form->FormJournal->GridJournal->rowCount(); ++row)
            if (form->FormJournal->GridJournal->item(row, 0)->background().style() != Qt::NoBrush)
                marked.push_back(form->FormJournal->GridJournal->item(row, 2)->text().toInt());
        return std::pair{Text(form->FormJournal->LabVerdict->text()), marked};
    };
    EXPECT_EQ(verdict(), std::pair(std::string("журнал цел, записей: 3"), std::vector<int>{}));
    QFile f;
    ASSERT_TRUE(OpenPath(f, form->JournalPath, QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    bytes[bytes.indexOf("\"time\"", bytes.indexOf('\n')) + 9] = '1';  // the second line's year
    f.seek(0);
    f.write(bytes);
    f.close();
    EXPECT_EQ(verdict(), std::pair(std::string("строка 2 изменена"), std::vector<int>{2}));
}

TEST_F(Form1Files, CalibrationIsJournalledAsFoundAndAsLeftAndAFailedWriteIsNot) {
    sim::Transmitter& t = ReadDevice(1, kLadr, 5);
    const int asFound = form->Image.GetKBegSk();
    t.kodAcp = 1234;
    messages.Script({MsgAnswer::Yes});
    form->Button1->click();
    std::vector<JournalEntry> journal = Journal();
    ASSERT_EQ(journal.size(), 1u);
    ASSERT_EQ(journal[0].changes.size(), 1u);
    const FieldChange& c = journal[0].changes[0];
    EXPECT_EQ(KindOfField(c.field), ChangeKind::Calibration);
    EXPECT_EQ(c.codeBefore, asFound);
    EXPECT_EQ(c.codeAfter, 1234);

    PickText(form->CBoxTipSign, "HH");
    t.faults.silent = true;
    form->OutPortClick();
    EXPECT_EQ(Journal().size(), 1u) << "a failed write leaves no record";

    t.faults.silent = false;
    form->JournalPath = Name("journal.jsonl/inside");  // a file where a folder must be
    messages.Reset();
    form->OutPortClick();
    EXPECT_EQ(t.writes, 2) << "an unwritable journal never stops the write";
    ASSERT_FALSE(messages.boxes.empty());
    EXPECT_NE(messages.boxes[0].text.find("не удается записать"), std::string::npos);
}

TEST_F(Form1Files, TheTargetKeepsItsCalibrationUnlessTicked) {
    sim::Transmitter& source = AddDevice(1, kLadr, 5);
    source.block[0] = 0x11;  // KBegSk 0x0911 = 2321
    source.block[1] = 0x09;
    ReadDevice(2, kLadr, 5);
    const int own = form->Image.GetKBegSk();
    Read(1);
    chosen = Name("набор.json");
    form->FileSaveClick();
    for (const auto& [ticked, kBegSk] : {std::pair{false, own}, {true, 2321}}) {
        Read(2);
        form->AFileWithCalibr->setChecked(ticked);
        form->FileLoadClick();
        EXPECT_EQ(form->Image.GetKBegSk(), kBegSk) << ticked;
        EXPECT_EQ(form->Image.GetNu(), 1) << ticked;
    }
}

}  // namespace
}  // namespace tservice::testing
