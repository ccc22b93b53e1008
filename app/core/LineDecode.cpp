#include "LineDecode.h"

#include <cstdio>

#include <QTime>

#include "Comportclass.h"
#include "Convert.h"
#include "Describe.h"
#include "Models.h"
#include "Protocol.h"

namespace tservice {

namespace {

// The link's command codes under the decoder's short names.
constexpr std::uint8_t kIdent = kCmdIdent, kReadBlock = kCmdReadBlock, kWriteBlock = kCmdWriteBlock,
                       kMeasure = kCmdReadMeas;
constexpr std::uint8_t kSwitch = kCmdSwitch, kSetOutput = kCmdWriteRegister, kConfirm = kCmdConfirm;

std::string Hex2(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(v & 0xFF));
    return buf;
}

// The link's message for a code without the "устройство N P " that opens it.
std::string CodeMessage(int code) {
    std::string text = LinkErrorBox(0, code, "").text;
    const std::string head = "устройство 1 ";
    if (text.compare(0, head.size(), head) == 0) text.erase(0, head.size());
    while (!text.empty() && text.front() == ' ') text.erase(0, 1);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

bool CrcGood(const std::uint8_t* frame, int len) {
    if (len < 3) return false;
    const std::uint16_t crc = Crc16(frame, len - 2);
    return frame[len - 2] == (crc & 0xFF) && frame[len - 1] == (crc >> 8);
}

std::string Waited(std::int64_t ms) { return " (ждали " + std::to_string(ms) + " мс)"; }

void Join(std::string& s, const std::string& piece) {
    if (piece.empty()) return;
    if (!s.empty()) s += ", ";
    s += piece;
}

}  // namespace

std::string HexBytes(const std::uint8_t* data, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        if (i > 0) s += ' ';
        s += Hex2(data[i]);
    }
    return s;
}

std::string TimeOfDayText(std::int64_t ms) {
    constexpr std::int64_t kDay = 86'400'000;
    ms = ((ms % kDay) + kDay) % kDay;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", static_cast<int>(ms / 3'600'000),
                  static_cast<int>(ms / 60'000 % 60), static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
    return buf;
}

std::int64_t TimeOfDayOffsetMs(IClock& clock) {
    return QTime::currentTime().msecsSinceStartOfDay() - clock.NowMs();
}

std::string CommandName(std::uint8_t cmd, const std::uint8_t* data, int dataLen) {
    switch (cmd) {
        case kIdent: return "идентификация";
        case kReadBlock: return "чтение блока параметров";
        case kWriteBlock: return "запись блока параметров";
        case kConfirm: return "подтверждение записи";
        case kMeasure: return "чтение измерения";
        case kSetOutput: return "выходной ток";
        case kSwitch:
            if (const int coil = dataLen == 4 ? data[0] << 8 | data[1] : -1;
                coil == kCoilCalibration || coil == kCoilOutputControl) {
                const std::string what = coil == kCoilCalibration ? "режим калибровки" : "управление выходом";
                if (data[2] == 0xFF && data[3] == 0x00) return what + " вкл";
                if (data[2] == 0x00 && data[3] == 0x00) return what + " выкл";
            }
            break;
        default: break;
    }
    return "команда " + Hex2(cmd);
}

std::string ResultText(int code) {
    if (code == kOk) return "норма";
    if (code == kTracePortError) return "ошибка порта";
    return std::to_string(code) + " " + CodeMessage(code);
}

DeviceImage* LineDecoder::Known(int address) {
    if (address < 1 || address > kLineSize) return nullptr;
    return &images_[address - 1];
}

FrameText LineDecoder::Request(const std::uint8_t* f, int n) {
    FrameText out;
    if (n < 4) {
        out.summary = "кадр короче 4 байт";
        return out;
    }
    const int dataLen = n - 4;
    const std::uint8_t* data = f + 2;
    const std::string head = "устройство " + std::to_string(f[0]) + ": " + CommandName(f[1], data, dataLen);
    out.details.push_back(head);
    if (!CrcGood(f, n)) {
        out.content = "CRC неверна";
        out.details.push_back(out.content);
    }
    if (f[1] == kSetOutput && dataLen == 4 && data[0] == 0x00 && data[1] == 0x01) {
        const int code = static_cast<std::int16_t>((data[2] << 8) | data[3]);
        const std::string value = std::to_string(code) + " (" + FormatFixed(LadrCodeToMa(code), 5, 3) + " мА)";
        Join(out.content, value);
        out.details.push_back("регистр 1 = " + value);
    }
    DeviceImage* im = Known(f[0]);
    if (f[1] == kWriteBlock && im != nullptr && dataLen <= kMaxParamLen) {
        Block(*im, data, dataLen, out);
    }
    out.summary = head;
    Join(out.summary, out.content);
    return out;
}

FrameText LineDecoder::Answer(const std::uint8_t* req, int reqLen, const std::uint8_t* a, int n,
                              std::int64_t waitedMs) {
    FrameText out;
    auto say = [&](const std::string& s) {
        out.summary = out.content = s;
        out.details.push_back(s);
    };
    if (reqLen < 4) return out;
    const std::uint8_t cmd = req[1];
    if (n == 0) {
        say("нет ответа" + Waited(waitedMs));
        return out;
    }
    if (n < 3) {
        say("неполный заголовок: " + CountText(n, "байт", "байта", "байт") + Waited(waitedMs));
        return out;
    }
    if (IsExceptionTo(a[1], cmd) && a[2] != 0) {
        // The code once: the link's text of a code without its own words
        // ends with it ("ошибка обмена 02").
        std::string text = CodeMessage(a[2]);
        const std::string tail = " " + Hex2(a[2]);
        if (text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0)
            text.erase(text.size() - tail.size());
        say("исключение " + Hex2(a[2]) + ": " + text);
        return out;
    }
    if (a[1] != cmd && !IsExceptionTo(a[1], cmd)) {
        say("ответ на другую команду " + Hex2(a[1]));
        return out;
    }
    const int len = AnswerLength(cmd, reqLen, a[2]);
    if (n < len) {
        say("неполный ответ: " + std::to_string(n) + " из " + std::to_string(len) + " байт" + Waited(waitedMs));
        return out;
    }
    const bool crc = CrcGood(a, len);
    out.details.push_back("устройство " + std::to_string(a[0]) + ", " + CountText(len, "байт", "байта", "байт"));
    DeviceImage* im = Known(req[0]);
    if (crc && im != nullptr) {
        const std::uint8_t* data = a + 3;
        if (cmd == kIdent && a[2] >= kIdentCount) {
            const IdentFields ident = DecodeIdent(a);
            im->Tip = ident.model;
            im->Ver = ident.version;
            blockKnown_[req[0] - 1] = false;
            const std::string name = ModelName(im->Tip);
            out.content = (name.empty() ? "модель " + std::to_string(im->Tip) : name) + ", версия " +
                          std::to_string(im->Ver) + ", код коррекции " + std::to_string(ident.correction);
            out.details.push_back(out.content);
        } else if (cmd == kReadBlock && a[2] <= kMaxParamLen) {
            Block(*im, data, a[2], out);
        } else if (cmd == kMeasure && a[2] >= kMeasLen) {
            Measurement(*im, data, out);
        } else if (cmd == kSwitch || cmd == kConfirm || cmd == kSetOutput) {
            out.content = "подтверждено";
        }
    }
    Join(out.content, crc ? "CRC верна" : "CRC неверна");
    out.details.push_back(crc ? "CRC верна" : "CRC неверна");
    out.summary = out.content;
    return out;
}

void LineDecoder::Block(DeviceImage& im, const std::uint8_t* data, int n, FrameText& out) {
    std::array<std::uint8_t, kMaxParamLen + 3> frame{};
    std::copy(data, data + n, frame.begin() + 3);
    im.PutLen(n);
    im.TakeBlock(frame.data());
    im.TakePriv();
    blockKnown_[&im - images_.data()] = true;
    if (!IsServedModel(im.Tip)) {
        Join(out.content, "блок " + std::to_string(n) + " байт, модель не опознана");
        out.details.push_back(HexBytes(data, n));
        return;
    }
    ApplyRangeLimits(im);
    const Reading r = Describe(im, im.GetNu() + 1);
    std::string s = "блок " + std::to_string(n) + " байт";
    Join(s, r.sensor);
    if (r.hasRange) Join(s, r.rangeFrom + "…" + r.rangeTo + " °C");
    if (!r.setpointUnit.empty()) Join(s, "уставки " + r.setpoint1 + "/" + r.setpoint2 + " " + r.setpointUnit);
    Join(out.content, s);
    for (const auto& [k, v] : r.fields) out.details.push_back(FieldWordAndName(k) + " = " + std::to_string(v));
    if (!r.nonStandY.empty()) {
        std::string y = FieldWordAndName("NonStandY") + " =";
        for (int v : r.nonStandY) y += " " + std::to_string(v);
        out.details.push_back(y);
    }
    if (!r.sensor.empty()) out.details.push_back("тип датчика: " + r.sensor);
    if (r.hasRange)
        out.details.push_back(std::string(r.nonStandard ? "нестандартный диапазон: " : "диапазон: ") + r.rangeFrom +
                              "…" + r.rangeTo + " °C");
    if (!r.setpointUnit.empty()) {
        out.details.push_back("уставка 1: " + r.setpoint1 + " " + r.setpointUnit);
        out.details.push_back("уставка 2: " + r.setpoint2 + " " + r.setpointUnit);
    }
    out.details.push_back(std::string("режим: ") + (im.NePriv ? "непривилегированный" : "привилегированный"));
}

void LineDecoder::Measurement(DeviceImage& im, const std::uint8_t* data, FrameText& out) {
    std::array<std::uint8_t, kMeasLen + 3> frame{};
    std::copy(data, data + kMeasLen, frame.begin() + 3);
    im.TakeMeas(frame.data());
    if (!IsServedModel(im.Tip)) {
        Join(out.content, "результат " + std::to_string(im.GetRez()) + ", состояние " + Hex2(im.GetSost()) +
                              ", код АЦП " + std::to_string(im.GetKodACP()) + ", модель не опознана");
        return;
    }
    const Reading r = Describe(im, im.GetNu() + 1);
    const int sost = im.GetSost();
    std::string s = "результат " + std::to_string(im.GetRez()) + " (" + r.percent + " %";
    // Without the block the range of a ТЕВ is unknown, so no temperature.
    const bool tev = IsTev(im.Tip);
    if (!tev || blockKnown_[&im - images_.data()]) s += ", " + r.value + " " + r.valueUnit;
    s += "), состояние " + Hex2(sost) + ", код АЦП " + std::to_string(im.GetKodACP());
    if (RulesFor(im.Tip, im.Ver).hasColdJunction) s += ", Тхс " + (r.coldJunctionFaulty ? std::string("неисправен") : r.coldJunction + " °C");
    Join(out.content, s);
    for (const auto& [k, v] : r.measurement) out.details.push_back(FieldWordAndName(k) + " = " + std::to_string(v));
    if (sost & kAlarmBits) out.details.push_back("Нарушение");
    if (sost & kOverflowBits) out.details.push_back("Переполнение");
    out.details.push_back(s);
}

FrameText LineDecoder::Exchange(const ExchangeRecord& rec) {
    FrameText out;
    std::string head = CommandName(rec.cmd, nullptr, 0);
    if (!rec.tries.empty() && rec.tries.back().request.size() >= 4) {
        const Bytes8& q = rec.tries.back().request;
        head = CommandName(rec.cmd, q.data() + 2, static_cast<int>(q.size()) - 4);
    }
    if (rec.pauseBeforeMs > 0) out.details.push_back("пауза " + std::to_string(rec.pauseBeforeMs) + " мс");
    FrameText last;
    for (std::size_t i = 0; i < rec.tries.size(); ++i) {
        const TraceTry& t = rec.tries[i];
        const int reqLen = static_cast<int>(t.request.size());
        const FrameText q = Request(t.request.data(), reqLen);
        out.details.push_back("попытка " + std::to_string(i + 1) + ", запрос: " + HexBytes(t.request.data(), reqLen));
        out.details.insert(out.details.end(), q.details.begin(), q.details.end());
        last = q;
        if (!t.echo.empty())
            out.details.push_back("эхо запроса от адаптера: " + HexBytes(t.echo.data(), static_cast<int>(t.echo.size())));
        const bool awaited = !AnswersNothing(rec.cmd);
        if (awaited && !t.portError) {
            const int n = static_cast<int>(t.answer.size());
            last = Answer(t.request.data(), reqLen, t.answer.data(), n, t.waitedMs);
            out.details.push_back("ответ: " + (n ? HexBytes(t.answer.data(), n) : std::string("—")));
            out.details.insert(out.details.end(), last.details.begin(), last.details.end());
        }
        if (t.portError) out.details.push_back("ошибка порта");
        if (t.stage != 0)
            out.details.push_back("неудача этапа " + std::to_string(t.stage) + ", пауза " + std::to_string(t.pauseMs) +
                                  " мс");
    }
    out.details.push_back("результат: " + ResultText(rec.result));
    out.summary = head;
    if (rec.tries.size() > 1)
        out.summary += ", " + CountText(static_cast<long long>(rec.tries.size()), "попытка", "попытки", "попыток");
    if (rec.pauseBeforeMs > 0) out.summary += ", после паузы " + std::to_string(rec.pauseBeforeMs) + " мс";
    if (!last.content.empty()) out.summary += ": " + last.content;
    return out;
}

}  // namespace tservice
