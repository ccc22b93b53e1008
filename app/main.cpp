// tservice: the service program. `tservice --demo` serves four simulated
// transmitters on a pseudo-terminal inside the program and offers it as the
// first port; the exchange then runs through the real serial port code.
// `tservice --port NAME` offers NAME (a device path or tcp://HOST:PORT) first.
#include <cmath>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QMessageBox>
#include <QTimer>

#include "Clock.h"
#include "Form1.h"
#include "Journal.h"
#include "Obrlistdevice.h"
#include "Obrport.h"
#include "PortList.h"
#include "PtyServer.h"
#include "LinePort.h"
#include "QtMessages.h"
#include "SimLine.h"
#include "TrendPanel.h"

namespace {

// Shows an exception that escaped a handler instead of ending the program.
class Application : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            QMessageBox::critical(nullptr, applicationName(), QString::fromUtf8(e.what()));
        } catch (...) {
            QMessageBox::critical(nullptr, applicationName(), QStringLiteral("Неизвестная ошибка"));
        }
        return false;
    }
};

// Screenshot of the trend (TSERVICE_SHOT_TREND=1): five minutes of polling of
// the ТЕВ-ТП at 3 s in accelerated time, its value swung across setpoint 2
// and its range changed halfway.
void ShootTrend(tservice::TForm1& form, tservice::sim::PtyServer& server, const QString& path) {
    std::int64_t now = QDateTime::currentMSecsSinceEpoch() - 300000;
    form.Trend->WallClock = [&now] { return now; };
    form.NuCur = 2;
    for (int i = 0; i < 100; ++i) {
        server.WithLine([i](tservice::sim::Line& line) {
            tservice::sim::Transmitter& t = *line.Find(3);
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
    form.Trend->SetWindow(tservice::TrendPanel::Window::FiveMinutes);
    QTimer::singleShot(300, &form, [&form, path] {
        form.Trend->grab().save(path);
        QCoreApplication::exit(0);
    });
}

// Screenshot hook for the demo (TSERVICE_SHOT_DEVICE=N, TSERVICE_SHOT_FILE=png):
// opens the first offered port, reads device N, saves the window and quits.
void ScheduleShot(tservice::TForm1& form, tservice::sim::PtyServer& server, const std::string& port) {
    const char* device = std::getenv("TSERVICE_SHOT_DEVICE");
    const char* file = std::getenv("TSERVICE_SHOT_FILE");
    if (device == nullptr || file == nullptr) return;
    const int number = std::atoi(device);
    const QString path = QString::fromLocal8Bit(file);
    QTimer::singleShot(300, &form, [&form, &server, number, path, port] {
        form.Link.PortName = port;
        if (qgetenv("TSERVICE_SHOT_TREND") == "1") {
            if (form.Link.OpenPort() == 0) ShootTrend(form, server, path);
            return;
        }
        if (form.Link.OpenPort() == 0 && number >= 1 && number <= 32) {
            form.NuCur = number - 1;
            form.CBoxUstr->setCurrentIndex(number - 1);
            form.InPortClick();
        }
        QTimer::singleShot(200, &form, [&form, path] {
            // TSERVICE_SHOT_DIALOG=port or device pictures that dialog instead.
            const QByteArray dialog = qgetenv("TSERVICE_SHOT_DIALOG");
            if (dialog == "port") {
                form.FormPort->FormShow();
                form.FormPort->grab().save(path);
            } else if (dialog == "device") {
                form.FormDevice->CBoxUstr->setCurrentIndex(3);
                form.FormDevice->Button1Click();
                form.FormDevice->grab().save(path);
            } else {
                form.grab().save(path);
            }
            QCoreApplication::exit(0);
        });
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    Application app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tservice"));
    bool demo = false;
    std::string firstPort;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--demo") demo = true;
        if (arg == "--port" && i + 1 < argc) firstPort = argv[++i];
        if (arg.rfind("--port=", 0) == 0) firstPort = arg.substr(7);
    }

    tservice::sim::Line line;
    std::unique_ptr<tservice::sim::PtyServer> server;
    std::string demoPort;
    if (demo) {
        tservice::sim::Line::AddDemoDevices(line);
        try {
            server = std::make_unique<tservice::sim::PtyServer>(line);
            server->Start();
            demoPort = server->SlavePath();
        } catch (const std::exception& e) {
            QMessageBox::critical(nullptr, QStringLiteral("tservice"),
                                  QStringLiteral("Демонстрационная линия не создана: ") + QString::fromUtf8(e.what()));
            return 1;
        }
    }

    tservice::SteadyClock clock;
    tservice::LinePort port(clock);
    tservice::QtMessages messages;
    auto entries = [demoPort, firstPort] {
        std::vector<tservice::PortEntry> list;
        for (const std::string& name : {firstPort, demoPort})
            if (!name.empty()) list.push_back({name, {}, {}, {}});
        for (tservice::PortEntry& entry : tservice::EnumeratePortEntries())
            if (entry.name != firstPort) list.push_back(std::move(entry));
        return list;
    };
    auto ports = [entries] {
        std::vector<std::string> names;
        for (const tservice::PortEntry& entry : entries()) names.push_back(entry.name);
        return names;
    };
    int code = 0;
    {
        tservice::TForm1 form(port, clock, messages, ports);
        form.JournalPath = tservice::JournalPathFromEnvironment();
        messages.SetMainWindow(&form);
        form.FormPort->PortEntries = entries;
        form.show();
        if (demo) ScheduleShot(form, *server, demoPort);
        code = app.exec();
        form.Link.ClosePort();
    }
    if (server) server->Stop();
    return code;
}
