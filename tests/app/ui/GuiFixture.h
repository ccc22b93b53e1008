#pragma once
// The main window on a simulated line in virtual time, with scripted message
// boxes and scripted dialogs. The bytes the simulated port saw are the
// evidence of what reached the line.
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QDialog>
#include <gtest/gtest.h>

#include "Clock.h"
#include "Form1.h"
#include "ForwardingPort.h"
#include "ScriptedMessages.h"
#include "SimComPort.h"
#include "SimLine.h"

namespace tservice::testing {

// Forwards to the simulated port and notes under which port name each
// request was written.
class RecordingPort final : public ForwardingPort {
public:
    explicit RecordingPort(sim::SimComPort& inner) : ForwardingPort(inner), inner_(inner) {}
    int Write(const std::uint8_t* data, int count) override {
        writes.emplace_back(inner_.OpenName(), count > 1 ? data[1] : -1);
        if (count > 1 && data[1] == swallow) return count;  // lost on the line
        return ForwardingPort::Write(data, count);
    }

    std::vector<std::pair<std::string, int>> writes;  // open port name and command of every Write
    int swallow = -1;  // requests with this command never reach the line

private:
    sim::SimComPort& inner_;
};

struct Request {
    int address;
    int cmd;
    std::vector<std::uint8_t> data;
};

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm1>(recorder, pumping, messages, [this] { return portNames; });
        form->SetModalRunner([this](QDialog& dialog) { return RunDialog(dialog); });
    }
    // A scripted step that was never taken means the test did not go where it meant to.
    void TearDown() override {
        EXPECT_TRUE(dialogScript.empty()) << dialogScript.size() << " scripted dialog step(s) never used";
        EXPECT_TRUE(messages.script.empty()) << messages.script.size() << " scripted answer(s) never used";
    }

    // A transmitter with a measurement that holds still.
    sim::Transmitter& AddDevice(int address, int model, int version) {
        sim::Transmitter& t = line.Add(address, model, version);
        t.drift = 0;
        return t;
    }

    void OpenPort(const std::string& name = "COM1") {
        form->Link.PortName = name;
        ASSERT_EQ(form->Link.OpenPort(), 0);
    }

    // Reads the device number (1..32) as the operator would: pick, then F9.
    void Read(int number) {
        form->NuCur = number - 1;
        form->InPortClick();
    }

    // Every request written so far, decoded (address, command, data).
    std::vector<Request> Requests() const {
        std::vector<Request> out;
        for (const auto& r : port.requests) {
            if (r.size() < 4) continue;
            out.push_back({r[0], r[1], std::vector<std::uint8_t>(r.begin() + 2, r.end() - 2)});
        }
        return out;
    }
    std::vector<std::pair<int, int>> Commands() const {
        std::vector<std::pair<int, int>> out;
        for (const Request& r : Requests()) out.emplace_back(r.address, r.cmd);
        return out;
    }
    int Count(int cmd) const {
        int n = 0;
        for (const Request& r : Requests()) n += r.cmd == cmd ? 1 : 0;
        return n;
    }

    // Dialogs: each showing takes the next scripted step, which plays the
    // operator and ends the dialog. An unscripted showing is cancelled.
    int RunDialog(QDialog& dialog) {
        shown.push_back(&dialog);
        dialog.setResult(QDialog::Rejected);
        if (dialogScript.empty()) {
            dialog.reject();
        } else {
            auto step = std::move(dialogScript.front());
            dialogScript.pop_front();
            step(dialog);
        }
        return dialog.result();
    }

    static std::string Text(const QString& s) { return s.toStdString(); }

    sim::Line line;
    VirtualClock clock;
    // Every wait of the link and the port calls onPump, as the program's
    // waits run the window's events.
    std::function<void()> onPump;
    PumpingClock pumping{clock, [this] { if (onPump) onPump(); }};
    sim::SimComPort port{line, pumping};
    RecordingPort recorder{port};
    ScriptedMessages messages;
    std::vector<std::string> portNames{"COM1", "COM2"};
    std::deque<std::function<void(QDialog&)>> dialogScript;
    std::vector<QDialog*> shown;
    std::unique_ptr<TForm1> form;
};

}  // namespace tservice::testing
