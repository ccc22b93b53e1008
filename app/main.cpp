// tservice: the service program. `tservice --demo` serves four simulated
// transmitters on a pseudo-terminal inside the program and offers it as the
// first port; the exchange then runs through the real serial port code.
// `tservice --port NAME` offers NAME (a device path or tcp://HOST:PORT) first.
// `--input FILE` with --demo sets the demo transmitters' inputs from FILE
// ("ADDR PERCENT" lines) whenever it changes, for walking through a check.
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>

#include "BusyPump.h"
#include "Clock.h"
#include "Form1.h"
#include "Journal.h"
#include "Obrlistdevice.h"
#include "Obrport.h"
#include "PortList.h"
#include "InputControl.h"
#include "PtyServer.h"
#include "LinePort.h"
#include "QtMessages.h"
#include "Screenshots.h"
#include "SimLine.h"

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

// --version and --help answer on the terminal before any window (or display)
// is needed; -1 when neither was asked.
int AnswerOnTerminal(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--version") {
            std::printf("tservice %s\n", TSERVICE_VERSION);
            return 0;
        }
        if (a == "--help" || a == "-h") {
            std::printf("tservice - сервис датчиков температуры ЛАДР, ТЕВ-ТС, ТЕВ-ТП, ОСКИ\n\n"
                        "использование: tservice [--demo [--input ФАЙЛ]] [--port ИМЯ]\n\n"
                        "  --demo      четыре имитируемых устройства на псевдотерминале, первым в списке портов\n"
                        "  --port ИМЯ  порт (путь устройства или tcp://УЗЕЛ:ПОРТ) первым в списке портов\n"
                        "  --input ФАЙЛ  с --demo: входы устройств из ФАЙЛА, строки \"АДРЕС ПРОЦЕНТ\"\n"
                        "  --version   версия программы\n"
                        "  -h, --help  эта справка\n\n"
                        "Командная строка для программ: tservicectl --help.\n");
            return 0;
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (const int answered = AnswerOnTerminal(argc, argv); answered >= 0) return answered;
    Application app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tservice"));
    // The toolkit's own texts (standard buttons) in Russian, like the rest.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
    bool demo = false;
    std::string firstPort;
    std::string inputFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--demo") demo = true;
        if (arg == "--port" && i + 1 < argc) firstPort = argv[++i];
        if (arg.rfind("--port=", 0) == 0) firstPort = arg.substr(7);
        if (arg == "--input" && i + 1 < argc) inputFile = argv[++i];
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

    tservice::SteadyClock steady;
    // The window repaints while the link waits; input made meanwhile is dropped.
    tservice::BusyPump pump;
    tservice::PumpingClock clock(steady, [&pump] { pump.Pump(); });
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
        if (demo) tservice::ScheduleShot(form, *server, demoPort);
        tservice::sim::InputFile inputs(inputFile);
        QTimer inputTimer;
        if (server && !inputFile.empty()) {
            QObject::connect(&inputTimer, &QTimer::timeout, [&] {
                std::string why;
                if (!server->WithLine([&](tservice::sim::Line& l) { return inputs.Poll(l, why); }))
                    std::fprintf(stderr, "%s\n", why.c_str());
            });
            inputTimer.start(500);
        }
        code = app.exec();
        form.Link.ClosePort();
    }
    if (server) server->Stop();
    return code;
}
