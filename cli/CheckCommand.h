#pragma once
// tservicectl check: the calibration check at the points of the range, the
// operator answering on stdin what was applied; only measurements are read.
#include <iosfwd>

#include "Args.h"
#include "Check.h"
#include "Clock.h"
#include "Comportclass.h"
#include "Messages.h"

namespace tservice::cli {

class LineSession;

// Reads device o.device over link into image, then at each point of o.points writes to
// prompts "Точка K из M: ..." and reads one line from in (empty: the nominal;
// a number: the reference actually applied; anything else is asked again)
// and measures until the value is stable on clock. Fills record (time and
// port aside) with every point measured. Returns 0 when every point passes,
// 5 when one fails; a failed reading, an unstable value or the end of input
// stops the check with a message and the exit code of that failure, the
// point not recorded.
int RunCheck(TComPortClass& link, IClock& clock, IMessages& messages, const Options& o, std::istream& in,
             std::ostream& prompts, CheckRecord& record, DeviceImage& image);

// The command: RunCheck on the session's line, then the journal entry, the
// result on out (text or --json) and the certificate (--pdf/--html) built
// from the device's journal.
int CheckCommand(LineSession& s, const Options& o, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace tservice::cli
