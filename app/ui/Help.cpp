#include "Help.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>

#include "HelpWindow.h"
#include "Tables.h"

namespace tservice {

namespace {

constexpr HelpTopic kTopics[] = {
    {"FormHelp", "index.html"},
    {"FormPort", "line.html#port-dialog"},
    {"FormNastr", "line.html#exchange-dialog"},
    {"FormDevice", "scan.html#device-list"},
    {"FormLine", "scan.html#line-window"},
    {"FormNewRange", "nonstandard.html#range-dialog"},
    {"GBoxNonStand", "nonstandard.html#nonstandard"},
    {"GBoxKanal", "editing.html#channel"},
    {"GBoxSign", "editing.html#alarm"},
    {"GBoxTEVTP", "calibration.html#cold-junction"},
    {"main:Button1", "calibration.html#calibration"},
    {"main:Button2", "calibration.html#calibration"},
    {"main:KalibrBegSk", "calibration.html#cold-junction"},
    {"main:KalibrEndSk", "calibration.html#cold-junction"},
    {"main:CBoxCurrent", "calibration.html#current-trim"},
    {"main:CBoxCurrentEnd", "calibration.html#current-trim"},
    {"main:CBoxUstrZ", "editing.html#number"},
    {"main:ButSwitch", "calibration.html#output-control"},
    {"main:Edit1", "calibration.html#output-control"},
    {"FormJournal", "files.html#journal"},
    {"FormCompare", "files.html#compare"},
    {"ChangesPanel", "files.html#changes"},
    {"TrendPanel", "trend.html#trend"},
    {"TracePanel", "trend.html#traffic"},
};

// "main:NAME" is a control of the main window (dialogs reuse such names).
bool Matches(const QWidget* w, const char* objectName) {
    QLatin1String name(objectName);
    if (name.startsWith(QLatin1String("main:"))) {
        return qobject_cast<const QMainWindow*>(w->window()) != nullptr && w->objectName() == name.mid(5);
    }
    return w->objectName() == name;
}

// The chapter of the main window itself and of any window not in the table.
constexpr char kMainTopic[] = "reading.html#main-window";

class HelpKey final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1)
            return QObject::eventFilter(watched, event);
        QWidget* modal = QApplication::activeModalWidget();
        QWidget* focus = QApplication::focusWidget();
        const QWidget* at = focus ? focus : (modal ? modal : QApplication::activeWindow());
        ShowManual(modal ? modal : qobject_cast<QWidget*>(parent()), HelpTopicFor(at));
        return true;
    }
};

}  // namespace

std::span<const HelpTopic> HelpTopics() { return kTopics; }

QString ManualDir() {
    const QByteArray env = qgetenv("TSERVICE_MANUAL");
    if (!env.isEmpty()) return QString::fromLocal8Bit(env);
    static constexpr const char* kBeside[] = {"../doc/manual", "../share/doc/tservice/manual"};
    for (const std::string& dir : BesideProgram(nullptr, kBeside)) {
        const QString d = QString::fromStdString(dir);
        if (QFileInfo::exists(d + QStringLiteral("/index.html"))) return QFileInfo(d).canonicalFilePath();
    }
    return {};
}

QString HelpTopicFor(const QWidget* widget) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        const QVariant own = w->property("helpTopic");
        if (own.isValid()) return own.toString();
        for (const HelpTopic& t : kTopics)
            if (Matches(w, t.objectName)) return QLatin1String(t.topic);
        if (qobject_cast<const QMainWindow*>(w) != nullptr) return QLatin1String(kMainTopic);
    }
    return QStringLiteral("index.html");
}

QString MessageTopic(const std::string& anchor) {
    return QStringLiteral("messages.html#") + QString::fromStdString(anchor);
}

void ShowManual(QWidget* parent, const QString& topic) {
    if (parent != nullptr && parent->window()->isModal()) {
        THelpWindow help(parent->window());
        help.ShowTopic(ManualDir(), topic);
        help.exec();
        return;
    }
    static QPointer<THelpWindow> shared;
    if (!shared) shared = new THelpWindow(parent);
    shared->ShowTopic(ManualDir(), topic);
    shared->show();
    shared->raise();
    shared->activateWindow();
}

QString AboutText() {
    return QStringLiteral(
               "<h3>Сервисная программа ЛАДР, ТЕВ-ТП, ТЕВ-ТС, ОСКИ</h3>"
               "<p>tservice, версия %1, сборка %2.<br>Qt %3 (собрана с Qt %4).</p>"
               "<p>Программа распространяется на условиях GNU GPL версии 3 или более поздней.</p>"
               "<p>Использует: Qt 6 (Qt Core, Qt Gui, Qt Widgets, Qt SerialPort, Qt Network) по лицензии "
               "GNU LGPL версии 3 (или GPL версии 2 или 3); Qt Charts по лицензии GNU GPL версии 3.</p>")
        .arg(QStringLiteral(TSERVICE_VERSION), QStringLiteral(TSERVICE_BUILD_DATE), QString::fromLatin1(qVersion()),
             QStringLiteral(QT_VERSION_STR));
}

void InstallHelp(QMainWindow& main) {
    QMenu* menu = main.menuBar()->addMenu(QStringLiteral("&Справка"));
    QAction* manual = menu->addAction(QStringLiteral("Руководство"));
    manual->setShortcut(QKeySequence(Qt::Key_F1));
    manual->setShortcutContext(Qt::WidgetShortcut);  // F1 itself goes through HelpKey
    QObject::connect(manual, &QAction::triggered, &main, [&main] { ShowManual(&main, QStringLiteral("index.html")); });
    QObject::connect(menu->addAction(QStringLiteral("Сообщения и их причины")), &QAction::triggered, &main,
                     [&main] { ShowManual(&main, QStringLiteral("messages.html")); });
    QObject::connect(menu->addAction(QStringLiteral("О программе")), &QAction::triggered, &main,
                     [&main] { QMessageBox::about(&main, QStringLiteral("О программе"), AboutText()); });
    qApp->installEventFilter(new HelpKey(&main));
}

}  // namespace tservice
