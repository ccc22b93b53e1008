#pragma once
// The serial port as the link needs it (ComPort1 of the main window).
// Synchronous: Read and Write return when complete or timed out.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace tservice {

enum class Parity { None, Odd, Even };

// Whether the adapter hears its own request: Off never, On always, Auto
// learned from the first identification exchange of the port.
enum class EchoMode { Off, On, Auto };
// Who switches the line direction by RTS: nobody (an adapter that switches
// itself), the kernel driver (TIOCSRS485) or the program around each write.
enum class RtsMode { Off, Kernel, Soft };

// Options of the adapter between the PC and the line; set while closed,
// taken at the next Open by the layer each one concerns.
struct LineOptions {
    EchoMode echo = EchoMode::Auto;
    RtsMode rts = RtsMode::Off;
    int rtsBeforeMs = 0;  // RTS raised this long before the first bit (0..100 ms)
    int rtsAfterMs = 0;   // and held this long after the last stop bit (0..100 ms)
    bool operator==(const LineOptions&) const = default;
};

class ILineObserver;

// A failure of the operating system behind a port operation. Carries the
// operation ("Open", "Read", ...), the system's error number and its text.
class PortError : public std::runtime_error {
public:
    PortError(std::string operation, int code, std::string systemText);
    const std::string& Operation() const { return operation_; }
    int Code() const { return code_; }
    const std::string& SystemText() const { return systemText_; }

private:
    std::string operation_;
    int code_;
    std::string systemText_;
};

// The operator's text of a port error: "Ошибка последовательного порта
// (Operation):\n" and the system's text.
std::string PortErrorText(const PortError& error);

// Timeouts every implementation keeps (milliseconds).
inline constexpr int kReadIntervalMs = 100;       // silence after a byte ends a read
inline constexpr int kReadTotalPerByteMs = 100;   // total = count * 100 + 1000
inline constexpr int kReadTotalConstMs = 1000;
inline constexpr int kWriteTotalPerByteMs = 100;
inline constexpr int kWriteTotalConstMs = 1000;

// Read timeouts in milliseconds: silence after a byte, and the total of
// count * totalPerByteMs + totalConstMs. The defaults are the ones above.
struct ReadTimeouts {
    int intervalMs = kReadIntervalMs;
    int totalPerByteMs = kReadTotalPerByteMs;
    int totalConstMs = kReadTotalConstMs;
    bool operator==(const ReadTimeouts&) const = default;
};

class IClock;

// The waits of a blocking Read shared by the ports: take(got) moves what has
// arrived to the caller's buffer after got bytes and returns how many it
// moved (it throws on failure); wait(ms) waits up to ms for more. Returns the
// number taken, 0..count, under the timeouts on clock.
int TimedRead(IClock& clock, const ReadTimeouts& timeouts, int count, const std::function<int(int)>& take,
              const std::function<void(int)>& wait);
// The wait of a blocking Write of count bytes: returns when pending() is 0
// or the write total has passed; wait(ms) waits up to ms for bytes to go.
void WaitWritten(IClock& clock, int count, const std::function<std::int64_t()>& pending,
                 const std::function<void(int)>& wait);

class TComPort {
public:
    virtual ~TComPort() = default;
    // Settings are stored and applied at the next Open (set only while closed).
    virtual void SetPort(const std::string& name) = 0;
    virtual void SetBaudRate(int baud) = 0;
    virtual void SetParity(Parity parity) = 0;
    virtual void SetStopBits(int stopBits) = 0;  // 1 or 2

    // Opens exclusively with 8 data bits, no flow control, DTR/RTS inactive.
    // Throws PortError and stays closed on any failure; no-op when open.
    virtual void Open() = 0;
    // No-op when closed.
    virtual void Close() = 0;
    virtual bool Connected() const = 0;
    // Discards the driver's receive and/or transmit queue. Throws PortError.
    virtual void ClearBuffer(bool input, bool output) = 0;
    // Sends count bytes; waits for completion or the write timeout.
    // Returns the number written. Throws PortError.
    virtual int Write(const std::uint8_t* data, int count) = 0;
    // Waits for count bytes, the read interval of silence after a byte, or
    // the total timeout (by default 100 ms and count * 100 + 1000 ms).
    // Returns 0..count. Throws PortError.
    virtual int Read(std::uint8_t* buffer, int count) = 0;

    // Timeouts of the next Read calls; only the fast scan changes them, and
    // it puts the defaults back. Never throws.
    virtual void SetReadTimeouts(const ReadTimeouts& timeouts) { readTimeouts_ = timeouts; }
    virtual ReadTimeouts GetReadTimeouts() const { return readTimeouts_; }

    // The adapter's options (see LineOptions); every layer passes them on.
    // Never throws; a port that cannot honour one refuses it at Open.
    virtual void SetLineOptions(const LineOptions& options) { lineOptions_ = options; }
    virtual LineOptions GetLineOptions() const { return lineOptions_; }
    // Raises (true) or drops RTS at once. Throws PortError where the port has
    // no RTS line of its own (the default).
    virtual void SetRts(bool on);
    // Returns once every byte written has left the transmitter, stop bits
    // included. Throws PortError. The default returns at once.
    virtual void DrainOutput() {}
    // observer (not owned, may be null) sees what a layer under the trace
    // takes out of the byte stream: the echo of the request. Passed on.
    virtual void SetLineObserver(ILineObserver* /*observer*/) {}

protected:
    ReadTimeouts readTimeouts_;
    LineOptions lineOptions_;
};

}  // namespace tservice
