#pragma once
// Command line of tservicectl: one command, common line options and the
// command's own options, from one table that also writes the help. Errors are
// UsageError (exit 2) with a one-line hint.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ComPort.h"
#include "Check.h"

namespace tservice::cli {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Options {
    std::string command;              // ports scan find read watch set save load report check backup restore range sim journal
    bool help = false;                // --help: print HelpText(command), nothing else
    bool version = false;             // --version
    // Line.
    std::string port;
    int baud = 9600;
    char parity = 'N';
    int stop = 2;
    int delay = 25;                   // ms before each request
    int device = 1;                   // 1..32
    bool trace = false;               // --trace: every frame to stderr,
    std::string traceFile;            // --trace=FILE: into FILE instead
    LineOptions adapter;              // --echo, --rts
    bool stats = false;               // --stats: line statistics after the command
    // Command options.
    int max = 32;                     // scan, find
    bool all = false;                 // find --all: every framing, not only the first that finds
    bool fast = false;                // scan --fast
    int timeoutMs = 0;                // scan --timeout, 0 = from the rate
    bool json = false;
    bool csv = false;
    double interval = 3.0;            // watch, seconds
    int count = 0;                    // watch, 0 = until a failure or interrupt
    bool dryRun = false;
    bool withCalibration = false;     // load, restore: take the file's calibration too
    std::vector<std::string> edits;   // set FIELD=VALUE...
    std::string file;                 // save/load; backup/restore: the directory
    std::string journal;              // set/load/report: journal file instead of the default
    bool noJournal = false;           // set/load: no journal line
    std::string operatorName;         // set/load/restore --operator: who works; "" = the system user
    bool verify = false;              // journal --verify [FILE]
    std::string pdf, html;            // report: the file to write
    std::string sensor, from, to, tablesDir;  // range
    std::string link;                 // sim --link PATH (pty)
    std::string tcp;                  // sim --tcp HOST:PORT (loopback)
    std::vector<std::string> devs;    // sim --dev ADDR:MODEL:VERSION
    std::vector<std::string> faults;  // sim --fault ADDR:KIND[=VALUE]
    int latencyMs = 0;                // sim --latency: the adapter's delay
    int turnaroundMs = 5;             // sim --turnaround: the devices' pause before answering
    std::string inputFile;            // sim --input FILE: the devices' inputs while running
    // check
    std::vector<double> points = DefaultPoints();  // % of the range
    Tolerance tolerance;              // value 0 until --tolerance is given
    CheckStage stage = CheckStage::Found;
    int samples = 5;                  // readings within the band for the mean
    bool output = false;              // --output: ask the reference milliammeter at each point
};

// Parses argv (without argv[0]). Throws UsageError. With --help or --version
// only those are set (the rest of the line is not checked).
Options ParseArgs(const std::vector<std::string>& args);

// The one-line hint printed after a usage error.
std::string UsageHint();

// The help of one command, or of the whole program for an empty command:
// every option with its value, unit and default, an example, the exit codes.
std::string HelpText(const std::string& command);

// "tservicectl 1.0".
std::string VersionText();

// The commands, and the options (without dashes) each one takes, line options
// included; for the help and its tests.
std::vector<std::string> CommandNames();
std::vector<std::string> CommandOptionNames(const std::string& command);

}  // namespace tservice::cli
