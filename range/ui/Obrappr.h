#pragma once
// TFormNewRange, "Программирование нестандартного диапазона измерения
// температур": the operator gives the lower and upper limit of a non-standard
// range, "Расчет" fits the eight inner node codes to the sensor's table, and
// the dialog's outcome tells its caller whether a calculation stands. The
// dialog never talks to a transmitter.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include <QDialog>

#include "Fit.h"
#include "Messages.h"
#include "Tables.h"
#include "UiSupport.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tservice {

// Outcome of the dialog (its result code). The values are those of the
// toolkit's QMessageBox::Yes and QMessageBox::Cancel.
enum RangeOutcome : int {
    kRangeNoResult = 0x00004000,     // Yes: no calculation stands
    kRangeResultStands = 0x00400000, // Cancel: the shown limits and codes are a calculation
};

// Most standard ranges one sensor type has.
inline constexpr int kMaxStdRanges = 47;

// Smallest and largest limit the entry accepts (°C).
inline constexpr double kRangeEntryMin = -32767.0;
inline constexpr double kRangeEntryMax = 32767.0;

// "наибольшее отклонение 0,12 °С при 415 °С": the largest deviation (°C, two
// decimals) and the table temperature where it occurs, comma decimals.
std::string DeviationText(double deviation, double at);

// Shortest comma-decimal text that reads back to value, never an exponent
// ("-50,5", "0", "415"). How the dialog shows a limit it restores.
std::string PlainDecimal(double value);

class TFormNewRange : public QDialog {
    Q_OBJECT
public:
    // messages must outlive the dialog. tableDirs are the places the sensor
    // tables are looked for (see LoadTable); empty means DefaultTableDirs.
    explicit TFormNewRange(IMessages& messages, std::vector<std::string> tableDirs = {},
                           QWidget* parent = nullptr);
    ~TFormNewRange() override;

    QGroupBox* GroupBox1 = nullptr;  // "Тип датчика"
    QLabel* StTipD = nullptr;
    QGroupBox* GroupBox2 = nullptr;  // "Выбор диапазона температур"
    QLabel* LabelTN = nullptr;
    QLineEdit* EditTN = nullptr;
    QLabel* LabelTK = nullptr;
    QLineEdit* EditTK = nullptr;
    QGroupBox* GroupBox3 = nullptr;  // "Результаты"
    std::array<QLabel*, 10> Labels{};  // Label1..Label10, "Y1".."Y10"
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QLineEdit* Edit9 = nullptr;
    QLineEdit* Edit10 = nullptr;
    QLabel* LabDeviation = nullptr;  // largest deviation of a standing calculation
    QPushButton* Button1 = nullptr;  // "Расчет"

    // Edit1..Edit10 in order; element k+1 shows YKod[k].
    std::array<QLineEdit*, 10> ResultEdits{};
    double TN = 0.0;    // °C, last accepted lower limit
    double TK = 0.0;    // °C, last accepted upper limit
    double YKod[8] = {};  // code units, Y2..Y9 of the last calculation or pre-fill
    RangeLimits StdRanges[kMaxStdRanges] = {};
    int StdCount = 0;
    int NoResult = 1;   // 1 while no valid calculation stands
    std::vector<std::string> TableDirs;

    ModalRunner RunModal = ExecModal;
    // FormShow, then the dialog modally; returns its RangeOutcome.
    int ShowModal();

    // Copies the standard ranges of the sensor type (at most kMaxStdRanges;
    // a negative count or null table gives none).
    void SetStdRanges(const RangeLimits* ranges, int count);
    // Pre-fill: the limits and the codes as whole numbers, texts and members
    // alike. A changed limit text sets NoResult (as every change does).
    void Preset(int tn, int tk, const std::array<int, 8>& codes);

    // Handlers.
    void FormCreate();
    void FormShow();
    // Validates a pending entry and gives the outcome: kRangeNoResult when a
    // limit text is empty or NoResult is 1, else kRangeResultStands.
    int FormClose();
    // "Расчет": loads the table of StTipD, calculates, shows the codes or the
    // refusal. Blocks until the calculation ends.
    void Button1Click();
    // Key filter of the edit fields (vk: Windows virtual-key code); returns
    // false when the key must not reach the field (a fault, or Enter).
    bool EditTNKeyDown(QLineEdit* field, int vk, bool shift);
    // Leaving an edit field: limits are checked and stored, codes stored.
    void EditTNExit(QLineEdit* field);
    // Text change of EditTN or EditTK: the calculation no longer stands.
    void EditTNChange();

    // The key filter with its reaction: 0 accepted, 13 Enter on a field with
    // text, 1 after a fault (the error has been shown).
    int RangeKeyFilter(QLineEdit* field, int vk, bool shift);
    // The exit check: 0 accepted, 1 rejected after the error display.
    int CheckRangeEntry(QLineEdit* field);
    // Red, beep, " Ошибка ввода " (caption "Ошибка", error icon), white, "00".
    void ShowRangeEntryError(QLineEdit* field);

    // The closing steps run here, whatever asked the dialog to end.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    bool IsEntryField(const QObject* o) const;
    // The operator is at this field: the one left before it is checked first.
    void EnterField(QLineEdit* field);
    // Runs the exit of the field the operator is at, if any.
    void LeavePendingField();
    // Moves the focus to the first control, a pending entry checked first.
    void FocusFirst();
    void MoveFocusOn(QLineEdit* field);
    void ShowRefusal(const char* text);

    IMessages& messages_;
    std::unique_ptr<SensorTable> table_;  // kept between calculations
    QLineEdit* pendingField_ = nullptr;   // focused, exit not yet run
    bool showingError_ = false;           // an entry error box is open
};

}  // namespace tservice
