#include "Screenshots.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "Form1.h"
#include "Help.h"
#include "HelpWindow.h"
#include "Obrlistdevice.h"
#include "Obrport.h"
#include "PtyServer.h"
#include "SimLine.h"
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
void ShootTrend(TForm1& form, sim::PtyServer& server, const QString& path) {
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

using Shot = std::function<void(TForm1&, sim::PtyServer&, const QString&)>;

// What each TSERVICE_SHOT_DIALOG pictures; every shot ends the program.
const std::map<std::string, Shot>& Shots() {
    static const std::map<std::string, Shot> shots = {
        {"trend", ShootTrend},
        {"", [](TForm1& form, sim::PtyServer&, const QString& path) {
             Save(form, path);
             QCoreApplication::exit(0);
         }},
        // An alarm type picked and not written: the status bar says so.
        {"changed", [](TForm1& form, sim::PtyServer&, const QString& path) {
             form.CBoxTipSign->setCurrentIndex((form.CBoxTipSign->currentIndex() + 1) % 3);
             form.CBoxTipSignClick();
             Later(kSettleMs, [&form, path] {
                 Save(form, path);
                 QCoreApplication::exit(0);
             });
         }},
        {"port", [](TForm1& form, sim::PtyServer&, const QString& path) {
             form.FormPort->FormShow();
             ShootDialog(*form.FormPort, path, {});
         }},
        // The device list after a scan of numbers 1 to 4.
        {"device", [](TForm1& form, sim::PtyServer&, const QString& path) {
             ShootDialog(*form.FormDevice, path, [&form] {
                 form.FormDevice->CBoxUstr->setCurrentIndex(3);
                 form.FormDevice->Button1Click();
             });
         }},
        // The device list while numbers 1 to 8 are scanned, then "Стоп".
        {"scan", [](TForm1& form, sim::PtyServer&, const QString& path) {
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
        {"help", [](TForm1& form, sim::PtyServer&, const QString& path) {
             auto* help = new THelpWindow(&form);
             help->ShowTopic(ManualDir(), MessageTopic("msg-130"));
             ShootDialog(*help, path, {});
         }},
        // The calibration question, answered No.
        {"question", [](TForm1& form, sim::PtyServer&, const QString& path) {
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

void ScheduleShot(TForm1& form, sim::PtyServer& server, const std::string& port) {
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
