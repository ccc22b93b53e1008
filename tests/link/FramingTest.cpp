// CRC, request frames, accepted commands, port names and the operator's
// messages for result codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "Comportclass.h"
#include "Frames.h"

namespace tservice::testing {
namespace {

TEST(Crc16, CheckValues) {
    const char* digits = "123456789";
    EXPECT_EQ(Crc16(reinterpret_cast<const std::uint8_t*>(digits), 9), 0x4B37);
    EXPECT_EQ(Crc16(reinterpret_cast<const std::uint8_t*>("abc"), 3), 0x5749);
    EXPECT_EQ(Crc16(nullptr, 0), 0xFFFF);
}

TEST(AcceptedCommands, ExactlyTheSeventeen) {
    const std::array<int, 17> accepted = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x0E, 0x0F, 0x11,
                                          0x12, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x64};
    int count = 0;
    for (int cmd = 0; cmd < 256; ++cmd) {
        const bool expected = std::find(accepted.begin(), accepted.end(), cmd) != accepted.end();
        EXPECT_EQ(IsAcceptedCommand(static_cast<std::uint8_t>(cmd)), expected) << cmd;
        count += IsAcceptedCommand(static_cast<std::uint8_t>(cmd)) ? 1 : 0;
    }
    EXPECT_EQ(count, 17);
}

struct RequestCase {
    const char* what;
    int device;
    std::uint8_t cmd;
    const char* data;
    const char* frame;
};

const RequestCase kRequests[] = {
    {"identification", 0, 0x11, "", "01 11 C0 2C"},
    {"parameter block read", 0, 0x44, "", "01 44 00 13"},
    {"measurement block read", 0, 0x47, "00 01", "01 47 00 01 70 0D"},
    {"output control off", 0, 0x05, "10 02 00 00", "01 05 10 02 00 00 68 CA"},
    {"write confirmation", 0, 0x0E, "", "01 0E 81 E4"},
};

TEST(BuildRequest, ExampleFramesByteForByte) {
    for (const auto& c : kRequests) {
        const Bytes data = Hex(c.data);
        std::array<std::uint8_t, kMaxRequest> out{};
        const int len = BuildRequest(c.device, c.cmd, static_cast<std::uint8_t>(data.size()),
                                     data.data(), out.data());
        EXPECT_EQ(ToHex(Bytes(out.begin(), out.begin() + len)), c.frame) << c.what;
    }
}

TEST(BuildRequest, BroadcastAddressOnlyFor46WithData) {
    std::array<std::uint8_t, kMaxRequest> out{};
    const Bytes data = Hex("AA BB");
    ASSERT_EQ(BuildRequest(4, 0x46, 2, data.data(), out.data()), 6);
    EXPECT_EQ(ToHex(Bytes(out.begin(), out.begin() + 6)), ToHex(WithCrc(Hex("00 46 AA BB"))));
    ASSERT_EQ(BuildRequest(4, 0x46, 0, nullptr, out.data()), 4);
    EXPECT_EQ(ToHex(Bytes(out.begin(), out.begin() + 4)), ToHex(WithCrc(Hex("05 46"))));
    ASSERT_EQ(BuildRequest(4, 0x45, 2, data.data(), out.data()), 6);
    EXPECT_EQ(out[0], 5);
}

TEST(BuildRequest, LongestRequestFitsAndRefusedCommandGivesZero) {
    std::array<std::uint8_t, kMaxRequest> out{};
    std::array<std::uint8_t, 255> data{};
    data.fill(0x5A);
    EXPECT_EQ(BuildRequest(31, 0x45, 255, data.data(), out.data()), kMaxRequest);
    EXPECT_EQ(out[0], 32);
    const std::uint16_t crc = Crc16(out.data(), kMaxRequest - 2);
    EXPECT_EQ(out[kMaxRequest - 2], crc & 0xFF);
    EXPECT_EQ(out[kMaxRequest - 1], crc >> 8);
    EXPECT_EQ(BuildRequest(0, 0x10, 0, nullptr, out.data()), 0);
}

TEST(IsSerialPortName, NamesAndPaths) {
    struct Case { const char* name; bool ok; };
#ifdef _WIN32
    const Case cases[] = {{"COM1", true}, {"com10", true}, {"\\\\.\\COM3", true}, {"ttyS0", false}, {"", false}};
#else
    const Case cases[] = {
        {"ttyUSB0", true}, {"ttyS0", true}, {"COM1", true}, {"/dev/ttyUSB0", true}, {"/dev/pts/3", true},
        {"", false}, {"pts/3", false}, {"/tmp/port", false}, {"/dev/", false}, {"/dev/../etc/passwd", false},
        {"/dev/pts/..", false}, {"..", false}, {".", false}, {"tty\nS0", false}, {"dev/ttyS0", false},
    };
#endif
    for (const auto& c : cases) EXPECT_EQ(IsSerialPortName(c.name), c.ok) << '"' << c.name << '"';
}

struct BoxCase {
    int code;
    int device;
    const char* port;
    const char* text;
    const char* caption;
    MsgIcon icon;
};

const char* const kWarn = "Предупреждение";
const char* const kErr = "Ошибка";

const BoxCase kBoxes[] = {
    {6, 0, "COM1", "устройство 1 COM1 Идет запись базы данных. Ждите.", kWarn, MsgIcon::Warning},
    {128, 4, "COM3", "устройство 5 COM3 ошибка приема данных ", kWarn, MsgIcon::Warning},
    {129, 0, "COM1", "устройство 1 COM1 тайм-аут приема данных", kWarn, MsgIcon::Warning},
    {130, 2, "COM2", "устройство 3 COM2 не отвечает на запрос", kWarn, MsgIcon::Warning},
    {131, 31, "ttyUSB0", "устройство 32 ttyUSB0 ошибка контрольной суммы", kWarn, MsgIcon::Warning},
    {132, 0, "COM1", " невозможно открыть последовательный порт ", kWarn, MsgIcon::Warning},
    {133, 0, "COM1", "вероятно, порт не настроен", kErr, MsgIcon::Error},
    {134, 0, "COM1", "сбой настройки порта при выключении прибора", kErr, MsgIcon::Error},
    {135, 0, "COM1", "ошибка настройки порта", kErr, MsgIcon::Error},
    {256, 0, "COM1", "Не выбран COM-порт.", kErr, MsgIcon::Error},
    {1, 0, "COM1", "устройство 1 COM1 ошибка обмена 01", kWarn, MsgIcon::Warning},
    {2, 9, "COM1", "устройство 10 COM1 ошибка обмена 02", kWarn, MsgIcon::Warning},
    {0x8A, 0, "COM1", "устройство 1 COM1 ошибка обмена 8A", kWarn, MsgIcon::Warning},
    {255, 0, "COM1", "устройство 1 COM1 ошибка обмена FF", kWarn, MsgIcon::Warning},
    {300, 0, "COM1", "устройство 1 COM1 ошибка обмена 12C", kWarn, MsgIcon::Warning},
};

TEST(LinkErrorBox, EveryRowOfTheTable) {
    for (const auto& c : kBoxes) {
        const MsgBox box = LinkErrorBox(c.device, c.code, c.port);
        EXPECT_EQ(box.text, c.text) << c.code;
        EXPECT_EQ(box.caption, c.caption) << c.code;
        EXPECT_EQ(box.icon, c.icon) << c.code;
        EXPECT_EQ(box.buttons, MsgButtons::Ok) << c.code;
    }
    EXPECT_TRUE(LinkErrorBox(0, 0, "COM1").text.empty());
}

TEST(PortError, CarriesOperationCodeAndText) {
    const PortError e("Open", 2, "No such file or directory");
    EXPECT_STREQ(e.what(), "Open: No such file or directory (2)");
    EXPECT_EQ(e.Operation(), "Open");
    EXPECT_EQ(e.Code(), 2);
    EXPECT_EQ(e.SystemText(), "No such file or directory");
}

}  // namespace
}  // namespace tservice::testing
