#include "Screenshots.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QDateTime>
#include <QDockWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "ChangesPanel.h"
#include "CompareWindow.h"
#include "JournalWindow.h"
#include "Form1.h"
#include "Obrline.h"
#include "Obrcheck.h"
#include "Help.h"
#include "HelpWindow.h"
#include "Obrlistdevice.h"
#include "Obrnastr.h"
#include "Obrport.h"
#include "LineServer.h"
#include "QtMessages.h"
#include "SimLine.h"
#include "TracePanel.h"
#include "TrendPanel.h"

namespace tservice {

namespace {

// Time for the window manager to map and frame a window (ms).
constexpr int kSettleMs = 700;

void Save(QWidget& w, const QString& path) {
    QScreen* screen = w.screen() != nullptr ? w.screen() : QGuiApplication::primaryScreen();
    const QRect frame = w.frameGeometry();
    screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).save(path);
}

// The whole screen: a dialog or a box over the window it belongs to.
void SaveScreen(const QString& path) { QGuiApplication::primaryScreen()->grabWindow(0).save(path); }

void Later(int ms, const std::function<void()>& f) { QTimer::singleShot(ms, qApp, f); }

// The trend: five minutes of polling of the ТЕВ-ТП at 3 s in accelerated
// time, its value swung across setpoint 2 and its range changed halfway.
void ShootTrend(TForm1& form, sim::LineServer& server, const QString& path) {
    // Static: the panel asks the clock again after this function has ended.
    static std::int64_t now = 0;
    now = QDateTime::currentMSecsSinceEpoch() - 300000;
    form.Trend->WallClock = [] { return now; };
    form.NuCur = 2;
    for (int i = 0; i < 100; ++i) {
        server.WithLine([i](sim::Line& line) {
            sim::Transmitter& t = *line.Find(3);
            t.drift = 0;
            t.rez = 4800 + static_cast<int>(2600 * std::sin(i * 0.16)) + (i * 37 % 90);
            t.txc = 2048 + i * 3;
            if (i == 60) t.block[10] = 3;  // 0…400 °C from here on
        });
        form.InPortClick();
        now += 3000;
    }
    form.Trend->setFloating(true);
    form.Trend->resize(1100, 460);
    form.Trend->show();
    form.Trend->SetWindow(TrendPanel::Window::FiveMinutes);
    QTimer::singleShot(300, &form, [&form, path] {
        form.Trend->grab().save(path);
        QCoreApplication::exit(0);
    });
}

// Shows dialog, runs act (may be empty) once it is framed, pictures the
// screen and ends the program.
void ShootDialog(QWidget& dialog, const QString& path, const std::function<void()>& act) {
    dialog.show();
    Later(kSettleMs, [path, act] {
        if (act) act();
        Later(kSettleMs, [path] {
            SaveScreen(path);
            QCoreApplication::exit(0);
        });
    });
}

// Every panel open in the window's tabbed bottom area, the journal of the
// line shown, an unwritten change listed: the whole screen, so a window past
// its edge would show.
void ShootPanels(TForm1& form, sim::LineServer&, const QString& path) {
    for (int i = 0; i < 5; ++i) form.InPortClick();
    form.CBoxTipSign->setCurrentIndex((form.CBoxTipSign->currentIndex() + 1) % 3);
    form.CBoxTipSignClick();
    for (QDockWidget* panel : std::initializer_list<QDockWidget*>{form.Trend, form.ChangesPanel, form.LineLog})
        panel->show();
    form.LineLog->raise();  // its tab in front: the widest columns
    Later(kSettleMs, [&form, path] {
        form.InPortClick();
        Later(kSettleMs, [path] {
            SaveScreen(path);
            QCoreApplication::exit(0);
        });
    });
}

// A file saved, then the alarm type changed on the line behind the window's
// back and read: the comparison with the file; or an alarm type picked and
// written: the change journal.
void ShootFiles(TForm1& form, sim::LineServer& server, const QString& path, bool journal) {
    static QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("03_ТЕВ-ТП.json"));
    form.ChooseFile = [file](const QString&, const QString&, const QString&, bool) { return file; };
    form.JournalPath = dir.filePath(QStringLiteral("journal.jsonl"));
    if (!journal) {
        form.FileSaveClick();
        server.WithLine([](sim::Line& line) { line.Find(3)->block[4] ^= 0x01; });
        form.InPortClick();
        form.FileCompareClick();
        ShootDialog(*form.FormCompare, path, {});
        return;
    }
    form.CBoxTipSign->setCurrentIndex((form.CBoxTipSign->currentIndex() + 1) % 3);
    form.CBoxTipSignClick();
    form.OutPortClick();
    form.JournalClick();
    ShootDialog(*form.FormJournal, path, {});
}

// "Линия" over the main window while its round runs over the demo line.
void ShootLine(TForm1& form, sim::LineServer& server, const QString& path) {
    // An alarm at 2 (alarm type HH) and an overflow at 4, to be seen in red.
    server.WithLine([](sim::Line& line) {
        sim::Transmitter& tevTs = *line.Find(2);
        tevTs.block[4] = static_cast<std::uint8_t>((tevTs.block[4] & ~0x03) | 0x02);
        sim::Transmitter& oski = *line.Find(4);
        oski.drift = 0;
        oski.rez = 17000;
    });
    form.FormLine->SetDevices({{1, 100}, {2, 101}, {3, 102}, {4, 103}});
    form.FormLine->show();
    form.FormLine->ButPollClick();
    Later(2500, [path] {
        SaveScreen(path);
        QCoreApplication::exit(0);
    });
}

// A box shown by the program, pictured over the window, then closed.
void ShootBox(const QString& path, const std::function<void(QtMessages&)>& show) {
    Later(kSettleMs, [path] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            SaveScreen(path);
            box->accept();
        }
    });
    static QtMessages messages;
    show(messages);
    QCoreApplication::exit(0);
}

// The check of the ТЕВ-ТС at 2 with three points taken, the third off by
// more than it may be.
void ShootCheck(TForm1& form, sim::LineServer& server, const QString& path) {
    form.CheckClick();
    TFormCheck& d = *form.FormCheck;
    d.SpinSamples->setValue(3);
    d.EditOperator->setText(QStringLiteral("Петров П. П."));
    d.EditAmbient->setText(QStringLiteral("22"));
    d.EditHumidity->setText(QStringLiteral("48"));
    int col = 0;
    for (const char* t : {"Калибратор КС-100", "1234", "С-ВЯ/01-2026", "2027-03-01"})
        d.GridInstr->setItem(0, col++, new QTableWidgetItem(QString::fromUtf8(t)));
    ShootDialog(d, path, [&d, &server] {
        for (double applied : {-49.9, -12.6, 25.6}) {
            server.WithLine([applied](sim::Line& line) { line.Find(2)->SetInputPercent((applied + 50) / 1.5); });
            d.ButAcceptClick();
        }
    });
}


using Shot = std::function<void(TForm1&, sim::LineServer&, const QString&)>;

// What each TSERVICE_SHOT_DIALOG pictures; every shot ends the program.
const std::map<std::string, Shot>& Shots() {
    static const std::map<std::string, Shot> shots = {
        {"trend", ShootTrend},
        {"panels", ShootPanels},
        {"line", ShootLine},
        {"nastr", [](TForm1& form, sim::LineServer&, const QString& path) { ShootDialog(*form.FormNastr, path, {}); }},
        {"done", [](TForm1& form, sim::LineServer&, const QString& path) {
             ShootBox(path, [&form](QtMessages& m) {
                 m.SetMainWindow(&form);
                 m.Show({"Работа закончена", "Подтверждение", MsgIcon::Information});
             });
         }},
        {"entry", [](TForm1& form, sim::LineServer&, const QString& path) {
             ShootBox(path, [&form](QtMessages& m) {
                 m.SetMainWindow(&form);
                 m.Plain(" Ошибка ввода ");
             });
         }},
        {"check", ShootCheck},
        {"compare", [](TForm1& form, sim::LineServer& line, const QString& path) { ShootFiles(form, line, path, false); }},
        {"journal", [](TForm1& form, sim::LineServer& line, const QString& path) { ShootFiles(form, line, path, true); }},
        {"", [](TForm1& form, sim::LineServer&, const QString& path) {
             Save(form, path);
             QCoreApplication::exit(0);
         }},
        // An alarm type picked and not written: the status bar says so.
        {"changed", [](TForm1& form, sim::LineServer&, const QString& path) {
             form.CBoxTipSign->setCurrentIndex((form.CBoxTipSign->currentIndex() + 1) % 3);
             form.CBoxTipSignClick();
             Later(kSettleMs, [&form, path] {
                 Save(form, path);
                 QCoreApplication::exit(0);
             });
         }},
        {"port", [](TForm1& form, sim::LineServer&, const QString& path) {
             form.FormPort->FormShow();
             ShootDialog(*form.FormPort, path, {});
         }},
        // The device list after a scan of numbers 1 to 4.
        {"device", [](TForm1& form, sim::LineServer&, const QString& path) {
             ShootDialog(*form.FormDevice, path, [&form] {
                 form.FormDevice->CBoxUstr->setCurrentIndex(3);
                 form.FormDevice->Button1Click();
             });
         }},
        // The device list while numbers 1 to 8 are scanned, then "Стоп".
        {"scan", [](TForm1& form, sim::LineServer&, const QString& path) {
             form.FormDevice->show();
             Later(kSettleMs, [&form, path] {
                 form.FormDevice->CBoxUstr->setCurrentIndex(7);
                 Later(2500, [&form, path] {
                     SaveScreen(path);
                     form.FormDevice->ButStop->click();
                 });
                 form.FormDevice->Button1Click();
                 QCoreApplication::exit(0);
             });
         }},
        // The manual at the entry of "не отвечает на запрос", as "Справка" shows it.
        {"help", [](TForm1& form, sim::LineServer&, const QString& path) {
             auto* help = new THelpWindow(&form);
             help->ShowTopic(ManualDir(), MessageTopic("msg-130"));
             ShootDialog(*help, path, {});
         }},
        // The calibration question, answered No.
        {"question", [](TForm1& form, sim::LineServer&, const QString& path) {
             Later(kSettleMs, [path] {
                 if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                     SaveScreen(path);
                     box->button(QMessageBox::No)->click();
                 }
             });
             form.Button1Click();
             QCoreApplication::exit(0);
         }},
    };
    return shots;
}

}  // namespace

void ScheduleShot(TForm1& form, sim::LineServer& server, const std::string& port) {
    const char* device = std::getenv("TSERVICE_SHOT_DEVICE");
    const char* file = std::getenv("TSERVICE_SHOT_FILE");
    if (device == nullptr || file == nullptr) return;
    const int number = std::atoi(device);
    const QString path = QString::fromLocal8Bit(file);
    const auto shot = Shots().find(qgetenv("TSERVICE_SHOT_DIALOG").toStdString());
    if (shot == Shots().end()) {
        QCoreApplication::exit(2);
        return;
    }
    Later(300, [&form, &server, number, path, port, take = shot->second] {
        form.Link.PortName = port;
        if (form.Link.OpenPort() == 0 && number >= 1 && number <= kLineSize) {
            form.NuCur = number - 1;
            form.CBoxUstr->setCurrentIndex(number - 1);
            form.InPortClick();
        }
        Later(kSettleMs, [&form, &server, path, take] { take(form, server, path); });
    });
}

}  // namespace tservice
