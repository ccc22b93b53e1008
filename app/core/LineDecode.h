#pragma once
// The line's traffic in words: command names, the device, identification,
// parameter block and measurement decoded as the window shows them, exception
// codes with the link's messages, CRC good or bad, short or missing answers.
// No widgets; the window's journal and tservicectl --trace share it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "DeviceImage.h"
#include "Protocol.h"
#include "Trace.h"

namespace tservice {

struct FrameText {
    std::string summary;               // one line
    std::string content;               // what the frame carries, without its head
    std::vector<std::string> details;  // the full decoding, one item a line
};

// Name of a request's command ("идентификация", "режим калибровки вкл", ...);
// data are the request's data bytes. Unknown codes: "команда XX".
std::string CommandName(std::uint8_t cmd, const std::uint8_t* data, int dataLen);

// A result code in words: "норма", "130 не отвечает на запрос", "ошибка порта".
std::string ResultText(int code);

// Bytes as upper-case hex pairs separated by blanks ("01 11 C0 2C").
std::string HexBytes(const std::uint8_t* data, int count);

// ms since midnight as "hh:mm:ss.mmm" (taken modulo a day).
std::string TimeOfDayText(std::int64_t msOfDay);
// What to add to clock.NowMs() to get the time of day in ms now.
std::int64_t TimeOfDayOffsetMs(IClock& clock);

// Decodes frames in the order they went over the line. It remembers each
// device's last identification and parameter block, so a block or a
// measurement is shown in the units of that device's model and range.
class LineDecoder {
public:
    // A request frame of n bytes (as written). Never fails: any bytes give words.
    FrameText Request(const std::uint8_t* frame, int n);
    // The n bytes read in answer to request (reqLen bytes); waitedMs is the
    // time spent reading, shown for short and missing answers.
    FrameText Answer(const std::uint8_t* request, int reqLen, const std::uint8_t* answer, int n,
                     std::int64_t waitedMs);
    // The whole exchange: summary of its outcome, details of every try.
    FrameText Exchange(const ExchangeRecord& record);

private:
    DeviceImage* Known(int address);
    void Block(DeviceImage& im, const std::uint8_t* data, int n, FrameText& out);
    void Measurement(DeviceImage& im, const std::uint8_t* data, FrameText& out);

    std::array<DeviceImage, kLineSize> images_;
    std::array<bool, kLineSize> blockKnown_{};
};

}  // namespace tservice
