// wincom_probe: the Win32 port and the Winsock line server without Qt, so
// that both can be exercised under wine before (or without) the Qt
// cross-build; tools/wincom-probe builds it with mingw-w64 alone.
//   wincom_probe com PORT MAX [soft|kernel]
//                                the exchange protocol (TComPortClass) over
//                                WinComPort: identification of devices 1..MAX
//                                and the parameter block of the first found;
//                                exit 0 when at least one answered; with a
//                                direction mode, RTS switched by the program
//                                (DirectionPort) or by the driver
//   wincom_probe serve SECONDS   the four demo transmitters on loopback TCP
//                                (sim::TcpServer over Winsock); prints the
//                                address, serves, prints the frames served
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "Clock.h"
#include "Comportclass.h"
#include "DirectionPort.h"
#include "PortList.h"
#include "SimLine.h"
#include "TcpServer.h"
#include "WinComPort.h"

namespace {

class QuietMessages final : public tservice::IMessages {
public:
    tservice::MsgAnswer Show(const tservice::MsgBox& box) override {
        std::printf("box: %s\n", box.text.c_str());
        return box.defaultAnswer;
    }
    void Plain(const std::string& text) override { std::printf("text: %s\n", text.c_str()); }
    void Beep() override {}
    void RequestMainClose() override {}
};

std::string Hex(const std::uint8_t* p, int n) {
    std::string s;
    char b[4];
    for (int i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, "%02X", p[i]);
        s += b;
    }
    return s;
}

int Com(const std::string& name, int max, const std::string& direction) {
    tservice::SteadyClock clock;
    tservice::WinComPort serial(clock);
    tservice::DirectionPort port(serial, clock);
    tservice::LineOptions options;
    options.rts = direction == "soft"     ? tservice::RtsMode::Soft
                  : direction == "kernel" ? tservice::RtsMode::Kernel
                                          : tservice::RtsMode::Off;
    port.SetLineOptions(options);
    QuietMessages messages;
    tservice::TComPortClass link(port, clock, messages);
    link.PortName = name;
    link.SetPovt1(2);
    link.SetPovt2(2);
    if (link.OpenPort() != 0) {
        std::printf("%s: not opened\n", name.c_str());
        return 1;
    }
    std::uint8_t answer[tservice::kMaxAnswer];
    int found = 0, first = -1;
    for (int d = 0; d < max; ++d) {
        const int r = link.Exchange(d, 0x11, 0, nullptr, answer);
        if (r == 0) {
            std::printf("device %d: identification %s\n", d + 1, Hex(answer, link.AnsLen).c_str());
            ++found;
            if (first < 0) first = d;
        } else {
            std::printf("device %d: result %d\n", d + 1, r);
        }
    }
    if (first >= 0) {
        const int r = link.Exchange(first, 0x44, 0, nullptr, answer);
        std::printf("device %d: parameter block result %d, %s\n", first + 1, r,
                    r == 0 ? Hex(answer, link.AnsLen).c_str() : "");
        if (r != 0) found = 0;
    }
    link.ClosePort();
    std::printf("%s: %d device(s) answered\n", name.c_str(), found);
    return found > 0 ? 0 : 1;
}

int Serve(int seconds) {
    tservice::sim::Line line;
    tservice::sim::Line::AddDemoDevices(line);
    tservice::sim::TcpServer server(line, "127.0.0.1", 0);
    server.Start();
    std::printf("%s\n", server.Address().c_str());
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    server.Stop();
    std::printf("frames served: %d\n", server.Frames());
    return server.Frames() > 0 ? 0 : 1;
}

}  // namespace

namespace tservice {
// The port list's parsing lives with QSerialPortInfo (Qt); the probe names
// serial ports only.
bool IsTcpPortName(const std::string& name) { return name.rfind("tcp://", 0) == 0; }
bool ParseTcpPortName(const std::string&, TcpAddress*, std::string* error) {
    if (error != nullptr) *error = "tcp:// is not part of the probe";
    return false;
}
}  // namespace tservice

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    try {
        if (mode == "com" && (argc == 4 || argc == 5)) return Com(argv[2], std::atoi(argv[3]), argc == 5 ? argv[4] : "");
        if (mode == "serve" && argc == 3) return Serve(std::atoi(argv[2]));
    } catch (const std::exception& e) {
        std::printf("error: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: wincom_probe com PORT MAX | serve SECONDS\n");
    return 2;
}
