#pragma once
// The one acceptance rule for a reading and the one check of a parameter
// block before it is written, for the window, tservicectl, the saved-set
// file and the fault soak alike. No widgets, no I/O.
#include <string>

#include "DeviceImage.h"
#include "Messages.h"
#include "Models.h"
#include "Workflow.h"

namespace tservice {

enum class ReadVerdict {
    Accepted,
    LinkFailed,  // an exchange failed: the caller shows the link's message
    Length,      // count byte above 40
    Number,      // stored number above 31
    OtherNumber, // stored number is not the one that answered
    Model,       // model code outside 100..103
    Sensor,      // TipD past the model's sensor list
    Range,       // no range limits for the stored sensor type and range
};

struct ReadJudgement {
    ReadVerdict verdict = ReadVerdict::Accepted;
    int code = 0;  // link result when LinkFailed
    MsgBox box;    // the window's warning otherwise ("...\nДанные не считаны")
    bool Accepted() const { return verdict == ReadVerdict::Accepted; }
};

// The window's message for a reading that stopped without a link failure
// (BadLength, BadNumber, OtherNumber) or at the model check (model code outside
// 100..103); deviceIndex is the index addressed. Empty text when none.
MsgBox ReadRefusalBox(const ReadOutcome& outcome, int deviceIndex, int tip);

// Judges a reading of device index deviceIndex as the window does: every
// exchange succeeded, count byte, stored number, served model, sensor type
// within its model's list, range limits found. image is the image the
// reading filled; nothing is changed.
ReadJudgement JudgeReading(const ReadOutcome& outcome, const DeviceImage& image, int deviceIndex);
// The same rule for a block that did not come from the line (a saved set):
// image holds Tip, Ver, Len and the block.
ReadJudgement JudgeBlock(const DeviceImage& image, int deviceIndex);

// What the window can set a parameter field (a name of FieldsOf) to, lo..hi
// inclusive; lo > hi when the field only goes back as read (Diap of ЛАДР,
// the non-standard range, judged as a whole by CheckBlock).
struct Bounds {
    int lo;
    int hi;
};
Bounds BoundsOf(const std::string& name, const ModelRules& rules);

// The block check before any write. next is the block to send, last the
// complete reading of the same transmitter it was made from. Every field of
// FieldsOf() that differs from the reading must hold a value the window
// could have produced for that model and version, an unprivileged
// transmitter keeps its privileged fields, and every byte outside those
// fields is that of the reading. Empty when the block may be sent; else a
// message naming the field, the value found and what is allowed.
std::string CheckBlock(const DeviceImage& next, const DeviceImage& last);

// The manual's anchor for a refusal of CheckBlock ("msg-block-field" and the
// like); empty for an empty refusal.
std::string BlockRefusalHelp(const std::string& refusal);

}  // namespace tservice
