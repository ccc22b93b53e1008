#pragma once
// TFormNastr, "Настройка параметров обмена": the pause before each request
// (1..100 ms), the adapter's echo and the two retry counts, which the
// operator cannot change.
#include <QDialog>
#include <QSpinBox>

#include "Comportclass.h"
#include "UiSupport.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tservice {

// An up-down control with its read-only edit field beside it.
class TUpDown : public QSpinBox {
    Q_OBJECT
public:
    explicit TUpDown(QWidget* parent = nullptr);
    QLineEdit* Edit() const { return lineEdit(); }
};

class TFormNastr : public QDialog {
    Q_OBJECT
public:
    // link must outlive the dialog; its DelayOut is taken as the saved pause.
    TFormNastr(TComPortClass& link, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    TUpDown* UpDown1 = nullptr;
    QLineEdit* Edit1 = nullptr;  // the up-down's own field
    QLabel* Label2 = nullptr;
    QComboBox* CBoxPovt1 = nullptr;  // hidden
    QLabel* Label3 = nullptr;
    QComboBox* CBoxPovt2 = nullptr;  // hidden
    QLabel* LabEcho = nullptr;
    QComboBox* CBoxEcho = nullptr;   // "нет", "есть", "авто"
    QPushButton* OK = nullptr;

    int SavedPovt1 = 1;
    int SavedPovt2 = 1;
    int SavedDelay = 25;
    int SavedEcho = 2;  // авто

    // The echo setting chosen (saved).
    EchoMode ChosenEcho() const;

    ModalRunner RunModal = ExecModal;
    // Shows the dialog modally; QDialog::Accepted after OK.
    int ShowModal();

    // Saved values: tries items 1 and 1 (5 and 10), pause = the link's
    // DelayOut, echo "авто".
    void FormCreate();
    // Saves the shown values and ends with OK.
    void OKClick();
    // Ends the dialog; a cancel (close box, Esc) puts the saved values back.
    void done(int result) override;

private:
    TComPortClass& link_;
};

}  // namespace tservice
