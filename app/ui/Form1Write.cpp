// Writing the parameter set (F10): the same model and version must answer,
// then the block goes out, the transmitter confirms and is read back. Also
// the choice of the number the transmitter is to take at that write.
#include <QComboBox>
#include <QProgressBar>
#include <QWidget>

#include "ComboAdapter.h"
#include "FocusChain.h"
#include "BlockEdit.h"
#include "Form1.h"
#include "Workflow.h"

namespace tservice {

void TForm1::OutPortClick() {
    HandlerScope scope(*this);
    // Leaving an entry field runs its exit check, so a pending entry is in
    // the image before anything is sent.
    if (QWidget* first = FirstInTabOrder(this)) first->setFocus(Qt::OtherFocusReason);
    Trace("OutPortClick " + std::to_string(Image.GetDiap()));
    if (!HasBlockToWrite(Image)) {
        messages_.Show(WriteRefusalBox(WriteStage::NoData));
        ReturnFocus();
        return;
    }
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    StepIt(*ProgressBar1, 25);
    const DeviceImage sent = Image;
    const int deviceBefore = NuCur + 1;
    try {
        ReadOutcome back;
        const WriteOutcome out = WriteAndReadBack(Link, Image, LastReading, NuCur, ServClass.NuNew, back, [this] {
            SelectQuietly(*CBoxUstr, NuCur);
            StepIt(*ProgressBar1, 25);
        });
        if (WriteUnconfirmed(out)) {
            WriteUnconfirmedFound(out, sent, deviceBefore);
        } else if (out.stage == WriteStage::Done) {
            Image.Izmen = 0;
            Image.IzmenTipD = 0;
            RecordWrite(sent, deviceBefore);
            ShowReadBack(back);
            Trace("OutPortClick " + std::to_string(Image.GetDiap()));
        } else if (out.stage == WriteStage::IdentFailed) {
            StopPolling();
            if (ReportErrors) Link.ShowLinkError(NuCur, out.code);
        } else if (out.stage == WriteStage::BlockFailed) {
            // Shown even while polling runs: nothing was sent, but the
            // operator must know the write did not happen.
            Link.ShowLinkError(NuCur, out.code);
        } else {
            messages_.Show(WriteRefusalBox(out.stage, out.refusal));
            if (out.stage == WriteStage::NumberTaken) Image.SetFocusCombo(CBoxUstrZ);
        }
    } catch (const PortError& e) {
        StopPolling();
        messages_.Show(PortErrorBox(e));
    }
    SelectQuietly(*CBoxUstr, NuCur);
    StepIt(*ProgressBar1, 25);
    ProgressBar1->hide();
    ReturnFocus();
}

void TForm1::WriteUnconfirmedFound(const WriteOutcome& out, const DeviceImage& sent, int deviceBefore) {
    // A poll would read over the edited image before the operator has seen why.
    StopPolling();
    RecordWrite(sent, deviceBefore, UnconfirmedStep(out));
    messages_.Show(UnconfirmedWriteBox(out, NuCur, Link.PortName));
}

void TForm1::ReturnFocus() {
    for (QWidget* w : {Image.FocusEdit(), Image.FocusButton(), Image.FocusCombo()})
        if (w != nullptr) w->setFocus(Qt::OtherFocusReason);
}

void TForm1::CBoxUstrZClick() {
    Image.SetFocusCombo(CBoxUstrZ);
    const int picked = CBoxUstrZ->currentIndex();
    if (picked < 0 || picked > kMaxDeviceIndex) return;
    UstKod1Change();
    ServClass.NuNew = picked;
    EditAddress(Image, ServClass.NuNew);  // traces "PutNu " + Diap
}

}  // namespace tservice
