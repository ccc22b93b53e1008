// tservicectl: the headless companion of the service program.
#include <QCoreApplication>
#include <iostream>

#include "Args.h"
#include "Commands.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
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
