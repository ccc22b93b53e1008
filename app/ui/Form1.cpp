// The main window's controls, actions, menus and toolbar, and its start-up.
#include "Form1.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "ChangesPanel.h"
#include "ComboAdapter.h"
#include "Help.h"
#include "Models.h"
#include "Obrline.h"
#include "Obrlistdevice.h"
#include "Obrappr.h"
#include "Obrnastr.h"
#include "Obrport.h"
#include "TrendPanel.h"
#include "TracePanel.h"

namespace tservice {

namespace {

// Fits a 1024x768 screen with its frame, menu, toolbar and status bar.
constexpr int kWindowWidth = 1008;
constexpr int kCentralHeight = 580;
// Height a docked panel adds to the window, as far as the screen allows, and
// the least it keeps on a small screen; the controls keep at least
// kMinBodyHeight of their own beside it.
constexpr int kPanelHeight = 300;
constexpr int kMinPanelHeight = 160;
constexpr int kMinBodyHeight = 260;

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w, int h, bool wrap = false) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, w, h);
    label->setWordWrap(wrap);
    return label;
}

// A static value field: framed, on the info background.
QLabel* MakeValue(QWidget* parent, int x, int y, int w, int h = 22) {
    auto* label = new QLabel(parent);
    label->setGeometry(x, y, w, h);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAutoFillBackground(true);
    label->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, InfoColor());
    label->setPalette(pal);
    return label;
}

// Texts of the model table as list items.
QStringList Items(const std::vector<std::string>& texts) {
    QStringList items;
    for (const std::string& text : texts) items << QString::fromStdString(text);
    return items;
}

// The correction lists' items, one per code of the model table's scale.
QStringList CorrectionItems(bool scaleEnd) {
    QStringList items;
    for (int code = 0; code < kCorrectionCodes; ++code)
        items << QString::fromStdString(CorrectionText(code, scaleEnd));
    return items;
}

// Shows and hides a unit label together with the control it belongs to.
class Follower final : public QObject {
public:
    Follower(QWidget* leader, QWidget* follower) : QObject(leader), follower_(follower) {
        leader->installEventFilter(this);
        follower->setVisible(!leader->isHidden());
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::ShowToParent) follower_->show();
        if (e->type() == QEvent::HideToParent) follower_->hide();
        return false;
    }

private:
    QWidget* follower_;
};

QComboBox* MakeList(QWidget* parent, const QStringList& items, int x, int y, int w) {
    auto* box = new QComboBox(parent);
    box->setEditable(false);
    box->addItems(items);
    box->setCurrentIndex(-1);
    box->setGeometry(x, y, w, 24);
    return box;
}

QLineEdit* MakeEdit(QWidget* parent, int maxLength, int x, int y, int w) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(maxLength);
    edit->setGeometry(x, y, w, 22);
    return edit;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, int x, int y, int w, int h = 26) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(x, y, w, h);
    return button;
}

}  // namespace

void MakeRedBold(QLabel* label) {
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, kRed);
    label->setPalette(pal);
}

QColor InfoColor() { return QGuiApplication::palette().color(QPalette::ToolTipBase); }
QColor BackColor(const QWidget* w) { return w->palette().color(QPalette::Window); }
QColor LetterColor(const QWidget* w) { return w->palette().color(QPalette::WindowText); }

TForm1::TForm1(TComPort& port, IClock& clock, IMessages& messages, PortListFn ports, QWidget* parent)
    : QMainWindow(parent),
      Direction(port, clock),
      Echo(Direction, clock),
      LinePort(Echo, clock),
      Link(LinePort, clock, messages),
      messages_(messages) {
    setWindowTitle(QStringLiteral("Сервисная программа ЛАДР, ТЕВ-ТП, ТЕВ-ТС, ОСКИ"));
    // The controls keep their places; on a small screen with panels open the
    // area scrolls instead of pushing the window past the screen.
    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("Form1Body"));
    central->setMinimumSize(kWindowWidth, kCentralHeight);
    Body = new QScrollArea(this);
    Body->setFrameShape(QFrame::NoFrame);
    Body->setWidgetResizable(true);
    Body->setWidget(central);
    Body->setMinimumSize(240, 160);
    setCentralWidget(Body);
    CreateActions();
    CreateTopArea(central);
    CreateKanal(central);
    CreateSign(central);
    CreateTevTp(central);
    CreateStatus();
    Timer1 = new QTimer(this);
    Timer1->setInterval(3000);

    ServClass.NuNew = 0;
    Image.Clear();
    Image.Trace = [this](const std::string& text) { Trace(text); };
    NameControls();
    ConnectHandlers();
    FormCreate();
    ShowStatus();

    // The dialogs, in the order of start-up.
    FormPort = new TFormPort(Link, messages_, std::move(ports), this);
    FormNastr = new TFormNastr(Link, this);
    FormPort->SetNastr(FormNastr);
    FormNewRange = new TFormNewRange(messages_, {}, this);
    FormDevice = new TFormDevice(Link, messages_, this);
    FormLine = new TFormLine(Link, messages_, this);
    FormPort->setObjectName(QStringLiteral("FormPort"));
    FormNastr->setObjectName(QStringLiteral("FormNastr"));
    FormNewRange->setObjectName(QStringLiteral("FormNewRange"));
    FormDevice->setObjectName(QStringLiteral("FormDevice"));
    CreateFileMenu();
    CreateCheckMenu();
    FormLine->setObjectName(QStringLiteral("FormLine"));

    CreatePanels(clock);
}

void TForm1::CreatePanels(IClock& clock) {
    // Hidden until the operator asks for it in "Вид"; it records regardless.
    Trend = new TrendPanel(messages_, this);
    // Off until the operator asks for it in "Вид".
    LineLog = new TracePanel(LinePort, Link, clock, messages_, this);
    // One tabbed area at the bottom: panels opened together share its height.
    addDockWidget(Qt::BottomDockWidgetArea, Trend);
    addDockWidget(Qt::BottomDockWidgetArea, LineLog);
    tabifyDockWidget(ChangesPanel, Trend);
    tabifyDockWidget(Trend, LineLog);
    for (QDockWidget* panel : std::initializer_list<QDockWidget*>{Trend, LineLog, ChangesPanel}) {
        panel->hide();
        MenuVid->addAction(panel->toggleViewAction());
        // After the dock layout has settled.
        const auto refit = [this] { QTimer::singleShot(0, this, [this] { FitToScreen(); }); };
        connect(panel, &QDockWidget::visibilityChanged, this, refit);
        connect(panel, &QDockWidget::topLevelChanged, this, refit);
    }
    FormLine->Stats = &LineLog->Stats();
    FormDevice->TakeFraming = [this](const LineFraming& f) { TakeFraming(f); };
    MenuVid->addAction(ALine);
    InstallHelp(*this);  // "Справка", last in the menu bar, and F1

    // A little slack, so no scroll bar shows before any panel is open.
    constexpr int kSlack = 4;
    normalSize_ = QSize(kWindowWidth + kSlack, kCentralHeight + kSlack + menuBar()->sizeHint().height() +
                                                   ToolBar1->sizeHint().height() + statusBar()->sizeHint().height());
    resize(normalSize_);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void TForm1::FitToScreen() {
    if (const QScreen* s = screen() != nullptr ? screen() : QGuiApplication::primaryScreen())
        FitToScreen(s->availableGeometry());
}

void TForm1::FitToScreen(const QRect& area) {
    if (isMaximized() || isFullScreen()) return;
    QList<QDockWidget*> docked;
    for (QDockWidget* panel : std::initializer_list<QDockWidget*>{Trend, LineLog, ChangesPanel})
        if (panel->toggleViewAction()->isChecked() && !panel->isFloating()) docked << panel;
    // The frame the window manager adds (none before the window is shown).
    const QSize frame = frameGeometry().size() - size();
    QSize want = normalSize_;
    // Beside the panels the controls may scroll: room for that scroll bar,
    // so they need no sideways one where the screen is wide enough.
    if (!docked.isEmpty()) want += QSize(style()->pixelMetric(QStyle::PM_ScrollBarExtent), kPanelHeight);
    want = want.boundedTo(area.size() - frame).expandedTo(minimumSizeHint());
    resize(want);
    if (!docked.isEmpty()) {
        // The panels take what the screen gives beyond the controls' own
        // height, between a usable minimum and kPanelHeight.
        const int room = want.height() - (normalSize_.height() - kCentralHeight) - kMinBodyHeight;
        resizeDocks(docked, QList<int>(docked.size(), std::clamp(room, kMinPanelHeight, kPanelHeight)), Qt::Vertical);
    }
    QRect f = frameGeometry();
    f.moveLeft(std::clamp(f.left(), area.left(), std::max(area.left(), area.right() - f.width() + 1)));
    f.moveTop(std::clamp(f.top(), area.top(), std::max(area.top(), area.bottom() - f.height() + 1)));
    move(f.topLeft());
}

TForm1::~TForm1() {
    // The panel, a child widget, outlives the link and the port it watches.
    LineLog->Detach();
    // The dialogs hold references to the link and the messages: they go
    // before the members they refer to, not with the window's children.
    delete FormDevice;
    delete FormNewRange;
    delete FormNastr;
    delete FormPort;
    FormDevice = nullptr;
    FormNewRange = nullptr;
    FormNastr = nullptr;
    FormPort = nullptr;
}

void TForm1::SetModalRunner(const ModalRunner& runner) {
    RunModal = runner;
    FormPort->RunModal = runner;
    FormNastr->RunModal = runner;
    FormNewRange->RunModal = runner;
    FormDevice->RunModal = runner;
    FormLine->RunModal = runner;
}

void TForm1::CreateActions() {
    QStyle* st = style();
    auto make = [this](const QString& text, QIcon icon, QKeySequence key) {
        auto* action = new QAction(icon, text, this);
        // The tooltip names the shortcut too.
        action->setToolTip(key.isEmpty() ? text : text + QStringLiteral(" (") + key.toString() + QLatin1Char(')'));
        action->setStatusTip(text);
        if (!key.isEmpty()) action->setShortcut(key);
        addAction(action);  // shortcuts work while the menu or button is hidden
        return action;
    };
    AInPort = make(QStringLiteral("Ввод с СОМ-порта"), st->standardIcon(QStyle::SP_ArrowDown), QKeySequence(Qt::Key_F9));
    AOutPort = make(QStringLiteral("Вывод на СОМ-порт"), st->standardIcon(QStyle::SP_ArrowUp), QKeySequence(Qt::Key_F10));
    APort = make(QStringLiteral("Настройка СОМ порта"), st->standardIcon(QStyle::SP_ComputerIcon), QKeySequence());
    AListDevice = make(QString(), st->standardIcon(QStyle::SP_FileDialogDetailedView), QKeySequence());
    AParol = make(QStringLiteral("Замена пароля"), st->standardIcon(QStyle::SP_MessageBoxWarning), QKeySequence(Qt::Key_F8));
    MListDevice = new QAction(QStringLiteral("Список устройств"), this);

    // The menu bar, left to right; Alt and the underlined letter open a menu.
    MenuFile = menuBar()->addMenu(QStringLiteral("&Файл"));
    MenuPort = menuBar()->addMenu(QStringLiteral("&Порт        "));
    MenuPort->addAction(AInPort);
    MenuPort->addAction(AOutPort);
    MenuPort->addAction(APort);
    MenuPort->addAction(MListDevice);
    MenuVid = menuBar()->addMenu(QStringLiteral("&Вид"));
    MenuVid->setObjectName(QStringLiteral("MenuVid"));
    ALine = new QAction(QStringLiteral("Линия"), this);
    MenuParol = menuBar()->addMenu(QStringLiteral("                Пароль"));
    MenuParol->addAction(AParol);
    MenuParol->menuAction()->setVisible(false);

    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->addAction(AInPort);
    ToolBar1->addAction(AOutPort);
    ToolBar1->addAction(APort);
    ToolBar1->addAction(AListDevice);
    ToolBar1->addSeparator();
    ButParol = new QToolButton(ToolBar1);
    ButParol->setDefaultAction(AParol);
    ToolBar1->addWidget(ButParol)->setVisible(false);
}

void TForm1::CreateTopArea(QWidget* c) {
    LabelNu = MakeLabel(c, QStringLiteral("Устр. №"), 10, 4, 64, 18);
    CBoxUstr = MakeList(c, {}, 10, 24, 60);
    Label20 = MakeLabel(c, QStringLiteral("Изм. № устр."), 84, 4, 84, 18);
    CBoxUstrZ = MakeList(c, {}, 84, 24, 60);
    for (int n = 1; n <= kLineSize; ++n) {
        CBoxUstr->addItem(QString::number(n));
        CBoxUstrZ->addItem(QString::number(n));
    }
    LabelTip = MakeLabel(c, QStringLiteral("Тип прибора"), 170, 4, 100, 18);
    Panel1 = new QLabel(c);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setGeometry(170, 24, 300, 24);
    LabReg = MakeLabel(c, QStringLiteral("      Режим        программирования"), 480, 4, 130, 40, true);
    LabReg->setAlignment(Qt::AlignCenter);
    LabReg->hide();
    Label27 = MakeLabel(c, QString(), 612, 14, 160, 22);
    BtnPuskTimer = MakeButton(c, QStringLiteral("Пуск и остановка таймера"), 790, 4, 210, 28);
    BtnPuskTimer->setFocusPolicy(Qt::NoFocus);
    LabTimer = MakeLabel(c, QStringLiteral("запущен таймер"), 790, 36, 210, 20);
    LabTimer->setAlignment(Qt::AlignCenter);
    MakeRedBold(LabTimer);
    LabTimer->hide();
    ProgressBar1 = new QProgressBar(c);
    ProgressBar1->setGeometry(170, 52, 300, 10);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    Contr = new QLabel(c);
    Contr->hide();
}

void TForm1::CreateKanal(QWidget* c) {
    GBoxKanal = new QGroupBox(QStringLiteral("Измерительный канал (привилегированные функции программирования)"), c);
    GBoxKanal->setGeometry(8, 66, 532, 352);
    QWidget* g = GBoxKanal;
    LabKBegSk = MakeLabel(g, QStringLiteral("    Код АЦП начала шкалы"), 10, 18, 150, 36, true);
    LabKodACP = MakeLabel(g, QStringLiteral("           Код АЦП     измеренного значения"), 170, 18, 150, 36, true);
    LabKEndSk = MakeLabel(g, QStringLiteral("    Код АЦП конца шкалы"), 330, 18, 150, 36, true);
    StKBegSk = MakeValue(g, 10, 56, 110);
    StKodACP = MakeValue(g, 170, 56, 110);
    StKEndSk = MakeValue(g, 330, 56, 110);
    Button1 = MakeButton(g, QStringLiteral("Калибр."), 10, 82, 110);
    Button2 = MakeButton(g, QStringLiteral("Калибр."), 330, 82, 110);
    LabRegKalibr = MakeLabel(g, QStringLiteral("Режим калибровки"), 140, 86, 170, 20);
    LabRegKalibr->setAlignment(Qt::AlignCenter);
    LabRegKalibr->hide();

    Label4 = MakeLabel(g, QStringLiteral("   Тип датчика"), 10, 114, 130, 34);
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    CBoxTipD = MakeList(g, {}, 10, 150, 120);
    Label5 = MakeLabel(g, QStringLiteral("   Стандартный            диапазон преобразования"), 150, 114, 190, 34, true);
    CBoxMin = MakeList(g, {}, 158, 150, 80);
    CBoxMax = MakeList(g, {}, 260, 150, 80);
    new Follower(CBoxMin, MakeLabel(g, QStringLiteral("от"), 140, 150, 18, 24));
    new Follower(CBoxMax, MakeLabel(g, QStringLiteral("до"), 242, 150, 18, 24));
    new Follower(CBoxMax, MakeLabel(g, QStringLiteral("°С"), 344, 150, 22, 24));
    Label26 = MakeLabel(g, QStringLiteral("     Схема подключения "), 376, 114, 150, 34);
    Label26->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    CBoxConnect = MakeList(g, Items(ListItems("Connect")), 376, 150, 140);
    // Shown only for a ТЕВ-ТС from version 3, which has the setting.
    Label26->hide();
    CBoxConnect->hide();

    CreateKanalLower(g);
    GBoxKanal->hide();
}

void TForm1::CreateKanalLower(QWidget* g) {
    // Three lines each, broken where the words part, so each heading stays
    // over its own list.
    LabCurrent = MakeLabel(g, QStringLiteral("Корректировка\nвыходного тока\nнач. шкалы"), 10, 178, 156, 48);
    CBoxCurrent = MakeList(g, CorrectionItems(false), 10, 226, 120);
    CBoxCurrent->setCurrentIndex(0);
    LabCurrentEnd = MakeLabel(g, QStringLiteral("Корректировка\nвыходного тока\nкон. шкалы"), 172, 178, 156, 48);
    CBoxCurrentEnd = MakeList(g, CorrectionItems(true), 172, 226, 120);

    GBoxNonStand = new QGroupBox(QStringLiteral("Нестандартный диапазон"), g);
    GBoxNonStand->setGeometry(336, 180, 190, 92);
    ChBoxNonStand = new QCheckBox(GBoxNonStand);
    ChBoxNonStand->setGeometry(10, 26, 20, 20);
    ButNonStand = MakeButton(GBoxNonStand, QStringLiteral("Программирование"), 34, 22, 148, 28);
    MakeLabel(GBoxNonStand, QStringLiteral("от"), 6, 60, 16, 22);
    StMin = MakeValue(GBoxNonStand, 22, 60, 58);
    MakeLabel(GBoxNonStand, QStringLiteral("до"), 84, 60, 18, 22);
    StMax = MakeValue(GBoxNonStand, 102, 60, 58);
    MakeLabel(GBoxNonStand, QStringLiteral("°С"), 164, 60, 22, 22);

    // The row reads left to right: the heading, then each value under its unit.
    Label6 = MakeLabel(g, QStringLiteral("Результат измерения"), 10, 290, 146, 22);
    LabRezKod = MakeLabel(g, QStringLiteral("в единицах кода"), 162, 272, 108, 18);
    Label23 = MakeLabel(g, QStringLiteral("в мА"), 284, 272, 90, 18);
    Label21 = MakeLabel(g, QStringLiteral("в °С"), 284, 272, 90, 18);
    Label21->hide();
    LabRezProc = MakeLabel(g, QStringLiteral("в %  шкалы"), 396, 272, 90, 18);
    StRez = MakeValue(g, 162, 290, 90);
    StRezGrMA = MakeValue(g, 284, 290, 90);
    StRezProc = MakeValue(g, 396, 290, 90);
    StSost = MakeValue(g, 162, 322, 60);
    Label18 = MakeLabel(g, QStringLiteral("        Норма"), 232, 322, 130, 22);

    ComboBox1 = MakeList(g, Items(SensorTypes(kTevTp)), 0, 0, 10);
    ComboBox2 = MakeList(g, Items(SensorTypes(kTevTs)), 0, 0, 10);
    ComboBox3 = MakeList(g, Items(SensorTypes(kLadr)), 0, 0, 10);
    ComboBox1->hide();
    ComboBox2->hide();
    ComboBox3->hide();
}

void TForm1::CreateSign(QWidget* c) {
    GBoxSign = new QGroupBox(QStringLiteral("Сигнализация (непривилегированные функции программирования)"), c);
    GBoxSign->setGeometry(548, 66, 452, 352);
    QWidget* g = GBoxSign;
    Label7 = MakeLabel(g, QStringLiteral("        Тип сигнализации"), 10, 26, 160, 22);
    CBoxTipSign = MakeList(g, Items(ListItems("TipSign")), 180, 24, 80);
    Label9 = MakeLabel(g, QStringLiteral("Уставка 1"), 130, 60, 100, 18);
    Label8 = MakeLabel(g, QStringLiteral("Уставка 2"), 240, 60, 100, 18);
    Label10 = MakeLabel(g, QStringLiteral(" в ед. кода"), 10, 82, 114, 22);
    StUstKod1 = MakeValue(g, 130, 82, 90);
    StUstKod2 = MakeValue(g, 240, 82, 90);
    Label11 = MakeLabel(g, QStringLiteral(" в % шкалы"), 10, 112, 114, 22);
    // Same place as Label11, which a ТЕВ layout hides under it.
    Label22 = MakeLabel(g, QStringLiteral("     в °С"), 10, 112, 114, 22);
    Label22->hide();
    UstProc1 = MakeEdit(g, 8, 130, 112, 90);
    UstProc2 = MakeEdit(g, 8, 240, 112, 90);
    StNar = MakeValue(g, 130, 144, 50);
    Label19 = MakeLabel(g, QStringLiteral("     Норма"), 190, 144, 130, 22);
    LabTipKont = MakeLabel(g, QStringLiteral("Тип контакта"), 10, 180, 160, 22);
    CBoxTipK = MakeList(g, Items(ListItems("TipK")), 180, 178, 80);
    LabTipKont->hide();
    CBoxTipK->hide();
    LabBreak = MakeLabel(g, QStringLiteral("Состояние выхода при обрыве линии"), 10, 210, 164, 36, true);
    CBoxBreak = MakeList(g, Items(ListItems("Break")), 180, 214, 100);
    LabBreak->hide();
    CBoxBreak->hide();
    ButSwitch = new QToolButton(g);
    ButSwitch->setCheckable(true);
    ButSwitch->setToolTip(QStringLiteral("Кнопка переключения режима"));
    ButSwitch->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    ButSwitch->setGeometry(10, 260, 36, 36);
    // Down is dark, so the state shows at a glance; the words say it too.
    ButSwitch->setStyleSheet(QStringLiteral("QToolButton { border: 2px outset #909090; background: #f0f0f0; }"
                                            "QToolButton:checked { border: 2px inset #303030; background: #5a5a5a; }"
                                            "QToolButton:disabled { background: #d8d8d8; }"));
    Label24 = MakeLabel(g, QStringLiteral("вкл. режима управления      выходом"), 54, 260, 200, 36, true);
    LabSwitch = MakeLabel(g, QStringLiteral("выключен"), 260, 267, 100, 22);
    QFont strong = LabSwitch->font();
    strong.setBold(true);
    LabSwitch->setFont(strong);
    connect(ButSwitch, &QToolButton::toggled, this, [this](bool down) {
        LabSwitch->setText(down ? QStringLiteral("включен") : QStringLiteral("выключен"));
    });
    Label25 = MakeLabel(g, QStringLiteral("Ввод в мА"), 10, 308, 100, 22);
    Edit1 = MakeEdit(g, 8, 120, 308, 90);
    Edit1->setEnabled(false);
    ButSwitch->hide();
    LabSwitch->hide();
    Label24->hide();
    Label25->hide();
    GBoxSign->hide();
}

void TForm1::CreateTevTp(QWidget* c) {
    GBoxTEVTP = new QGroupBox(QStringLiteral("ТЕВ-ТП: Канал температуры свободного конца ТП (холодного спая термопары) "), c);
    GBoxTEVTP->setGeometry(8, 424, 992, 148);
    QWidget* g = GBoxTEVTP;
    LabBegSkTxc = MakeLabel(g, QStringLiteral("Код АЦП начала шкалы                   Тхс (0 °С)"), 10, 20, 160, 34, true);
    LabKodTxc = MakeLabel(g, QStringLiteral("Код АЦП измеренного           значения Тхс"), 180, 20, 160, 34, true);
    LabEndSkTxc = MakeLabel(g, QStringLiteral("Код АЦП конца шкалы           Тхс (100 °С)"), 350, 20, 160, 34, true);
    StBegSkTxc = MakeValue(g, 10, 56, 110);
    StKodTxc = MakeValue(g, 180, 56, 110);
    StEndSkTxc = MakeValue(g, 350, 56, 110);
    KalibrBegSk = MakeButton(g, QStringLiteral("Калибр."), 10, 82, 110);
    KalibrEndSk = MakeButton(g, QStringLiteral("Калибр."), 350, 82, 110);
    LabRegKalibrTXC = MakeLabel(g, QStringLiteral("Режим калибровки"), 10, 116, 150, 20);
    LabRegKalibrTXC->hide();
    LabTxc = MakeLabel(g, QStringLiteral("Тхс в единицах кода"), 540, 20, 140, 34, true);
    LabTxcGrad = MakeLabel(g, QStringLiteral("Тхс в °С"), 700, 20, 120, 34, true);
    StTxc = MakeValue(g, 540, 56, 110);
    StTxcGrad = MakeValue(g, 700, 56, 110);
    LabKTxc = MakeLabel(g, QStringLiteral("Коэффициент расчета поправки Тхс:   А1="), 540, 100, 290, 22);
    KTxc = MakeEdit(g, 7, 840, 100, 80);
    GBoxTEVTP->hide();
}

void TForm1::NameControls() {
    const std::pair<QObject*, const char*> controls[] = {
        {LabelNu, "LabelNu"}, {CBoxUstr, "CBoxUstr"}, {Label20, "Label20"}, {CBoxUstrZ, "CBoxUstrZ"},
        {LabelTip, "LabelTip"}, {Panel1, "Panel1"}, {LabReg, "LabReg"}, {Label27, "Label27"},
        {BtnPuskTimer, "BtnPuskTimer"}, {LabTimer, "LabTimer"}, {ProgressBar1, "ProgressBar1"},
        {Contr, "Contr"}, {GBoxKanal, "GBoxKanal"}, {LabKBegSk, "LabKBegSk"}, {LabKodACP, "LabKodACP"},
        {LabKEndSk, "LabKEndSk"}, {StKBegSk, "StKBegSk"}, {StKodACP, "StKodACP"}, {StKEndSk, "StKEndSk"},
        {Button1, "Button1"}, {Button2, "Button2"}, {LabRegKalibr, "LabRegKalibr"}, {Label4, "Label4"},
        {CBoxTipD, "CBoxTipD"}, {Label5, "Label5"}, {CBoxMin, "CBoxMin"}, {CBoxMax, "CBoxMax"},
        {Label26, "Label26"}, {CBoxConnect, "CBoxConnect"}, {LabCurrent, "LabCurrent"},
        {CBoxCurrent, "CBoxCurrent"}, {LabCurrentEnd, "LabCurrentEnd"}, {CBoxCurrentEnd, "CBoxCurrentEnd"},
        {Label6, "Label6"}, {LabRezKod, "LabRezKod"}, {LabRezProc, "LabRezProc"}, {StRez, "StRez"}, {StRezGrMA, "StRezGrMA"}, {StRezProc, "StRezProc"},
        {Label23, "Label23"}, {Label21, "Label21"}, {StSost, "StSost"}, {Label18, "Label18"},
        {GBoxNonStand, "GBoxNonStand"}, {ChBoxNonStand, "ChBoxNonStand"}, {ButNonStand, "ButNonStand"},
        {StMin, "StMin"}, {StMax, "StMax"}, {ComboBox1, "ComboBox1"}, {ComboBox2, "ComboBox2"},
        {ComboBox3, "ComboBox3"}, {GBoxSign, "GBoxSign"}, {Label7, "Label7"}, {CBoxTipSign, "CBoxTipSign"},
        {Label9, "Label9"}, {Label8, "Label8"}, {Label10, "Label10"}, {StUstKod1, "StUstKod1"},
        {StUstKod2, "StUstKod2"}, {Label11, "Label11"}, {Label22, "Label22"}, {UstProc1, "UstProc1"},
        {UstProc2, "UstProc2"}, {StNar, "StNar"}, {Label19, "Label19"}, {LabTipKont, "LabTipKont"},
        {CBoxTipK, "CBoxTipK"}, {LabBreak, "LabBreak"}, {CBoxBreak, "CBoxBreak"}, {ButSwitch, "ButSwitch"},
        {Label24, "Label24"}, {LabSwitch, "LabSwitch"}, {Label25, "Label25"}, {Edit1, "Edit1"}, {GBoxTEVTP, "GBoxTEVTP"},
        {LabBegSkTxc, "LabBegSkTxc"}, {LabKodTxc, "LabKodTxc"}, {LabEndSkTxc, "LabEndSkTxc"},
        {StBegSkTxc, "StBegSkTxc"}, {StKodTxc, "StKodTxc"}, {StEndSkTxc, "StEndSkTxc"}, {LabTxc, "LabTxc"},
        {LabTxcGrad, "LabTxcGrad"}, {StTxc, "StTxc"}, {StTxcGrad, "StTxcGrad"}, {LabKTxc, "LabKTxc"},
        {KTxc, "KTxc"}, {KalibrBegSk, "KalibrBegSk"}, {KalibrEndSk, "KalibrEndSk"},
        {LabRegKalibrTXC, "LabRegKalibrTXC"}, {ToolBar1, "ToolBar1"}, {ButParol, "ButParol"},
    };
    for (const auto& [control, name] : controls) control->setObjectName(QString::fromLatin1(name));
    const std::pair<QObject*, const char*> actions[] = {{AInPort, "AInPort"}, {AOutPort, "AOutPort"},
        {APort, "APort"}, {AListDevice, "AListDevice"}, {AParol, "AParol"}, {MListDevice, "MListDevice"}, {ALine, "ALine"},
        {Timer1, "Timer1"}};
    for (const auto& [action, name] : actions) action->setObjectName(QString::fromLatin1(name));
}

void TForm1::ConnectHandlers() {
    connect(AInPort, &QAction::triggered, this, [this] { InPortClick(); });
    connect(AOutPort, &QAction::triggered, this, [this] { OutPortClick(); });
    connect(APort, &QAction::triggered, this, [this] { PortClick(); });
    connect(AListDevice, &QAction::triggered, this, [this] { ListDeviceClick(); });
    connect(MListDevice, &QAction::triggered, this, [this] { ListDeviceClick(); });
    connect(ALine, &QAction::triggered, this, [this] { LineClick({}); });
    connect(AParol, &QAction::triggered, this, [this] { N4ParolClick(); });
    connect(CBoxUstr, &QComboBox::activated, this, [this] { CBoxUstrClick(); });
    connect(BtnPuskTimer, &QPushButton::clicked, this, [this] { BtnPuskTimerClick(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    for (QComboBox* box : {CBoxMin, CBoxMax, CBoxConnect, CBoxTipSign, CBoxTipK, CBoxBreak, CBoxCurrent,
                           CBoxCurrentEnd, CBoxUstrZ})
        connect(box, &QComboBox::currentTextChanged, this, [this] { UstKod1Change(); });
    for (QLineEdit* edit : {UstProc1, UstProc2, KTxc})
        connect(edit, &QLineEdit::textChanged, this, [this] { UstKod1Change(); });
    connect(CBoxTipD, &QComboBox::currentTextChanged, this, [this] { CBoxTipDChange(); });
    // clicked, not toggled: states set by the program run no handler here.
    connect(ChBoxNonStand, &QCheckBox::clicked, this, [this] { ChBoxNonStandClick(); });
    connect(ButNonStand, &QPushButton::clicked, this, [this] { ButNonStandClick(); });
    ConnectEditing();
}

void TForm1::FormCreate() {
    SelectQuietly(*CBoxUstr, 0);
    NuCur = CBoxUstr->currentText().toInt() - 1;
    SelectQuietly(*CBoxUstrZ, 0);
    ServClass.NuNew = CBoxUstrZ->currentText().toInt() - 1;
    ReportErrors = true;
    ButSwitch->setChecked(false);
    Label27->clear();
}

void TForm1::Trace(const std::string& text) { Contr->setText(QString::fromStdString(text)); }

void TForm1::UstKod1Change() {
    Image.Izmen = 1;
    ShowStatus();
}

void TForm1::CBoxTipDChange() {
    Image.Izmen = 1;
    Image.IzmenTipD = 1;
    ShowStatus();
}

TForm1::HandlerScope::HandlerScope(TForm1& form) : form_(form) { ++form_.busy_; }

TForm1::HandlerScope::~HandlerScope() {
    if (form_.busy_ == 1) form_.ShowStatus();
    if (--form_.busy_ == 0 && form_.closePending_) {
        form_.closePending_ = false;
        QTimer::singleShot(0, &form_, [f = &form_] { f->close(); });
    }
}

}  // namespace tservice
