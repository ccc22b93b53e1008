#include "Workflow.h"

#include <algorithm>

namespace tservice {

namespace {

constexpr std::uint8_t kReadBlock = 0x44;
constexpr std::uint8_t kWriteBlock = 0x45;
constexpr std::uint8_t kReadMeas = 0x47;
constexpr std::uint8_t kConfirm = 0x0E;
constexpr int kMeasCount = kMeasLen;

ReadOutcome Failed(DeviceImage& image, ReadStage stage, int code) {
    image.Vvod = 0;
    ReadOutcome out;
    out.stage = stage;
    out.code = code;
    return out;
}

}  // namespace

bool IsServedModel(int tip) { return tip >= kLadr && tip <= kOski; }

ReadOutcome ReadTransmitter(TComPortClass& link, DeviceImage& image, int& nuCur) {
    std::uint8_t answer[kMaxAnswer] = {};
    const int oldLen = std::clamp(image.GetLen(), 0, kMaxParamLen);
    std::fill(image.Baza.begin() + 1, image.Baza.begin() + 1 + oldLen, 0);
    std::fill(image.Baza.begin() + kMeasIndex, image.Baza.begin() + kMeasIndex + kMeasLen, 0);

    int code = IdentExchange(link, nuCur, answer);
    if (code != 0) return Failed(image, ReadStage::IdentFailed, code);
    const int version = answer[3];
    const int correction = answer[4] >> 4;
    const int model = answer[5];
    ReadOutcome out;
    out.newModel = model != image.Tip || version != image.Ver;
    out.correction = correction;
    if (out.newModel) image.VidOk = 0;
    image.Tip = model;
    image.Ver = version;

    code = link.Exchange(nuCur, kReadBlock, 0, nullptr, answer);
    if (code != 0) return Failed(image, ReadStage::BlockFailed, code);
    out.count = answer[2];
    if (out.count > kMaxParamLen) {
        ReadOutcome bad = Failed(image, ReadStage::BadLength, 0);
        bad.count = out.count;
        bad.newModel = out.newModel;
        return bad;
    }
    const int nu = answer[3 + 11];
    if (out.count > 11 && nu > 31) {
        ReadOutcome bad = Failed(image, ReadStage::BadNumber, 0);
        bad.count = out.count;
        bad.newModel = out.newModel;
        return bad;
    }
    image.PutLen(out.count);
    image.TakeBlock(answer);
    image.TakePriv();
    image.PutCurrent(correction);
    if (out.count > 11) nuCur = image.GetNu();

    const std::uint8_t measReq[2] = {0x00, 0x01};
    code = link.Exchange(nuCur, kReadMeas, 2, measReq, answer);
    if (code == 0 && answer[2] < kMeasCount) code = kBadHeader;
    if (code != 0) {
        ReadOutcome bad = Failed(image, ReadStage::MeasFailed, code);
        bad.newModel = out.newModel;
        bad.correction = correction;
        bad.count = out.count;
        return bad;
    }
    image.TakeMeas(answer);
    return out;
}

bool HasBlockToWrite(const DeviceImage& image) {
    const int len = image.GetLen();
    return image.Vvod != 0 && len > 0 && len <= kMaxParamLen;
}

WriteOutcome WriteTransmitter(TComPortClass& link, DeviceImage& image, int& nuCur, int nuNew,
                              const std::function<void()>& step) {
    auto advance = [&] { if (step) step(); };
    WriteOutcome out;
    const int len = image.GetLen();
    if (!HasBlockToWrite(image)) {
        out.stage = WriteStage::NoData;
        return out;
    }
    std::uint8_t answer[kMaxAnswer] = {};
    int code = IdentExchange(link, nuCur, answer);
    if (code != 0) return {WriteStage::IdentFailed, code};
    if (answer[5] != image.Tip) return {WriteStage::OtherModel, 0};
    if (answer[3] != image.Ver) return {WriteStage::OtherVersion, 0};

    link.WaitMs(50);
    std::uint8_t data[kMaxParamLen] = {};
    image.GiveBlock(data);
    advance();
    code = link.Exchange(nuCur, kWriteBlock, static_cast<std::uint8_t>(len), data, answer);
    if (code != 0) return {WriteStage::BlockFailed, code};

    nuCur = nuNew;
    advance();
    link.WaitMs(300);
    code = link.Exchange(nuCur, kConfirm, 0, nullptr, answer);
    if (code != 0) return {WriteStage::ConfirmFailed, code};
    return out;
}

MsgBox ReadRefusalBox(const ReadOutcome& outcome, int deviceIndex, int tip) {
    const std::string device = "устройство " + std::to_string(deviceIndex + 1);
    const auto warn = [](std::string text) {
        return MsgBox{std::move(text), "Предупреждение", MsgIcon::Warning, MsgButtons::Ok, MsgAnswer::Ok};
    };
    if (outcome.stage == ReadStage::BadLength)
        return warn(device + " - неверная длина базы данных (" + std::to_string(outcome.count) +
                    " байт)\nДанные не считаны");
    if (outcome.stage == ReadStage::BadNumber)
        return warn(device + " - неверный номер устройства в базе данных\nДанные не считаны");
    if (outcome.stage != ReadStage::Done) return {};
    if (tip == 0xFF) return warn(device + " - не определен тип прибора\nДанные не считаны");
    if (!IsServedModel(tip)) return warn(device + " - не ТЕВ, не ЛАДР и не ОСКИ\nДанные не считаны");
    return {};
}

MsgBox WriteRefusalBox(WriteStage stage) {
    const auto warn = [](const char* text) {
        return MsgBox{text, "Предупреждение", MsgIcon::Warning, MsgButtons::Ok, MsgAnswer::Ok};
    };
    switch (stage) {
    case WriteStage::NoData: return warn("Нет данных о приборе,\nпроизведите ввод информации с СОМ порта");
    case WriteStage::OtherModel:
        return warn("Не совпадает тип прибора \nпри попытке сохранить базу.\nСохранение отменено");
    case WriteStage::OtherVersion:
        return warn("Не совпадает версия прибора \nпри попытке сохранить базу.\nСохранение отменено");
    default: return {};
    }
}

}  // namespace tservice
