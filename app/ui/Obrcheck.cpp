#include "Obrcheck.h"

#include <algorithm>

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "CheckReport.h"
#include "Describe.h"
#include "Journal.h"
#include "SetupReport.h"
#include "Workflow.h"

namespace tservice {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.trimmed().toStdString(); }

QTableWidgetItem* Item(const QString& text, const QColor& colour = {}) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    if (colour.isValid()) item->setForeground(colour);
    return item;
}

QColor VerdictColour(bool pass) { return pass ? QColor(0, 100, 0) : QColor(176, 0, 0); }

constexpr int kInstrumentRows = 3;

}  // namespace

TFormCheck::TFormCheck(TComPortClass& link, IClock& clock, IMessages& messages, QWidget* parent)
    : QDialog(parent), link_(link), clock_(clock), messages_(messages) {
    setWindowTitle(QStringLiteral("Проверка"));
    auto* layout = new QVBoxLayout(this);
    auto* plan = new QGroupBox(QStringLiteral("Проверка"), this);
    auto* planRow = new QHBoxLayout(plan);
    CBoxStage = new QComboBox(plan);
    CBoxStage->addItems({QStringLiteral("до регулировки"), QStringLiteral("после регулировки")});
    EditPoints = new QLineEdit(QStringLiteral("0, 25, 50, 75, 100"), plan);
    EditTol = new QLineEdit(QStringLiteral("0,25%"), plan);
    EditTol->setToolTip(QStringLiteral("в единицах шкалы (0,5) или в % диапазона (0,25%)"));
    SpinSamples = new QSpinBox(plan);
    SpinSamples->setRange(2, 100);
    SpinSamples->setValue(5);
    for (auto [text, w] : {std::pair<const char*, QWidget*>{"Этап", CBoxStage}, {"Точки, %", EditPoints},
                           {"Допуск", EditTol}, {"Отсчетов", SpinSamples}}) {
        planRow->addWidget(new QLabel(QString::fromUtf8(text), plan));
        planRow->addWidget(w);
    }
    layout->addWidget(plan);
    auto* conditions = new QGroupBox(QStringLiteral("Эталоны и условия"), this);
    CreateConditions(conditions);
    layout->addWidget(conditions);
    auto* step = new QGroupBox(QStringLiteral("Точка"), this);
    CreateStep(step);
    layout->addWidget(step);
    GridPoints = new QTableWidget(0, 9, this);
    GridPoints->setHorizontalHeaderLabels({"Точка, %", "Номинал", "Эталон", "Измерено", "Погрешность", "Допуск",
                                           "Ток, мА", "Флаги", "Вывод"});
    GridPoints->verticalHeader()->hide();
    GridPoints->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    GridPoints->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(GridPoints, 1);
    auto* bottom = new QHBoxLayout;
    LabVerdict = new QLabel(this);
    ButSave = new QPushButton(QStringLiteral("Сохранить"), this);
    ButProtocol = new QPushButton(QStringLiteral("Протокол…"), this);
    auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
    bottom->addWidget(LabVerdict, 1);
    for (QPushButton* b : {ButSave, ButProtocol, close}) {
        b->setAutoDefault(false);
        bottom->addWidget(b);
    }
    layout->addLayout(bottom);
    TimerLive = new QTimer(this);
    TimerLive->setInterval(1000);
    connect(TimerLive, &QTimer::timeout, this, [this] { TimerLiveTimer(); });
    connect(CBoxStage, &QComboBox::currentIndexChanged, this, [this] { CBoxStageChange(); });
    connect(EditPoints, &QLineEdit::editingFinished, this, [this] { EditPointsExit(); });
    connect(EditTol, &QLineEdit::editingFinished, this, [this] { EditPointsExit(); });
    connect(ButAccept, &QPushButton::clicked, this, [this] { ButAcceptClick(); });
    connect(ButSave, &QPushButton::clicked, this, [this] { ButSaveClick(); });
    connect(ButProtocol, &QPushButton::clicked, this, [this] { ButProtocolClick(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(this, &QDialog::finished, TimerLive, &QTimer::stop);
    ChooseFile = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Протокол калибровки"), QString(),
                                            QStringLiteral("PDF (*.pdf);;HTML (*.html *.htm)"));
    };
    ShowConditions(LoadCheckConditions());
    resize(900, 640);
}

void TFormCheck::CreateConditions(QWidget* box) {
    auto* layout = new QVBoxLayout(box);
    GridInstr = new QTableWidget(kInstrumentRows, 4, box);
    GridInstr->setHorizontalHeaderLabels({"Эталон", "Заводской №", "Свидетельство", "Действительно до"});
    GridInstr->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    GridInstr->setMaximumHeight(GridInstr->horizontalHeader()->sizeHint().height() + 3 * 26 + 4);
    layout->addWidget(GridInstr);
    auto* row = new QHBoxLayout;
    EditAmbient = new QLineEdit(box);
    EditHumidity = new QLineEdit(box);
    EditOperator = new QLineEdit(box);
    for (auto [text, w] : {std::pair<const char*, QLineEdit*>{"Температура, °C", EditAmbient},
                           {"Влажность, %", EditHumidity}, {"Поверитель", EditOperator}}) {
        row->addWidget(new QLabel(QString::fromUtf8(text), box));
        row->addWidget(w, w == EditOperator ? 2 : 1);
    }
    layout->addLayout(row);
}

void TFormCheck::CreateStep(QWidget* box) {
    auto* layout = new QFormLayout(box);
    LabStep = new QLabel(box);
    QFont bold = LabStep->font();
    bold.setBold(true);
    LabStep->setFont(bold);
    EditRef = new QLineEdit(box);
    EditRef->setPlaceholderText(QStringLiteral("пусто - номинал"));
    EditMa = new QLineEdit(box);
    EditMa->setPlaceholderText(QStringLiteral("пусто - выход не проверять"));
    auto* live = new QHBoxLayout;
    LabLive = new QLabel(QStringLiteral("-"), box);
    LabStable = new QLabel(box);
    ButAccept = new QPushButton(QStringLiteral("Принять"), box);
    ButAccept->setDefault(true);
    live->addWidget(LabLive, 1);
    live->addWidget(LabStable, 1);
    live->addWidget(ButAccept);
    layout->addRow(QStringLiteral("Подайте:"), LabStep);
    layout->addRow(QStringLiteral("Эталон фактически:"), EditRef);
    layout->addRow(QStringLiteral("Миллиамперметр, мА:"), EditMa);
    layout->addRow(QStringLiteral("Показание:"), live);
}

bool TFormCheck::Start(const DeviceImage& reading, int nu, const QString& journalPath) {
    CheckScale scale;
    if (!reading.Vvod || !CheckScaleOf(reading, scale)) {
        messages_.Show({"устройство " + std::to_string(nu + 1) + " - диапазон не определен, проверка невозможна",
                        "Ошибка", MsgIcon::Error});
        return false;
    }
    image_ = reading;
    nu_ = nu;
    journalPath_ = journalPath;
    const Reading described = Describe(reading, nu + 1);
    record_ = {};
    record_.device = nu + 1;
    record_.model = reading.Tip;
    record_.version = reading.Ver;
    record_.modelName = described.modelName;
    record_.sensor = described.sensor;
    record_.scale = scale;
    setWindowTitle(QStringLiteral("Проверка: устройство %1 %2").arg(nu + 1).arg(Q(described.modelName)));
    EditPointsExit();
    return true;
}

bool TFormCheck::ReadPlan() {
    Tolerance tol;
    std::vector<double> points;
    std::string text = S(EditPoints->text());
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    if (!ParsePoints(text, points) || !ParseTolerance(S(EditTol->text()), tol)) {
        messages_.Plain(" Ошибка ввода : точки - числа 0…100 через запятую, допуск - положительное число "
                        "(0,5 или 0,25%)");
        return false;
    }
    points_ = points;
    record_.tolerance = tol;
    return true;
}

Stability TFormCheck::Rule() const {
    Stability rule = DefaultStability(PermittedError(record_.tolerance, record_.scale), CodeStep(image_, record_.scale));
    rule.samples = SpinSamples->value();
    return rule;
}

void TFormCheck::EditPointsExit() {
    if (!ReadPlan()) return;
    record_.points.clear();
    record_.stage = CBoxStage->currentIndex() == 1 ? CheckStage::Left : CheckStage::Found;
    saved_ = false;
    GridPoints->setRowCount(0);
    live_ = StabilityWindow(Rule());
    ShowStep();
}

void TFormCheck::CBoxStageChange() { EditPointsExit(); }

void TFormCheck::ShowStep() {
    const std::size_t i = record_.points.size();
    const bool done = i >= points_.size();
    ButAccept->setEnabled(!done);
    ButSave->setEnabled(done && !saved_);
    EditRef->clear();
    EditMa->clear();
    LabStable->clear();
    live_.Clear();
    if (done) {
        LabStep->setText(QStringLiteral("все точки приняты"));
        LabVerdict->setText(Q("Заключение (" + StageText(record_.stage) + "): " + VerdictText(record_.Pass())));
        QPalette p = LabVerdict->palette();
        p.setColor(QPalette::WindowText, VerdictColour(record_.Pass()));
        LabVerdict->setPalette(p);
        TimerLive->stop();
        return;
    }
    CheckPoint p;
    p.percent = points_[i];
    p.nominal = NominalAt(record_.scale, p.percent);
    LabStep->setText(Q(PointPrompt(static_cast<int>(i), static_cast<int>(points_.size()), p, record_.scale)));
    LabVerdict->clear();
    if (isVisible()) TimerLive->start();
}

void TFormCheck::TimerLiveTimer() {
    if (!isVisible()) return TimerLive->stop();
    // The live value is a guide only: a failed reading shows here, no box.
    const int code = ReadMeasurement(link_, image_, nu_);
    if (code != 0) {
        LabLive->setText(QStringLiteral("нет отсчета (код %1)").arg(code));
        live_.Clear();
        return;
    }
    const double value = ValueInScale(image_, image_.GetRez());
    live_.Add(value);
    LabLive->setText(Q(ScaleNumber(value) + " " + record_.scale.unit));
    LabStable->setText(live_.Stable() ? QStringLiteral("● стабильно")
                                      : QStringLiteral("○ устанавливается %1/%2").arg(live_.InBand()).arg(Rule().samples));
}

void TFormCheck::ButAcceptClick() {
    const std::size_t i = record_.points.size();
    if (i >= points_.size()) return;
    CheckPoint p;
    p.percent = points_[i];
    p.nominal = p.reference = NominalAt(record_.scale, p.percent);
    const bool badRef = !EditRef->text().trimmed().isEmpty() && !ParseOperatorNumber(S(EditRef->text()), p.reference);
    p.hasOutput = !EditMa->text().trimmed().isEmpty();
    if (badRef || (p.hasOutput && !ParseOperatorNumber(S(EditMa->text()), p.outputMa))) {
        messages_.Plain(" Ошибка ввода : эталон и ток - числа");
        return;
    }
    TimerLive->stop();
    ButAccept->setEnabled(false);
    const Stability rule = Rule();
    const PointReading r = MeasurePoint(link_, clock_, image_, nu_, rule, [this, &rule](double value, int inBand) {
        LabLive->setText(Q(ScaleNumber(value) + " " + record_.scale.unit));
        LabStable->setText(QStringLiteral("○ устанавливается %1/%2").arg(inBand).arg(rule.samples));
        return true;
    });
    if (!r.ok) {
        messages_.Show({PointFailureText(r, nu_, link_.PortName, rule), "Ошибка", MsgIcon::Error});
        ShowStep();
        return;
    }
    p.measured = r.mean;
    p.readings = r.readings;
    p.sost = r.sost;
    JudgePoint(p, record_.tolerance, record_.scale);
    record_.points.push_back(p);
    AddRow(p);
    ShowStep();
}

void TFormCheck::AddRow(const CheckPoint& p) {
    const int row = GridPoints->rowCount();
    GridPoints->insertRow(row);
    const QColor colour = VerdictColour(p.pass);
    QString flags = p.Overflow() ? QStringLiteral("перегрузка ") : QString();
    if (p.Alarm()) flags += QStringLiteral("сигнализация");
    const QString current = p.hasOutput ? Q(ScaleNumber(p.outputMa) + " (" + ScaleNumber(p.outputError) + ", " +
                                            VerdictText(p.outputPass) + ")")
                                        : QStringLiteral("-");
    const QStringList cells{Q(ScaleNumber(p.percent)), Q(ScaleNumber(p.nominal)), Q(ScaleNumber(p.reference)),
                            Q(ScaleNumber(p.measured)), Q(ScaleNumber(p.error)), Q(ScaleNumber(p.permitted)),
                            current, flags.trimmed(), Q(VerdictText(p.pass && (!p.hasOutput || p.outputPass)))};
    for (int c = 0; c < cells.size(); ++c)
        GridPoints->setItem(row, c, Item(cells[c], c == 4 || c == 8 ? colour : QColor()));
    if (p.hasOutput) GridPoints->item(row, 6)->setForeground(VerdictColour(p.outputPass));
}

CheckConditions TFormCheck::Conditions() const {
    CheckConditions c;
    for (int r = 0; r < GridInstr->rowCount(); ++r) {
        auto text = [&](int col) { return GridInstr->item(r, col) ? S(GridInstr->item(r, col)->text()) : std::string(); };
        Instrument in{text(0), text(1), text(2), text(3)};
        if (!in.name.empty() || !in.serial.empty() || !in.certificate.empty()) c.instruments.push_back(in);
    }
    c.ambient = S(EditAmbient->text());
    c.humidity = S(EditHumidity->text());
    c.operatorName = S(EditOperator->text());
    return c;
}

void TFormCheck::ShowConditions(const CheckConditions& c) {
    GridInstr->setRowCount(std::max<int>(kInstrumentRows, static_cast<int>(c.instruments.size())));
    for (int r = 0; r < static_cast<int>(c.instruments.size()); ++r) {
        const Instrument& in = c.instruments[static_cast<std::size_t>(r)];
        int col = 0;
        for (const std::string* t : {&in.name, &in.serial, &in.certificate, &in.validUntil})
            GridInstr->setItem(r, col++, new QTableWidgetItem(Q(*t)));
    }
    EditAmbient->setText(Q(c.ambient));
    EditHumidity->setText(Q(c.humidity));
    EditOperator->setText(Q(c.operatorName));
}

void TFormCheck::ButSaveClick() {
    if (record_.points.size() != points_.size() || saved_) return;
    record_.conditions = Conditions();
    SaveCheckConditions(record_.conditions);
    record_.time = QDateTime::currentDateTime();
    record_.port = link_.PortName;
    std::string error;
    if (!journalPath_.isEmpty() && !AppendJournal(journalPath_, MakeCheckJournalEntry(record_, image_), error)) {
        messages_.Show({error, "Предупреждение", MsgIcon::Warning});
        return;
    }
    saved_ = true;
    ButSave->setEnabled(false);
    const QString summary = Q(CheckSummary(record_)) + QStringLiteral(", сохранено");
    // As found is usually followed by the adjustment and the as-left check.
    if (record_.stage == CheckStage::Found) CBoxStage->setCurrentIndex(1);
    LabVerdict->setText(summary);
}

void TFormCheck::ButProtocolClick() {
    CertificateChecks checks;
    if (!journalPath_.isEmpty()) checks = FindCertificateChecks(ReadJournal(journalPath_, record_.device).entries);
    if (!checks.hasFound && !checks.hasLeft) {
        messages_.Show({"устройство " + std::to_string(record_.device) + " - сохраненных проверок нет", "Предупреждение",
                        MsgIcon::Warning});
        return;
    }
    const QString path = ChooseFile();
    if (path.isEmpty()) return;
    const QString suffix = path.section('.', -1).toLower();
    std::string error;
    if (!WriteSetupReport(CertificateHtml(checks, QDateTime::currentDateTime()), path,
                          suffix != "html" && suffix != "htm", error))
        messages_.Show({error, "Ошибка", MsgIcon::Error});
}

}  // namespace tservice
