#include "Workflow.h"

#include <algorithm>

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
    image.PutLen(out.count);
    image.TakeBlock(answer);
    image.TakePriv();
    image.PutCurrent(correction);
    if (out.count > 11) nuCur = image.GetNu();

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

WriteOutcome WriteTransmitter(TComPortClass& link, DeviceImage& image, const DeviceImage& lastReading, int& nuCur,
                              int nuNew, const std::function<void()>& step) {
    auto advance = [&] { if (step) step(); };
    WriteOutcome out;
    const int len = image.GetLen();
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
    if (code != 0) return {WriteStage::IdentFailed, code, {}};
    const IdentFields ident = DecodeIdent(answer);
    if (ident.model != image.Tip) return {WriteStage::OtherModel, 0, {}};
    if (ident.version != image.Ver) return {WriteStage::OtherVersion, 0, {}};

    link.WaitMs(50);
    std::uint8_t data[kMaxParamLen] = {};
    image.GiveBlock(data);
    advance();
    code = link.Exchange(nuCur, kCmdWriteBlock, static_cast<std::uint8_t>(len), data, answer);
    if (code != 0) return {WriteStage::BlockFailed, code, {}};

    nuCur = nuNew;
    advance();
    link.WaitMs(300);
    code = link.Exchange(nuCur, kCmdConfirm, 0, nullptr, answer);
    if (code != 0) return {WriteStage::ConfirmFailed, code, {}};
    return out;
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
    default: return {};
    }
}

}  // namespace tservice
