#include "Session.h"

#include "ExitCodes.h"
#include "Report.h"
#include "Rules.h"
#include "Workflow.h"

namespace tservice::cli {

LineSession::LineSession(const Options& o, std::ostream& err)
    : messages(err),
      port(clock),
      direction(port, clock),
      echo(direction, clock),
      traced(echo, clock),
      link(traced, clock, messages),
      options_(o),
      err_(err) {
    traced.SetLineOptions(o.adapter);
    link.BaudText = std::to_string(o.baud);
    link.ParityChar = o.parity;
    link.StopText = std::to_string(o.stop);
    link.PortName = o.port;
    link.SetDelayOut(o.delay);
}

bool LineSession::Open() {
    if (options_.trace) {
        std::string error;
        if (!options_.traceFile.empty() && !OpenTraceFile(options_.traceFile, traceFile_, error)) {
            err_ << error << "\n";
            return false;
        }
        trace_ = std::make_unique<LineTrace>(options_.traceFile.empty() ? err_ : traceFile_, clock);
        watchers_.Add(&trace_->Observer());
    }
    watchers_.Add(&stats);
    traced.SetObserver(&watchers_);
    link.SetObserver(&watchers_);
    if (link.OpenPort() == 0) return true;
    // The link's messages do not say why; the system's own words do.
    if (!port.LastOpenError().empty()) messages.Plain(port.LastOpenError());
    LineFailed(0, kOpenFailed);
    return false;
}

void LineSession::LineFailed(int deviceIndex, int code) { failure = ShowLineFailure(link, messages, deviceIndex, code); }

int ShowLineFailure(TComPortClass& link, IMessages& messages, int deviceIndex, int code) {
    MsgBox box = LinkErrorBox(deviceIndex, code, link.PortName);
    if (code == kPortClosed) link.ClosePort();
    box.text += " (код " + std::to_string(code) + ")";
    messages.Show(box);
    return link.LastException ? kExitDevice : kExitLine;
}

bool LineSession::Read(DeviceImage& image, int& nuCur) {
    return ReadChecked(link, messages, image, nuCur, &failure);
}

bool ReadChecked(TComPortClass& link, IMessages& messages, DeviceImage& image, int& nuCur, int* failure) {
    int exit = kExitRefused;
    const ReadOutcome r = ReadTransmitter(link, image, nuCur);
    const ReadJudgement judged = JudgeReading(r, image, nuCur);
    if (!judged.Accepted()) {
        image.Vvod = 0;
        if (judged.verdict == ReadVerdict::LinkFailed)
            exit = ShowLineFailure(link, messages, nuCur, judged.code);
        else
            messages.Show(judged.box);
        if (failure) *failure = exit;
        return false;
    }
    ApplyRangeLimits(image);
    image.Vvod = 1;
    image.Izmen = 0;
    image.IzmenTipD = 0;
    return true;
}

WriteOutcome LineSession::Write(DeviceImage& image, const DeviceImage& lastReading, int& nuCur, int nuNew) {
    ReadOutcome back;
    const WriteOutcome w = WriteAndReadBack(link, image, lastReading, nuCur, nuNew, back);
    if (w.stage == WriteStage::Done) {
        ApplyRangeLimits(image);
        image.Vvod = 1;
        image.Izmen = 0;
        image.IzmenTipD = 0;
        return w;
    }
    if (WriteUnconfirmed(w)) {
        messages.Show(UnconfirmedWriteBox(w, nuCur, link.PortName));
        failure = kExitLine;
        return w;
    }
    const MsgBox refusal = WriteRefusalBox(w.stage, w.refusal);
    if (refusal.text.empty()) {
        LineFailed(nuCur, w.code);
        return w;
    }
    messages.Show(refusal);
    failure = kExitRefused;
    return w;
}

}  // namespace tservice::cli
