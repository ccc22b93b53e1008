#pragma once
// The main window on the simulated line with a port that lets a test act at
// an exact point of the traffic (a fault knob set, a device changed) just
// before an operation reaches the port.
#include <string>
#include <vector>

#include <QComboBox>
#include <QDialog>

#include "EditFixture.h"
#include "Obrport.h"
#include "TripPort.h"

namespace tservice::testing {

class SafetyTest : public EditTest {
protected:
    void SetUp() override {
        form = std::make_unique<TForm1>(trip, clock, thief, [this] { return portNames; });
        form->SetModalRunner([this](QDialog& dialog) { return RunDialog(dialog); });
    }
    // The window goes before the port it was given, which this class owns.
    ~SafetyTest() override { form.reset(); }

    // Baza[1..Len] of the image.
    std::vector<std::uint8_t> ImageBlock() const {
        const int len = form->Image.GetLen();
        return {form->Image.Baza.begin() + 1, form->Image.Baza.begin() + 1 + len};
    }
    static std::vector<std::uint8_t> Stored(const sim::Transmitter& t) {
        return {t.block.begin(), t.block.begin() + t.blockLen};
    }
    // The data of every block write (0x45) so far, with its address.
    std::vector<Request> BlockWrites() const { return Sent(0x45); }

    // A port dialog step: choose the port (and keep the rest), press OK.
    void ScriptPort(const std::string& name) {
        dialogScript.push_back([name](QDialog& d) {
            auto& p = dynamic_cast<TFormPort&>(d);
            p.CBoxPort->setCurrentIndex(p.CBoxPort->findText(QString::fromStdString(name)));
            p.OKClick();
        });
    }
    void PickDevice(int number) {
        form->CBoxUstr->setCurrentIndex(number - 1);
        emit form->CBoxUstr->activated(number - 1);
    }

    // The box a purge, close or open failure shows before the main window
    // is asked to close.
    static MsgBox PortGoneBox() {
        return {"COM-порт отключен. Проверьте оборудование, перезапустите программу.", "Ошибка", MsgIcon::Error,
                MsgButtons::Ok, MsgAnswer::Ok};
    }

    TripPort trip{recorder};
};

}  // namespace tservice::testing
