// The Win32 port's names and failures (Windows builds; under wine in make
// check-windows). Its traffic is checked against the simulator over a wine
// COM port by tools/check-windows and tools/check-windows-probe.
#include <gtest/gtest.h>

#include <cstdint>

#include "Clock.h"
#include "WinComPort.h"

namespace tservice {
namespace {

TEST(WinComPort, BareNamesOpenAsDevicePaths) {
    EXPECT_EQ(WinComPort::DevicePath("COM3"), "\\\\.\\COM3");
    EXPECT_EQ(WinComPort::DevicePath("COM12"), "\\\\.\\COM12");
    EXPECT_EQ(WinComPort::DevicePath("\\\\.\\COM12"), "\\\\.\\COM12");
}

TEST(WinComPort, AMissingPortIsAnOpenErrorAndStaysClosed) {
    SteadyClock clock;
    WinComPort port(clock);
    port.SetPort("COM219");
    try {
        port.Open();
        FAIL() << "COM219 opened";
    } catch (const PortError& e) {
        EXPECT_EQ(e.Operation(), "Open");
        EXPECT_NE(e.Code(), 0);
        EXPECT_FALSE(e.SystemText().empty());
    }
    EXPECT_FALSE(port.Connected());
}

TEST(WinComPort, EveryTransferOnAClosedPortThrows) {
    SteadyClock clock;
    WinComPort port(clock);
    std::uint8_t b[4] = {};
    EXPECT_THROW(port.Write(b, 4), PortError);
    EXPECT_THROW(port.Read(b, 4), PortError);
    EXPECT_THROW(port.ClearBuffer(true, true), PortError);
    EXPECT_THROW(port.SetRts(true), PortError);
    EXPECT_THROW(port.DrainOutput(), PortError);
    EXPECT_NO_THROW(port.ClearBuffer(false, false));
    EXPECT_NO_THROW(port.Close());
}

}  // namespace
}  // namespace tservice
