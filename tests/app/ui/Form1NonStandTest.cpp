// The non-standard range group of the main window on a simulated line: the
// check box, the range calculation dialog played by the test, the take-over
// into the image and the write that carries it to the transmitter.
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include "Describe.h"
#include "Convert.h"
#include "GuiFixture.h"
#include "Obrappr.h"

namespace tservice::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kPt100Ranges = 47;  // standard ranges of Pt100 (table F)

void Put16(std::array<std::uint8_t, 40>& block, int at, int v) {
    block[at] = static_cast<std::uint8_t>(v & 0xFF);
    block[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}
int Get16(const std::array<std::uint8_t, 40>& block, int at) {
    return static_cast<std::int16_t>(block[at] | (block[at + 1] << 8));
}

class NonStand : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        dir_ = fs::temp_directory_path() / ("nonstand_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        // Whole degrees around two rows with decimals, a Pt100-like signal.
        std::ofstream out(dir_ / "PT100.txt");
        auto row = [&out](double t) { out << t << " " << 100 * (1 + 3.9083e-3 * t - 5.775e-7 * t * t) << "\n"; };
        for (int t = -60; t <= -51; ++t) row(t);
        row(-50.5);
        for (int t = -50; t <= 99; ++t) row(t);
        row(99.9);
        for (int t = 100; t <= 120; ++t) row(t);
        Dlg().TableDirs = {dir_.string()};
    }
    void TearDown() override {
        GuiTest::TearDown();
        fs::remove_all(dir_);
    }

    TFormNewRange& Dlg() { return *form->FormNewRange; }

    // A ТЕВ-ТС (Pt100) at number 2, read; nonStandard gives it a programmed range.
    sim::Transmitter& ReadTev(int version = 5, bool nonStandard = false) {
        sim::Transmitter& t = AddDevice(2, kTevTs, version);
        if (nonStandard) {
            t.block[10] = kPt100Ranges;
            Put16(t.block, 18, -40);
            Put16(t.block, 20, 60);
            for (int k = 0; k < 8; ++k) Put16(t.block, 22 + 2 * k, 1000 * (k + 1) - 3);
        }
        OpenPort();
        Read(2);
        EXPECT_TRUE(messages.boxes.empty());
        return t;
    }

    // The operator empties a field of the dialog and types into it.
    static void Type(QLineEdit* edit, const char* text) {
        edit->setCursorPosition(static_cast<int>(edit->text().size()));
        for (int n = static_cast<int>(edit->text().size()); n > 0; --n) QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, QString::fromUtf8(text));
    }

    // A showing of the dialog in which the operator calculates tn..tk and
    // closes the window.
    void ScriptCalculation(const char* tn, const char* tk) {
        dialogScript.push_back([tn, tk](QDialog& dialog) {
            auto& d = static_cast<TFormNewRange&>(dialog);
            Type(d.EditTN, tn);
            Type(d.EditTK, tk);
            d.Button1->click();
            d.reject();
        });
    }

    void ExpectRefused(int model, int version, int tipD, int diap, const std::string& sensor);

    // The setpoint to one code step of the range, trailing zeros dropped.
    std::string Setpoint(int code) const {
        DeviceImage im = form->Image;
        im.PutUstKod1(code);
        return SetpointText(im, 1);
    }

    fs::path dir_;
};

TEST_F(NonStand, TickingHidesTheListsAndKeepsTheRange) {
    ReadTev();
    form->BtnPuskTimerClick();
    ASSERT_TRUE(form->Timer1->isActive());
    form->ChBoxNonStand->click();
    EXPECT_TRUE(form->ChBoxNonStand->isChecked());
    EXPECT_TRUE(form->ButNonStand->isEnabled());
    EXPECT_TRUE(form->CBoxMin->isHidden());
    EXPECT_TRUE(form->CBoxMax->isHidden());
    EXPECT_EQ(form->Image.GetDiap(), 17);
    EXPECT_EQ(form->Image.Izmen, 1);
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_TRUE(form->ReportErrors) << "polling stopped through its toggle";
}

TEST_F(NonStand, UntickingReturnsToTheRememberedStandardRange) {
    ReadTev(5, true);
    ASSERT_TRUE(form->ChBoxNonStand->isChecked());
    ASSERT_EQ(form->Image.DiapStand, 0);
    form->ChBoxNonStand->click();
    EXPECT_FALSE(form->ChBoxNonStand->isChecked());
    EXPECT_FALSE(form->ButNonStand->isEnabled());
    EXPECT_FALSE(form->CBoxMin->isHidden());
    EXPECT_FALSE(form->CBoxMax->isHidden());
    EXPECT_EQ(form->Image.GetDiap(), 0);
    EXPECT_EQ(Text(form->CBoxMin->currentText()), "-200");
    EXPECT_EQ(Text(form->CBoxMax->currentText()), "-150");
    EXPECT_EQ(form->CBoxMin->count(), 15);
    EXPECT_FLOAT_EQ(form->Image.TMin, -200.0f);
    EXPECT_FLOAT_EQ(form->Image.TMax, -150.0f);
    EXPECT_EQ(Text(form->StMin->text()), "");
    EXPECT_EQ(Text(form->StMax->text()), "");
    EXPECT_EQ(Text(form->UstProc1->text()), Setpoint(form->Image.GetUstKod1()));
    EXPECT_EQ(Text(form->UstProc2->text()), Setpoint(form->Image.GetUstKod2()));
    EXPECT_EQ(Text(form->UstProc1->text()), "-190,001");
    EXPECT_EQ(form->Image.Izmen, 1);
    EXPECT_EQ(Count(0x11), 1) << "nothing sent after the reading";
    EXPECT_EQ(Count(0x45), 0);
}

TEST_F(NonStand, ProgramSetStateRunsTheHandlerOnlyOnAChange) {
    ReadTev(5, true);
    form->SetNonStandChecked(true);
    EXPECT_EQ(form->Image.Izmen, 0) << "same state: no handler";
    form->SetNonStandChecked(false);
    EXPECT_EQ(form->Image.Izmen, 1);
    EXPECT_EQ(form->Image.GetDiap(), 0);
    EXPECT_FALSE(form->ButNonStand->isEnabled());
}

// A transmitter whose programmed range the window shows but may not program.
void NonStand::ExpectRefused(int model, int version, int tipD, int diap, const std::string& sensor) {
    sim::Transmitter& t = AddDevice(2, model, version);
    t.block[9] = static_cast<std::uint8_t>(tipD);
    t.block[10] = static_cast<std::uint8_t>(diap);
    OpenPort();
    Read(2);
    ASSERT_TRUE(form->ChBoxNonStand->isChecked());
    ASSERT_TRUE(form->ButNonStand->isEnabled());
    form->ButNonStand->click();
    EXPECT_EQ(messages.plains, (std::vector<std::string>{"Недопустим нестандартный диапазон"}));
    EXPECT_TRUE(shown.empty()) << "the dialog is not shown";
    EXPECT_EQ(Text(Dlg().StTipD->text()), sensor);
    EXPECT_FALSE(form->ChBoxNonStand->isChecked());
    EXPECT_FALSE(form->ButNonStand->isEnabled());
    EXPECT_EQ(form->Image.GetDiap(), form->Image.DiapStand) << "the untick ran";
    EXPECT_FALSE(form->CBoxMin->isHidden());
    EXPECT_EQ(form->Image.Izmen, 1);
    EXPECT_EQ(form->Image.FocusButton(), form->ButNonStand);
}

TEST_F(NonStand, RefusedBelowVersion3) { ExpectRefused(kTevTs, 2, 2, kPt100Ranges, "Pt100"); }

TEST_F(NonStand, RefusedForASensorWithoutNonStandardRange) { ExpectRefused(kTevTp, 4, 4, 6, "MK(T)"); }

TEST_F(NonStand, DialogShowsTheProgrammedRangeAndClosingAtOnceReadsAgain) {
    ReadTev(5, true);
    const std::size_t before = Requests().size();
    dialogScript.push_back([this](QDialog& dialog) {
        auto& d = static_cast<TFormNewRange&>(dialog);
        EXPECT_EQ(Text(d.StTipD->text()), "Pt100");
        EXPECT_EQ(Text(d.EditTN->text()), "-40");
        EXPECT_EQ(Text(d.EditTK->text()), "60");
        EXPECT_EQ(d.TN, -40.0);
        EXPECT_EQ(d.TK, 60.0);
        for (int k = 0; k < 8; ++k) {
            EXPECT_EQ(Text(d.ResultEdits[k + 1]->text()), std::to_string(1000 * (k + 1) - 3));
            EXPECT_EQ(d.YKod[k], 1000.0 * (k + 1) - 3);
        }
        EXPECT_EQ(Text(d.Edit10->text()), "8191");
        EXPECT_EQ(d.NoResult, 1) << "the pre-fill changed the limit texts";
        EXPECT_EQ(d.StdCount, kPt100Ranges);
        EXPECT_EQ(d.StdRanges[17].lo, -50.0f);
        EXPECT_EQ(d.StdRanges[17].hi, 100.0f);
        // Emptied limits show only if the reading after the dialog fails.
        line.Find(2)->faults.silent = true;
        d.reject();
    });
    form->ButNonStand->click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(Text(form->StMin->text()), "");
    EXPECT_EQ(Text(form->StMax->text()), "");
    ASSERT_GT(Requests().size(), before);
    EXPECT_EQ(Requests()[before].cmd, 0x11) << "the transmitter is read again";
    EXPECT_EQ(form->Image.GetDiap(), 0) << "the reading zeroed the block before it failed";
    EXPECT_EQ(form->Image.Vvod, 0) << "so nothing can be written from it";
}

TEST_F(NonStand, NoResultReadsTheTransmitterBackIntoTheWindow) {
    ReadTev(5, true);
    form->Image.PutNonStandMin(-45);  // an edit the dialog's outcome discards
    const std::size_t before = Requests().size();
    form->ButNonStand->click();  // the unscripted dialog is closed at once
    std::vector<int> cmds;
    for (std::size_t i = before; i < Requests().size(); ++i) cmds.push_back(Requests()[i].cmd);
    EXPECT_EQ(cmds, (std::vector<int>{0x11, 0x44, 0x47}));
    EXPECT_EQ(form->Image.GetNonStandMin(), -40);
    EXPECT_EQ(Text(form->StMin->text()), "-40");
    EXPECT_EQ(Text(form->StMax->text()), "60");
    EXPECT_EQ(form->Image.Izmen, 0);
}

TEST_F(NonStand, StandingCalculationIsTakenOverTruncated) {
    ReadTev();
    form->ChBoxNonStand->click();
    std::array<std::string, 8> codes;
    ScriptCalculation("-50,5", "99,9");
    dialogScript.back() = [first = dialogScript.back(), &codes](QDialog& dialog) {
        auto& d = static_cast<TFormNewRange&>(dialog);
        EXPECT_EQ(Text(d.EditTN->text()), "0") << "pre-filled from the transmitter's empty range";
        first(dialog);
        EXPECT_EQ(d.NoResult, 0);
        for (int k = 0; k < 8; ++k) codes[k] = Text(d.ResultEdits[k + 1]->text());
    };
    form->ButNonStand->click();
    ASSERT_EQ(shown.size(), 1u);
    ASSERT_TRUE(messages.boxes.empty()) << messages.boxes[0].text;
    ASSERT_TRUE(messages.plains.empty()) << messages.plains[0];
    EXPECT_EQ(form->Image.GetDiap(), kPt100Ranges);
    EXPECT_EQ(form->Image.GetNonStandMin(), -50);
    EXPECT_EQ(form->Image.GetNonStandMax(), 99);
    EXPECT_FLOAT_EQ(form->Image.TMin, -50.0f);
    EXPECT_FLOAT_EQ(form->Image.TMax, 99.0f);
    EXPECT_EQ(Text(form->StMin->text()), "-50");
    EXPECT_EQ(Text(form->StMax->text()), "99");
    EXPECT_EQ(Text(form->UstProc1->text()), Setpoint(form->Image.GetUstKod1()));
    EXPECT_EQ(Text(form->UstProc1->text()), "-20,2");  // -50 + 149 * 1638 / 8191
    EXPECT_EQ(Text(form->UstProc2->text()), "69,19");
    for (int k = 0; k < 8; ++k) EXPECT_EQ(std::to_string(form->Image.GetNonStandY(k)), codes[k]) << k;
    EXPECT_GT(form->Image.GetNonStandY(0), 0);
    EXPECT_EQ(form->Image.Izmen, 1);
    EXPECT_EQ(form->Image.FocusButton(), form->ButNonStand);
    EXPECT_EQ(Count(0x11), 1) << "nothing read or sent after the first reading";
}

TEST_F(NonStand, TakeOverAfterAReadingMarksTheImageChanged) {
    ReadTev(5, true);
    ASSERT_EQ(form->Image.Izmen, 0);
    ScriptCalculation("-50", "90");
    form->ButNonStand->click();
    ASSERT_EQ(form->Image.GetNonStandMax(), 90);
    EXPECT_EQ(form->Image.Izmen, 1) << "closing the window must offer to write the new range";
}

TEST_F(NonStand, AfterASensorChangeTheDialogStartsEmptyUnlessACalculationStands) {
    ReadTev(5, true);
    // What the sensor-type change leaves behind: not written, no result.
    form->Image.IzmenTipD = 1;
    Dlg().NoResult = 1;
    dialogScript.push_back([](QDialog& dialog) {
        auto& d = static_cast<TFormNewRange&>(dialog);
        EXPECT_EQ(Text(d.EditTN->text()), "0");
        EXPECT_EQ(Text(d.EditTK->text()), "0");
        EXPECT_EQ(d.TN, 0.0);
        EXPECT_EQ(d.TK, 0.0);
        for (int k = 0; k < 8; ++k) {
            EXPECT_EQ(Text(d.ResultEdits[k + 1]->text()), "0") << k;
            EXPECT_EQ(d.YKod[k], 0.0);
        }
        Type(d.EditTN, "-50,5");
        Type(d.EditTK, "99,9");
        d.Button1->click();
        d.reject();
    });
    form->ButNonStand->click();
    ASSERT_EQ(form->Image.GetNonStandMax(), 99);
    ASSERT_EQ(form->Image.IzmenTipD, 1);
    std::string code2;
    dialogScript.push_back([&code2](QDialog& dialog) {
        auto& d = static_cast<TFormNewRange&>(dialog);
        EXPECT_EQ(Text(d.EditTN->text()), "-50,5") << "the calculation since the change stands";
        EXPECT_EQ(Text(d.EditTK->text()), "99,9");
        EXPECT_EQ(d.NoResult, 0);
        code2 = Text(d.Edit2->text());
        d.reject();
    });
    form->ButNonStand->click();
    EXPECT_EQ(std::to_string(form->Image.GetNonStandY(0)), code2);
    EXPECT_EQ(form->Image.GetNonStandMin(), -50) << "taken over again";
}

TEST_F(NonStand, WriteCarriesRangeLimitsAndCodesToTheTransmitter) {
    sim::Transmitter& t = ReadTev();
    form->ChBoxNonStand->click();
    ScriptCalculation("-50,5", "99,9");
    form->ButNonStand->click();
    ASSERT_EQ(form->Image.GetDiap(), kPt100Ranges);
    std::array<int, 8> codes{};
    for (int k = 0; k < 8; ++k) codes[k] = form->Image.GetNonStandY(k);
    const auto untouched = t.block;
    form->OutPortClick();
    ASSERT_TRUE(messages.boxes.empty()) << messages.boxes[0].text;
    EXPECT_EQ(t.writes, 1);
    EXPECT_EQ(t.block[10], kPt100Ranges);
    EXPECT_EQ(Get16(t.block, 18), -50);
    EXPECT_EQ(Get16(t.block, 20), 99);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(Get16(t.block, 22 + 2 * k), codes[k]) << k;
    for (int i : {0, 1, 2, 3, 5, 6, 7, 8, 9, 11, 12, 38, 39}) EXPECT_EQ(t.block[i], untouched[i]) << i;
    // The read-back after the write recognises the programmed range.
    EXPECT_TRUE(form->ChBoxNonStand->isChecked());
    EXPECT_EQ(Text(form->StMin->text()), "-50");
    EXPECT_EQ(Text(form->StMax->text()), "99");
    EXPECT_EQ(form->Image.Izmen, 0);
}

}  // namespace
}  // namespace tservice::testing
