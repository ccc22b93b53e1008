#pragma once
// "Проверка": the calibration check of the transmitter in hand, step by step.
// The operator applies the reference shown, watches the live value settle,
// presses "Принять"; the table fills in with errors coloured by verdict;
// "Сохранить" records the check in the journal. As found, then the main
// window's calibration and trims, then as left, in one sitting (the dialog
// is modeless). Only measurements are read; nothing is written.
#include <functional>

#include <QDialog>
#include <QString>

#include "Check.h"
#include "Clock.h"
#include "Comportclass.h"
#include "DeviceImage.h"
#include "Messages.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimer;

namespace tservice {

class TFormCheck : public QDialog {
    Q_OBJECT
public:
    // link, clock and messages are the main window's; not owned, they must
    // outlive the dialog.
    TFormCheck(TComPortClass& link, IClock& clock, IMessages& messages, QWidget* parent = nullptr);

    // Starts a check of the transmitter of reading (a complete reading with
    // range limits applied) at device index nu; journalPath empty: none kept.
    // False with a message when the reading has no range to check.
    bool Start(const DeviceImage& reading, int nu, const QString& journalPath);

    // Handlers.
    void CBoxStageChange();
    void EditPointsExit();       // new points or tolerance: the check starts over
    void ButAcceptClick();       // measure the point in hand until stable
    void ButSaveClick();         // the check into the journal, conditions remembered
    void ButProtocolClick();     // the certificate from the journal
    void TimerLiveTimer();       // one live reading between points

    // The check so far (for the window's owner and tests).
    const CheckRecord& Record() const { return record_; }
    bool Saved() const { return saved_; }
    // Asks for the certificate's file ("" cancelled); tests replace it.
    std::function<QString()> ChooseFile;

    QComboBox* CBoxStage = nullptr;
    QLineEdit* EditPoints = nullptr;
    QLineEdit* EditTol = nullptr;
    QSpinBox* SpinSamples = nullptr;
    QTableWidget* GridInstr = nullptr;  // name, serial, certificate, valid until
    QLineEdit* EditAmbient = nullptr;
    QLineEdit* EditHumidity = nullptr;
    QLineEdit* EditOperator = nullptr;
    QLabel* LabStep = nullptr;          // what to apply
    QLineEdit* EditRef = nullptr;       // reference actually applied; empty: the nominal
    QLineEdit* EditMa = nullptr;        // reference milliammeter, mA; empty: no output check
    QLabel* LabLive = nullptr;          // the live value
    QLabel* LabStable = nullptr;        // the stability indicator
    QPushButton* ButAccept = nullptr;
    QTableWidget* GridPoints = nullptr;
    QLabel* LabVerdict = nullptr;
    QPushButton* ButSave = nullptr;
    QPushButton* ButProtocol = nullptr;
    QTimer* TimerLive = nullptr;

private:
    void CreateConditions(QWidget* box);
    void CreateStep(QWidget* box);
    bool ReadPlan();             // points, tolerance and samples from the fields
    void ShowStep();
    void AddRow(const CheckPoint& p);
    CheckConditions Conditions() const;
    void ShowConditions(const CheckConditions& c);
    Stability Rule() const;

    TComPortClass& link_;
    IClock& clock_;
    IMessages& messages_;
    DeviceImage image_;
    int nu_ = 0;
    QString journalPath_;
    std::vector<double> points_ = DefaultPoints();
    CheckRecord record_;
    StabilityWindow live_{Stability{}};
    bool saved_ = false;
};

}  // namespace tservice
