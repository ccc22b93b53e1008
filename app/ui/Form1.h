#pragma once
// TForm1: the program's main window. It owns the link, the parameter image of
// the selected transmitter, the current and the new device index, and the
// dialogs; every service workflow is one of its handlers. Controls are public
// so the workflows' handlers and the tests reach them by their names.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QColor>
#include <QMainWindow>

#include "Clock.h"
#include "ComPort.h"
#include "Comportclass.h"
#include "DirectionPort.h"
#include "EchoPort.h"
#include "FindSettings.h"
#include "DeviceImage.h"
#include "Messages.h"
#include "Scan.h"
#include "Servclass.h"
#include "UiSupport.h"
#include "Workflow.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QScrollArea;
class QPushButton;
class QTimer;
class QToolBar;
class QToolButton;

namespace tservice {

class TFormPort;
class TFormNastr;
class TFormDevice;
class TFormNewRange;
class TrendPanel;
class TracePanel;
struct ModelRules;
class TChangesPanel;
class TFormJournal;
class TFormCompare;
struct SavedSet;
class TFormLine;
class TFormCheck;

// Window colours (standard colours of those names).
inline const QColor kRed{0xFF, 0x00, 0x00};
inline const QColor kTeal{0x00, 0x80, 0x80};
inline const QColor kNavy{0x00, 0x00, 0x80};
// Background of the static value fields at rest (tooltip background).
QColor InfoColor();
// Red bold letters: LabTimer and the mark of unwritten changes.
void MakeRedBold(QLabel* label);
// Shows text in an entry field; the same text again is no change (no text
// change signal, so the image is not marked changed).
void ShowText(QLineEdit& field, const std::string& text);
// Background and letter colour of a control as the window sets them.
QColor BackColor(const QWidget* w);
QColor LetterColor(const QWidget* w);

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // port, clock and messages are not owned and must outlive the window;
    // ports gives the names the port dialog offers. Nothing is sent and the
    // port stays closed.
    TForm1(TComPort& port, IClock& clock, IMessages& messages, PortListFn ports, QWidget* parent = nullptr);
    ~TForm1() override;

    // Owned state. The dialogs are destroyed first (they refer to the link),
    // then the last reading, the image, the TServClass object and the link.
    DirectionPort Direction;  // RTS around each request when the program switches it
    EchoPort Echo;            // takes the adapter's echo out of the answers
    TracingPort LinePort;     // in front of them; the journal panel watches it
    TComPortClass Link;
    TServClass ServClass;
    DeviceImage Image;
    DeviceImage LastReading;  // the last complete reading: every write is checked against it
    std::int32_t NuCur = 0;
    bool ReportErrors = true;  // failed exchanges shown; cleared while polling

    // Dialogs, created once after the window (children of it).
    TFormPort* FormPort = nullptr;
    TFormNastr* FormNastr = nullptr;
    TFormNewRange* FormNewRange = nullptr;
    TFormDevice* FormDevice = nullptr;
    TFormLine* FormLine = nullptr;

    // How every dialog of the program is run modally (tests play the operator).
    void SetModalRunner(const ModalRunner& runner);
    ModalRunner RunModal = ExecModal;

    // Actions, menus, toolbar, timer.
    QAction* AInPort = nullptr;
    QAction* AOutPort = nullptr;
    QAction* APort = nullptr;
    QAction* AListDevice = nullptr;
    QAction* AParol = nullptr;
    QAction* MListDevice = nullptr;
    QAction* ALine = nullptr;  // "Линия"
    QMenu* MenuPort = nullptr;
    QMenu* MenuParol = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolButton* ButParol = nullptr;
    QTimer* Timer1 = nullptr;
    QMenu* MenuVid = nullptr;  // "Вид": the dock panels
    QScrollArea* Body = nullptr;  // the controls; scrolls when panels leave it too little room
    TrendPanel* Trend = nullptr;  // every complete reading adds a sample
    TracePanel* LineLog = nullptr;  // "Журнал обмена", watches the line while shown

    // Top area.
    QLabel* LabelNu = nullptr;
    QComboBox* CBoxUstr = nullptr;
    QLabel* Label20 = nullptr;
    QComboBox* CBoxUstrZ = nullptr;
    QLabel* LabelTip = nullptr;
    QLabel* Panel1 = nullptr;
    QLabel* LabReg = nullptr;
    QLabel* Label27 = nullptr;
    QPushButton* BtnPuskTimer = nullptr;
    QLabel* LabTimer = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Contr = nullptr;  // trace text, never shown

    // Measuring channel.
    QGroupBox* GBoxKanal = nullptr;
    QLabel* LabKBegSk = nullptr;
    QLabel* LabKodACP = nullptr;
    QLabel* LabKEndSk = nullptr;
    QLabel* StKBegSk = nullptr;
    QLabel* StKodACP = nullptr;
    QLabel* StKEndSk = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QLabel* LabRegKalibr = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* CBoxTipD = nullptr;
    QLabel* Label5 = nullptr;
    QComboBox* CBoxMin = nullptr;
    QComboBox* CBoxMax = nullptr;
    QLabel* Label26 = nullptr;
    QComboBox* CBoxConnect = nullptr;
    QLabel* LabCurrent = nullptr;
    QComboBox* CBoxCurrent = nullptr;
    QLabel* LabCurrentEnd = nullptr;
    QComboBox* CBoxCurrentEnd = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* LabRezKod = nullptr;   // "в единицах кода" over StRez
    QLabel* LabRezProc = nullptr;  // "в %  шкалы" over StRezProc
    QLabel* StRez = nullptr;
    QLabel* StRezGrMA = nullptr;
    QLabel* StRezProc = nullptr;
    QLabel* Label23 = nullptr;
    QLabel* Label21 = nullptr;
    QLabel* StSost = nullptr;
    QLabel* Label18 = nullptr;
    QGroupBox* GBoxNonStand = nullptr;
    QCheckBox* ChBoxNonStand = nullptr;
    QPushButton* ButNonStand = nullptr;
    QLabel* StMin = nullptr;
    QLabel* StMax = nullptr;
    QComboBox* ComboBox1 = nullptr;  // never shown: ТЕВ-ТП sensor types
    QComboBox* ComboBox2 = nullptr;  // never shown: ТЕВ-ТС sensor types
    QComboBox* ComboBox3 = nullptr;  // never shown: ЛАДР characteristics

    // Alarm setpoints and relay output.
    QGroupBox* GBoxSign = nullptr;
    QLabel* Label7 = nullptr;
    QComboBox* CBoxTipSign = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* StUstKod1 = nullptr;
    QLabel* StUstKod2 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label22 = nullptr;
    QLineEdit* UstProc1 = nullptr;
    QLineEdit* UstProc2 = nullptr;
    QLabel* StNar = nullptr;
    QLabel* Label19 = nullptr;
    QLabel* LabTipKont = nullptr;
    QComboBox* CBoxTipK = nullptr;
    QLabel* LabBreak = nullptr;
    QComboBox* CBoxBreak = nullptr;
    QToolButton* ButSwitch = nullptr;
    QLabel* Label24 = nullptr;
    QLabel* LabSwitch = nullptr;  // "включен"/"выключен" beside ButSwitch
    QLabel* Label25 = nullptr;
    QLineEdit* Edit1 = nullptr;

    // Status bar: the port and its settings, the device addressed, and
    // whether the image holds changes not yet written.
    QLabel* StatusPort = nullptr;
    QLabel* StatusDevice = nullptr;
    QLabel* StatusChanged = nullptr;

    // Cold-junction channel of ТЕВ-ТП.
    QGroupBox* GBoxTEVTP = nullptr;
    QLabel* LabBegSkTxc = nullptr;
    QLabel* LabKodTxc = nullptr;
    QLabel* LabEndSkTxc = nullptr;
    QLabel* StBegSkTxc = nullptr;
    QLabel* StKodTxc = nullptr;
    QLabel* StEndSkTxc = nullptr;
    QLabel* LabTxc = nullptr;
    QLabel* LabTxcGrad = nullptr;
    QLabel* StTxc = nullptr;
    QLabel* StTxcGrad = nullptr;
    QLabel* LabKTxc = nullptr;
    QLineEdit* KTxc = nullptr;
    QPushButton* KalibrBegSk = nullptr;
    QPushButton* KalibrEndSk = nullptr;
    QLabel* LabRegKalibrTXC = nullptr;

    // Handlers of the main window.
    void FormCreate();
    // F9: identification, parameter block, measurement block, layout, filling.
    // Every outcome shows in the image, the window and message boxes.
    void InPortClick();
    // F10: writes the parameter block and reads it back.
    void OutPortClick();
    // Port dialog, then the chosen settings applied and the port opened.
    void PortClick();
    // "Взять настройки" of the device list: the framing the finder found goes
    // into the port dialog and the link, and the port is reopened with it.
    void TakeFraming(const LineFraming& framing);
    // The device list; closed with "Линия" it opens the overview on the
    // devices it found.
    void ListDeviceClick();
    // The overview "Линия" (polling stopped meanwhile) on found, or on the
    // devices it listed before when found is empty; a device picked there
    // becomes the current one and is read (the questions about unwritten
    // changes first).
    void LineClick(const std::vector<FoundDevice>& found);
    // Makes device number 1..32 the current one and reads it; with unwritten
    // changes asks first (Yes writes them, Cancel leaves all as it was).
    void TakeDevice(int number);
    void N4ParolClick();
    // Another device number picked in CBoxUstr.
    void CBoxUstrClick();
    // Closing steps: save question, "Работа закончена", port closed.
    void FormClose();
    // Starts or stops polling; ReportErrors and LabTimer change with it.
    void BtnPuskTimerClick();
    // One poll; skipped while another handler is still at work.
    void Timer1Timer();
    // Text changes of the edited values: the image differs from the transmitter.
    void UstKod1Change();
    void CBoxTipDChange();

    // Non-standard range group. The check box's click handler: stops polling
    // and switches between the standard range (restored from DiapStand, lists
    // shown) and the non-standard one (lists hidden, ButNonStand enabled).
    void ChBoxNonStandClick();
    // A program step setting the check box: when the state changes, the click
    // handler runs as after the operator's click; the same state does nothing.
    void SetNonStandChecked(bool checked);
    // "Программирование": the range calculation dialog, pre-filled; a standing
    // calculation goes into the image (Diap, limits, codes, TMin/TMax), else
    // the limits are emptied and the transmitter read again.
    void ButNonStandClick();

    // Measuring channel. Every pick handler first records its list for the
    // focus return after a write, stops polling and marks the image changed;
    // only the image changes, the next write carries it.
    // Sensor type: the range returns to standard range 0 of the new type.
    void CBoxTipDClick();
    // Lower limit: the upper-limit list offers the ranges that share it.
    void CBoxMinClick();
    void CBoxMaxClick();
    void CBoxConnectClick();
    // The number the transmitter is to take at the next write (NuNew, Nu).
    void CBoxUstrZClick();

    // Alarm group picks (alarm type, contact type, output on a line break).
    void CBoxTipSignClick();
    void CBoxTipKClick();
    void CBoxBreakClick();
    // Key filters of the entry fields (Windows virtual-key codes). They stop
    // polling; a fault runs the entry error; Enter moves the focus on. Return
    // true when the key goes on into the field.
    bool UstProc1KeyDown(QLineEdit* field, int key, bool shift);  // UstProc1, UstProc2, Edit1
    bool KTxcKeyDown(int key);
    // Exit check of UstProc1, UstProc2, KTxc and Edit1: an accepted value is
    // converted and stored (Edit1: sent to the ОСКИ at once), a rejected one
    // shows the stored value again. Does nothing while an entry check runs.
    void UstProc1Exit(QLineEdit* field);
    // Output control mode of an ОСКИ on (button down) or off; sent at once.
    void ButSwitchClick();

    // Calibration of the scale ends (Button1, Button2) and of the cold
    // junction (KalibrBegSk, KalibrEndSk): calibration mode on, the question,
    // then the measured raw code written (Yes) or the mode off (No).
    void Button1Click();
    void Button2Click();
    void KalibrBegSkClick();
    void KalibrEndSkClick();
    // Output-current trim at the scale's start and end, written at once with
    // polling stopped around the write.
    void CBoxCurrentClick();
    void CBoxCurrentEndClick();

    // Stops polling if it runs (the editing handlers' first step).
    void StopPolling();
    // Gives the keyboard focus back to the control that started the change.
    void ReturnFocus();
    // Whether a handler is at work (its message boxes included).
    bool Busy() const { return busy_ > 0; }

    // Marks a handler at work for its lifetime: polling ticks are skipped and
    // a close request waits until the outermost handler has ended.
    class HandlerScope {
    public:
        explicit HandlerScope(TForm1& form);
        ~HandlerScope();
        HandlerScope(const HandlerScope&) = delete;
        HandlerScope& operator=(const HandlerScope&) = delete;

    private:
        TForm1& form_;
    };

    // Sizes the window for the panels docked in it (the size it opened with
    // when none is) within area, the available screen in pixels, and keeps
    // its frame on it; a maximized window is left alone.
    void FitToScreen(const QRect& area);
    void FitToScreen();

    // Brings the status bar up to date with the link, NuCur and Izmen.
    void ShowStatus();

    // Writes a trace text into Contr.
    void Trace(const std::string& text);

    // Parameter sets on file, the changes before a write, the change journal
    // and the configuration report (Form1Files.cpp).
    QString JournalPath;   // the change journal; empty: none is kept
    // Asks for a file (save: a new one, suggested the name offered); "" when
    // cancelled. Tests replace it.
    std::function<QString(const QString& caption, const QString& filter, const QString& suggested, bool save)>
        ChooseFile;
    // Menu "Файл": the set on file, then the journal and the report.
    QMenu* MenuFile = nullptr;
    QAction* AFileSave = nullptr;
    QAction* AFileLoad = nullptr;
    QAction* AFileWithCalibr = nullptr;  // checkable: "включая калибровку"
    QAction* AFileCompare = nullptr;
    // Their windows: the panel docked, the others made on first use.
    QAction* AJournal = nullptr;
    QAction* AOperator = nullptr;  // "Оператор…": the name the journal records
    QAction* AReport = nullptr;
    TChangesPanel* ChangesPanel = nullptr;
    TFormJournal* FormJournal = nullptr;
    TFormCompare* FormCompare = nullptr;
    // The read image into a file; a failure is reported, nothing else changes.
    void FileSaveClick();
    // A saved set into the image (same model and version, own device number
    // kept, calibration only when ticked): Izmen set, nothing sent before F10.
    void FileLoadClick();
    void FileCompareClick();
    void JournalClick();
    // Asks for the operator's name (through AskOperator), then records and
    // remembers it for the journal's entries; a cancel or a blank keeps the old one.
    void OperatorClick();
    // Asks for a name with the current one shown; "" when cancelled. Tests replace it.
    std::function<QString(const QString& current)> AskOperator;
    // The report of the device in hand, PDF or HTML by the file's suffix.
    void ReportClick();
    // The journal line of a write of sent that went out, made at
    // deviceBefore (1..32); failedStep names the step of an unconfirmed one
    // (empty when confirmed). A journal that cannot be written is reported,
    // nothing more.
    void RecordWrite(const DeviceImage& sent, int deviceBefore, const std::string& failedStep = {});

    // Menu "Сервис" (Form1Check.cpp): the calibration check, a modeless
    // dialog made on first use, so the adjustment between as found and as
    // left is made here in one sitting.
    QMenu* MenuServis = nullptr;
    QAction* ACheck = nullptr;  // "Проверка"
    TFormCheck* FormCheck = nullptr;
    // Polling stopped, the check of the last complete reading shown.
    void CheckClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void CreateTopArea(QWidget* central);
    void CreateKanal(QWidget* central);
    void CreateKanalLower(QWidget* group);
    void CreateSign(QWidget* central);
    void CreateTevTp(QWidget* central);
    void CreateStatus();
    void ConnectHandlers();
    void CreateFileMenu();
    void CreatePanels(IClock& clock);
    void CreateCheckMenu();
    // The file for a command of the "Файл" menu about the transmitter in
    // hand; "" when there is none read (the write's message) or cancelled.
    QString ChooseDeviceFile(const QString& caption, const QString& filter, bool save, const QString& suggested = {});
    // A saved set read from path; false after its message.
    bool ReadSetFile(const QString& path, SavedSet& saved);
    // Bindings of the editing handlers and the entry fields' key/exit filter.
    void ConnectEditing();
    // The common beginning of a pick: focus record, polling stopped, Izmen.
    void BeginPick(QComboBox* box);
    // A trim picked in box (CBoxCurrent, or CBoxCurrentEnd when end) written at once.
    void PickCorrection(QComboBox* box, bool end);
    // Setpoint fields for the present limits (codes unchanged), as stored.
    void ShowSetpointsAnew();
    // The limit lists for the image's sensor type and Diap (TMin, TMax set).
    void FillRangeLists();
    void SetpointExit(QLineEdit* field);
    void KTxcExit();
    void Edit1Exit();
    // One calibration point, 0..3: Button1, Button2, KalibrBegSk, KalibrEndSk.
    void CalibratePoint(int point);
    // Switches coil (kCoilCalibration, kCoilOutputControl) at NuCur; a port
    // error is reported here and gives -1.
    int SwitchCoil(int coil, bool on);
    // Every control carries its name, so it can be found by it.
    void NameControls();

    // Reading, in steps; each returns false when the reading ends there.
    bool ReadDevice();
    // The window's part of a reading whose exchanges are done (read).
    bool ShowReading(const ReadOutcome& read);
    // The reading after a confirmed write shown as any reading is.
    void ShowReadBack(const ReadOutcome& read);
    // A write that went out without proof: journalled as such, the operator
    // told to read first; the edited image and its mark stay.
    void WriteUnconfirmedFound(const WriteOutcome& out, const DeviceImage& sent, int deviceBefore);
    // A reading refused for its sensor type or range: lists emptied, refused.
    void RefuseSensor(const MsgBox& box);
    bool LayOut(int model, int version);
    void LayOutModel(const ModelRules& rules);
    void ShowPrivilege();
    void FillControls(const ModelRules& rules, int correction);
    void FillSensor(const ModelRules& rules);
    void FillColdJunction();
    void FillMeasurement(const ModelRules& rules);
    // Failure sequence after a failed exchange of the reading.
    void ReadFailed(int code);
    // A reading that cannot go on: polling stopped, the warning, Vvod clear.
    void RefuseReading(const MsgBox& box);
    void ReportPortError(const PortError& error);

    // Leaving the transmitter in hand for number (1..32): polling stopped,
    // the save question when changed; another number forgets the device.
    // False when the operator cancelled.
    bool LeaveDevice(int number);
    // The transmitter in hand is given up (device or port change).
    void ForgetDevice();
    void HideGroups();
    // Writes the edits to the transmitter on the port they came from.
    void SaveOnOldPort();

    IMessages& messages_;
    QSize normalSize_;  // the window without docked panels
    bool portChosen_ = false;  // a port was open once
    int busy_ = 0;
    bool reading_ = false;
    bool closePending_ = false;
    bool closing_ = false;
    bool entryCheck_ = false;  // an entry check (and its message) is running
};

}  // namespace tservice
