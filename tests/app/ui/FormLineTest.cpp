// The line overview as the main window opens it: rows kept live one exchange
// at a time, a silent transmitter marked, nothing written, the main window's
// polling kept apart, a picked row handed over with the save question first.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

#include "GuiFixture.h"
#include "Obrline.h"
#include "Obrlistdevice.h"

namespace tservice::testing {
namespace {

class FormLineTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        for (int a = 1; a <= 4; ++a) AddDevice(a, 100 + a - 1, a == 4 ? 2 : (a == 3 ? 4 : 5));
        OpenPort();
        Line().TimeOfDay = [this] { return clock.NowMs(); };
    }
    TFormLine& Line() { return *form->FormLine; }
    std::string Cell(int row, int col) { return Text(Line().GridLine->item(row, col)->text()); }
    // The operator starts the round, lets `steps` steps run, then acts.
    void Script(int steps, const std::function<void(TFormLine&)>& then) {
        dialogScript.push_back([this, steps, then](QDialog& d) {
            auto& dlg = dynamic_cast<TFormLine&>(d);
            dlg.ButPoll->click();
            for (int i = 0; i < steps; ++i) dlg.TimerPollTimer();
            if (then) then(dlg);
        });
    }
    int Writes() const {
        int n = 0;
        for (const Request& r : Requests()) n += r.cmd == 0x45 || r.cmd == 0x05 || r.cmd == 0x06;
        return n;
    }
    std::vector<FoundDevice> Demo() const { return {{1, 100}, {2, 101}, {3, 102}, {4, 103}}; }
};

TEST_F(FormLineTest, DemoLineListedSilentOneMarkedAndRowHandedToTheMainWindow) {
    Script(4, [this](TFormLine& dlg) {
        EXPECT_FALSE(dlg.LabPoll->isHidden());
        EXPECT_EQ(Cell(2, 1), "ТЕВ-ТП МЕ  618214.003  ПО.V4  0x93E6B1D0") << "named as the main window names it";
        EXPECT_EQ(Cell(1, 3), "-50…100 °C");
        line.Find(2)->faults.silent = true;
        const std::string before = Cell(0, 10);
        clock.Advance(2000);
        for (int i = 0; i < 8; ++i) dlg.TimerPollTimer();
        EXPECT_EQ(Cell(1, 9), "нет ответа");
        EXPECT_NE(Cell(0, 10), before);
        EXPECT_TRUE(dlg.Polling());
        emit dlg.GridLine->cellDoubleClicked(2, 0);
    });
    form->LineClick(Demo());
    EXPECT_FALSE(Line().Polling());
    EXPECT_EQ(form->NuCur, 2);
    EXPECT_EQ(form->Image.Vvod, 1);
    EXPECT_EQ(form->Image.Tip, kTevTp);
    EXPECT_EQ(Writes(), 0);
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(FormLineTest, HandOverAsksAboutUnwrittenChangesAndStopsTheMainPolling) {
    Read(1);
    form->BtnPuskTimerClick();
    form->Image.PutTipSign(2);
    form->Image.Izmen = 1;
    struct Case {
        MsgAnswer answer;
        int newNu;
        bool enter;  // Enter on the current row instead of a double-click
    };
    for (const auto& [answer, newNu, enter] : {Case{MsgAnswer::Cancel, 0, false}, Case{MsgAnswer::No, 1, true}}) {
        Script(1, [enter = enter](TFormLine& dlg) {
            if (enter) {
                dlg.GridLine->setCurrentCell(1, 0);
                QTest::keyClick(dlg.GridLine, Qt::Key_Return);
            } else {
                emit dlg.GridLine->cellDoubleClicked(1, 0);
            }
        });
        messages.Script({answer});
        form->LineClick(Demo());
        EXPECT_FALSE(form->Timer1->isActive());
        ASSERT_EQ(messages.boxes.size(), 1u);
        EXPECT_EQ(messages.boxes[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(form->NuCur, newNu);
        EXPECT_EQ(form->Image.Izmen, newNu == 0 ? 1 : 0);
        messages.Reset();
    }
    EXPECT_EQ(form->Image.Tip, kTevTs);
    EXPECT_EQ(Writes(), 0);
}

TEST_F(FormLineTest, DeviceListOpensTheOverviewSaveAllAndCsvExport) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("line.csv");
    dialogScript.push_back([](QDialog& d) {
        auto& dlg = dynamic_cast<TFormDevice&>(d);
        dlg.CBoxUstr->setCurrentIndex(4);
        dlg.Button1Click();
        dlg.ButLine->click();
    });
    Script(4, [&](TFormLine& dlg) {
        dlg.ChooseDir = [&] { return dir.path().toStdString(); };
        dlg.ChooseCsv = [&] { return csv.toStdString(); };
        dlg.ButSaveAll->click();
        EXPECT_FALSE(dlg.Polling());
        dlg.ButCsv->click();
        dlg.reject();
    });
    form->ListDeviceClick();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].caption, "Подтверждение");
    EXPECT_NE(messages.boxes[0].text.find("сохранено 4 из 4"), std::string::npos);
    for (const char* name : {"01_ЛАДР.json", "02_ТЕВ-ТС.json", "03_ТЕВ-ТП.json", "04_ОСКИ.json"})
        EXPECT_TRUE(QFile::exists(dir.filePath(QString::fromUtf8(name)))) << name;
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[3].startsWith(QString::fromUtf8("3;ТЕВ-ТП МЕ  618214.003  ПО.V4  0x93E6B1D0;XA(K);0…200 °C;"))) << Text(lines[3]);
    EXPECT_EQ(form->NuCur, 0);
    EXPECT_EQ(form->Image.Vvod, 0);
    EXPECT_EQ(Writes(), 0);
}

}  // namespace
}  // namespace tservice::testing
