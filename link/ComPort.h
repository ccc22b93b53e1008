#pragma once
// The serial port as the link needs it (ComPort1 of the main window).
// Synchronous: Read and Write return when complete or timed out.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace tservice {

enum class Parity { None, Odd, Even };

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

protected:
    ReadTimeouts readTimeouts_;
};

}  // namespace tservice
