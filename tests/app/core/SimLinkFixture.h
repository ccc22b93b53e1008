#pragma once
// The link on the in-process simulated line with the four demo transmitters,
// in virtual time, port open.
#include <gtest/gtest.h>

#include "PortNames.h"
#include "Comportclass.h"
#include "DeviceImage.h"
#include "ScriptedMessages.h"
#include "SimComPort.h"
#include "SimLine.h"

namespace tservice {

struct SimLinkFixture : ::testing::Test {
    SimLinkFixture() : port(line, clock), link(port, clock, messages) {
        sim::Line::AddDemoDevices(line);
        link.PortName = testing::kSerialName;
        EXPECT_EQ(link.OpenPort(), 0);
    }
    // The 0x45 requests the port carried.
    int BlockWrites() const {
        int n = 0;
        for (const auto& r : port.requests) n += r.size() > 1 && r[1] == 0x45;
        return n;
    }
    sim::Line line;
    VirtualClock clock{1000};
    sim::SimComPort port;
    testing::ScriptedMessages messages;
    TComPortClass link;
    DeviceImage image;
};

}  // namespace tservice
