#include "Workflow.h"

#include <algorithm>

#include "Describe.h"
#include "Rules.h"

namespace tservice {

namespace {

constexpr int kMeasCount = kMeasLen;

ReadOutcome Failed(DeviceImage& image, ReadStage stage, int code) {
    image.Vvod = 0;
    ReadOutcome out;
    out.stage = stage;
    out.code = code;
    return out;
}

}  // namespace

ReadOutcome ReadTransmitter(TComPortClass& link, DeviceImage& image, int& nuCur) {
    std::uint8_t answer[kMaxAnswer] = {};
    const int oldLen = std::clamp(image.GetLen(), 0, kMaxParamLen);
    std::fill(image.Baza.begin() + 1, image.Baza.begin() + 1 + oldLen, 0);
    std::fill(image.Baza.begin() + kMeasIndex, image.Baza.begin() + kMeasIndex + kMeasLen, 0);

    int code = IdentExchange(link, nuCur, answer);
    if (code != 0) return Failed(image, ReadStage::IdentFailed, code);
    const auto [version, correction, model] = DecodeIdent(answer);
    ReadOutcome out;
    out.newModel = model != image.Tip || version != image.Ver;
    out.correction = correction;
    if (out.newModel) image.VidOk = 0;
    image.Tip = model;
    image.Ver = version;

    code = link.Exchange(nuCur, kCmdReadBlock, 0, nullptr, answer);
    if (code != 0) return Failed(image, ReadStage::BlockFailed, code);
    out.count = answer[2];
    if (out.count > kMaxParamLen) {
        ReadOutcome bad = Failed(image, ReadStage::BadLength, 0);
        bad.count = out.count;
        bad.newModel = out.newModel;
        return bad;
    }
    const int nu = answer[3 + 11];
    if (out.count > 11 && nu > kMaxDeviceIndex) {
        ReadOutcome bad = Failed(image, ReadStage::BadNumber, 0);
        bad.count = out.count;
        bad.newModel = out.newModel;
        return bad;
    }
    if (out.count > 11 && nu != nuCur) {
        ReadOutcome bad = Failed(image, ReadStage::OtherNumber, 0);
        bad.count = out.count;
        bad.newModel = out.newModel;
        bad.storedIndex = nu;
        return bad;
    }
    image.PutLen(out.count);
    image.TakeBlock(answer);
    image.TakePriv();
    image.PutCurrent(correction);

    code = ReadMeasurement(link, image, nuCur);
    if (code != 0) {
        ReadOutcome bad = Failed(image, ReadStage::MeasFailed, code);
        bad.newModel = out.newModel;
        bad.correction = correction;
        bad.count = out.count;
        return bad;
    }
    return out;
}

bool HasBlockToWrite(const DeviceImage& image) {
    const int len = image.GetLen();
    return image.Vvod != 0 && len > 0 && len <= kMaxParamLen;
}

int ReadMeasurement(TComPortClass& link, DeviceImage& image, int deviceIndex) {
    std::uint8_t answer[kMaxAnswer] = {};
    int code = link.Exchange(deviceIndex, kCmdReadMeas, sizeof kMeasRequest, kMeasRequest, answer);
    if (code == 0 && answer[2] < kMeasCount) code = kBadHeader;
    if (code == 0) image.TakeMeas(answer);
    return code;
}

namespace {

// Whether a transmitter answers at deviceIndex: anything but silence counts,
// so a damaged or refused answer never passes for a free number.
bool Answers(TComPortClass& link, int deviceIndex, int& code) {
    std::uint8_t answer[kMaxAnswer] = {};
    code = IdentExchange(link, deviceIndex, answer);
    return code != kNoAnswer;
}

// The block, the move to the new number and the confirmation. A port error
// once the block is out leaves the transmitter in doubt, so it ends the
// write as unconfirmed instead of escaping.
WriteOutcome SendBlock(TComPortClass& link, const DeviceImage& image, int& nuCur, int nuNew,
                       const std::function<void()>& advance) {
    std::uint8_t data[kMaxParamLen] = {};
    std::uint8_t answer[kMaxAnswer] = {};
    image.GiveBlock(data);
    advance();
    // A port error while the block goes out leaves it unsent or cut short,
    // and a device drops a frame whose checksum fails: that one propagates.
    const int code = link.Exchange(nuCur, kCmdWriteBlock, static_cast<std::uint8_t>(image.GetLen()), data, answer);
    if (code != 0) return {WriteStage::BlockFailed, code, {}, {}, {}};
    nuCur = nuNew;
    advance();
    try {
        link.WaitMs(300);
        const int confirm = link.Exchange(nuCur, kCmdConfirm, 0, nullptr, answer);
        if (confirm != 0) return {WriteStage::ConfirmFailed, confirm, {}, {}, {}};
    } catch (const PortError& e) {
        return {WriteStage::ConfirmFailed, 0, {}, PortErrorText(e), {}};
    }
    return {};
}

std::vector<std::uint8_t> BlockOf(const DeviceImage& image) {
    return {image.Baza.begin() + 1, image.Baza.begin() + 1 + std::clamp(image.GetLen(), 0, kMaxParamLen)};
}

}  // namespace

bool WriteUnconfirmed(const WriteOutcome& outcome) {
    return outcome.stage == WriteStage::ConfirmFailed || outcome.stage == WriteStage::ReadBackFailed ||
           outcome.stage == WriteStage::ReadBackDiffers;
}

WriteOutcome WriteTransmitter(TComPortClass& link, DeviceImage& image, const DeviceImage& lastReading, int& nuCur,
                              int nuNew, const std::function<void()>& step) {
    auto advance = [&] { if (step) step(); };
    WriteOutcome out;
    if (!HasBlockToWrite(image)) {
        out.stage = WriteStage::NoData;
        return out;
    }
    out.refusal = CheckBlock(image, lastReading);
    if (!out.refusal.empty()) {
        out.stage = WriteStage::Refused;
        return out;
    }
    std::uint8_t answer[kMaxAnswer] = {};
    int code = IdentExchange(link, nuCur, answer);
    if (code != 0) return {WriteStage::IdentFailed, code, {}, {}, {}};
    const IdentFields ident = DecodeIdent(answer);
    if (ident.model != image.Tip) return {WriteStage::OtherModel, 0, {}, {}, {}};
    if (ident.version != image.Ver) return {WriteStage::OtherVersion, 0, {}, {}, {}};
    // Two transmitters at one number would both be lost to the line.
    if (nuNew != nuCur && Answers(link, nuNew, code))
        return {WriteStage::NumberTaken, code,
                "Номер " + std::to_string(nuNew + 1) + " уже занят: по нему отвечает другое устройство.\n"
                "Выберите свободный номер. Запись отменена",
                {}, {}};
    link.WaitMs(50);
    return SendBlock(link, image, nuCur, nuNew, advance);
}

WriteOutcome WriteAndReadBack(TComPortClass& link, DeviceImage& image, const DeviceImage& lastReading, int& nuCur,
                              int nuNew, ReadOutcome& readBack, const std::function<void()>& step) {
    WriteOutcome out = WriteTransmitter(link, image, lastReading, nuCur, nuNew, step);
    if (out.stage != WriteStage::Done) return out;
    const DeviceImage edited = image;
    try {
        readBack = ReadTransmitter(link, image, nuCur);
    } catch (const PortError& e) {
        image = edited;
        return {WriteStage::ReadBackFailed, 0, {}, PortErrorText(e), {}};
    }
    const ReadJudgement judged = JudgeReading(readBack, image, nuCur);
    if (!judged.Accepted()) {
        image = edited;
        return {WriteStage::ReadBackFailed, judged.code, judged.box.text, {}, {}};
    }
    if (BlockOf(image) != BlockOf(edited)) {
        out = {WriteStage::ReadBackDiffers, 0, {}, {}, BlockOf(image)};
        image = edited;
    }
    return out;
}

std::string UnconfirmedStep(const WriteOutcome& outcome) {
    switch (outcome.stage) {
    case WriteStage::ConfirmFailed:
        return "подтверждение записи";
    case WriteStage::ReadBackFailed: return "чтение после записи";
    case WriteStage::ReadBackDiffers: return "сравнение после записи";
    default: return {};
    }
}

MsgBox UnconfirmedWriteBox(const WriteOutcome& outcome, int deviceIndex, const std::string& port) {
    const std::string device = "устройство " + std::to_string(deviceIndex + 1);
    std::string why;
    if (!outcome.portError.empty())
        why = outcome.portError;
    else if (outcome.stage == WriteStage::ReadBackDiffers)
        why = device + " - записанная база данных не совпадает с переданной\nсчитано  " +
              Hex(outcome.held.data(), static_cast<int>(outcome.held.size()));
    else if (!outcome.refusal.empty())
        why = outcome.refusal.substr(0, outcome.refusal.find('\n'));
    else
        why = LinkErrorBox(deviceIndex, outcome.code, port).text + " (код " + std::to_string(outcome.code) + ")";
    return MsgBox{why + "\nЗапись не подтверждена (" + UnconfirmedStep(outcome) + "): " + device +
                      ", возможно, уже хранит новую базу данных. Считайте его (F9), прежде чем делать "
                      "что-либо еще.",
                  "Ошибка", MsgIcon::Error, MsgButtons::Ok, MsgAnswer::Ok, "msg-write-unconfirmed"};
}

MsgBox WriteRefusalBox(WriteStage stage, const std::string& refusal) {
    const auto warn = [](const std::string& text, const std::string& help) {
        return MsgBox{text, "Предупреждение", MsgIcon::Warning, MsgButtons::Ok, MsgAnswer::Ok, help};
    };
    switch (stage) {
    case WriteStage::NoData:
        return warn("Нет данных о приборе,\nпроизведите ввод информации с СОМ порта", "msg-write-nodata");
    case WriteStage::OtherModel:
        return warn("Не совпадает тип прибора \nпри попытке сохранить базу.\nСохранение отменено", "msg-write-model");
    case WriteStage::OtherVersion:
        return warn("Не совпадает версия прибора \nпри попытке сохранить базу.\nСохранение отменено",
                    "msg-write-version");
    case WriteStage::Refused: return warn(refusal, BlockRefusalHelp(refusal));
    case WriteStage::NumberTaken: return warn(refusal, "msg-write-number-taken");
    default: return {};
    }
}

}  // namespace tservice
