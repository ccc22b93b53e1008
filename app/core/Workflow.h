#pragma once
// The exchanges of a reading and of a write with the image updates they make,
// free of widgets so the window and the command-line tool share one
// implementation of every rule. Messages and the display stay with callers.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Comportclass.h"
#include "DeviceImage.h"

namespace tservice {

// How a reading ended.
enum class ReadStage {
    Done,           // identification, block and measurement are in the image
    IdentFailed,    // code holds the link result
    BlockFailed,
    MeasFailed,
    BadLength,      // the count byte of the block exceeds 40; image untouched by it
    BadNumber,      // the stored Nu is above 31: never used as an address
    OtherNumber,    // the stored Nu is not the index that answered: no block kept
};

struct ReadOutcome {
    ReadStage stage = ReadStage::Done;
    int code = 0;           // link result of the failed exchange
    bool newModel = false;  // model or version differ from the previous reading
    int correction = 0;     // correction code C from the identification
    int count = 0;          // count byte of the block answer
    int storedIndex = -1;   // the block's Nu when it is OtherNumber's reason
};

// Steps 1 to 4 of a reading of device index nuCur: zeroes the image's
// parameter and measurement bytes, identifies (Tip, Ver), reads the block
// (Len, Baza[1..Len], NePriv, correction code into Rejim), then reads the
// measurement at nuCur. A block whose stored Nu is not nuCur is refused
// (OtherNumber) and not kept: its transmitter does not answer where it
// thinks, and a block from one transmitter must never reach another. On any
// failure Vvod is cleared, so an emptied block can never be written; nuCur
// is never changed. A PortError propagates.
ReadOutcome ReadTransmitter(TComPortClass& link, DeviceImage& image, int& nuCur);

// One measurement exchange (0x47) with deviceIndex: on success (0) the
// measurement block is in the image, otherwise the image is untouched and the
// link result is returned. A PortError propagates.
int ReadMeasurement(TComPortClass& link, DeviceImage& image, int deviceIndex);

enum class WriteStage {
    Done,
    NoData,         // no complete reading or no block (see HasBlockToWrite): nothing sent
    IdentFailed,    // code holds the link result
    OtherModel,
    OtherVersion,
    BlockFailed,    // code holds the link result; nuCur unchanged
    ConfirmFailed,  // code holds the link result; nuCur already nuNew
    Refused,        // the block check refused it: refusal says why, nothing sent
    NumberTaken,    // another transmitter answers at nuNew: refusal names it, nothing sent
    ReadBackFailed, // the reading after the write failed (code) or was refused (refusal)
    ReadBackDiffers,  // the reading after the write holds another block
};

struct WriteOutcome {
    WriteStage stage = WriteStage::Done;
    int code = 0;
    std::string refusal;
    std::string portError;  // a port error after the block went out (stage ConfirmFailed)
    std::vector<std::uint8_t> held;  // the block read back when ReadBackDiffers
};

// Whether the block went out but the transmitter did not prove it holds it:
// the transmitter may already hold the new block, or part of the old one.
bool WriteUnconfirmed(const WriteOutcome& outcome);

// The exchanges of a write: the block check of image against lastReading
// (the complete reading it was edited from; refused: nothing sent),
// identification at nuCur (model and version must match the image), for a
// new number an identification at nuNew that nobody may answer, 50 ms, the
// block (exactly Len bytes), nuCur := nuNew, 300 ms, confirmation 0x0E at
// nuCur. step() is called before each stage for a progress display (may be
// empty). Does not touch Izmen/IzmenTipD. A PortError up to and with the
// block propagates; one after it ends the write as ConfirmFailed with
// portError set, since the transmitter may hold the block by then.
WriteOutcome WriteTransmitter(TComPortClass& link, DeviceImage& image, const DeviceImage& lastReading, int& nuCur,
                              int nuNew, const std::function<void()>& step = {});

// WriteTransmitter, then the reading back at the (new) nuCur: Done only when
// that reading is accepted (JudgeReading) and holds exactly the block sent;
// image then holds the reading back and readBack its outcome (Vvod, Izmen
// left to the caller). On every other stage image is the edited image again.
WriteOutcome WriteAndReadBack(TComPortClass& link, DeviceImage& image, const DeviceImage& lastReading, int& nuCur,
                              int nuNew, ReadOutcome& readBack, const std::function<void()>& step = {});

// The message for an unconfirmed write of device index deviceIndex on port:
// the failure in the link's words, that the transmitter may already hold the
// new block and must be read (F9) before anything else.
MsgBox UnconfirmedWriteBox(const WriteOutcome& outcome, int deviceIndex, const std::string& port);
// The failed step of an unconfirmed write in words, for the journal.
std::string UnconfirmedStep(const WriteOutcome& outcome);

// Whether image holds a block that a write may send: a complete reading
// (Vvod) of 1..40 parameter bytes. Otherwise the write refuses with NoData
// before any request or progress display.
bool HasBlockToWrite(const DeviceImage& image);

// The window's message for a refused write (NoData, OtherModel,
// OtherVersion, Refused and NumberTaken with their reason); empty text for
// the other stages
// (link failures are shown by ShowLinkError).
MsgBox WriteRefusalBox(WriteStage stage, const std::string& refusal = {});

}  // namespace tservice
