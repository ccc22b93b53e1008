// Start-up and reading a transmitter: layout per model and version, the
// values shown, the privilege state, and what a reading refuses to take.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QScrollArea>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "GuiFixture.h"
#include "Obrline.h"
#include "Obrappr.h"
#include "Obrlistdevice.h"
#include "Obrnastr.h"
#include "Obrport.h"

namespace tservice::testing {
namespace {

using Names = std::vector<const char*>;

class Form1Read : public GuiTest {
protected:
    QWidget* W(const char* name) const {
        // The window's own controls first: its dialogs reuse some names.
        auto* w = form->Body->findChild<QWidget*>(QString::fromLatin1(name));
        if (w == nullptr) w = form->findChild<QWidget*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    std::string T(const char* name) const {
        if (auto* l = qobject_cast<QLabel*>(W(name))) return Text(l->text());
        if (auto* e = qobject_cast<QLineEdit*>(W(name))) return Text(e->text());
        if (auto* c = qobject_cast<QComboBox*>(W(name))) return Text(c->currentText());
        return "?";
    }
    std::vector<std::string> Items(QComboBox* box) const {
        std::vector<std::string> out;
        for (int i = 0; i < box->count(); ++i) out.push_back(Text(box->itemText(i)));
        return out;
    }
    void ExpectShown(const Names& names, bool shown) const {
        for (const char* n : names) EXPECT_EQ(!W(n)->isHidden(), shown) << n;
    }
};

TEST_F(Form1Read, StartUpShowsTheEmptyWindowAndSendsNothing) {
    EXPECT_EQ(Text(form->windowTitle()), "Сервисная программа ЛАДР, ТЕВ-ТП, ТЕВ-ТС, ОСКИ");
    EXPECT_EQ(form->NuCur, 0);
    EXPECT_EQ(form->ServClass.NuNew, 0);
    EXPECT_TRUE(form->ReportErrors);
    EXPECT_EQ(T("CBoxUstr"), "1");
    EXPECT_EQ(T("CBoxUstrZ"), "1");
    EXPECT_EQ(form->CBoxUstr->count(), 32);
    EXPECT_EQ(Text(form->CBoxUstr->itemText(31)), "32");
    EXPECT_EQ(form->Image.Izmen, 0) << "selecting the start numbers is no edit";
    EXPECT_EQ(T("Panel1"), "");
    EXPECT_EQ(T("Label27"), "");
    ExpectShown({"GBoxKanal", "GBoxSign", "GBoxTEVTP", "LabReg", "LabTimer", "ProgressBar1", "Contr",
                 "LabRegKalibr", "Label22", "LabTipKont", "CBoxTipK", "LabBreak", "CBoxBreak", "ButSwitch",
                 "Label24", "Label25", "LabRegKalibrTXC", "ComboBox1", "ComboBox2", "ComboBox3"},
                false);
    EXPECT_FALSE(form->Edit1->isEnabled());
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 3000);
    EXPECT_FALSE(form->Link.PortOpen());
    EXPECT_EQ(form->Link.PortName, "COM1");
    EXPECT_EQ(form->Link.BaudText, "9600");
    EXPECT_EQ(form->Link.ParityChar, 'N');
    EXPECT_EQ(form->Link.StopText, "2");
    EXPECT_TRUE(port.requests.empty());
    EXPECT_TRUE(messages.boxes.empty());
    // The dialogs exist in the order of start-up, all children of the window.
    const auto dialogs = form->findChildren<QDialog*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(dialogs.size(), 5);
    EXPECT_EQ(dialogs[0], static_cast<QDialog*>(form->FormPort));
    EXPECT_EQ(dialogs[1], static_cast<QDialog*>(form->FormNastr));
    EXPECT_EQ(dialogs[2], static_cast<QDialog*>(form->FormNewRange));
    EXPECT_EQ(dialogs[3], static_cast<QDialog*>(form->FormDevice));
    EXPECT_EQ(dialogs[4], static_cast<QDialog*>(form->FormLine));
}

TEST_F(Form1Read, ControlsCarryTheirCaptionsAndItems) {
    // The window's own texts, each as the operator reads it.
    const std::pair<QString, const char*> texts[] = {
        {QString::fromStdString(T("LabelNu")), "Устр. №"},
        {QString::fromStdString(T("Label20")), "Изм. № устр."},
        {QString::fromStdString(T("LabelTip")), "Тип прибора"},
        {QString::fromStdString(T("LabReg")), "      Режим        программирования"},
        {QString::fromStdString(T("LabTimer")), "запущен таймер"},
        {QString::fromStdString(T("Label18")), "        Норма"},
        {QString::fromStdString(T("Label19")), "     Норма"},
        {QString::fromStdString(T("Label22")), "     в °С"},
        {QString::fromStdString(T("LabKTxc")), "Коэффициент расчета поправки Тхс:   А1="},
        {form->BtnPuskTimer->text(), "Пуск и остановка таймера"},
        {form->GBoxKanal->title(), "Измерительный канал (привилегированные функции программирования)"},
        {form->GBoxSign->title(), "Сигнализация (непривилегированные функции программирования)"},
        {form->GBoxTEVTP->title(), "ТЕВ-ТП: Канал температуры свободного конца ТП (холодного спая термопары) "},
        {form->GBoxNonStand->title(), "Нестандартный диапазон"},
        {form->ButSwitch->toolTip(), "Кнопка переключения режима"},
        {form->AInPort->text(), "Ввод с СОМ-порта"},
        {form->AInPort->toolTip(), "Ввод с СОМ-порта (F9)"},
        {form->APort->text(), "Настройка СОМ порта"},
        {form->MenuPort->title(), "&Порт        "},
        {form->ALine->text(), "Линия"},
        {form->MenuParol->title(), "                Пароль"},
    };
    for (const auto& [shown, expected] : texts) EXPECT_EQ(Text(shown), expected);
    const std::pair<QComboBox*, std::vector<std::string>> lists[] = {
        {form->CBoxTipSign, {"LH", "LL", "HH"}},
        {form->CBoxTipK, {"нр", "нз"}},
        {form->CBoxBreak, {"ток min", "ток max"}},
        {form->CBoxConnect, {"4-х проводная", "3-х проводная"}},
        {form->ComboBox3, {"корневой", "линейный"}},
    };
    for (const auto& [box, items] : lists) EXPECT_EQ(Items(box), items);
    EXPECT_EQ(Items(form->CBoxCurrent).size(), 16u);
    EXPECT_EQ(Items(form->CBoxCurrent)[7], "+28 мкА");
    EXPECT_EQ(Items(form->CBoxCurrent)[8], "- 4 мкА");
    EXPECT_EQ(Items(form->CBoxCurrentEnd)[6], "- 4 мкА");
    EXPECT_EQ(Items(form->CBoxCurrentEnd)[15], "-40 мкА");
    EXPECT_EQ(Items(form->ComboBox1).size(), 11u);
    EXPECT_EQ(Items(form->ComboBox1)[10], "");

    EXPECT_EQ(form->BtnPuskTimer->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(form->UstProc1->maxLength(), 8);
    EXPECT_EQ(form->Edit1->maxLength(), 8);
    EXPECT_EQ(form->KTxc->maxLength(), 7);
    EXPECT_TRUE(form->ButSwitch->isCheckable());
    EXPECT_EQ(form->CBoxCurrent->currentIndex(), 0);
    EXPECT_EQ(form->AInPort->shortcut(), QKeySequence(Qt::Key_F9));
    EXPECT_EQ(form->AOutPort->shortcut(), QKeySequence(Qt::Key_F10));
    EXPECT_EQ(form->AParol->shortcut(), QKeySequence(Qt::Key_F8));
    EXPECT_TRUE(form->AListDevice->text().isEmpty());
    ASSERT_EQ(form->MenuPort->actions().size(), 4);
    EXPECT_EQ(Text(form->MenuPort->actions()[3]->text()), "Список устройств");
    EXPECT_TRUE(form->MenuVid->actions().contains(form->ALine));
    EXPECT_FALSE(form->MenuParol->menuAction()->isVisible());
    EXPECT_TRUE(form->AParol->isVisible()) << "F8 must work with its menu and button hidden";
}

struct ModelCase {
    int model;
    int version;
    const char* panel;
    int panelX;
    int panelW;
    Names shown;
    Names hidden;
};

class Form1Layout : public Form1Read, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(Form1Layout, LaysOutPerModelAndVersion) {
    const ModelCase& c = GetParam();
    AddDevice(3, c.model, c.version);
    OpenPort();
    Read(3);
    ASSERT_TRUE(messages.boxes.empty()) << messages.boxes[0].text;
    EXPECT_EQ(form->Image.Vvod, 1);
    EXPECT_EQ(form->Image.VidOk, 1);
    EXPECT_EQ(form->Image.Izmen, 0);
    EXPECT_EQ(form->Image.IzmenTipD, 0);
    EXPECT_EQ(T("Panel1"), c.panel);
    EXPECT_EQ(form->Panel1->x(), c.panelX);
    EXPECT_EQ(form->Panel1->width(), c.panelW);
    ExpectShown({"LabReg", "GBoxKanal", "GBoxSign"}, true);
    ExpectShown(c.shown, true);
    ExpectShown(c.hidden, false);
    EXPECT_EQ(T("Contr"), "InPortClick " + std::to_string(form->Image.GetDiap()));
    EXPECT_EQ(T("CBoxUstr"), "3");
    EXPECT_EQ(T("CBoxUstrZ"), "3");
}

INSTANTIATE_TEST_SUITE_P(
    Models, Form1Layout,
    ::testing::Values(
        ModelCase{kLadr, 5, "ЛАДР  731590.003  ПО.V5  0x5A17C3E9", 170, 300,
                  {"Label4", "CBoxTipD", "Label23", "LabTipKont", "CBoxTipK", "LabBreak", "CBoxBreak", "LabCurrent",
                   "CBoxCurrent", "LabCurrentEnd", "CBoxCurrentEnd", "Label7", "CBoxTipSign", "UstProc1", "StNar"},
                  {"GBoxTEVTP", "Label5", "CBoxMin", "CBoxMax", "GBoxNonStand", "Label21", "Label22", "Label26",
                   "CBoxConnect", "ButSwitch", "Label24", "Label25", "Edit1"}},
        // Version 4 brings the end-of-scale correction; version 3 the contact type.
        ModelCase{kLadr, 4, "ЛАДР-v4", 272, 73,
                  {"LabTipKont", "CBoxTipK", "LabBreak", "CBoxCurrent", "LabCurrentEnd", "CBoxCurrentEnd"}, {}},
        ModelCase{kLadr, 3, "ЛАДР-v3", 272, 73, {"LabTipKont", "CBoxTipK", "LabBreak", "CBoxCurrent"},
                  {"LabCurrentEnd", "CBoxCurrentEnd"}},
        ModelCase{kTevTs, 5, "ТЕВ-ТС МЕ  618204.002  ПО.V5  0x7C20F4A5", 170, 300,
                  {"Label5", "CBoxMin", "CBoxMax", "GBoxNonStand", "Label21", "Label22", "Label26", "CBoxConnect",
                   "CBoxTipD", "CBoxCurrentEnd"},
                  {"GBoxTEVTP", "Label23", "ButSwitch", "Edit1"}},
        ModelCase{kTevTs, 3, "ТЕВ-ТС-v3", 272, 73, {"Label26", "CBoxConnect", "CBoxTipK"}, {"CBoxCurrentEnd"}},
        ModelCase{kTevTs, 2, "ТЕВ-ТС-v2", 272, 73, {"LabBreak", "CBoxBreak", "LabCurrent", "CBoxCurrent"},
                  {"Label26", "CBoxConnect", "LabTipKont", "CBoxTipK", "CBoxCurrentEnd"}},
        ModelCase{kTevTs, 1, "ТЕВ-ТС-v1", 272, 73, {"CBoxTipD"},
                  {"LabBreak", "CBoxBreak", "LabCurrent", "CBoxCurrent", "CBoxCurrentEnd", "CBoxTipK"}},
        ModelCase{kTevTp, 4, "ТЕВ-ТП МЕ  618214.003  ПО.V4  0x93E6B1D0", 170, 300,
                  {"GBoxTEVTP", "Label5", "CBoxMin", "GBoxNonStand", "Label21", "CBoxCurrentEnd", "CBoxTipK"},
                  {"Label23", "Label26", "CBoxConnect", "ButSwitch"}},
        ModelCase{kTevTp, 3, "ТЕВ-ТП-v3", 272, 73, {"GBoxTEVTP", "CBoxTipK"}, {"CBoxCurrentEnd"}},
        ModelCase{kOski, 2, "ОСКИ  731590.005  ПО.V2  0x1D4B8E62", 170, 300,
                  {"Label23", "Label24", "ButSwitch", "Label25", "Edit1", "LabBreak", "CBoxBreak", "CBoxCurrent"},
                  {"GBoxTEVTP", "Label4", "CBoxTipD", "Label5", "CBoxMin", "GBoxNonStand", "Label7", "Label8",
                   "Label9", "Label10", "Label11", "Label19", "Label22", "CBoxTipSign", "StUstKod1", "StUstKod2",
                   "StNar", "UstProc1", "UstProc2", "LabTipKont", "CBoxTipK", "CBoxCurrentEnd", "Label26"}},
        ModelCase{kOski, 1, "ОСКИ-v1", 272, 73, {"ButSwitch"}, {"LabBreak", "CBoxCurrent"}}));

TEST_F(Form1Read, LadrValuesAreShownInTheirFormats) {
    sim::Transmitter& t = AddDevice(1, kLadr, 5);
    OpenPort();
    Read(1);
    ASSERT_TRUE(messages.boxes.empty());
    EXPECT_EQ(T("CBoxTipD"), "корневой");
    EXPECT_EQ(Items(form->CBoxTipD), (std::vector<std::string>{"корневой", "линейный"}));
    EXPECT_EQ(T("StKBegSk"), "2410");
    EXPECT_EQ(T("StKEndSk"), "28650");
    EXPECT_EQ(T("StRez"), "6553");
    EXPECT_EQ(T("StKodACP"), std::to_string(t.kodAcp));
    EXPECT_EQ(T("StRezGrMA"), "10,400");
    EXPECT_EQ(T("StRezProc"), "39,999");
    EXPECT_EQ(T("StUstKod1"), "3276");
    EXPECT_EQ(T("StUstKod2"), "13106");
    EXPECT_EQ(T("UstProc1"), "20,00");
    EXPECT_EQ(T("UstProc2"), "80,00");
    EXPECT_EQ(T("CBoxTipSign"), "LH");
    EXPECT_EQ(T("CBoxBreak"), "ток min");
    EXPECT_EQ(T("CBoxTipK"), "нр");
    EXPECT_EQ(T("CBoxCurrent"), "0 мкА");
    EXPECT_EQ(T("StSost"), "000");
    EXPECT_EQ(T("StNar"), "00");
    EXPECT_EQ(T("Label27"), "привилегированный");
    EXPECT_EQ(LetterColor(form->Label27), kRed);
    EXPECT_FALSE(form->ChBoxNonStand->isEnabled()) << "корневой admits no non-standard range";
    EXPECT_EQ(Commands(), (std::vector<std::pair<int, int>>{{1, 0x11}, {1, 0x44}, {1, 0x47}}));
    EXPECT_EQ(Requests()[2].data, (std::vector<std::uint8_t>{0x00, 0x01}));
}

TEST_F(Form1Read, TevTsShowsRangeListsConnectionAndTemperatures) {
    sim::Transmitter& t = AddDevice(2, kTevTs, 5);
    t.correction = 10;
    t.ResetBlock();
    t.block[38] = 0x58;  // CurrentEnd 8
    OpenPort();
    Read(2);
    ASSERT_TRUE(messages.boxes.empty());
    EXPECT_EQ(T("CBoxTipD"), "Pt100");
    EXPECT_EQ(Items(form->CBoxMin), (std::vector<std::string>{"-200", "-150", "-120", "-100", "-90", "-70", "-50",
                                                              "-30", "-25", "-20", "0", "50", "100", "200", "-10"}));
    EXPECT_EQ(T("CBoxMin"), "-50");
    EXPECT_EQ(T("CBoxMax"), "100");
    EXPECT_FLOAT_EQ(form->Image.TMin, -50.0f);
    EXPECT_FLOAT_EQ(form->Image.TMax, 100.0f);
    EXPECT_EQ(form->Image.DiapStand, 17);
    EXPECT_EQ(T("CBoxConnect"), "4-х проводная");
    EXPECT_EQ(T("CBoxCurrent"), "-12 мкА");
    EXPECT_EQ(T("CBoxCurrentEnd"), "-12 мкА");
    EXPECT_EQ(T("StRez"), "3276");
    EXPECT_EQ(T("StRezGrMA"), "9,99");
    EXPECT_EQ(T("StRezProc"), "39,995");
    EXPECT_EQ(T("UstProc1"), "-20");
    EXPECT_EQ(T("UstProc2"), "69,99");  // code 6552 of -50…100: shown as stored
    EXPECT_TRUE(form->ChBoxNonStand->isEnabled());
    EXPECT_FALSE(form->ChBoxNonStand->isChecked());
    EXPECT_FALSE(form->ButNonStand->isEnabled());
    EXPECT_EQ((form->Image.Baza[5] >> 4) & 0x0F, 10) << "correction code from the identification";
}

TEST_F(Form1Read, NonStandardRangeIsTakenFromItsLimits) {
    sim::Transmitter& t = AddDevice(2, kTevTs, 5);
    t.block[10] = 47;  // one past the last standard range of table F
    t.block[18] = static_cast<std::uint8_t>(-40 & 0xFF);
    t.block[19] = 0xFF;
    t.block[20] = 60;
    t.block[21] = 0;
    OpenPort();
    Read(2);
    ASSERT_TRUE(messages.boxes.empty());
    EXPECT_EQ(T("StMin"), "-40");
    EXPECT_EQ(T("StMax"), "60");
    EXPECT_FLOAT_EQ(form->Image.TMin, -40.0f);
    EXPECT_FLOAT_EQ(form->Image.TMax, 60.0f);
    EXPECT_TRUE(form->ChBoxNonStand->isChecked());
    EXPECT_TRUE(form->ButNonStand->isEnabled());
    ExpectShown({"CBoxMin", "CBoxMax"}, false);
    EXPECT_EQ(form->Image.GetDiap(), 47) << "filling leaves Diap as read";
    EXPECT_EQ(form->Image.DiapStand, 0);
}

TEST_F(Form1Read, TevTpShowsTheColdJunction) {
    AddDevice(3, kTevTp, 4);
    OpenPort();
    Read(3);
    ASSERT_TRUE(messages.boxes.empty());
    EXPECT_EQ(T("CBoxTipD"), "XA(K)");
    EXPECT_EQ(Items(form->CBoxMin), (std::vector<std::string>{"-50", "0", "200", "400", "600"}));
    EXPECT_EQ(T("CBoxMax"), "200");
    EXPECT_EQ(T("StRezGrMA"), "79,99");
    EXPECT_EQ(T("StBegSkTxc"), "2150");
    EXPECT_EQ(T("StEndSkTxc"), "27300");
    EXPECT_EQ(T("KTxc"), "41");
    EXPECT_EQ(T("StTxc"), "2048");
    EXPECT_EQ(T("StTxcGrad"), "25,00");
    EXPECT_EQ(BackColor(form->StTxcGrad), InfoColor());
}

TEST_F(Form1Read, FaultyColdJunctionValueIsEmptyOnRed) {
    for (const auto& [txc, kod] : std::vector<std::pair<int, int>>{{-32768, 100}, {100, 0x7FFF}, {100, -0x8000}}) {
        line = sim::Line();
        sim::Transmitter& t = AddDevice(3, kTevTp, 4);
        t.txc = txc;
        t.kodTxc = kod;
        OpenPort();
        Read(3);
        EXPECT_EQ(T("StTxcGrad"), "") << txc << " " << kod;
        EXPECT_EQ(BackColor(form->StTxcGrad), kRed);
    }
}

TEST_F(Form1Read, StateBitsColourTheirFields) {
    sim::Transmitter& t = AddDevice(1, kTevTs, 5);
    t.rez = -5;  // below the scale and below setpoint 1 (LH): Sost 0x21
    OpenPort();
    Read(1);
    EXPECT_EQ(form->Image.GetSost(), 0x21);
    EXPECT_EQ(T("StSost"), "001");
    EXPECT_EQ(BackColor(form->StSost), kRed);
    EXPECT_EQ(LetterColor(form->StSost), QColor(Qt::white)) << "readable on red";
    EXPECT_EQ(T("Label18"), "Переполнение");
    EXPECT_EQ(LetterColor(form->Label18), kRed);
    EXPECT_EQ(T("StNar"), "01");
    EXPECT_EQ(BackColor(form->StNar), kRed);
    EXPECT_EQ(T("Label19"), "Нарушение");
    EXPECT_EQ(LetterColor(form->Label19), kRed);

    t.block[4] = 2;  // HH: no setpoint is passed by a value below the scale: Sost 0x20
    Read(1);
    EXPECT_EQ(form->Image.GetSost(), 0x20);
    EXPECT_EQ(T("StSost"), "001");
    EXPECT_EQ(BackColor(form->StSost), kRed);
    EXPECT_EQ(T("StNar"), "00");
    EXPECT_EQ(BackColor(form->StNar), kTeal);
    EXPECT_EQ(T("Label19"), "     Норма");
    EXPECT_EQ(LetterColor(form->Label19), kTeal);

    t.rez = 4000;
    Read(1);
    EXPECT_EQ(T("StSost"), "000");
    EXPECT_EQ(BackColor(form->StSost), kTeal);
    EXPECT_EQ(LetterColor(form->StSost), QColor(Qt::white)) << "readable on teal";
    EXPECT_EQ(T("Label18"), "       Норма");
    EXPECT_EQ(LetterColor(form->Label18), kTeal);
}

TEST_F(Form1Read, UnprivilegedTransmitterDisablesTheTenControls) {
    sim::Transmitter& t = AddDevice(1, kTevTp, 4);
    t.privileged = false;
    OpenPort();
    Read(1);
    EXPECT_EQ(T("Label27"), "непривилегированный");
    EXPECT_EQ(LetterColor(form->Label27), kNavy);
    for (const char* n : {"Button1", "Button2", "CBoxTipD", "CBoxMin", "CBoxMax", "CBoxConnect", "KalibrBegSk",
                          "KalibrEndSk", "CBoxCurrent", "CBoxCurrentEnd"})
        EXPECT_FALSE(W(n)->isEnabled()) << n;
    EXPECT_TRUE(form->CBoxTipSign->isEnabled());
    t.privileged = true;
    Read(1);
    EXPECT_EQ(T("Label27"), "привилегированный");
    EXPECT_TRUE(form->CBoxMin->isEnabled());
}

TEST_F(Form1Read, OskiLayoutSwitchesOutputControlOffOnce) {
    AddDevice(4, kOski, 2);
    OpenPort();
    Read(4);
    ASSERT_TRUE(messages.boxes.empty());
    EXPECT_FALSE(form->ButSwitch->isChecked());
    EXPECT_FALSE(form->Edit1->isEnabled());
    EXPECT_FALSE(form->Label25->isEnabled());
    EXPECT_EQ(Commands(), (std::vector<std::pair<int, int>>{{4, 0x11}, {4, 0x44}, {4, 0x47}, {4, 0x05}}));
    EXPECT_EQ(Requests()[3].data, (std::vector<std::uint8_t>{0x10, 0x02, 0x00, 0x00}));
    Read(4);
    EXPECT_EQ(Count(0x05), 1) << "the layout is done once per model and version";
}

TEST_F(Form1Read, FailedOutputSwitchRepeatsTheLayoutNextTime) {
    AddDevice(4, kOski, 2);
    OpenPort();
    recorder.swallow = 0x05;
    Read(4);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], LinkErrorBox(3, kNoAnswer, "COM1"));
    EXPECT_EQ(form->Image.VidOk, 0);
    EXPECT_EQ(form->Image.Vvod, 0);

    form->BtnPuskTimerClick();
    form->Timer1Timer();
    EXPECT_EQ(messages.boxes.size(), 1u) << "not reported while polling";
    EXPECT_TRUE(form->Timer1->isActive()) << "and polling goes on";

    recorder.swallow = -1;
    form->Timer1Timer();
    EXPECT_EQ(form->Image.VidOk, 1);
    EXPECT_EQ(form->Image.Vvod, 1);
    EXPECT_EQ(Count(0x05), 1) << "only the request that reached the line";
}

TEST_F(Form1Read, SecondReadingRefreshesWithoutLayoutAndLeavesIzmenClear) {
    sim::Transmitter& t = AddDevice(2, kTevTs, 5);
    OpenPort();
    Read(2);
    // Marks that a new layout would undo.
    form->Label5->hide();
    form->Panel1->setText(QStringLiteral("marker"));
    form->Image.Izmen = 1;
    t.rez = 5000;
    t.block[5] = 0x10;  // other setpoint code: the edit fields change text
    Read(2);
    EXPECT_TRUE(form->Label5->isHidden());
    EXPECT_EQ(T("Panel1"), "marker");
    EXPECT_EQ(T("StRez"), "5000");
    EXPECT_EQ(form->Image.Izmen, 0);
    EXPECT_EQ(form->Image.IzmenTipD, 0);
    EXPECT_EQ(form->Image.Vvod, 1);
}

TEST_F(Form1Read, OtherVersionResetsSelectionsAndLaysOutAnew) {
    sim::Transmitter& t = AddDevice(1, kTevTs, 5);
    OpenPort();
    Read(1);
    t.version = 2;
    Read(1);
    EXPECT_EQ(T("Panel1"), "ТЕВ-ТС-v2");
    EXPECT_EQ(form->Panel1->x(), 272);
    EXPECT_TRUE(form->CBoxConnect->isHidden());
    EXPECT_EQ(form->Image.Ver, 2);
}

TEST_F(Form1Read, UnknownModelCodesAreRefusedWithTheirMessages) {
    AddDevice(1, kLadr, 5);
    OpenPort();
    Read(1);
    line.Find(1)->model = 0xFF;
    Read(1);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0],
              (MsgBox{"устройство 1 - не определен тип прибора\nДанные не считаны", "Предупреждение",
                      MsgIcon::Warning, MsgButtons::Ok, MsgAnswer::Ok}));
    EXPECT_EQ(form->Image.Tip, 255);
    EXPECT_EQ(T("Panel1"), "ЛАДР  731590.003  ПО.V5  0x5A17C3E9") << "the window keeps its contents";
    EXPECT_EQ(form->Image.Vvod, 0) << "the image holds another device's block now";

    line.Find(1)->model = 104;
    Read(1);
    ASSERT_EQ(messages.boxes.size(), 2u);
    EXPECT_EQ(messages.boxes[1].text, "устройство 1 - не ТЕВ, не ЛАДР и не ОСКИ\nДанные не считаны");
}

TEST_F(Form1Read, StoredNumberOtherThanTheAnsweringOneIsRefusedAndNothingCanBeWritten) {
    sim::Transmitter& t = AddDevice(6, kLadr, 5);
    t.block[11] = 9;  // stores number 10, where another ЛАДР of the same version answers
    sim::Transmitter& other = AddDevice(10, kLadr, 5);
    OpenPort();
    Read(6);
    EXPECT_EQ(Commands(), (std::vector<std::pair<int, int>>{{6, 0x11}, {6, 0x44}}));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text.rfind("устройство 6 хранит номер 10: ", 0), 0u) << messages.boxes[0].text;
    EXPECT_EQ(form->NuCur, 5);
    EXPECT_EQ(form->Image.Vvod, 0);
    for (int i = 1; i <= 40; ++i) EXPECT_EQ(form->Image.Baza[i], 0) << "no block kept, byte " << i;
    form->OutPortClick();
    EXPECT_EQ(Count(0x45), 0);
    EXPECT_EQ(t.writes + other.writes, 0);
}

TEST_F(Form1Read, StoredNumberAbove31IsNeverAnAddress) {
    sim::Transmitter& t = AddDevice(1, kLadr, 5);
    OpenPort();
    Read(1);
    t.block[11] = 40;
    Read(1);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].caption, "Предупреждение");
    EXPECT_EQ(messages.boxes[0].icon, MsgIcon::Warning);
    EXPECT_NE(messages.boxes[0].text.find("устройство 1 - неверный номер устройства"), std::string::npos);
    EXPECT_EQ(form->NuCur, 0);
    EXPECT_EQ(form->Image.Vvod, 0);
    EXPECT_EQ(Count(0x47), 1) << "no measurement request after the refused block";
    for (const Request& r : Requests()) EXPECT_LE(r.address, 32);
}

TEST_F(Form1Read, OverlongBlockEndsTheReadingAndReachesNoImage) {
    sim::Transmitter& t = AddDevice(1, kLadr, 5);
    OpenPort();
    Read(1);
    const int lenBefore = form->Image.GetLen();
    t.blockLen = 41;
    Read(1);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "устройство 1 - неверная длина базы данных (41 байт)\nДанные не считаны");
    EXPECT_EQ(messages.boxes[0].caption, "Предупреждение");
    EXPECT_EQ(form->Image.Vvod, 0);
    EXPECT_EQ(form->Image.GetLen(), lenBefore);
    for (int i = 1; i < kBazaSize; ++i) EXPECT_EQ(form->Image.Baza[i], 0) << i;
    EXPECT_EQ(Count(0x47), 1);
}

TEST_F(Form1Read, SensorTypeOutsideTheListLeavesListsEmpty) {
    sim::Transmitter& t = AddDevice(2, kTevTs, 5);
    t.block[9] = 6;  // ТЕВ-ТС knows six sensor types
    OpenPort();
    Read(2);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].caption, "Предупреждение");
    EXPECT_NE(messages.boxes[0].text.find("неизвестный тип датчика (6)"), std::string::npos);
    EXPECT_EQ(form->CBoxTipD->currentIndex(), -1);
    EXPECT_EQ(form->CBoxMin->count(), 0);
    EXPECT_EQ(form->CBoxMax->count(), 0);
    EXPECT_EQ(form->Image.Vvod, 0);
}

TEST_F(Form1Read, FailedReadingClearsVvodSoNothingIsWritten) {
    sim::Transmitter& t = AddDevice(1, kLadr, 5);
    OpenPort();
    Read(1);
    ASSERT_EQ(form->Image.Vvod, 1);
    t.faults.silent = true;
    Read(1);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], LinkErrorBox(0, kNoAnswer, "COM1"));
    EXPECT_EQ(form->Image.Vvod, 0);
    t.faults.silent = false;
    form->Image.Izmen = 1;
    form->OutPortClick();
    EXPECT_EQ(Count(0x45), 0);
    EXPECT_EQ(messages.boxes.back().text, "Нет данных о приборе,\nпроизведите ввод информации с СОМ порта");
}

TEST_F(Form1Read, PortFailureDuringAReadingIsReportedNotThrown) {
    AddDevice(1, kLadr, 5);
    OpenPort();
    Read(1);
    form->BtnPuskTimerClick();
    port.failRead = 1;
    form->Timer1Timer();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].caption, "Ошибка");
    EXPECT_EQ(messages.boxes[0].icon, MsgIcon::Error);
    EXPECT_EQ(form->Image.Vvod, 0);
    EXPECT_FALSE(form->Timer1->isActive());
}

TEST_F(Form1Read, ClosedPortReportsOnce) {
    AddDevice(1, kLadr, 5);
    Read(1);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], LinkErrorBox(0, kPortClosed, "COM1"));
    EXPECT_TRUE(port.requests.empty());
}

TEST_F(Form1Read, FailedPollStopsPollingWithOneMessage) {
    sim::Transmitter& t = AddDevice(1, kLadr, 5);
    OpenPort();
    Read(1);
    form->BtnPuskTimerClick();
    ASSERT_TRUE(form->Timer1->isActive());
    EXPECT_FALSE(form->ReportErrors);
    EXPECT_FALSE(form->LabTimer->isHidden());
    form->Timer1Timer();
    EXPECT_TRUE(messages.boxes.empty());
    t.faults.silent = true;
    int ticksDuringBox = 0;
    const std::size_t before = port.requests.size();
    std::size_t duringBox = 0;
    messages.onShow = [&](const MsgBox&) {
        ++ticksDuringBox;
        form->Timer1Timer();  // the box's message loop runs a tick
        duringBox = port.requests.size();
    };
    form->Timer1Timer();
    EXPECT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], LinkErrorBox(0, kNoAnswer, "COM1"));
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_TRUE(form->ReportErrors);
    EXPECT_TRUE(form->LabTimer->isHidden());
    EXPECT_GT(port.requests.size(), before);
    EXPECT_EQ(duringBox, port.requests.size()) << "no reading inside the box";
}

TEST_F(Form1Read, TickDuringModelMessageIsSkipped) {
    AddDevice(1, 0xFF, 1);
    OpenPort();
    form->BtnPuskTimerClick();
    std::size_t atBox = 0;
    std::size_t afterTick = 0;
    messages.onShow = [&](const MsgBox&) {
        atBox = port.requests.size();
        form->Timer1Timer();
        afterTick = port.requests.size();
    };
    form->Timer1Timer();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(afterTick, atBox);
    EXPECT_TRUE(form->Timer1->isActive()) << "the model message does not stop polling";
}

TEST_F(Form1Read, PollingToggleKeepsItsThreePartsTogether) {
    for (int i = 0; i < 3; ++i) {
        form->BtnPuskTimer->click();
        const bool running = i % 2 == 0;
        EXPECT_EQ(form->Timer1->isActive(), running);
        EXPECT_EQ(form->ReportErrors, !running);
        EXPECT_EQ(form->LabTimer->isHidden(), !running);
    }
}

}  // namespace
}  // namespace tservice::testing
