#pragma once
// The commands of tservicectl. Each returns the process exit code (ExitCode);
// the reason of a failure is on err.
#include <iosfwd>

#include <QString>
#include <string>
#include <vector>

#include "Args.h"
#include "Describe.h"
#include "DeviceImage.h"

namespace tservice::cli {

class LineSession;
}  // namespace tservice::cli
namespace tservice {
class LineStats;
}
namespace tservice::cli {

// in (null: std::cin) carries the operator's answers of check.
int RunCommand(const Options& options, std::ostream& out, std::ostream& err, std::istream* in = nullptr);

// Writes the edited image as F10 does (the block check against lastReading,
// the reading it was edited from) and proves by a new reading that the
// transmitter now holds exactly the block sent; reports on out, failures
// through the session's messages. Returns the exit code (0 or 1).
// A successful write is recorded in the journal the options name.
int WriteAndVerify(LineSession& s, const Options& o, DeviceImage& image, const DeviceImage& lastReading, int& nuCur,
                   int nuNew, std::ostream& out);
// "изменений нет" or one line per field changed from before to after, in the
// operator's units (the window's "Изменения" list).
void PrintChanges(const DeviceImage& before, const DeviceImage& after, std::ostream& out);
// Whether two images hold the same parameter block.
bool SameBlock(const DeviceImage& a, const DeviceImage& b);
// The end of set, load and restore: the block check of image against read
// (refused: message, 1); a dry run, or nothing to change, sends nothing (0);
// otherwise WriteAndVerify.
int Finish(LineSession& s, const Options& o, DeviceImage& image, const DeviceImage& read, int& nuCur, int nuNew,
           std::ostream& out);
// The journal file of a command (--journal, TSERVICE_JOURNAL or the default,
// as bytes); empty with --no-journal.
QString JournalFile(const Options& options);
// Names joined with ", ".
std::string Join(const std::vector<std::string>& names);

// backup DIR: scan, then every device found saved into DIR; restore DIR:
// every file of DIR written back to the device at its number.
int Backup(LineSession& s, const Options& options, std::ostream& out);
int Restore(LineSession& s, const Options& options, std::ostream& out);
// find: the fast scan at every framing the port dialog offers; prints which
// framings found which transmitters. 0 when any answered, 3 otherwise.
int Find(LineSession& s, const Options& options, std::ostream& out);
// --stats: the line statistics per transmitter and in total; json gives one
// compact object {"format": 1, "stats": {...}} on a line of its own.
void PrintStats(const LineStats& stats, bool json, std::ostream& out);

}  // namespace tservice::cli
