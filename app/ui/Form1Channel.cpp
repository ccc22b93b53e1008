// The measuring-channel group: sensor type, standard range limits and the
// connection scheme. Only the image changes here; the next write carries it.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "BlockEdit.h"
#include "ComboAdapter.h"
#include "Describe.h"
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
    for (const auto& [field, which] : {std::pair{UstProc1, 1}, std::pair{UstProc2, 2}})
        ShowText(*field, SetpointText(Image, which));
}

void TForm1::CBoxTipDClick() {
    HandlerScope scope(*this);
    BeginPick(CBoxTipD);
    const int picked = CBoxTipD->currentIndex();
    if (picked < 0 || picked == Image.GetTipD()) return;
    const std::string trace = "CBoxTipDClick " + std::to_string(Image.GetDiap());
    if (!EditSensor(Image, picked).Ok()) {
        SelectQuietly(*CBoxTipD, Image.GetTipD());  // an item that cannot be chosen
        return;
    }
    Trace(trace);
    if (!HasRangeLists(Image.Tip)) return;

    // The untick shows the lists and empties the limits; the sensor edit has
    // already returned the range, and the range to come back to, to 0.
    SetNonStandChecked(false);
    FillRangeLists();
    ShowSetpointsAnew();

    ChBoxNonStand->setEnabled(true);
    if (FormNewRange != nullptr) FormNewRange->NoResult = 1;  // its calculation was for the old type
    if (!NonStandardAllowed(CBoxTipD->currentText().toStdString(), Image.Ver)) ChBoxNonStand->setEnabled(false);
}

void TForm1::FillRangeLists() {
    const RangeTableRef ranges = SensorRanges(Image);
    ComboAdapter minList(*CBoxMin);
    ComboAdapter maxList(*CBoxMax);
    FillMinList(ranges.table, ranges.count, Image.GetDiap(), minList, Image);
    FillMaxList(ranges.table, ranges.count, Image.GetDiap(), minList, maxList, Image);
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
    EditRange(Image, range);
    Trace("CBoxMinClick " + std::to_string(Image.GetDiap()));
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
    EditRange(Image, range);
    Trace("CBoxMaxClick " + std::to_string(Image.GetDiap()));
    if (maxList.Text().empty()) return;
    ShowSetpointsAnew();
}

void TForm1::CBoxConnectClick() {
    HandlerScope scope(*this);
    BeginPick(CBoxConnect);
    EditChoice(Image, "Connect", CBoxConnect->currentIndex());
}

}  // namespace tservice
