// tservice: the service program. `tservice --demo` serves four simulated
// transmitters on a pseudo-terminal inside the program (on Windows, which has
// none, on loopback TCP) and offers it as the first port; the exchange then
// runs through the real port code.
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
#ifdef _WIN32
#include "TcpServer.h"
#else
#include "PtyServer.h"
#endif
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
                        "  --demo      четыре имитируемых устройства на псевдотерминале (в Windows - на tcp://127.0.0.1),\n"
                        "              первым в списке портов\n"
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

// What the command line asks of the window.
struct Options {
    bool demo = false;
    std::string firstPort;  // offered first in the port list; may be empty
    std::string inputFile;  // the demo transmitters' inputs while running; may be empty
};

Options ParseOptions(int argc, char* argv[]) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--demo") o.demo = true;
        if (arg == "--port" && i + 1 < argc) o.firstPort = argv[++i];
        if (arg.rfind("--port=", 0) == 0) o.firstPort = arg.substr(7);
        if (arg == "--input" && i + 1 < argc) o.inputFile = argv[++i];
    }
    return o;
}

// The toolkit's own texts (standard buttons) in Russian, like the rest;
// translator must outlive the application's windows.
void InstallRussianTexts(QTranslator& translator) {
    if (translator.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&translator);
}

// Serves the four demo transmitters of line on a pseudo-terminal (loopback
// TCP where there is none) and names it in port; null (after telling the
// operator) when it cannot be made.
std::unique_ptr<tservice::sim::LineServer> StartDemoLine(tservice::sim::Line& line, std::string& port) {
    tservice::sim::Line::AddDemoDevices(line);
    try {
#ifdef _WIN32
        auto server = std::make_unique<tservice::sim::TcpServer>(line, "127.0.0.1", 0);
        port = server->Address();
#else
        auto server = std::make_unique<tservice::sim::PtyServer>(line);
        port = server->SlavePath();
#endif
        server->Start();
        return server;
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("tservice"),
                              QStringLiteral("Демонстрационная линия не создана: ") + QString::fromUtf8(e.what()));
        return nullptr;
    }
}

// The port list: the asked port and the demo line first, then the system's.
std::vector<tservice::PortEntry> PortEntries(const std::string& firstPort, const std::string& demoPort) {
    std::vector<tservice::PortEntry> list;
    for (const std::string& name : {firstPort, demoPort})
        if (!name.empty()) list.push_back({name, {}, {}, {}});
    for (tservice::PortEntry& entry : tservice::EnumeratePortEntries())
        if (entry.name != firstPort) list.push_back(std::move(entry));
    return list;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (const int answered = AnswerOnTerminal(argc, argv); answered >= 0) return answered;
    Application app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tservice"));
    QTranslator qtTexts;
    InstallRussianTexts(qtTexts);
    const Options options = ParseOptions(argc, argv);

    tservice::sim::Line line;
    std::unique_ptr<tservice::sim::LineServer> server;
    std::string demoPort;
    if (options.demo) {
        server = StartDemoLine(line, demoPort);
        if (!server) return 1;
    }

    tservice::SteadyClock steady;
    // The window repaints while the link waits; input made meanwhile is dropped.
    tservice::BusyPump pump;
    tservice::PumpingClock clock(steady, [&pump] { pump.Pump(); });
    tservice::LinePort port(clock);
    tservice::QtMessages messages;
    const std::string firstPort = options.firstPort;
    auto entries = [firstPort, demoPort] { return PortEntries(firstPort, demoPort); };
    auto ports = [entries] {
        std::vector<std::string> names;
        for (const tservice::PortEntry& entry : entries()) names.push_back(entry.name);
        return names;
    };
    int code = 0;
    {
        tservice::TForm1 form(port, clock, messages, ports);
        form.JournalPath = tservice::JournalPathFromEnvironment();
        tservice::SetJournalOperator(tservice::RememberedOperator());
        messages.SetMainWindow(&form);
        form.FormPort->PortEntries = entries;
        form.show();
        if (options.demo) tservice::ScheduleShot(form, *server, demoPort);
        tservice::sim::InputFile inputs(options.inputFile);
        QTimer inputTimer;
        if (server && !options.inputFile.empty()) {
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
