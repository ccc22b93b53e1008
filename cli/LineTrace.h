#pragma once
// --trace of tservicectl: one line per frame (time of day, direction, hex,
// decoded summary) on the error stream or into a file.
#include <cstdint>
#include <fstream>
#include <iosfwd>
#include <string>

#include "Comportclass.h"
#include "LineDecode.h"
#include "Trace.h"

namespace tservice::cli {

class LineTrace {
public:
    // Writes to out (not owned); clock gives the link's time, mapped onto the
    // time of day once at construction.
    LineTrace(std::ostream& out, IClock& clock);
    // Watches port and link until Detach (both not owned, must outlive it).
    void Attach(TracingPort& port, TComPortClass& link);
    void Detach();
    // What to watch the port and link with when others watch them too.
    ILineObserver& Observer() { return recorder_; }

private:
    void Try(const ExchangeRecord& r);
    void End(const ExchangeRecord& r);
    void Line(std::int64_t timeMs, const char* dir, const Bytes8& bytes, const std::string& words);

    std::ostream& out_;
    std::int64_t offsetMs_ = 0;
    LineDecoder decoder_;
    ExchangeRecorder recorder_;
    TracingPort* port_ = nullptr;
    TComPortClass* link_ = nullptr;
};

// Opens FILE of --trace=FILE for writing (truncated). False with the reason
// in error when it cannot be opened.
bool OpenTraceFile(const std::string& path, std::ofstream& file, std::string& error);

}  // namespace tservice::cli
