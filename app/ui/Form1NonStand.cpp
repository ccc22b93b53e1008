// The non-standard range group: switching between a standard and a
// non-standard range, and taking a calculated range over into the image. Only
// the image changes here; the next write carries it to the transmitter.
#include <array>
#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "BlockEdit.h"
#include "Entry.h"
#include "Form1.h"
#include "Models.h"
#include "Obrappr.h"
#include "Ranges.h"

namespace tservice {

namespace {

// A shown number truncated toward zero; false when the text is no number or
// the whole number does not fit the transmitter's signed 16-bit word.
bool WholeNumber(const QLineEdit* edit, int& value) {
    double v = 0.0;
    if (!ParseDecimalComma(edit->text().toStdString(), v)) return false;
    v = std::trunc(v);
    if (v < -32768.0 || v > 32767.0) return false;
    value = static_cast<int>(v);
    return true;
}

struct TakenRange {
    int min = 0;
    int max = 0;
    std::array<int, 8> codes{};
};

// The texts of a standing calculation, all or nothing.
bool ReadTakenRange(const TFormNewRange& d, TakenRange& out) {
    if (!WholeNumber(d.EditTN, out.min) || !WholeNumber(d.EditTK, out.max)) return false;
    for (int k = 0; k < 8; ++k)
        if (!WholeNumber(d.ResultEdits[k + 1], out.codes[k])) return false;
    return true;
}

RangeTableRef SensorRanges(const DeviceImage& image) {
    return RangeTable(RangeTableIndex(image.Tip, image.GetTipD()));
}

}  // namespace

void TForm1::SetNonStandChecked(bool checked) {
    if (ChBoxNonStand->isChecked() == checked) return;
    ChBoxNonStand->setChecked(checked);
    ChBoxNonStandClick();
}

void TForm1::ChBoxNonStandClick() {
    HandlerScope scope(*this);
    Image.Izmen = 1;
    StopPolling();
    if (!IsTev(Image.Tip)) return;
    if (ChBoxNonStand->isChecked()) {
        // The range itself changes only when a calculation is taken over.
        ButNonStand->setEnabled(true);
        CBoxMin->hide();
        CBoxMax->hide();
        return;
    }
    ButNonStand->setEnabled(false);
    CBoxMin->show();
    CBoxMax->show();
    EditStandardRange(Image);
    FillRangeLists();
    StMin->clear();
    StMax->clear();
    ShowSetpointsAnew();
}

void TForm1::ButNonStandClick() {
    HandlerScope scope(*this);
    Image.SetFocusButton(ButNonStand);
    StopPolling();
    TFormNewRange& d = *FormNewRange;
    const QString sensor = CBoxTipD->currentText();
    d.StTipD->setText(sensor);
    if (!NonStandardAllowed(sensor.toStdString(), Image.Ver)) {
        messages_.Plain("Недопустим нестандартный диапазон");
        SetNonStandChecked(false);
        return;
    }
    if (Image.IzmenTipD == 1) {
        // The transmitter's range belongs to the old sensor type; a calculation
        // made since the change still stands.
        if (d.NoResult == 1) d.Preset(0, 0, {});
    } else {
        std::array<int, 8> codes{};
        for (int k = 0; k < 8; ++k) codes[k] = Image.GetNonStandY(k);
        d.Preset(Image.GetNonStandMin(), Image.GetNonStandMax(), codes);
    }
    const RangeTableRef ranges = SensorRanges(Image);
    std::array<RangeLimits, kMaxStdRanges> limits{};
    const int count = ranges.count < kMaxStdRanges ? ranges.count : kMaxStdRanges;
    for (int i = 0; i < count; ++i) limits[i] = {ranges.table[i].lo, ranges.table[i].hi};
    d.SetStdRanges(limits.data(), count);

    TakenRange taken;
    if (d.ShowModal() != kRangeResultStands || !ReadTakenRange(d, taken)) {
        StMin->clear();
        StMax->clear();
        InPortClick();
        return;
    }
    const EditOutcome edit = EditNonStandard(Image, taken.min, taken.max, taken.codes);
    if (!edit.Ok()) {
        messages_.Plain(edit.refusal);
        return;
    }
    StMin->setText(QString::number(taken.min));
    StMax->setText(QString::number(taken.max));
    ShowSetpointsAnew();
}

}  // namespace tservice
