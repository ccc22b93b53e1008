// Measuring-channel and alarm picks: sensor type, range limits, connection,
// alarm type, contact type and line-break state change the image only.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <QStandardItemModel>

#include "Convert.h"
#include "EditFixture.h"
#include "Obrappr.h"

namespace tservice::testing {
namespace {

using Items = std::vector<std::string>;

class Form1Channel : public EditTest {
protected:
    Items ListItems(QComboBox* box) const {
        Items out;
        for (int i = 0; i < box->count(); ++i) out.push_back(Text(box->itemText(i)));
        return out;
    }
};

TEST_F(Form1Channel, PickingTheStoredSensorTypeOnlyStopsPolling) {
    ReadDevice(2, kTevTs, 5);  // Pt100, range 17: -50…100
    form->BtnPuskTimerClick();
    Pick(form->CBoxTipD, 2);
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(form->Image.FocusCombo(), form->CBoxTipD);
    EXPECT_EQ(form->Image.GetDiap(), 17);
    EXPECT_EQ(Text(form->CBoxMin->currentText()), "-50");
    EXPECT_EQ(Text(form->CBoxMax->currentText()), "100");
    EXPECT_EQ(form->Image.TMin, -50.0f);
    EXPECT_EQ(form->Image.TMax, 100.0f);
    EXPECT_EQ(form->Image.Izmen, 0);
    EXPECT_EQ(form->Image.IzmenTipD, 0);
    EXPECT_EQ(Text(form->Contr->text()), "InPortClick 17");
}

TEST_F(Form1Channel, NewSensorTypeReturnsToItsFirstStandardRange) {
    sim::Transmitter& t = ReadDevice(3, kTevTp, 5);  // XA(K), range 1: 0…200
    form->SetNonStandChecked(true);
    form->FormNewRange->NoResult = 0;
    PickText(form->CBoxTipD, "XK(L)");
    EXPECT_EQ(form->Image.GetTipD(), 0);
    EXPECT_EQ(Text(form->Contr->text()), "CBoxTipDClick 1") << "traced before the range is reset";
    EXPECT_EQ(form->Image.GetDiap(), 0);
    EXPECT_EQ(Text(form->CBoxMin->currentText()), "-120");
    EXPECT_EQ(Text(form->CBoxMax->currentText()), "30");
    EXPECT_EQ(form->Image.TMin, -120.0f);
    EXPECT_EQ(form->Image.TMax, 30.0f);
    // The codes stay; their temperatures follow the new limits.
    EXPECT_EQ(form->Image.GetUstKod1(), Word(t, 5));
    EXPECT_EQ(Text(form->UstProc1->text()), FormatFixed(form->Image.ToTemp(Word(t, 5)), 4, 0));
    EXPECT_EQ(Text(form->UstProc1->text()), "-90");
    EXPECT_EQ(form->Image.Izmen, 1);
    EXPECT_EQ(form->Image.IzmenTipD, 1);
    EXPECT_FALSE(form->ChBoxNonStand->isChecked());
    EXPECT_TRUE(form->ChBoxNonStand->isEnabled());
    EXPECT_FALSE(form->ButNonStand->isEnabled());
    EXPECT_FALSE(form->CBoxMin->isHidden());
    EXPECT_EQ(form->FormNewRange->NoResult, 1);
    form->OutPortClick();
    EXPECT_EQ(t.block[9], 0);
    EXPECT_EQ(t.block[10], 0);
}

struct Offer {
    int model;
    int version;
    int pick;
    bool enabled;
};

class Form1NonStandOffer : public Form1Channel, public ::testing::WithParamInterface<Offer> {};

TEST_P(Form1NonStandOffer, OfferedOnlyForItsSensorTypesFromVersion3) {
    const Offer& o = GetParam();
    ReadDevice(1, o.model, o.version);
    Pick(form->CBoxTipD, o.pick);
    EXPECT_EQ(form->Image.GetTipD(), o.pick);
    EXPECT_EQ(form->ChBoxNonStand->isEnabled(), o.enabled) << Text(form->CBoxTipD->currentText());
}

INSTANTIATE_TEST_SUITE_P(Channel, Form1NonStandOffer,
                         ::testing::Values(Offer{kTevTp, 3, 4, false},   // MK(T)
                                           Offer{kTevTp, 3, 0, true},    // XK(L)
                                           Offer{kTevTp, 2, 0, false},   // XK(L) below version 3
                                           Offer{kTevTs, 3, 4, true},    // 100M
                                           Offer{kTevTs, 5, 0, true}));  // 100П

// The empty eleventh thermocouple item cannot be chosen: disabled, and a
// pick of it changes nothing, on every version.
TEST_F(Form1Channel, EmptyEleventhThermocoupleIsNeverChosen) {
    for (int version : {2, 4}) {
        line.Add(version, kTevTp, version).drift = 0;
        OpenPort();
        Read(version);
        const auto before = form->Image.Baza;
        const QString min = form->CBoxMin->currentText();
        EXPECT_FALSE(qobject_cast<QStandardItemModel*>(form->CBoxTipD->model())->item(10)->isEnabled());
        Pick(form->CBoxTipD, 10);
        EXPECT_EQ(form->Image.Baza, before) << version;
        EXPECT_EQ(form->CBoxMin->currentText(), min);
        EXPECT_NE(form->CBoxTipD->currentIndex(), 10);
    }
}

TEST_F(Form1Channel, LadrCharacteristicOnlySetsTheTypeAndTheFlags) {
    ReadDevice(1, kLadr, 5);
    const std::string setpoint = Text(form->UstProc1->text());
    const int diap = form->Image.GetDiap();
    const Items mins = ListItems(form->CBoxMin);
    const Items maxs = ListItems(form->CBoxMax);
    const float tMin = form->Image.TMin, tMax = form->Image.TMax;
    Pick(form->CBoxTipD, 1);
    EXPECT_EQ(form->Image.GetTipD(), 1);
    EXPECT_EQ(form->Image.Izmen, 1);
    EXPECT_EQ(form->Image.IzmenTipD, 1);
    EXPECT_EQ(form->Image.GetDiap(), diap);
    EXPECT_EQ(ListItems(form->CBoxMin), mins);
    EXPECT_EQ(ListItems(form->CBoxMax), maxs);
    EXPECT_EQ(form->Image.TMin, tMin);
    EXPECT_EQ(form->Image.TMax, tMax);
    EXPECT_EQ(Text(form->UstProc1->text()), setpoint);
    EXPECT_EQ(Text(form->Contr->text()), "CBoxTipDClick " + std::to_string(diap));
}

TEST_F(Form1Channel, LimitPicksFindTheRangeAndItsLimits) {
    sim::Transmitter& t = ReadDevice(2, kTevTs, 5);  // Pt100: table F
    form->BtnPuskTimerClick();
    PickText(form->CBoxMin, "0");
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(form->Image.FocusCombo(), form->CBoxMin);
    EXPECT_EQ(ListItems(form->CBoxMax), (Items{"50", "100", "150", "200", "300", "400", "500", "650", "120", "250"}));
    EXPECT_EQ(Text(form->CBoxMax->currentText()), "50");
    EXPECT_EQ(form->Image.GetDiap(), 29);
    EXPECT_EQ(Text(form->Contr->text()), "CBoxMinClick 29");
    EXPECT_EQ(form->Image.TMin, 0.0f);
    EXPECT_EQ(form->Image.TMax, 50.0f);
    EXPECT_EQ(form->Image.Izmen, 1);
    EXPECT_EQ(Text(form->UstProc2->text()), "39,995");  // code 6552 of 0…50

    PickText(form->CBoxMax, "120");
    EXPECT_EQ(form->Image.GetDiap(), 45);
    EXPECT_EQ(Text(form->Contr->text()), "CBoxMaxClick 45");
    EXPECT_EQ(form->Image.TMax, 120.0f);
    EXPECT_EQ(Text(form->UstProc2->text()), "95,99");
    form->OutPortClick();
    EXPECT_EQ(t.block[10], 45);
}

TEST_F(Form1Channel, PickingTheShownLowerLimitAgainIsAnEdit) {
    ReadDevice(2, kTevTs, 5);
    Pick(form->CBoxMin, form->CBoxMin->currentIndex());
    EXPECT_EQ(form->Image.Izmen, 1) << "the pick may move the range; the image must count as changed";
}

TEST_F(Form1Channel, UntickAfterASensorChangeStaysInTheNewTable) {
    sim::Transmitter& t = AddDevice(2, kTevTs, 5);
    t.block[10] = 40;  // Pt100 range 40: 200…300
    OpenPort();
    Read(2);
    PickText(form->CBoxTipD, "Ni");  // table G: 11 ranges
    form->ChBoxNonStand->click();
    ASSERT_TRUE(form->ChBoxNonStand->isChecked());
    form->ChBoxNonStand->click();
    EXPECT_EQ(form->Image.GetDiap(), 0);
    EXPECT_EQ(Text(form->CBoxMin->currentText()), "-50");
    EXPECT_EQ(Text(form->CBoxMax->currentText()), "0");
}

TEST_F(Form1Channel, ConnectionSchemeIsItsIndexPlusOne) {
    sim::Transmitter& t = ReadDevice(2, kTevTs, 5);
    Pick(form->CBoxConnect, 1);
    EXPECT_EQ(form->Image.GetConnect(), 2);
    EXPECT_EQ(form->Image.Izmen, 1);
    form->OutPortClick();
    EXPECT_EQ(t.block[12], 2);
}

struct RejimPick {
    QComboBox* TForm1::*box;
    int index;
    int mask;
};

class Form1RejimPick : public Form1Channel, public ::testing::WithParamInterface<RejimPick> {};

TEST_P(Form1RejimPick, StoresItsBitsAndKeepsTheOthers) {
    const RejimPick& p = GetParam();
    sim::Transmitter& t = AddDevice(1, kTevTp, 5);
    t.correction = 0x0A;
    t.block[4] = 0xA0;
    OpenPort();
    Read(1);
    form->BtnPuskTimerClick();
    QComboBox* box = form.get()->*p.box;
    Pick(box, p.index);
    EXPECT_FALSE(form->Timer1->isActive()) << "stays stopped";
    EXPECT_EQ(form->Image.FocusCombo(), box);
    EXPECT_EQ(form->Image.Izmen, 1);
    form->OutPortClick();
    EXPECT_EQ(t.block[4] & p.mask, p.mask & (p.index << (p.mask == 0x03 ? 0 : p.mask == 0x04 ? 2 : 3)));
    EXPECT_EQ(t.block[4] & ~p.mask, 0xA0);
}

INSTANTIATE_TEST_SUITE_P(Alarm, Form1RejimPick,
                         ::testing::Values(RejimPick{&TForm1::CBoxTipSign, 2, 0x03},
                                           RejimPick{&TForm1::CBoxTipSign, 1, 0x03},
                                           RejimPick{&TForm1::CBoxBreak, 1, 0x04},
                                           RejimPick{&TForm1::CBoxTipK, 1, 0x08}));

}  // namespace
}  // namespace tservice::testing
