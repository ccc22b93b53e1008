#pragma once
// An opened line for one command: the real port (serial or tcp://) on the steady clock,
// the link with the command line's settings, and messages on the error stream.
#include <fstream>
#include <iosfwd>
#include <memory>

#include "Args.h"
#include "Comportclass.h"
#include "ConsoleMessages.h"
#include "DeviceImage.h"
#include "DirectionPort.h"
#include "EchoPort.h"
#include "LinePort.h"
#include "LineStats.h"
#include "LineTrace.h"
#include "Workflow.h"

namespace tservice::cli {

class LineSession {
public:
    LineSession(const Options& options, std::ostream& err);

    // Starts the --trace output and the statistics, then opens the port with
    // the adapter's options; shows the link's message for 132 (or why the
    // trace file would not open) and returns false.
    bool Open();
    // Shows the link's message for a failed exchange with the result code
    // appended ("(код 130)") and records the exit status of that failure.
    void LineFailed(int deviceIndex, int code);
    // A complete reading as the window's F9: the exchanges, the model check
    // and the range limits. Shows the window's messages; false on any failure.
    bool Read(DeviceImage& image, int& nuCur);
    // The write of F10 with its reading back (WriteAndReadBack): block check
    // against lastReading, model and version, a free new number, block,
    // confirmation, the same block read back. Shows the window's messages
    // and sets failure (1 refused, 3 line or unconfirmed, 4 exception);
    // image holds the reading back when Done, the edited image otherwise.
    WriteOutcome Write(DeviceImage& image, const DeviceImage& lastReading, int& nuCur, int nuNew);

    // Exit status of the last failure of Open, Read, Write or LineFailed.
    int failure = 1;

    SteadyClock clock;
    ConsoleMessages messages;
    LinePort port;
    DirectionPort direction;  // RTS around each request with --rts soft
    EchoPort echo;            // takes the adapter's echo out of the answers
    TracingPort traced;       // watched by the statistics and --trace
    TComPortClass link;
    LineStats stats;

private:
    const Options& options_;
    std::ostream& err_;
    std::ofstream traceFile_;
    std::unique_ptr<LineTrace> trace_;
    ObserverFanout watchers_;
};

// A complete reading of device index nuCur judged by the window's rule
// (JudgeReading), with range limits applied; refusals and link failures go
// to messages. False when refused (Vvod then clear); failure (may be null)
// then receives the exit status.
bool ReadChecked(TComPortClass& link, IMessages& messages, DeviceImage& image, int& nuCur, int* failure = nullptr);

// The link's message for a failed exchange with "(код N)" appended; returns
// the exit status of that failure (an exception answer or the line).
int ShowLineFailure(TComPortClass& link, IMessages& messages, int deviceIndex, int code);

// The range command (no line needed) and the simulated line on a pty.
int RangeCommand(const Options& options, std::ostream& out, std::ostream& err);
int SimCommand(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace tservice::cli
