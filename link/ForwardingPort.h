#pragma once
// A port that passes every operation to another one; decorators (the line
// trace, test ports) derive from it and override only what they watch or
// disturb.
#include "ComPort.h"

namespace tservice {

class ForwardingPort : public TComPort {
public:
    // inner is not owned and must outlive this port.
    explicit ForwardingPort(TComPort& inner) : inner_(inner) {}
    void SetPort(const std::string& name) override { inner_.SetPort(name); }
    void SetBaudRate(int baud) override { inner_.SetBaudRate(baud); }
    void SetParity(Parity parity) override { inner_.SetParity(parity); }
    void SetStopBits(int stopBits) override { inner_.SetStopBits(stopBits); }
    void Open() override { inner_.Open(); }
    void Close() override { inner_.Close(); }
    bool Connected() const override { return inner_.Connected(); }
    void ClearBuffer(bool input, bool output) override { inner_.ClearBuffer(input, output); }
    int Write(const std::uint8_t* data, int count) override { return inner_.Write(data, count); }
    int Read(std::uint8_t* buffer, int count) override { return inner_.Read(buffer, count); }
    void SetReadTimeouts(const ReadTimeouts& t) override { inner_.SetReadTimeouts(t); }
    ReadTimeouts GetReadTimeouts() const override { return inner_.GetReadTimeouts(); }
    void SetLineOptions(const LineOptions& o) override { inner_.SetLineOptions(o); }
    LineOptions GetLineOptions() const override { return inner_.GetLineOptions(); }
    void SetRts(bool on) override { inner_.SetRts(on); }
    void DrainOutput() override { inner_.DrainOutput(); }
    void SetLineObserver(ILineObserver* observer) override { inner_.SetLineObserver(observer); }

protected:
    TComPort& Inner() { return inner_; }

private:
    TComPort& inner_;
};

}  // namespace tservice
