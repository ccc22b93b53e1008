#pragma once
// A simulated line served on a pseudo-terminal with the real Qt port and
// clock, and the link on it at 115200 bit/s, 8N2, devices answering at once.
#include <string>

#include "NoMessages.h"
#include "Comportclass.h"
#include "PtyServer.h"
#include "QtComPort.h"

namespace tservice::bench {

struct PtyLink {
    // line must outlive the object. Opened tells whether the port opened.
    PtyLink(sim::Line& line, int delayOut) : server(line) {
        server.SetTurnaroundMs(0);
        server.Start();
        link.PortName = server.SlavePath();
        link.BaudText = std::to_string(115200);
        link.StopText = std::to_string(2);
        link.SetDelayOut(delayOut);
        opened = link.OpenPort() == 0;
    }
    ~PtyLink() { link.ClosePort(); }
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    sim::PtyServer server;
    SteadyClock clock;
    QtComPort port{clock};
    NoMessages messages;
    TComPortClass link{port, clock, messages};
    bool opened = false;
};

}  // namespace tservice::bench
