// Gateway addresses and port labels: what is taken, what is refused, and
// what OpenPort does with them.
#include <gtest/gtest.h>

#include "Comportclass.h"
#include "FakePort.h"
#include "PortList.h"
#include "ScriptedMessages.h"

namespace tservice::testing {
namespace {

TEST(TcpPortName, TakesHostAndPortOnly) {
    struct Case { const char* name; bool ok; const char* host = nullptr; int port = 0; };
    for (const Case& c : {Case{"tcp://127.0.0.1:4001", true, "127.0.0.1", 4001},
                          Case{"tcp://gw-3.plant.local:502", true, "gw-3.plant.local", 502},
                          Case{"tcp://[::1]:65535", true, "::1", 65535},
                          Case{"tcp://h:1", true, "h", 1},
                          Case{"tcp://h:0", false}, Case{"tcp://h:65536", false}, Case{"tcp://h", false},
                          Case{"tcp://h:", false}, Case{"tcp://h:+5", false}, Case{"tcp://h:5x", false},
                          Case{"tcp://:5", false}, Case{"tcp://u@h:5", false}, Case{"tcp://h:5/x", false},
                          Case{"tcp://h:5?q", false}, Case{"tcp://a b:5", false}, Case{"tcp://a:b:5", false},
                          Case{"udp://h:5", false}, Case{"/dev/ttyS0", false}}) {
        TcpAddress a;
        std::string error;
        EXPECT_EQ(ParseTcpPortName(c.name, &a, &error), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(a.host, c.host);
            EXPECT_EQ(a.port, c.port);
        } else {
            EXPECT_NE(error.find("tcp://УЗЕЛ:ПОРТ"), std::string::npos) << c.name;
        }
    }
}

TEST(TcpPortName, OpenPortTakesAGatewayAndRefusesAMalformedOne) {
    VirtualClock clock;
    FakePort port(clock);
    ScriptedMessages messages;
    TComPortClass link(port, clock, messages);
    for (auto [name, result] : {std::pair{"tcp://10.1.2.3:4001", 0}, std::pair{"tcp://10.1.2.3", -1},
                                std::pair{"tcp://10.1.2.3:99999", -1}}) {
        link.PortName = name;
        EXPECT_EQ(link.OpenPort(), result) << name;
        if (result == 0) { EXPECT_EQ(port.name, name); }
    }
    EXPECT_TRUE(messages.boxes.empty());
}

TEST(PortLabelText, ShowsWhatTheSystemKnows) {
    EXPECT_EQ(PortLabel({"ttyS0", "", "", ""}), "ttyS0");
    EXPECT_EQ(PortLabel({"ttyUSB0", "FT232R USB UART", "FTDI", "A10K3"}), "ttyUSB0 — FT232R USB UART, FTDI, A10K3");
    EXPECT_EQ(PortLabel({"ttyACM0", "", "Arduino", ""}), "ttyACM0 — Arduino");
}

}  // namespace
}  // namespace tservice::testing
