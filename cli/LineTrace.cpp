#include "LineTrace.h"

#include "Protocol.h"

#include <cerrno>
#include <cstring>
#include <ostream>

namespace tservice::cli {

LineTrace::LineTrace(std::ostream& out, IClock& clock)
    : out_(out),
      offsetMs_(TimeOfDayOffsetMs(clock)),
      recorder_([this](const ExchangeRecord& r) { End(r); }, [this](const ExchangeRecord& r) { Try(r); }) {}

void LineTrace::Attach(TracingPort& port, TComPortClass& link) {
    port_ = &port;
    link_ = &link;
    port.SetObserver(&recorder_);
    link.SetObserver(&recorder_);
}

void LineTrace::Detach() {
    if (port_ != nullptr) port_->SetObserver(nullptr);
    if (link_ != nullptr) link_->SetObserver(nullptr);
    port_ = nullptr;
    link_ = nullptr;
}

void LineTrace::Line(std::int64_t timeMs, const char* dir, const Bytes8& bytes, const std::string& words) {
    const std::string hex = bytes.empty() ? "—" : HexBytes(bytes.data(), static_cast<int>(bytes.size()));
    out_ << TimeOfDayText(timeMs + offsetMs_) << ' ' << dir << ' ' << hex << "  " << words << '\n';
}

void LineTrace::Try(const ExchangeRecord& r) {
    const TraceTry& t = r.tries.back();
    const int reqLen = static_cast<int>(t.request.size());
    std::string words = decoder_.Request(t.request.data(), reqLen).summary;
    if (r.tries.size() == 1 && r.pauseBeforeMs > 0)
        words = "после паузы " + std::to_string(r.pauseBeforeMs) + " мс, " + words;
    if (r.tries.size() > 1) words += ", попытка " + std::to_string(r.tries.size());
    Line(t.sentMs, "→", t.request, words);
    if (!t.echo.empty()) Line(t.sentMs, "↩", t.echo, "эхо запроса от адаптера");
    if (AnswersNothing(r.cmd)) return;
    if (t.portError) {
        Line(t.sentMs + t.waitedMs, "←", t.answer, "ошибка порта");
        return;
    }
    words = decoder_.Answer(t.request.data(), reqLen, t.answer.data(), static_cast<int>(t.answer.size()),
                            t.waitedMs).summary;
    if (t.stage != 0) words += "; неудача, пауза " + std::to_string(t.pauseMs) + " мс";
    Line(t.sentMs + t.waitedMs, "←", t.answer, words);
}

void LineTrace::End(const ExchangeRecord& r) {
    if (r.result == kOk) return;
    out_ << TimeOfDayText(r.endMs + offsetMs_) << "   " << CommandName(r.cmd, nullptr, 0)
         << ", устройство " << r.deviceIndex + 1 << ": " << ResultText(r.result) << '\n';
}

bool OpenTraceFile(const std::string& path, std::ofstream& file, std::string& error) {
    file.open(path, std::ios::out | std::ios::trunc);
    if (file) return true;
    error = "не удается открыть файл трассировки \"" + path + "\": " + std::strerror(errno);
    return false;
}

}  // namespace tservice::cli
