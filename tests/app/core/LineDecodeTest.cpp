// Frames in words: each case feeds request/answer pairs in line order to one
// decoder and checks the words of the last answer (or request).
#include <gtest/gtest.h>

#include "Frames.h"
#include "LineDecode.h"

namespace tservice::testing {
namespace {

const char* const kLadrId = "01 11 03 05 00 64 EC 67";
const char* const kLadrBlock =
    "01 44 28 6A 09 EA 6F 00 CC 0C 32 33 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
    "00 00 00 00 00 00 00 00 00 00 5A EB 52";
const char* const kTevTsId = "02 11 03 05 00 65 2D 94";
const char* const kTevTsBlock =
    "02 44 28 9C 04 00 78 00 66 06 98 19 02 11 01 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
    "00 00 00 00 00 00 00 00 00 00 5A 86 39";
const char* const kTevTpId = "03 11 03 04 00 66 3D 84";
const char* const kTevTpBlock =
    "03 44 28 9C 04 00 78 00 66 06 98 19 02 01 02 66 08 A4 6A 29 00 00 00 00 00 00 00 00 00 00 00 00 "
    "00 00 00 00 00 00 00 00 00 00 5A B1 02";

struct Pair {
    const char* request;
    const char* answer;  // nullptr: decode the request only
};
struct Case {
    const char* what;
    std::vector<Pair> pairs;
    const char* summary;  // of the last pair
};

const Case kCases[] = {
    {"ident request", {{"01 11 C0 2C", nullptr}}, "устройство 1: идентификация"},
    {"block request", {{"01 44 00 13", nullptr}}, "устройство 1: чтение блока параметров"},
    {"measurement request", {{"01 47 00 01 70 0D", nullptr}}, "устройство 1: чтение измерения"},
    {"output off request", {{"01 05 10 02 00 00 68 CA", nullptr}}, "устройство 1: управление выходом выкл"},
    {"confirm request", {{"01 0E 81 E4", nullptr}}, "устройство 1: подтверждение записи"},
    {"request with bad crc", {{"01 11 C0 2D", nullptr}}, "устройство 1: идентификация, CRC неверна"},
    {"ЛАДР ident", {{"01 11 C0 2C", kLadrId}}, "ЛАДР, версия 5, код коррекции 0, CRC верна"},
    {"ТЕВ-ТС ident", {{"02 11 C0 DC", kTevTsId}}, "ТЕВ-ТС, версия 5, код коррекции 0, CRC верна"},
    {"ТЕВ-ТП ident", {{"03 11 C1 4C", kTevTpId}}, "ТЕВ-ТП, версия 4, код коррекции 0, CRC верна"},
    {"ОСКИ ident", {{"04 11 C0 AC", "04 11 03 02 90 67 71 F2"}}, "ОСКИ, версия 2, код коррекции 9, CRC верна"},
    {"ЛАДР block", {{"01 11 C0 2C", kLadrId}, {"01 44 00 13", kLadrBlock}},
     "блок 40 байт, корневой, уставки 20,00/80,00 %, CRC верна"},
    {"ТЕВ-ТС block", {{"02 11 C0 DC", kTevTsId}, {"02 44 00 E3", kTevTsBlock}},
     "блок 40 байт, Pt100, -50…100 °C, уставки -20/69,99 °C, CRC верна"},
    {"ТЕВ-ТП block", {{"03 11 C1 4C", kTevTpId}, {"03 44 01 73", kTevTpBlock}},
     "блок 40 байт, XA(K), 0…200 °C, уставки 40/159,98 °C, CRC верна"},
    {"block before any ident", {{"02 44 00 E3", kTevTsBlock}}, "блок 40 байт, модель не опознана, CRC верна"},
    {"ЛАДР measurement", {{"01 11 C0 2C", kLadrId}, {"01 47 00 01 70 0D", "01 47 09 19 97 00 32 66 00 00 00 00 E5 5B"}},
     "результат 6551 (39,987 %, 10,398 мА), состояние 00, код АЦП 12902, CRC верна"},
    {"ТЕВ-ТС measurement, range known",
     {{"02 11 C0 DC", kTevTsId}, {"02 44 00 E3", kTevTsBlock}, {"02 47 00 01 70 49", "02 47 09 0C CE 00 32 C9 00 00 00 00 02 81"}},
     "результат 3278 (40,020 %, 10,03 °C), состояние 00, код АЦП 13001, CRC верна"},
    {"ТЕВ-ТС measurement, range unknown",
     {{"02 11 C0 DC", kTevTsId}, {"02 47 00 01 70 49", "02 47 09 0C CE 00 32 C9 00 00 00 00 02 81"}},
     "результат 3278 (40,020 %), состояние 00, код АЦП 13001, CRC верна"},
    {"ТЕВ-ТП measurement with cold junction",
     {{"03 11 C1 4C", kTevTpId}, {"03 44 01 73", kTevTpBlock},
      {"03 47 00 01 71 B5", "03 47 09 0C CE 00 32 C9 08 01 20 F9 75 60"}},
     "результат 3278 (40,020 %, 80,04 °C), состояние 00, код АЦП 13001, Тхс 25,02 °C, CRC верна"},
    {"exception 6", {{"01 11 C0 2C", "01 91 06"}}, "исключение 06: Идет запись базы данных. Ждите."},
    {"exception 2", {{"01 11 C0 2C", "01 91 02"}}, "исключение 02: ошибка обмена"},
    {"bad crc", {{"01 11 C0 2C", "01 11 03 05 00 64 EC 68"}}, "CRC неверна"},
    {"short header", {{"01 11 C0 2C", "01 11"}}, "неполный заголовок: 2 байта (ждали 150 мс)"},
    {"silence", {{"01 11 C0 2C", ""}}, "нет ответа (ждали 150 мс)"},
    {"short body", {{"01 11 C0 2C", "01 11 03 05"}}, "неполный ответ: 4 из 8 байт (ждали 150 мс)"},
    {"foreign command", {{"01 11 C0 2C", "01 44 03 05 00 64 EC 67"}}, "ответ на другую команду 44"},
    {"switch echo", {{"01 05 10 02 00 00 68 CA", "01 05 10 02 00 00 68 CA"}}, "подтверждено, CRC верна"},
};

TEST(LineDecoder, FramesInWords) {
    for (const Case& c : kCases) {
        LineDecoder d;
        FrameText last;
        for (const Pair& p : c.pairs) {
            const Bytes q = Hex(p.request);
            last = d.Request(q.data(), static_cast<int>(q.size()));
            if (p.answer == nullptr) continue;
            const Bytes a = Hex(p.answer);
            last = d.Answer(q.data(), static_cast<int>(q.size()), a.data(), static_cast<int>(a.size()), 150);
        }
        EXPECT_EQ(last.summary, c.summary) << c.what;
    }
}

TEST(LineDecoder, NamesAndResults) {
    const struct { std::uint8_t cmd; const char* data; const char* name; } names[] = {
        {0x05, "10 01 FF 00", "режим калибровки вкл"}, {0x05, "10 01 00 00", "режим калибровки выкл"},
        {0x05, "10 02 FF 00", "управление выходом вкл"}, {0x45, "", "запись блока параметров"},
        {0x06, "00 01 20 00", "выходной ток"}, {0x64, "", "команда 64"}};
    for (const auto& n : names) {
        const Bytes data = Hex(n.data);
        EXPECT_EQ(CommandName(n.cmd, data.data(), static_cast<int>(data.size())), n.name);
    }
    EXPECT_EQ(ResultText(0), "норма");
    EXPECT_EQ(ResultText(131), "131 ошибка контрольной суммы");
    EXPECT_EQ(ResultText(256), "256 Не выбран COM-порт.");
    EXPECT_EQ(ResultText(kTracePortError), "ошибка порта");
}

}  // namespace
}  // namespace tservice::testing
