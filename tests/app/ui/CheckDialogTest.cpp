// The check dialog from "Сервис" → "Проверка" on a simulated ТЕВ-ТС whose
// input is set to known offsets, in virtual time.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>

#include "GuiFixture.h"
#include "Journal.h"
#include "Obrcheck.h"

namespace tservice::testing {
namespace {

class CheckDialog : public GuiTest {
protected:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(true);  // the remembered conditions stay out of the user's settings
        GuiTest::SetUp();
        form->JournalPath = dir.filePath("journal.jsonl");
        AddDevice(2, 101, 5);  // Pt100, -50…100 °C
        OpenPort();
        Read(2);
    }
    // The calibrator gives `applied` °C, then the point is accepted.
    void Accept(double applied) {
        line.Find(2)->SetInputPercent((applied + 50.0) / 150.0 * 100.0);
        form->FormCheck->ButAcceptClick();
    }
    QTemporaryDir dir;
};

TEST_F(CheckDialog, PointsFillTheTableByVerdictAndTheSavedCheckIsJournalled) {
    form->CheckClick();
    TFormCheck& d = *form->FormCheck;
    EXPECT_EQ(Text(d.LabStep->text()), "Точка 1 из 5: подайте -50 °C (0 % диапазона)");
    d.EditOperator->setText(QStringLiteral("Иванов"));
    d.GridInstr->setItem(0, 0, new QTableWidgetItem(QStringLiteral("Калибратор")));
    const double offsets[] = {0.1, -0.2, 0.6, 0.0, 0.3};  // the third is beyond 0.375 °C
    for (int i = 0; i < 5; ++i) {
        if (i == 1) d.EditRef->setText(QStringLiteral("-12,4"));
        Accept((i == 1 ? -12.4 : -50 + 37.5 * i) + offsets[i]);
    }
    ASSERT_EQ(d.GridPoints->rowCount(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(d.Record().points[static_cast<std::size_t>(i)].error, offsets[i], 150.0 / 8191 + 1e-9) << i;
        const bool pass = i != 2;
        EXPECT_EQ(Text(d.GridPoints->item(i, 8)->text()), pass ? "годен" : "не годен");
        EXPECT_EQ(d.GridPoints->item(i, 4)->foreground().color(), pass ? QColor(0, 100, 0) : QColor(176, 0, 0));
    }
    EXPECT_EQ(Text(d.GridPoints->item(1, 2)->text()), "-12,4");
    EXPECT_EQ(Text(d.LabVerdict->text()), "Заключение (до регулировки): не годен");
    EXPECT_FALSE(d.ButAccept->isEnabled());
    d.ButSaveClick();
    const std::vector<JournalEntry> journal = ReadJournal(form->JournalPath).entries;
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal[0].kind, "check");
    CheckRecord saved;
    ASSERT_TRUE(CheckFromJson(journal[0].check, saved));
    EXPECT_EQ(saved.points.size(), 5u);
    EXPECT_EQ(saved.conditions.operatorName, "Иванов");
    EXPECT_EQ(saved.conditions.instruments.at(0).name, "Калибратор");
    EXPECT_EQ(LoadCheckConditions().operatorName, "Иванов");  // remembered for the next run
    EXPECT_EQ(d.CBoxStage->currentIndex(), 1);  // as left next
    EXPECT_EQ(d.GridPoints->rowCount(), 0);
    EXPECT_EQ(Count(0x45) + Count(0x05) + Count(0x06), 0);  // only readings
}

TEST_F(CheckDialog, AnUnsettledValueOrASilentTransmitterRecordsNoPoint) {
    form->CheckClick();
    TFormCheck& d = *form->FormCheck;
    line.Find(2)->SetInputPercent(50);
    line.Find(2)->drift = 400;
    d.ButAcceptClick();
    line.Find(2)->drift = 0;
    line.Find(2)->faults.silent = true;
    d.ButAcceptClick();
    EXPECT_EQ(d.GridPoints->rowCount(), 0);
    EXPECT_TRUE(d.Record().points.empty());
    ASSERT_EQ(messages.boxes.size(), 2u);
    EXPECT_NE(messages.boxes[0].text.find("значение не установилось за 60 с"), std::string::npos);
    EXPECT_NE(messages.boxes[1].text.find("(код 130); точка не записана"), std::string::npos);
    EXPECT_TRUE(d.ButAccept->isEnabled());
}

}  // namespace
}  // namespace tservice::testing
