#include "Obrappr.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include <QApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include "DeviceImage.h"
#include "Entry.h"
#include "KeyMap.h"

namespace tservice {

static_assert(static_cast<int>(kRangeNoResult) == static_cast<int>(QMessageBox::Yes));
static_assert(static_cast<int>(kRangeResultStands) == static_cast<int>(QMessageBox::Cancel));

namespace {

constexpr int kLimitLength = 7;  // the entry check looks at seven characters

QString Q(const std::string& s) { return QString::fromStdString(s); }

void SetBase(QLineEdit* field, const QColor& color) {
    QPalette pal = field->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Base, color);
        pal.setColor(group, QPalette::Text, LettersOn(color));
    }
    field->setPalette(pal);
}

QLineEdit* MakeEdit(QWidget* parent, int x, int y, int w) {
    auto* edit = new QLineEdit(QStringLiteral("00"), parent);
    edit->setGeometry(x, y, w, 22);
    return edit;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, w, 20);
    return label;
}

// Marks a scope in which an entry error box is open.
class ErrorScope {
public:
    explicit ErrorScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~ErrorScope() { flag_ = false; }
    ErrorScope(const ErrorScope&) = delete;
    ErrorScope& operator=(const ErrorScope&) = delete;

private:
    bool& flag_;
};

// The calculation blocks the window's thread; the cursor says so.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

std::string PlainDecimal(double value) {
    if (!std::isfinite(value)) return "0";
    if (value == 0.0) value = 0.0;  // no "-0"
    char buf[400];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (ec != std::errc()) return "0";
    std::string s(buf, end);
    for (char& c : s)
        if (c == '.') c = ',';
    return s;
}

std::string DeviationText(double deviation, double at) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", std::isfinite(deviation) ? deviation : 0.0);
    std::string dev(buf);
    for (char& c : dev)
        if (c == '.') c = ',';
    return "наибольшее отклонение " + dev + " °С при " + PlainDecimal(at) + " °С";
}

TFormNewRange::TFormNewRange(IMessages& messages, std::vector<std::string> tableDirs, QWidget* parent)
    : QDialog(parent),
      TableDirs(tableDirs.empty() ? DefaultTableDirs(nullptr) : std::move(tableDirs)),
      messages_(messages),
      table_(std::make_unique<SensorTable>()) {
    setWindowTitle(QStringLiteral("Программирование нестандартного диапазона измерения температур"));
    setModal(true);
    CreateControls();
    FormCreate();
}

TFormNewRange::~TFormNewRange() = default;

void TFormNewRange::CreateControls() {
    setFixedSize(600, 250);
    GroupBox1 = new QGroupBox(QStringLiteral("Тип датчика"), this);
    GroupBox1->setGeometry(10, 8, 160, 64);
    StTipD = new QLabel(GroupBox1);
    StTipD->setGeometry(10, 28, 140, 22);
    StTipD->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    GroupBox2 = new QGroupBox(QStringLiteral("Выбор диапазона температур"), this);
    GroupBox2->setGeometry(180, 8, 410, 64);
    LabelTN = MakeLabel(GroupBox2, QStringLiteral("  Начало диапазона"), 4, 29, 130);
    EditTN = MakeEdit(GroupBox2, 138, 28, 62);
    LabelTK = MakeLabel(GroupBox2, QStringLiteral("   Конец диапазона"), 206, 29, 130);
    EditTK = MakeEdit(GroupBox2, 340, 28, 62);
    EditTN->setMaxLength(kLimitLength);
    EditTK->setMaxLength(kLimitLength);

    GroupBox3 = new QGroupBox(QStringLiteral("Результаты"), this);
    GroupBox3->setGeometry(10, 80, 580, 120);
    QLineEdit** edits[10] = {&Edit1, &Edit2, &Edit3, &Edit4, &Edit5, &Edit6, &Edit7, &Edit8, &Edit9, &Edit10};
    for (int i = 0; i < 10; ++i) {
        const int x = 10 + i * 56;
        Labels[i] = MakeLabel(GroupBox3, QStringLiteral("Y%1").arg(i + 1), x + 4, 26, 48);
        Labels[i]->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        QLineEdit* edit = MakeEdit(GroupBox3, x, 48, 52);
        edit->setEnabled(false);  // display only
        // Results are read, so their letters stay dark on a visibly grey field.
        QPalette pal = edit->palette();
        pal.setColor(QPalette::Disabled, QPalette::Text, QColor(Qt::black));
        pal.setColor(QPalette::Disabled, QPalette::Base, QColor(0xE4, 0xE4, 0xE4));
        edit->setPalette(pal);
        edit->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
        *edits[i] = edit;
        ResultEdits[i] = edit;
    }
    LabDeviation = new QLabel(GroupBox3);
    LabDeviation->setGeometry(10, 84, 560, 22);

    Button1 = new QPushButton(QStringLiteral("Расчет"), this);
    Button1->setGeometry(250, 210, 100, 30);
    Button1->setAutoDefault(false);

    const std::pair<QObject*, const char*> names[] = {
        {GroupBox1, "GroupBox1"}, {StTipD, "StTipD"}, {GroupBox2, "GroupBox2"}, {EditTN, "EditTN"},
        {EditTK, "EditTK"}, {GroupBox3, "GroupBox3"}, {LabDeviation, "LabDeviation"}, {Button1, "Button1"}};
    for (const auto& [o, name] : names) o->setObjectName(QString::fromLatin1(name));

    for (QLineEdit* edit : {EditTN, EditTK}) {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, [this] { EditTNChange(); });
    }
    for (QLineEdit* edit : ResultEdits) edit->installEventFilter(this);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

int TFormNewRange::ShowModal() {
    FormShow();
    return RunModal(*this);
}

void TFormNewRange::SetStdRanges(const RangeLimits* ranges, int count) {
    StdCount = 0;
    if (ranges == nullptr || count <= 0) return;
    StdCount = count < kMaxStdRanges ? count : kMaxStdRanges;
    for (int i = 0; i < StdCount; ++i) StdRanges[i] = ranges[i];
}

void TFormNewRange::Preset(int tn, int tk, const std::array<int, 8>& codes) {
    EditTN->setText(QString::number(tn));
    EditTK->setText(QString::number(tk));
    TN = tn;
    TK = tk;
    for (int k = 0; k < 8; ++k) {
        ResultEdits[k + 1]->setText(QString::number(codes[k]));
        YKod[k] = codes[k];
    }
}

void TFormNewRange::FormCreate() {
    for (QLineEdit* edit : ResultEdits) edit->setText(QStringLiteral("00"));
    TN = 0.0;
    TK = 0.0;
    for (double& y : YKod) y = 0.0;
    NoResult = 1;
    LabDeviation->clear();
}

void TFormNewRange::FormShow() {
    Edit10->setText(QString::number(kTevScale));
    pendingField_ = nullptr;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

int TFormNewRange::FormClose() {
    FocusFirst();
    if (EditTN->text().isEmpty() || EditTK->text().isEmpty() || NoResult == 1) return kRangeNoResult;
    return kRangeResultStands;
}

void TFormNewRange::done(int) { QDialog::done(FormClose()); }

void TFormNewRange::ShowRefusal(const char* text) {
    NoResult = 1;
    LabDeviation->clear();
    MsgBox box;
    box.text = text;
    box.caption = "Предупреждение";
    box.icon = MsgIcon::Warning;
    messages_.Show(box);
}

void TFormNewRange::Button1Click() {
    FocusFirst();
    const std::string sensor = StTipD->text().toStdString();
    const char* fileName = TableFileName(sensor);
    std::string error;
    bool loaded = false;
    {
        WaitCursor wait;
        loaded = *fileName != '\0' && LoadTable(fileName, *table_, error, TableDirs);
    }
    if (!loaded) {
        NoResult = 1;
        LabDeviation->clear();
        messages_.Plain(error.empty() ? std::string(kTableOpenError) : error);
        return;
    }
    RangeFitResult res;
    {
        WaitCursor wait;
        res = CalculateRange(TN, TK, sensor, *table_, StdRanges, StdCount);
    }
    if (!res.ok) {
        ShowRefusal(res.refusal);
        return;
    }
    for (int k = 0; k < 8; ++k) {
        YKod[k] = res.YKod[k];
        ResultEdits[k + 1]->setText(QString::fromLatin1(res.CodeText[k]));
    }
    Edit10->setText(QString::number(kTevScale));
    NoResult = 0;
    LabDeviation->setText(Q(DeviationText(res.MaxDeviation, res.MaxDeviationAt)));
}

void TFormNewRange::ShowRangeEntryError(QLineEdit* field) {
    // The box takes the focus from the field; that is no leaving of it.
    ErrorScope scope(showingError_);
    SetBase(field, QColor(0xFF, 0x00, 0x00));
    messages_.Beep();
    MsgBox box;
    box.text = " Ошибка ввода ";
    box.caption = "Ошибка";
    box.icon = MsgIcon::Error;
    messages_.Show(box);
    SetBase(field, QColor(0xFF, 0xFF, 0xFF));
    field->setText(QStringLiteral("00"));
}

int TFormNewRange::RangeKeyFilter(QLineEdit* field, int vk, bool shift) {
    switch (JudgeNumKey(vk, shift, field->text().isEmpty())) {
    case KeyVerdict::Accept: return 0;
    case KeyVerdict::Enter: return 13;
    case KeyVerdict::Fault: break;
    }
    ShowRangeEntryError(field);
    return 1;
}

int TFormNewRange::CheckRangeEntry(QLineEdit* field) {
    if (JudgeEntryTextIn(field->text().toStdString(), kRangeEntryMin, kRangeEntryMax) == 0) return 0;
    ShowRangeEntryError(field);
    return 1;
}

bool TFormNewRange::EditTNKeyDown(QLineEdit* field, int vk, bool shift) {
    const int verdict = RangeKeyFilter(field, vk, shift);
    if (verdict == 13) {
        MoveFocusOn(field);
        return false;
    }
    return verdict == 0;
}

void TFormNewRange::EditTNExit(QLineEdit* field) {
    if (field == EditTN || field == EditTK) {
        double& limit = field == EditTN ? TN : TK;
        if (CheckRangeEntry(field) != 0) {
            field->setText(Q(PlainDecimal(limit)));
            return;
        }
        double value = 0.0;
        if (ParseDecimalComma(field->text().toStdString(), value)) limit = value + 0.0;  // no -0
        return;
    }
    for (int k = 0; k < 8; ++k) {
        if (field != ResultEdits[k + 1]) continue;
        double value = 0.0;
        if (ParseDecimalComma(field->text().toStdString(), value)) YKod[k] = value;
    }
}

void TFormNewRange::EditTNChange() {
    NoResult = 1;
    LabDeviation->clear();
}

bool TFormNewRange::IsEntryField(const QObject* o) const {
    if (o == EditTN || o == EditTK) return true;
    for (const QLineEdit* edit : ResultEdits)
        if (o == edit) return true;
    return false;
}

void TFormNewRange::EnterField(QLineEdit* field) {
    if (pendingField_ != nullptr && pendingField_ != field) LeavePendingField();
    pendingField_ = field;
}

void TFormNewRange::LeavePendingField() {
    QLineEdit* field = pendingField_;
    pendingField_ = nullptr;
    if (field != nullptr) EditTNExit(field);
}

void TFormNewRange::FocusFirst() {
    LeavePendingField();
    EditTN->setFocus(Qt::OtherFocusReason);
}

void TFormNewRange::MoveFocusOn(QLineEdit* field) {
    if (pendingField_ == field) LeavePendingField();
    for (QWidget* w = field->nextInFocusChain(); w != nullptr && w != field; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(this) && isAncestorOf(w)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

bool TFormNewRange::eventFilter(QObject* watched, QEvent* event) {
    if (!IsEntryField(watched)) return QDialog::eventFilter(watched, event);
    auto* field = static_cast<QLineEdit*>(watched);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Tab moves between the controls before a field ever sees it.
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) return false;
        EnterField(field);
        const int code = VirtualKeyCode(*key);
        if (!EditTNKeyDown(field, code, key->modifiers().testFlag(Qt::ShiftModifier))) return true;
        if (const QString text = EntryKeyText(code, key->text()); text != key->text()) {
            field->insert(text);
            return true;
        }
        return false;
    }
    case QEvent::FocusIn:
        if (!showingError_) EnterField(field);
        return false;
    case QEvent::FocusOut: {
        // Another window or a context menu taking the focus is no leaving.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (showingError_ || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return false;
        if (pendingField_ == field) LeavePendingField();
        return false;
    }
    default:
        return false;
    }
}

}  // namespace tservice
