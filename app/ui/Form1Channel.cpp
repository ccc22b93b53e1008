// The measuring-channel group: sensor type, standard range limits and the
// connection scheme. Only the image changes here; the next write carries it.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "ComboAdapter.h"
#include "Convert.h"
#include "Form1.h"
#include "Models.h"
#include "Obrappr.h"
#include "Ranges.h"

namespace tservice {

namespace {

bool HasRangeLists(int tip) { return IsTev(tip); }

RangeTableRef SensorRanges(const DeviceImage& image) {
    return RangeTable(RangeTableIndex(image.Tip, image.GetTipD()));
}

}  // namespace

void TForm1::BeginPick(QComboBox* box) {
    Image.SetFocusCombo(box);
    StopPolling();
    // Picking the item already shown raises no text change, yet the pick
    // may still change the image (the range lists); it counts as an edit.
    if (box != CBoxTipD) UstKod1Change();
}

void TForm1::ShowSetpointsAnew() {
    UstProc1->setText(QString::fromStdString(FormatFixed(Image.ToTemp(Image.GetUstKod1()), 4, 0)));
    UstProc2->setText(QString::fromStdString(FormatFixed(Image.ToTemp(Image.GetUstKod2()), 4, 0)));
}

void TForm1::CBoxTipDClick() {
    HandlerScope scope(*this);
    BeginPick(CBoxTipD);
    const int picked = CBoxTipD->currentIndex();
    if (picked < 0 || picked == Image.GetTipD()) return;
    Image.PutTipD(picked);
    Trace("CBoxTipDClick " + std::to_string(Image.GetDiap()));
    if (!HasRangeLists(Image.Tip)) return;

    // The untick shows the lists and empties the limits; the range itself is
    // set below, not restored.
    // The remembered standard range belonged to the old sensor type; a later
    // untick must return to a range of this one, never past its table.
    Image.DiapStand = 0;
    SetNonStandChecked(false);
    const RangeTableRef ranges = SensorRanges(Image);
    Image.PutDiap(0);
    ComboAdapter minList(*CBoxMin);
    ComboAdapter maxList(*CBoxMax);
    FillMinList(ranges.table, ranges.count, 0, minList, Image);
    FillMaxList(ranges.table, ranges.count, 0, minList, maxList, Image);
    ShowSetpointsAnew();

    ChBoxNonStand->setEnabled(true);
    if (FormNewRange != nullptr) FormNewRange->NoResult = 1;  // its calculation was for the old type
    if (!NonStandardAllowed(CBoxTipD->currentText().toStdString(), Image.Ver)) ChBoxNonStand->setEnabled(false);
}

void TForm1::CBoxMinClick() {
    HandlerScope scope(*this);
    BeginPick(CBoxMin);
    if (!HasRangeLists(Image.Tip)) return;
    ComboAdapter minList(*CBoxMin);
    ComboAdapter maxList(*CBoxMax);
    maxList.Clear();
    const RangeTableRef ranges = SensorRanges(Image);
    if (ranges.table == nullptr || minList.Text().empty()) return;
    const float lo = LimitValue(minList.Text());
    int first = 0;
    for (int i = 0; i < ranges.count; ++i) {
        if (ranges.table[i].lo == lo) {
            first = i;
            break;
        }
    }
    FillMaxList(ranges.table, ranges.count, first, minList, maxList, Image);
    int range = first;
    FindRange(ranges.table, ranges.count, minList, maxList, range);
    Image.PutDiap(range);
    Trace("CBoxMinClick " + std::to_string(Image.GetDiap()));
    Image.TMin = lo;
    ShowSetpointsAnew();
}

void TForm1::CBoxMaxClick() {
    HandlerScope scope(*this);
    BeginPick(CBoxMax);
    if (!HasRangeLists(Image.Tip)) return;
    ComboAdapter minList(*CBoxMin);
    ComboAdapter maxList(*CBoxMax);
    const RangeTableRef ranges = SensorRanges(Image);
    int range = 0;
    FindRange(ranges.table, ranges.count, minList, maxList, range);
    Image.PutDiap(range);
    Trace("CBoxMaxClick " + std::to_string(Image.GetDiap()));
    if (maxList.Text().empty()) return;
    Image.TMax = LimitValue(maxList.Text());
    ShowSetpointsAnew();
}

void TForm1::CBoxConnectClick() {
    HandlerScope scope(*this);
    BeginPick(CBoxConnect);
    const int picked = CBoxConnect->currentIndex();
    if (picked >= 0) Image.PutConnect(picked + 1);
}

}  // namespace tservice
