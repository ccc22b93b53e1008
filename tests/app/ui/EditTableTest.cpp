// One table of edits made in the window and with `tservicectl set` on the
// same reading: both must leave the same block, byte for byte. And a field
// the operator only passes through changes nothing.
#include "Edits.h"
#include "EditFixture.h"

namespace tservice::testing {
namespace {

struct SameEdit {
    int model, version;
    const char* control;  // by its name; two picks as "CBoxMin=0;CBoxMax=100"
    const char* value;
    std::vector<std::string> words;
};

class EditTable : public EditTest, public ::testing::WithParamInterface<SameEdit> {
protected:
    // The operator's edit: an item picked by its text, or a text typed and left.
    void Do(const std::string& control, const std::string& value) {
        QWidget* w = form->findChild<QWidget*>(QString::fromStdString(control));
        ASSERT_NE(w, nullptr) << control;
        if (auto* box = qobject_cast<QComboBox*>(w)) PickText(box, value.c_str());
        if (auto* edit = qobject_cast<QLineEdit*>(w)) Enter(edit, value.c_str());
    }
};

TEST_P(EditTable, WindowAndSetGiveTheSameBlock) {
    const SameEdit& e = GetParam();
    ReadDevice(2, e.model, e.version);
    Activate();
    DeviceImage bySet = form->LastReading;
    const cli::EditResult r = cli::ApplyEdits(bySet, e.words);
    ASSERT_TRUE(r.ok) << r.error;
    Do(e.control, e.value);
    if (std::string(e.control) == "CBoxMin") Do("CBoxMax", "100");
    EXPECT_EQ(form->Image.Baza, bySet.Baza);
    EXPECT_EQ(form->Image.DiapStand, bySet.DiapStand);
    EXPECT_EQ(form->Image.IzmenTipD, bySet.IzmenTipD);
    EXPECT_EQ(form->Image.Izmen, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, EditTable,
    ::testing::Values(SameEdit{kTevTs, 5, "CBoxTipSign", "HH", {"alarm=HH"}},
                      SameEdit{kTevTs, 5, "CBoxTipD", "100П", {"sensor=100П"}},
                      SameEdit{kTevTs, 5, "CBoxMin", "0", {"range=0..100"}},
                      SameEdit{kTevTs, 5, "UstProc1", "12,5", {"setpoint1=12.5"}},
                      SameEdit{kTevTs, 5, "CBoxConnect", "3-х проводная", {"connect=3"}},
                      SameEdit{kTevTs, 5, "CBoxTipK", "нз", {"contact=нз"}},
                      SameEdit{kTevTs, 3, "CBoxBreak", "ток max", {"break=max"}},
                      SameEdit{kTevTs, 5, "CBoxUstrZ", "7", {"address=7"}},
                      SameEdit{kLadr, 5, "UstProc2", "30", {"setpoint2=30"}},
                      SameEdit{kLadr, 5, "CBoxTipD", "линейный", {"sensor=линейный"}},
                      SameEdit{kTevTp, 4, "KTxc", "250", {"ktxc=250"}},
                      SameEdit{kTevTp, 4, "CBoxTipD", "XK(L)", {"sensor=XK(L)"}},
                      SameEdit{kTevTp, 4, "CBoxTipD", "MK(T)", {"sensor=MK(T)"}}));

struct PassThrough {
    int model, version;
};

class PassingThrough : public EditTest, public ::testing::WithParamInterface<PassThrough> {};

// Setpoint codes whose shown value converts back one code lower: leaving the
// field without typing must keep them, and the change flag clear.
TEST_P(PassingThrough, ChangesNoByte) {
    const auto [model, version] = GetParam();
    sim::Transmitter& t = AddDevice(2, model, version);
    const int code = model == kLadr ? 13107 : 6553;
    for (int at : {5, 7}) {
        t.block[at] = static_cast<std::uint8_t>(code & 0xFF);
        t.block[at + 1] = static_cast<std::uint8_t>(code >> 8);
    }
    OpenPort();
    Read(2);
    Activate();
    for (QLineEdit* field : {form->UstProc1, form->UstProc2, form->KTxc}) {
        if (!field->isVisible()) continue;
        field->setFocus(Qt::TabFocusReason);
        QTest::keyClick(field, Qt::Key_Tab);
    }
    EXPECT_EQ(form->Image.Baza, form->LastReading.Baza);
    EXPECT_EQ(form->Image.Izmen, 0);
    EXPECT_TRUE(messages.plains.empty());
}

std::vector<PassThrough> EveryModelAndVersion() {
    std::vector<PassThrough> all;
    for (int model : {kLadr, kTevTs, kTevTp, kOski})
        for (int version = 1; version <= 5; ++version) all.push_back({model, version});
    return all;
}

INSTANTIATE_TEST_SUITE_P(Models, PassingThrough, ::testing::ValuesIn(EveryModelAndVersion()));

}  // namespace
}  // namespace tservice::testing
