#pragma once
// The exchanges of a reading and of a write with the image updates they make,
// free of widgets so the window and the command-line tool share one
// implementation of every rule. Messages and the display stay with callers.
#include <cstdint>
#include <functional>
#include <string>

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
};

struct ReadOutcome {
    ReadStage stage = ReadStage::Done;
    int code = 0;           // link result of the failed exchange
    bool newModel = false;  // model or version differ from the previous reading
    int correction = 0;     // correction code C from the identification
    int count = 0;          // count byte of the block answer
};

// Steps 1 to 4 of a reading of device index nuCur: zeroes the image's
// parameter and measurement bytes, identifies (Tip, Ver), reads the block
// (Len, Baza[1..Len], NePriv, correction code into Rejim) and moves nuCur to
// the stored Nu, then reads the measurement there. On any failure Vvod is
// cleared, so an emptied block can never be written. A PortError propagates.
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
};

struct WriteOutcome {
    WriteStage stage = WriteStage::Done;
    int code = 0;
    std::string refusal;
};

// The exchanges of a write: the block check of image against lastReading
// (the complete reading it was edited from; refused: nothing sent),
// identification at nuCur (model and version must match the image), 50 ms,
// the block (exactly Len bytes), nuCur := nuNew, 300 ms, confirmation 0x0E
// at nuCur. step() is called before each stage for a progress display (may
// be empty). Does not touch Izmen/IzmenTipD.
WriteOutcome WriteTransmitter(TComPortClass& link, DeviceImage& image, const DeviceImage& lastReading, int& nuCur,
                              int nuNew, const std::function<void()>& step = {});

// Whether image holds a block that a write may send: a complete reading
// (Vvod) of 1..40 parameter bytes. Otherwise the write refuses with NoData
// before any request or progress display.
bool HasBlockToWrite(const DeviceImage& image);

// The window's message for a refused write (NoData, OtherModel,
// OtherVersion, Refused with its reason); empty text for the other stages
// (link failures are shown by ShowLinkError).
MsgBox WriteRefusalBox(WriteStage stage, const std::string& refusal = {});

}  // namespace tservice
