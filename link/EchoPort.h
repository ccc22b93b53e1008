#pragma once
// Adapters that keep their receiver on while sending hand every request back
// as the first bytes "of the answer". EchoPort takes exactly that copy out of
// the byte stream, so the link above sees the line as a clean one. Bytes that
// are not a byte-for-byte copy of the request are never dropped: they reach
// the link, whose header and CRC checks fail the try as on any noisy line.
#include <cstdint>
#include <string>
#include <vector>

#include "Clock.h"
#include "ForwardingPort.h"

namespace tservice {

// What EchoMode::Auto has learned about the open port.
enum class EchoLearned { Unknown, Echo, Clean };

// Whether a clean line's answer to request could begin with an exact copy of
// it (the switch, register and confirmation commands answer with the request
// itself); such an exchange can never teach Auto anything.
bool AnswerMayRepeatRequest(const std::uint8_t* request, int length);

class EchoPort final : public ForwardingPort {
public:
    // inner and clock are not owned and must outlive the port.
    EchoPort(TComPort& inner, IClock& clock) : ForwardingPort(inner), clock_(clock) {}

    // Takes LineOptions::echo; what Auto learned is kept while the port name
    // stays the same (the adapter does not change with the rate).
    void SetLineOptions(const LineOptions& options) override;
    void SetPort(const std::string& name) override;
    void Open() override;
    void ClearBuffer(bool input, bool output) override;
    int Write(const std::uint8_t* data, int count) override;
    // Drops the echo of the last request before the first answer byte. A
    // PortError of the port below propagates.
    int Read(std::uint8_t* buffer, int count) override;
    void SetLineObserver(ILineObserver* observer) override;

    EchoMode Mode() const { return mode_; }
    EchoLearned Learned() const { return learned_; }

private:
    bool ExpectsEcho() const;
    int ReadInner(std::uint8_t* buffer, int count);  // held bytes first, then the port
    void TakeEcho();  // at the first read after a write
    void Learn();     // Auto, not yet known
    // Up to count bytes (held ones first); a short read marks the line quiet.
    std::vector<std::uint8_t> LookAhead(int count);
    void Report(const std::vector<std::uint8_t>& echo, std::int64_t startMs);

    IClock& clock_;
    ILineObserver* observer_ = nullptr;
    EchoMode mode_ = EchoMode::Auto;
    EchoLearned learned_ = EchoLearned::Unknown;
    std::string name_;
    std::vector<std::uint8_t> request_;  // last request written; its echo is awaited
    bool awaiting_ = false;
    bool quiet_ = false;                 // the look ahead of this read ended in silence
    std::vector<std::uint8_t> held_;     // read from the port, not yet the link's
};

}  // namespace tservice
