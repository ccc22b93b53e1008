// The trend panel in the main window: which readings add a sample, when a
// series starts anew, the "Вид" menu, and the exports.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QFile>
#include <QLineSeries>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>

#include "GuiFixture.h"
#include "TrendPanel.h"

namespace tservice::testing {
namespace {

class TrendPanelTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        form->Trend->WallClock = [this] { return clock.NowMs(); };
        AddDevice(2, kTevTs, 5);
        AddDevice(3, kTevTp, 4);
        OpenPort();
    }
    std::size_t Samples() const { return form->Trend->Series().Samples().size(); }
};

TEST_F(TrendPanelTest, CompleteReadingsAddSamplesAndAnotherDeviceStartsAnewSeries) {
    struct Step {
        const char* what;
        std::function<void()> act;
        std::size_t samples;
        int device;
    };
    const Step steps[] = {
        {"F9", [&] { Read(2); }, 1, 2},
        {"polling tick", [&] { form->BtnPuskTimerClick(); form->Timer1Timer(); form->BtnPuskTimerClick(); }, 2, 2},
        {"failed reading", [&] { line.Find(2)->faults.silent = true; Read(2); line.Find(2)->faults.silent = false; }, 2, 2},
        {"other number picked: the old series stays until a reading", [&] { form->CBoxUstr->setCurrentIndex(2); form->CBoxUstrClick(); }, 2, 2},
        {"reading of the other device", [&] { form->InPortClick(); }, 1, 3},
    };
    for (const Step& s : steps) {
        messages.Reset();
        s.act();
        EXPECT_EQ(Samples(), s.samples) << s.what;
        EXPECT_EQ(form->Trend->Series().Device(), s.device) << s.what;
    }
    EXPECT_EQ(form->Trend->Series().Model(), kTevTp);
}

TEST_F(TrendPanelTest, ShownFromTheViewMenuWithTheSamplesOfTheWindow) {
    for (int i = 0; i < 5; ++i) {
        line.Find(2)->rez = 3000 + 100 * i;
        Read(2);
        clock.Advance(3000);
    }
    EXPECT_FALSE(form->Trend->isVisible());
    ASSERT_NE(form->MenuVid, nullptr);
    QAction* toggle = form->MenuVid->actions().value(0);
    ASSERT_NE(toggle, nullptr);
    form->show();
    toggle->trigger();
    EXPECT_TRUE(form->Trend->isVisible());
    EXPECT_EQ(form->Trend->ValueLine->count(), 5);
    EXPECT_EQ(form->Trend->ColdLine->isVisible(), false);  // no cold junction on a ТЕВ-ТС
    form->Trend->ShowCursor(clock.NowMs());
    EXPECT_NE(form->Trend->LabCursor->text().indexOf(QStringLiteral("°С")), -1);
}

TEST_F(TrendPanelTest, ExportsInTheChosenConventionAndFailuresLeaveTheFileAlone) {
    Read(2);
    QTemporaryDir dir;
    struct Case {
        const char* filterStart;
        const char* name;
        const char* header;
        char absent;
    };
    const Case cases[] = {{"CSV, запятая", "a", "Время,Код", ';'}, {"CSV, точка с запятой", "b.csv", "Время;Код", '|'}};
    for (const Case& c : cases) {
        form->Trend->AskFileName = [&](const QString&, const QString& filters, QString* chosen) {
            for (const QString& f : filters.split(QStringLiteral(";;")))
                if (f.startsWith(QString::fromUtf8(c.filterStart))) *chosen = f;
            return dir.filePath(QString::fromLatin1(c.name));
        };
        form->Trend->ButCsvClick();
        QString path = dir.filePath(QString::fromLatin1(c.name));
        if (!path.endsWith(QStringLiteral(".csv"))) path += QStringLiteral(".csv");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.name;
        const QByteArray text = file.readAll();
        EXPECT_TRUE(text.startsWith("\xEF\xBB\xBF")) << c.name;
        EXPECT_EQ(text.count('\n'), 2) << c.name;
        EXPECT_TRUE(text.mid(3).startsWith(c.header)) << c.name;
        EXPECT_EQ(text.indexOf(c.absent), -1) << c.name;
    }
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_FALSE(form->Trend->SaveCsv(dir.filePath(QStringLiteral("no/such/dir.csv")), CsvStyle::Comma));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].caption, "Ошибка");
    EXPECT_TRUE(form->Trend->SavePng(dir.filePath(QStringLiteral("t.png"))));
    EXPECT_GT(QFile(dir.filePath(QStringLiteral("t.png"))).size(), 0);
}

}  // namespace
}  // namespace tservice::testing
