#pragma once
// TFormPort, "Настройка СОМ-порта": port, rate, parity and stop bits for the
// link. The port is closed while the dialog is shown; the caller applies an
// accepted choice and opens the port.
#include <QDialog>

#include "Comportclass.h"
#include "PortList.h"
#include "UiSupport.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace tservice {

class TFormNastr;

class TFormPort : public QDialog {
    Q_OBJECT
public:
    // Result of the one refused combination, even parity with two stop bits.
    static constexpr int kRefusedResult = 6;

    // link must outlive the dialog; ports lists the port names (called at
    // every showing). nastr (not owned, may be null) is the exchange dialog.
    TFormPort(TComPortClass& link, IMessages& messages, PortListFn ports, QWidget* parent = nullptr);

    void SetNastr(TFormNastr* nastr) { nastr_ = nastr; }

    QLabel* Label1 = nullptr;
    QComboBox* CBoxPort = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* Skor = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* Parit = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* StBit = nullptr;
    QPushButton* OK = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* LabTcp = nullptr;  // shown for a tcp:// port: the framing is the gateway's
    QLabel* LabRts = nullptr;
    QComboBox* CBoxRts = nullptr;     // "нет", "ядро", "программа"
    QSpinBox* EditRtsBefore = nullptr;  // ms RTS is up before the first bit
    QSpinBox* EditRtsAfter = nullptr;   // ms it stays up after the last stop bit

    int SavedSkor = 0;
    int SavedParit = 0;
    int SavedStBit = 1;
    int SavedRts = 0;
    int SavedRtsBefore = 0;
    int SavedRtsAfter = 0;
    bool WasConnected = false;

    ModalRunner RunModal = ExecModal;
    // When set, the port list comes from here, each entry shown with what the
    // system knows of it; otherwise from the names given at construction.
    std::function<std::vector<PortEntry>()> PortEntries;
    // FormShow, then the dialog modally: QDialog::Accepted, kRefusedResult
    // or QDialog::Rejected (close box).
    int ShowModal();

    // Saved choice back to 9600, no parity, two stop bits.
    void FormCreate();
    // Saved choice selected, the port closed (WasConnected noted), the port
    // list filled anew with its first entry selected.
    void FormShow();
    // Ends with kRefusedResult for even parity with two stop bits (nothing
    // saved); a malformed tcp:// address, or RTS control asked of a gateway,
    // is reported and the dialog stays; else saves the choice, hands the
    // adapter's options to the link's port and ends with OK.
    void OKClick();
    // The exchange dialog; after its OK the tries and the pause apply at once.
    void Button1Click();
    // Ends the dialog; a cancel reopens the port if it had been open.
    void done(int result) override;

    // The chosen port's name (a listed entry's name, or the typed text) and
    // framing as the link spells it.
    std::string ChosenPort() const;
    std::string ChosenBaud() const;
    char ChosenParity() const;   // 'N', 'O', 'E'
    std::string ChosenStop() const;  // "1", "2"
    // Echo from the exchange dialog, RTS control from this one.
    LineOptions ChosenOptions() const;
    // Selects a framing found by the settings finder (saved as if chosen).
    void TakeFraming(int baud, char parity, int stopBits);

private:
    void CBoxPortChange();

    TComPortClass& link_;
    IMessages& messages_;
    PortListFn ports_;
    TFormNastr* nastr_ = nullptr;
};

}  // namespace tservice
