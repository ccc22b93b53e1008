// tservicectl: the headless companion of the service program.
#include <QGuiApplication>
#include <QStringList>
#include <iostream>
#include <memory>

#include "Args.h"
#include "Commands.h"

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // The report's PDF is laid out with the toolkit's fonts, which need a GUI
    // application; no window is ever shown, so no display is needed.
    std::unique_ptr<QCoreApplication> app;
    if (!args.empty() && (args[0] == "report" || args[0] == "check")) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
#ifdef _WIN32
    // Windows passes argv in the ANSI code page; the application has the
    // arguments as typed (GetCommandLineW), taken here in UTF-8 like the
    // rest, and the console is told that the output is UTF-8.
    args.clear();
    const QStringList typed = QCoreApplication::arguments();
    for (qsizetype i = 1; i < typed.size(); ++i) args.push_back(typed[i].toStdString());
    SetConsoleOutputCP(CP_UTF8);
#endif
    try {
        const tservice::cli::Options options = tservice::cli::ParseArgs(args);
        if (options.help || options.version) {
            std::cout << (options.help ? tservice::cli::HelpText(options.command) : tservice::cli::VersionText() + "\n");
            return 0;
        }
        return tservice::cli::RunCommand(options, std::cout, std::cerr);
    } catch (const tservice::cli::UsageError& e) {
        std::cerr << e.what() << "\n" << tservice::cli::UsageHint() << "\n";
        return 2;
    }
}
