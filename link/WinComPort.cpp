#include "WinComPort.h"

#include <windows.h>

#include <string>

namespace tservice {

namespace {

std::wstring Wide(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}

std::string Utf8(const wchar_t* text, int length) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, s.data(), n, nullptr, nullptr);
    return s;
}

// The system's text for an error code, in the system's language (UTF-8).
std::string SystemText(unsigned long code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string s = n > 0 ? Utf8(text, static_cast<int>(n)) : "error " + std::to_string(code);
    if (text != nullptr) LocalFree(text);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.')) s.pop_back();
    return s;
}

}  // namespace

WinComPort::WinComPort(IClock& clock) : clock_(clock) {}

WinComPort::~WinComPort() {
    if (handle_ != nullptr) CloseHandle(handle_);
}

std::string WinComPort::DevicePath(const std::string& name) {
    if (name.rfind("\\\\", 0) == 0) return name;
    return "\\\\.\\" + name;
}

void WinComPort::Fail(const char* operation, unsigned long code) {
    throw PortError(operation, static_cast<int>(code), SystemText(code));
}

void WinComPort::CheckOpen(const char* operation) const {
    if (handle_ == nullptr) throw PortError(operation, ERROR_INVALID_HANDLE, "port not open");
}

void WinComPort::SetTimeouts(unsigned long intervalMs, unsigned long perByteMs, unsigned long constMs) {
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = intervalMs;
    t.ReadTotalTimeoutMultiplier = perByteMs;
    t.ReadTotalTimeoutConstant = constMs;
    t.WriteTotalTimeoutMultiplier = kWriteTotalPerByteMs;
    t.WriteTotalTimeoutConstant = kWriteTotalConstMs;
    if (!SetCommTimeouts(handle_, &t)) Fail("Read", GetLastError());
}

void WinComPort::Open() {
    if (handle_ != nullptr) return;
    const std::wstring path = Wide(DevicePath(name_));
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) Fail("Open", GetLastError());
    const auto refuse = [h](DWORD code) {
        CloseHandle(h);
        throw PortError("Open", static_cast<int>(code), SystemText(code));
    };
    SetupComm(h, 4096, 4096);  // a hint; drivers may keep their own sizes
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb)) refuse(GetLastError());
    dcb.BaudRate = static_cast<DWORD>(baud_);
    dcb.ByteSize = 8;
    dcb.Parity = parity_ == Parity::Odd ? ODDPARITY : parity_ == Parity::Even ? EVENPARITY : NOPARITY;
    dcb.StopBits = stopBits_ == 2 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fBinary = TRUE;
    // Parity is generated on transmit; received parity is not checked and no
    // character is dropped, marked or replaced (as on Linux).
    dcb.fParity = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    // No flow control; DTR inactive; RTS inactive unless the driver is to
    // switch the line direction with it.
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = lineOptions_.rts == RtsMode::Kernel ? RTS_CONTROL_TOGGLE : RTS_CONTROL_DISABLE;
    if (!SetCommState(h, &dcb)) refuse(GetLastError());
    handle_ = h;
    held_ = false;
    try {
        SetTimeouts(readTimeouts_.intervalMs, readTimeouts_.totalPerByteMs, readTimeouts_.totalConstMs);
    } catch (const PortError& e) {
        handle_ = nullptr;
        refuse(static_cast<DWORD>(e.Code()));
    }
}

void WinComPort::Close() {
    if (handle_ == nullptr) return;
    HANDLE h = handle_;
    handle_ = nullptr;
    held_ = false;
    if (!CloseHandle(h)) Fail("Close", GetLastError());
}

void WinComPort::ClearBuffer(bool input, bool output) {
    if (!input && !output) return;
    CheckOpen("ClearBuffer");
    DWORD flags = 0;
    if (input) flags |= PURGE_RXCLEAR | PURGE_RXABORT;
    if (output) flags |= PURGE_TXCLEAR | PURGE_TXABORT;
    if (!PurgeComm(handle_, flags)) Fail("ClearBuffer", GetLastError());
    if (input) held_ = false;
}

int WinComPort::Write(const std::uint8_t* data, int count) {
    CheckOpen("Write");
    if (count <= 0) return 0;
    DWORD written = 0;
    // Blocks up to the write total (count * 100 + 1000 ms).
    if (!WriteFile(handle_, data, static_cast<DWORD>(count), &written, nullptr)) Fail("Write", GetLastError());
    clock_.WhileWaiting();
    return static_cast<int>(written);
}

void WinComPort::SetRts(bool on) {
    CheckOpen("SetRts");
    if (!EscapeCommFunction(handle_, on ? SETRTS : CLRRTS)) Fail("SetRts", GetLastError());
}

void WinComPort::DrainOutput() {
    CheckOpen("DrainOutput");
    if (!FlushFileBuffers(handle_)) Fail("DrainOutput", GetLastError());
}

int WinComPort::Read(std::uint8_t* buffer, int count) {
    CheckOpen("Read");
    const auto take = [&](int got) {
        int n = 0;
        if (held_ && got < count) {
            buffer[got] = heldByte_;
            held_ = false;
            n = 1;
        }
        if (got + n >= count) return n;
        // Whatever the driver holds, at once.
        SetTimeouts(MAXDWORD, 0, 0);
        DWORD r = 0;
        if (!ReadFile(handle_, buffer + got + n, static_cast<DWORD>(count - got - n), &r, nullptr)) {
            Fail("Read", GetLastError());
        }
        return n + static_cast<int>(r);
    };
    const auto wait = [&](int ms) {
        if (held_ || ms <= 0) return;
        // One byte, or the end of the slice.
        SetTimeouts(0, 0, static_cast<DWORD>(ms));
        DWORD r = 0;
        if (!ReadFile(handle_, &heldByte_, 1, &r, nullptr)) Fail("Read", GetLastError());
        held_ = r == 1;
    };
    return TimedRead(clock_, readTimeouts_, count, take, wait);
}

}  // namespace tservice
