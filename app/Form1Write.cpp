// Writing the parameter set (F10): the same model and version must answer,
// then the block goes out, the transmitter confirms and is read back.
#include <QProgressBar>
#include <QWidget>

#include "ComboAdapter.h"
#include "Form1.h"
#include "Workflow.h"

namespace tservice {

void TForm1::OutPortClick() {
    HandlerScope scope(*this);
    if (QWidget* first = centralWidget()->nextInFocusChain()) first->setFocus();
    Trace("OutPortClick " + std::to_string(Image.GetDiap()));
    if (Image.Vvod == 0) {
        messages_.Show(WriteRefusalBox(WriteStage::NoData));
        return;
    }
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    StepIt(*ProgressBar1, 25);
    try {
        const WriteOutcome out = WriteTransmitter(Link, Image, NuCur, ServClass.NuNew, [this] {
            SelectQuietly(*CBoxUstr, NuCur);
            StepIt(*ProgressBar1, 25);
        });
        switch (out.stage) {
        case WriteStage::Done:
            Image.Izmen = 0;
            Image.IzmenTipD = 0;
            InPortClick();
            Trace("OutPortClick " + std::to_string(Image.GetDiap()));
            break;
        case WriteStage::IdentFailed:
            StopPolling();
            if (ReportErrors) Link.ShowLinkError(NuCur, out.code);
            break;
        case WriteStage::BlockFailed:
        case WriteStage::ConfirmFailed:
            Link.ShowLinkError(NuCur, out.code);
            break;
        default:
            messages_.Show(WriteRefusalBox(out.stage));
            break;
        }
    } catch (const PortError& e) {
        StopPolling();
        messages_.Show(PortErrorBox(e));
    }
    SelectQuietly(*CBoxUstr, NuCur);
    StepIt(*ProgressBar1, 25);
    ProgressBar1->hide();
    for (QWidget* w : {Image.FocusEdit(), Image.FocusButton(), Image.FocusCombo()})
        if (w != nullptr) w->setFocus();
}

}  // namespace tservice
