#include "Obrport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "Obrnastr.h"
#include "TcpComPort.h"

#include <algorithm>

namespace tservice {

namespace {

QComboBox* MakeList(QWidget* parent, const QStringList& items, int x, int y, int w) {
    auto* box = new QComboBox(parent);
    box->setEditable(false);
    box->addItems(items);
    box->setGeometry(x, y, w, 24);
    return box;
}

int NumberOf(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : 0;
}

}  // namespace

TFormPort::TFormPort(TComPortClass& link, IMessages& messages, PortListFn ports, QWidget* parent)
    : QDialog(parent), link_(link), messages_(messages), ports_(std::move(ports)) {
    setWindowTitle(QStringLiteral("Настройка СОМ-порта"));
    setFixedSize(430, 250);
    Label1 = new QLabel(QStringLiteral("СОМ-порт"), this);
    Label1->setGeometry(12, 14, 130, 22);
    CBoxPort = MakeList(this, {}, 150, 12, 268);
    // A bridge or a by-id link the system does not list can be typed in.
    CBoxPort->setEditable(true);
    CBoxPort->setInsertPolicy(QComboBox::NoInsert);
    Label2 = new QLabel(QStringLiteral("Скорость(бит/с):"), this);
    Label2->setGeometry(12, 46, 130, 22);
    Skor = MakeList(this, {QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("57600"),
                           QStringLiteral("115200")}, 150, 44, 168);
    Label3 = new QLabel(QStringLiteral("Четность:"), this);
    Label3->setGeometry(12, 78, 130, 22);
    Parit = MakeList(this, {QStringLiteral("нет"), QStringLiteral("нечет"), QStringLiteral("чет")},
                     150, 76, 168);
    Label4 = new QLabel(QStringLiteral("Стоповые биты:"), this);
    Label4->setGeometry(12, 110, 130, 22);
    StBit = MakeList(this, {QStringLiteral("1"), QStringLiteral("2")}, 150, 108, 168);
    LabRts = new QLabel(QStringLiteral("Управление RTS:"), this);
    LabRts->setGeometry(12, 164, 130, 22);
    CBoxRts = MakeList(this, {QStringLiteral("нет"), QStringLiteral("ядро"), QStringLiteral("программа")}, 150, 162, 110);
    CBoxRts->setToolTip(QStringLiteral("нет - адаптер переключает направление сам; ядро - драйвер (TIOCSRS485); "
                                       "программа - RTS поднимается на время передачи запроса"));
    EditRtsBefore = new QSpinBox(this);
    EditRtsAfter = new QSpinBox(this);
    int x = 266;
    for (QSpinBox* box : {EditRtsBefore, EditRtsAfter}) {
        box->setRange(0, 100);
        box->setSuffix(QStringLiteral(" мс"));
        box->setGeometry(x, 162, 72, 24);
        x += 80;
    }
    EditRtsBefore->setToolTip(QStringLiteral("задержка до передачи, мс"));
    EditRtsAfter->setToolTip(QStringLiteral("задержка после передачи, мс"));
    Button1 = new QPushButton(QStringLiteral("Настройка обмена"), this);
    Button1->setGeometry(12, 204, 160, 30);
    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setGeometry(328, 204, 90, 30);
    LabTcp = new QLabel(QStringLiteral("Скорость, четность и стоповые биты задает шлюз"), this);
    LabTcp->setGeometry(12, 136, 406, 20);
    LabTcp->hide();
    connect(CBoxPort, &QComboBox::currentTextChanged, this, &TFormPort::CBoxPortChange);
    OK->setDefault(true);
    connect(OK, &QPushButton::clicked, this, &TFormPort::OKClick);
    connect(Button1, &QPushButton::clicked, this, &TFormPort::Button1Click);
    FormCreate();
}

void TFormPort::FormCreate() {
    SavedSkor = 0;
    SavedParit = 0;
    SavedStBit = 1;
    SavedRts = SavedRtsBefore = SavedRtsAfter = 0;
}

int TFormPort::ShowModal() {
    FormShow();
    return RunModal(*this);
}

void TFormPort::FormShow() {
    CBoxPort->clear();
    Skor->setCurrentIndex(SavedSkor);
    Parit->setCurrentIndex(SavedParit);
    StBit->setCurrentIndex(SavedStBit);
    CBoxRts->setCurrentIndex(SavedRts);
    EditRtsBefore->setValue(SavedRtsBefore);
    EditRtsAfter->setValue(SavedRtsAfter);
    WasConnected = link_.PortOpen();
    link_.ClosePort();
    std::vector<PortEntry> entries;
    if (PortEntries) {
        entries = PortEntries();
    } else if (ports_) {
        for (const std::string& name : ports_()) entries.push_back({name, {}, {}, {}});
    }
    for (const PortEntry& entry : entries)
        CBoxPort->addItem(QString::fromStdString(PortLabel(entry)), QString::fromStdString(entry.name));
    CBoxPort->setCurrentIndex(CBoxPort->count() > 0 ? 0 : -1);
    CBoxPortChange();
}

void TFormPort::CBoxPortChange() { LabTcp->setVisible(IsTcpPortName(ChosenPort())); }

void TFormPort::OKClick() {
    if (Parit->currentIndex() == 2 && StBit->currentIndex() == 1) {
        done(kRefusedResult);
        return;
    }
    std::string error;
    const std::string port = ChosenPort();
    if (IsTcpPortName(port) && !ParseTcpPortName(port, nullptr, &error)) {
        messages_.Show({error, "Ошибка", MsgIcon::Error, MsgButtons::Ok, MsgAnswer::Ok});
        return;
    }
    if (IsTcpPortName(port) && CBoxRts->currentIndex() != 0) {
        messages_.Show({kRtsOnGatewayText, "Ошибка", MsgIcon::Error, MsgButtons::Ok, MsgAnswer::Ok});
        return;
    }
    SavedSkor = Skor->currentIndex();
    SavedParit = Parit->currentIndex();
    SavedStBit = StBit->currentIndex();
    SavedRts = CBoxRts->currentIndex();
    SavedRtsBefore = EditRtsBefore->value();
    SavedRtsAfter = EditRtsAfter->value();
    link_.Port().SetLineOptions(ChosenOptions());
    done(QDialog::Accepted);
}

void TFormPort::Button1Click() {
    if (nastr_ == nullptr) return;
    if (nastr_->ShowModal() != QDialog::Accepted) return;
    link_.SetPovt1(NumberOf(nastr_->CBoxPovt1->currentText()));
    link_.SetPovt2(NumberOf(nastr_->CBoxPovt2->currentText()));
    link_.SetDelayOut(NumberOf(nastr_->Edit1->text()));
    LineOptions options = link_.Port().GetLineOptions();
    options.echo = nastr_->ChosenEcho();
    link_.Port().SetLineOptions(options);
}

LineOptions TFormPort::ChosenOptions() const {
    LineOptions o;
    o.echo = nastr_ != nullptr ? nastr_->ChosenEcho() : EchoMode::Auto;
    o.rts = SavedRts == 1 ? RtsMode::Kernel : SavedRts == 2 ? RtsMode::Soft : RtsMode::Off;
    o.rtsBeforeMs = SavedRtsBefore;
    o.rtsAfterMs = SavedRtsAfter;
    return o;
}

void TFormPort::TakeFraming(int baud, char parity, int stopBits) {
    SavedSkor = std::max(0, Skor->findText(QString::number(baud)));
    SavedParit = parity == 'O' ? 1 : parity == 'E' ? 2 : 0;
    SavedStBit = stopBits == 1 ? 0 : 1;
    Skor->setCurrentIndex(SavedSkor);
    Parit->setCurrentIndex(SavedParit);
    StBit->setCurrentIndex(SavedStBit);
}

void TFormPort::done(int result) {
    QDialog::done(result);
    if (result == QDialog::Rejected && WasConnected) {
        try {
            link_.OpenPort();  // result deliberately not reported
        } catch (const PortError& e) {
            messages_.Show(PortErrorBox(e));
        }
    }
}

std::string TFormPort::ChosenPort() const {
    const int i = CBoxPort->currentIndex();
    const QString text = CBoxPort->currentText();
    if (i >= 0 && text == CBoxPort->itemText(i)) return CBoxPort->itemData(i).toString().toStdString();
    return text.trimmed().toStdString();
}
std::string TFormPort::ChosenBaud() const { return Skor->currentText().toStdString(); }

char TFormPort::ChosenParity() const {
    switch (Parit->currentIndex()) {
    case 1: return 'O';
    case 2: return 'E';
    default: return 'N';
    }
}

std::string TFormPort::ChosenStop() const { return StBit->currentIndex() == 0 ? "1" : "2"; }

}  // namespace tservice
