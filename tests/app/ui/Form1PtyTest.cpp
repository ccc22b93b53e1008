// One reading through the real serial port code against simulated
// transmitters on a pseudo-terminal (real time, a fraction of a second).
#include <QComboBox>
#include <QLabel>

#include "Form1.h"
#include "PtyServer.h"
#include "QtComPort.h"
#include "ScriptedMessages.h"
#include "SimLine.h"

#include <gtest/gtest.h>

namespace tservice::testing {
namespace {

TEST(Form1Pty, ReadsTheDemoTevTpThroughTheRealPort) {
    sim::Line line;
    sim::Line::AddDemoDevices(line);
    sim::PtyServer server(line);
    server.Start();
    SteadyClock clock;
    QtComPort port(clock);
    ScriptedMessages messages;
    TForm1 form(port, clock, messages, [&] { return std::vector<std::string>{server.SlavePath()}; });
    form.Link.PortName = server.SlavePath();
    ASSERT_EQ(form.Link.OpenPort(), 0);
    form.NuCur = 2;
    form.InPortClick();
    ASSERT_TRUE(messages.boxes.empty()) << messages.boxes[0].text;
    EXPECT_EQ(form.Panel1->text().toStdString(), "ТЕВ-ТП МЕ  618214.003  ПО.V4  0x93E6B1D0");
    EXPECT_EQ(form.StBegSkTxc->text().toStdString(), "2150");
    EXPECT_EQ(form.CBoxTipD->currentText().toStdString(), "XA(K)");
    EXPECT_EQ(form.Image.Vvod, 1);
    form.Link.ClosePort();
    server.Stop();
    const auto commands = server.WithLine([](sim::Line& l) {
        std::vector<std::pair<int, int>> out;
        for (const sim::Event& e : l.Find(3)->log) out.emplace_back(e.request[0], e.request[1]);
        return out;
    });
    EXPECT_EQ(commands, (std::vector<std::pair<int, int>>{{3, 0x11}, {3, 0x44}, {3, 0x47}}));
}

}  // namespace
}  // namespace tservice::testing
