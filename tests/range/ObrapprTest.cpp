// The range calculation dialog on its own, shown and active on the offscreen
// platform so that focus changes run the exit checks as the operator's would.
#include <gtest/gtest.h>
#include <QCoreApplication>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

#include "Obrappr.h"
#include "ScriptedMessages.h"

namespace tservice {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedMessages;

const MsgBox kEntryError{" Ошибка ввода ", "Ошибка", MsgIcon::Error, MsgButtons::Ok, MsgAnswer::Ok};

MsgBox Warning(const char* text) { return {text, "Предупреждение", MsgIcon::Warning, MsgButtons::Ok, MsgAnswer::Ok}; }

std::string S(const QString& s) { return s.toStdString(); }

class RangeDialog : public ::testing::Test {
public:  // the table-driven cases play the operator through the fixture
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("rangeui_" + std::to_string(QCoreApplication::applicationPid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        dlg = std::make_unique<TFormNewRange>(messages, std::vector<std::string>{TSERVICE_TABLES_DIR});
    }
    void TearDown() override {
        dlg.reset();
        fs::remove_all(dir_);
    }

    // Shown and active: the focus moves between the fields with real events.
    void Show(const char* sensor = "Pt100") {
        dlg->StTipD->setText(QString::fromUtf8(sensor));
        dlg->FormShow();
        dlg->show();
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        dlg->EditTN->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), dlg->EditTN);
    }

    // The operator empties the field with Backspace and types text.
    void Type(QLineEdit* edit, const char* text) {
        edit->setFocus();
        edit->setCursorPosition(static_cast<int>(edit->text().size()));
        for (int n = static_cast<int>(edit->text().size()); n > 0; --n) QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, QString::fromUtf8(text));
    }

    // Both limits typed and "Расчет" pressed.
    void Calculate(const char* tn, const char* tk) {
        Type(dlg->EditTN, tn);
        Type(dlg->EditTK, tk);
        dlg->Button1->click();
    }

    // Tables in a folder of their own: rows first..last (step 1) with a
    // signal proportional to the temperature.
    void UseLinearTable(const char* file, int first, int last) {
        std::ofstream out(dir_ / file);
        for (int t = first; t <= last; ++t) out << t << " " << (t + 1000) * 0.25 << "\n";
        dlg->TableDirs = {dir_.string()};
    }

    std::string Codes() const {
        std::string s;
        for (QLineEdit* e : dlg->ResultEdits) s += S(e->text()) + " ";
        return s;
    }

    ScriptedMessages messages;
    std::unique_ptr<TFormNewRange> dlg;
    fs::path dir_;
};

TEST_F(RangeDialog, StartsWithoutResultAndShowsTheRangeEnd) {
    EXPECT_EQ(S(dlg->windowTitle()), "Программирование нестандартного диапазона измерения температур");
    EXPECT_TRUE(dlg->isModal());
    EXPECT_EQ(dlg->NoResult, 1);
    EXPECT_EQ(S(dlg->EditTN->text()), "00");
    EXPECT_EQ(S(dlg->EditTK->text()), "00");
    EXPECT_EQ(dlg->EditTN->maxLength(), 7);
    EXPECT_EQ(dlg->EditTK->maxLength(), 7);
    EXPECT_EQ(S(dlg->LabelTN->text()), "  Начало диапазона");
    EXPECT_EQ(S(dlg->LabelTK->text()), "   Конец диапазона");
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(S(dlg->Labels[i]->text()), "Y" + std::to_string(i + 1));
        EXPECT_FALSE(dlg->ResultEdits[i]->isEnabled()) << i;
        EXPECT_EQ(S(dlg->ResultEdits[i]->text()), "00") << i;
    }
    EXPECT_EQ(dlg->ResultEdits[0], dlg->Edit1);
    EXPECT_EQ(dlg->ResultEdits[9], dlg->Edit10);
    EXPECT_EQ(S(dlg->Button1->text()), "Расчет");
    dlg->FormShow();
    EXPECT_EQ(S(dlg->Edit10->text()), "8191");
    EXPECT_EQ(dlg->NoResult, 1);
}

TEST_F(RangeDialog, KeyFilterPassesSignedDecimalsAndStopsFaultyKeys) {
    Show();
    struct Row {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        bool passes;
    } rows[] = {
        {Qt::Key_7, Qt::NoModifier, true},       {Qt::Key_7, Qt::KeypadModifier, true},
        {Qt::Key_Comma, Qt::NoModifier, true},   {Qt::Key_Minus, Qt::NoModifier, true},
        {Qt::Key_Minus, Qt::KeypadModifier, true}, {Qt::Key_Period, Qt::KeypadModifier, true},
        {Qt::Key_Question, Qt::ShiftModifier, true},  // comma of the Russian layout
        {Qt::Key_Left, Qt::NoModifier, true},    {Qt::Key_Backspace, Qt::NoModifier, true},
        {Qt::Key_7, Qt::ShiftModifier, false},   {Qt::Key_A, Qt::NoModifier, false},
        {Qt::Key_Period, Qt::NoModifier, false}, {Qt::Key_Home, Qt::NoModifier, false},
        {Qt::Key_Up, Qt::NoModifier, false},     {Qt::Key_Escape, Qt::NoModifier, false},
        {Qt::Key_Comma, Qt::ShiftModifier, false}, {Qt::Key_Slash, Qt::NoModifier, false},
    };
    for (const Row& r : rows) {
        messages.Reset();
        dlg->EditTN->setText(QStringLiteral("12"));
        dlg->EditTN->setCursorPosition(2);
        dlg->NoResult = 0;
        QTest::keyClick(dlg->EditTN, r.key, r.mods);
        if (r.passes) {
            EXPECT_TRUE(messages.boxes.empty()) << r.key;
            EXPECT_EQ(messages.beeps, 0) << r.key;
        } else {
            ASSERT_EQ(messages.boxes.size(), 1u) << r.key;
            EXPECT_EQ(messages.boxes[0], kEntryError);
            EXPECT_EQ(messages.beeps, 1);
            EXPECT_EQ(S(dlg->EditTN->text()), "00") << "the faulty key never reaches the field";
            EXPECT_EQ(dlg->NoResult, 1);
        }
        EXPECT_EQ(QApplication::focusWidget(), dlg->EditTN) << r.key;
    }
    EXPECT_TRUE(dlg->isVisible()) << "Escape in a field does not close the dialog";
}

TEST_F(RangeDialog, PadDecimalTypesACommaInBothLimits) {
    Show();
    for (QLineEdit* field : {dlg->EditTN, dlg->EditTK}) {
        field->setFocus();
        field->clear();
        QTest::keyClick(field, Qt::Key_2);
        QTest::keyClick(field, Qt::Key_Period, Qt::KeypadModifier);  // '.' outside a Russian layout
        QTest::keyClick(field, Qt::Key_5);
        EXPECT_EQ(S(field->text()), "2,5");
    }
    dlg->EditTN->setFocus();
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(dlg->TK, 2.5);
}

TEST_F(RangeDialog, EnterMovesOnOrIsAnErrorOnAnEmptyField) {
    Show();
    Type(dlg->EditTN, "-20");
    QTest::keyClick(dlg->EditTN, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), dlg->EditTK);
    EXPECT_EQ(dlg->TN, -20.0) << "leaving stored the limit";
    EXPECT_TRUE(messages.boxes.empty());

    Type(dlg->EditTK, "");
    QTest::keyClick(dlg->EditTK, Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], kEntryError);
    EXPECT_EQ(S(dlg->EditTK->text()), "00");
    EXPECT_EQ(QApplication::focusWidget(), dlg->EditTK);
}

TEST_F(RangeDialog, LeavingChecksTheLimitWithItsOwnBounds) {
    Show();
    Type(dlg->EditTN, "-50,5");
    dlg->EditTK->setFocus();
    ASSERT_EQ(dlg->TN, -50.5);
    struct Row {
        const char* text;
        bool accepted;
        double tn;
    } rows[] = {
        {"32767", true, 32767},    {"-32767", true, -32767}, {"32768", false, 0},  {"-32768", false, 0},
        {"1,2,3", false, 0},       {"12,", false, 0},        {"5-", false, 0},     {"--5", false, 0},
        {"-", false, 0},           {"1б", false, 0},         {"1Б", false, 0},     {"1?", false, 0},
        {"", false, 0},            {",5", true, 0.5},        {"-0", true, 0},      {"1e3", false, 0},
    };
    double previous = dlg->TN;
    for (const Row& r : rows) {
        messages.Reset();
        dlg->EditTN->setFocus();
        dlg->EditTN->setText(QString::fromUtf8(r.text));  // pasted: no key filter
        QColor during;
        messages.onShow = [&](const MsgBox&) { during = dlg->EditTN->palette().color(QPalette::Base); };
        dlg->EditTK->setFocus();
        messages.onShow = nullptr;
        if (r.accepted) {
            EXPECT_TRUE(messages.boxes.empty()) << r.text;
            EXPECT_EQ(dlg->TN, r.tn) << r.text;
            EXPECT_EQ(S(dlg->EditTN->text()), r.text);
            previous = dlg->TN;
        } else {
            ASSERT_EQ(messages.boxes.size(), 1u) << r.text;
            EXPECT_EQ(messages.boxes[0], kEntryError);
            EXPECT_EQ(messages.beeps, 1);
            EXPECT_EQ(during, QColor(Qt::red)) << r.text;
            EXPECT_EQ(dlg->EditTN->palette().color(QPalette::Base), QColor(Qt::white));
            EXPECT_EQ(dlg->TN, previous) << r.text;
            EXPECT_EQ(S(dlg->EditTN->text()), PlainDecimal(previous)) << "the previous value is shown again";
        }
    }
    EXPECT_FALSE(std::signbit(dlg->TN)) << "-0 is stored as 0";
}

TEST_F(RangeDialog, EntryErrorIsShownOnceThoughTheBoxTakesTheFocus) {
    Show();
    Type(dlg->EditTN, "15");
    dlg->EditTK->setFocus();
    dlg->EditTN->setFocus();
    dlg->EditTN->setText(QStringLiteral("1,2,3"));
    // A real box becomes the active window; here it moves the focus itself.
    messages.onShow = [&](const MsgBox&) { dlg->Button1->setFocus(); };
    dlg->EditTK->setFocus();
    EXPECT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(dlg->TN, 15.0);
    EXPECT_EQ(S(dlg->EditTN->text()), "15");
    // A faulty key in a field that holds a faulty text, the box taking the
    // focus away: still one box, and the field ends with "00".
    messages.Reset();
    messages.onShow = [&](const MsgBox&) { dlg->EditTK->setFocus(); };
    dlg->EditTN->setFocus();
    dlg->EditTN->setText(QStringLiteral("1,2,3"));
    QTest::keyClick(dlg->EditTN, Qt::Key_X);
    EXPECT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(S(dlg->EditTN->text()), "00");
}

TEST_F(RangeDialog, ErrorBoxAsAnotherActiveWindowLeavesNoFieldBehind) {
    Show();
    Type(dlg->EditTN, "15");
    dlg->EditTK->setFocus();
    dlg->EditTN->setFocus();
    dlg->EditTN->setText(QStringLiteral("1,2,3"));
    QWidget box;  // stands for the message box: a window of its own
    messages.onShow = [&](const MsgBox&) {
        box.show();
        box.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&box));
        dlg->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    };
    dlg->EditTK->setFocus();
    messages.onShow = nullptr;
    EXPECT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(S(dlg->EditTN->text()), "15");
    EXPECT_EQ(QApplication::focusWidget(), dlg->EditTK);
    // The field the operator came back to is checked when left, once.
    messages.Reset();
    dlg->EditTK->setText(QStringLiteral("--5"));
    dlg->Button1->setFocus();
    EXPECT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(S(dlg->EditTK->text()), "0");
}

TEST_F(RangeDialog, EveryChangeOfALimitTextMeansNoResult) {
    dlg->NoResult = 0;
    dlg->EditTN->setText(QStringLiteral("00"));
    EXPECT_EQ(dlg->NoResult, 0) << "the same text is no change";
    dlg->EditTK->setText(QStringLiteral("5"));
    EXPECT_EQ(dlg->NoResult, 1) << "a program change counts";
    dlg->NoResult = 0;
    dlg->Edit3->setText(QStringLiteral("77"));
    EXPECT_EQ(dlg->NoResult, 0) << "codes are no limits";
    dlg->Preset(-50, 100, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(dlg->NoResult, 1);
    EXPECT_EQ(dlg->TN, -50.0);
    EXPECT_EQ(dlg->TK, 100.0);
    EXPECT_EQ(S(dlg->Edit2->text()), "1");
    EXPECT_EQ(S(dlg->Edit9->text()), "8");
    EXPECT_EQ(dlg->YKod[7], 8.0);
}

TEST_F(RangeDialog, CalculationWithBothLimitsAtZeroIsRefused) {
    Show();
    dlg->Button1->click();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], Warning(kRefuseNoRange));
    EXPECT_TRUE(messages.plains.empty());
    EXPECT_EQ(dlg->NoResult, 1);
    EXPECT_EQ(QApplication::focusWidget(), dlg->EditTN);
}

TEST_F(RangeDialog, MissingTableIsAPlainMessage) {
    Show();
    dlg->TableDirs = {dir_.string()};  // holds no table
    Calculate("0", "50");
    ASSERT_EQ(messages.plains.size(), 1u);
    EXPECT_EQ(messages.plains[0], "Файл  не удается открыть");
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(dlg->NoResult, 1);
    messages.Reset();
    dlg->StTipD->setText(QStringLiteral("MK(T)"));  // no table at all
    dlg->TableDirs = {TSERVICE_TABLES_DIR};
    dlg->Button1->click();
    ASSERT_EQ(messages.plains.size(), 1u);
    EXPECT_EQ(messages.plains[0], "Файл  не удается открыть");
}

TEST_F(RangeDialog, LinearTableGivesTheNodeCodesAndTheRangeEnd) {
    Show();
    UseLinearTable("PT100.txt", -200, 850);
    Calculate("-100", "300");
    EXPECT_TRUE(messages.boxes.empty()) << messages.boxes[0].text;
    EXPECT_EQ(Codes(), "00 512 1024 2048 3072 4096 5120 6144 7168 8191 ");
    EXPECT_EQ(dlg->NoResult, 0);
    EXPECT_NEAR(dlg->YKod[0], 512.0, 1e-6);
    EXPECT_EQ(S(dlg->LabDeviation->text()).rfind("наибольшее отклонение 0,0", 0), 0u)
        << S(dlg->LabDeviation->text());
}

TEST_F(RangeDialog, RefusalKeepsTheShownCodes) {
    Show();
    Calculate("-50", "-30");  // span = minimum of Pt100
    ASSERT_TRUE(messages.boxes.empty());
    ASSERT_EQ(dlg->NoResult, 0);
    const std::string codes = Codes();
    EXPECT_NE(codes, "00 00 00 00 00 00 00 00 00 8191 ");
    EXPECT_FALSE(dlg->LabDeviation->text().isEmpty());

    Type(dlg->EditTK, "-31");
    dlg->Button1->click();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], Warning(kRefuseNarrow));
    EXPECT_EQ(Codes(), codes);
    EXPECT_EQ(dlg->NoResult, 1);
    EXPECT_TRUE(dlg->LabDeviation->text().isEmpty()) << "no deviation for a result that no longer stands";
}

TEST_F(RangeDialog, StandardPairIsRefusedAndOneDegreeOffIsCalculated) {
    const RangeLimits standard[] = {{-200, -150}, {-50, 100}, {0, 600}};
    dlg->SetStdRanges(standard, 3);
    Show();
    Calculate("-50", "100");
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], Warning(kRefuseStandard));
    messages.Reset();
    Type(dlg->EditTK, "101");
    dlg->Button1->click();
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(dlg->NoResult, 0);
}

TEST_F(RangeDialog, StandardRangesAreCopiedUpToTheLargestTable) {
    RangeLimits many[60];
    for (int i = 0; i < 60; ++i) many[i] = {static_cast<float>(i), static_cast<float>(i + 100)};
    dlg->SetStdRanges(many, 60);
    EXPECT_EQ(dlg->StdCount, kMaxStdRanges);
    EXPECT_EQ(dlg->StdRanges[46].lo, 46.0f);
    many[0].lo = -7;
    EXPECT_EQ(dlg->StdRanges[0].lo, 0.0f) << "a copy";
    dlg->SetStdRanges(nullptr, 5);
    EXPECT_EQ(dlg->StdCount, 0);
}

TEST_F(RangeDialog, PendingEntryIsCheckedByTheCalculation) {
    Show();
    Type(dlg->EditTN, "-50");
    Type(dlg->EditTK, "-30");
    ASSERT_EQ(QApplication::focusWidget(), dlg->EditTK);
    dlg->Button1Click();  // as from the keyboard: the focus never left EditTK
    EXPECT_EQ(dlg->TK, -30.0);
    EXPECT_EQ(dlg->NoResult, 0);
    EXPECT_EQ(QApplication::focusWidget(), dlg->EditTN);
}

TEST_F(RangeDialog, ClosingGivesTheOutcome) {
    struct Row {
        const char* name;
        std::function<void(RangeDialog&)> play;
        int outcome;
    } rows[] = {
        {"nothing calculated", [](RangeDialog&) {}, kRangeNoResult},
        {"calculated", [](RangeDialog& t) { t.Calculate("-50", "-30"); }, kRangeResultStands},
        {"limit edited after the calculation",
         [](RangeDialog& t) {
             t.Calculate("-50", "-30");
             t.Type(t.dlg->EditTN, "-40");
         },
         kRangeNoResult},
        {"refused after a calculation",
         [](RangeDialog& t) {
             t.Calculate("-50", "-30");
             t.Type(t.dlg->EditTK, "-31");
             t.dlg->Button1->click();
         },
         kRangeNoResult},
        {"limit emptied by the program", [](RangeDialog& t) {
             t.Calculate("-50", "-30");
             t.dlg->NoResult = 0;
             QSignalBlocker block(t.dlg->EditTK);
             t.dlg->EditTK->clear();
         },
         kRangeNoResult},
    };
    for (const Row& r : rows) {
        dlg = std::make_unique<TFormNewRange>(messages, std::vector<std::string>{TSERVICE_TABLES_DIR});
        messages.Reset();
        Show();
        r.play(*this);
        dlg->reject();  // the close box
        EXPECT_FALSE(dlg->isVisible()) << r.name;
        EXPECT_EQ(dlg->result(), r.outcome) << r.name;
    }
}

TEST_F(RangeDialog, LeavingACodeFieldStoresItWithoutCheck) {
    dlg->EditTNExit(dlg->Edit4);
    EXPECT_EQ(dlg->YKod[2], 0.0) << "\"00\"";
    dlg->Edit4->setText(QStringLiteral("2050"));
    dlg->EditTNExit(dlg->Edit4);
    EXPECT_EQ(dlg->YKod[2], 2050.0);
    dlg->Edit9->setText(QStringLiteral("40000"));
    dlg->EditTNExit(dlg->Edit9);
    EXPECT_EQ(dlg->YKod[7], 40000.0);
    EXPECT_TRUE(messages.boxes.empty());
}

TEST(RangeTexts, PlainDecimalAndDeviation) {
    EXPECT_EQ(PlainDecimal(-50.5), "-50,5");
    EXPECT_EQ(PlainDecimal(0.0), "0");
    EXPECT_EQ(PlainDecimal(-0.0), "0");
    EXPECT_EQ(PlainDecimal(415), "415");
    EXPECT_EQ(PlainDecimal(0.00001), "0,00001");
    EXPECT_EQ(DeviationText(0.1234, 415), "наибольшее отклонение 0,12 °С при 415 °С");
    EXPECT_EQ(DeviationText(1.005, -50.5), "наибольшее отклонение 1,00 °С при -50,5 °С");
}

}  // namespace
}  // namespace tservice
