// The "Журнал обмена" panel of the main window on the simulated line: off
// until asked for, rows decoded as exchanges happen, filter, pause, clear,
// saving, and the ring that keeps the last exchanges.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>
#include <QTemporaryDir>

#include "GuiFixture.h"
#include "TracePanel.h"

namespace tservice::testing {
namespace {

class TracePanelTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        AddDevice(1, kLadr, 5);
        AddDevice(3, kTevTp, 4);
        OpenPort();
        panel = form->LineLog;
    }
    void Show() {
        QAction* view = form->MenuVid->actions().value(1);  // after "Тренд"
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(Text(view->text()), "Журнал обмена");
        view->trigger();
    }
    void Read(int number) {
        GuiTest::Read(number);
        panel->Model.Flush();
    }
    std::string Cell(int row, int col) const {
        return Text(panel->Table->model()->index(row, col).data().toString());
    }
    TracePanel* panel = nullptr;
};

TEST_F(TracePanelTest, OffByDefaultThenEveryExchangeDecoded) {
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(panel->Listening());
    Read(1);
    EXPECT_EQ(panel->Model.rowCount(), 0);
    Show();
    EXPECT_TRUE(panel->Listening());
    Read(3);
    Read(5);  // nobody there
    ASSERT_EQ(panel->Table->model()->rowCount(), 4);
    EXPECT_EQ(Cell(0, TraceModel::ColCommand), "идентификация");
    EXPECT_EQ(Cell(0, TraceModel::ColDevice), "3");
    EXPECT_EQ(Cell(0, TraceModel::ColSummary), "идентификация: ТЕВ-ТП, версия 4, код коррекции 0, CRC верна");
    EXPECT_NE(Cell(2, TraceModel::ColSummary).find("Тхс"), std::string::npos);
    EXPECT_EQ(Cell(3, TraceModel::ColResult), "130 не отвечает на запрос");
    EXPECT_EQ(Cell(3, TraceModel::ColTime).size(), 12u);  // hh:mm:ss.mmm

    panel->Table->setCurrentIndex(panel->Table->model()->index(3, 0));
    const std::string details = Text(panel->MemoDetails->toPlainText());
    EXPECT_NE(details.find("попытка 5, запрос: 05 11 C2 EC"), std::string::npos) << details;
    EXPECT_NE(details.find("неудача этапа 1, пауза 300 мс"), std::string::npos) << details;

    // Filters, pause, clear.
    panel->ChBoxErrors->setChecked(true);
    EXPECT_EQ(panel->Table->model()->rowCount(), 1);
    panel->ChBoxErrors->setChecked(false);
    panel->CBoxUstr->setCurrentIndex(3);
    EXPECT_EQ(panel->Table->model()->rowCount(), 3);
    panel->BtnPause->setChecked(true);
    Read(3);
    EXPECT_EQ(panel->Model.rowCount(), 4);
    panel->BtnPause->setChecked(false);
    panel->BtnClear->click();
    EXPECT_EQ(panel->Model.rowCount(), 0);

    form->LineLog->toggleViewAction()->trigger();
    EXPECT_FALSE(panel->Listening());
    Read(3);
    EXPECT_EQ(panel->Model.rowCount(), 0);
}

TEST_F(TracePanelTest, SavesShownRowsAsTextAndCsvAndReportsAFailedSave) {
    Show();
    Read(1);
    const QTemporaryDir dir;
    const struct { bool csv; const char* name; const char* first; const char* has; } cases[] = {
        {false, "t.txt", "", "устройство 1  идентификация  норма  идентификация: ЛАДР"},
        {true, "t.csv", "время;устройство;команда;код;результат;содержание;подробно\n",
         ";1;\"идентификация\";0;\"норма\";\"идентификация: ЛАДР"},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        panel->AskSaveName = [&](bool csv) { return csv == c.csv ? path : QString(); };
        c.csv ? panel->BtnSaveCsv->click() : panel->BtnSaveText->click();
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << c.name;
        const std::string text = f.readAll().toStdString();
        EXPECT_EQ(text.rfind(c.first, 0), 0u) << text;
        EXPECT_NE(text.find(c.has), std::string::npos) << text;
        EXPECT_NE(text.find("01 11 C0 2C"), std::string::npos) << text;
    }
    EXPECT_TRUE(messages.boxes.empty());
    panel->AskSaveName = [&](bool) { return dir.filePath("no/such/dir/t.txt"); };
    panel->BtnSaveText->click();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].caption, "Ошибка");
}

TEST(TraceModel, RingKeepsTheLastRows) {
    TraceModel model(nullptr, 3);
    for (int i = 1; i <= 5; ++i) {
        TraceRow row;
        row.device = i;
        model.Add(row);
        if (i == 2) model.Flush();
    }
    EXPECT_EQ(model.rowCount(), 2);
    model.Flush();
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.Row(0).device, 3);
    EXPECT_EQ(model.Row(2).device, 5);
    EXPECT_EQ(TraceModel().rowCount(), 0);
}

}  // namespace
}  // namespace tservice::testing
