#include "SavedSet.h"

#include <algorithm>
#include <cctype>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "Models.h"
#include "Describe.h"

namespace tservice {

namespace {

// Fields the transmitter lets only a privileged operator change.
const char* const kPrivileged[] = {"KBegSk", "KEndSk", "TipD", "Diap", "Connect", "Current",
                                   "CurrentEnd", "BegSkTxc", "EndSkTxc", "NonStandMin", "NonStandMax"};

bool ReadInt(const QJsonObject& o, const char* key, int lo, int hi, int& v, std::string& error) {
    const QJsonValue j = o.value(key);
    const double d = j.toDouble(-1e300);
    // Bounds first: converting a number beyond long long is undefined.
    if (!j.isDouble() || d < lo || d > hi || d != static_cast<double>(static_cast<long long>(d))) {
        error = std::string("файл: поле \"") + key + "\" должно быть целым числом от " + std::to_string(lo) +
                " до " + std::to_string(hi);
        return false;
    }
    v = static_cast<int>(d);
    return true;
}

bool ReadRaw(const QJsonObject& o, std::vector<std::uint8_t>& raw, std::string& error) {
    const QByteArray hex = o.value("raw").toString().toLatin1();
    const bool digits = std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
    if (!o.value("raw").isString() || hex.size() < 2 || hex.size() > 2 * kMaxParamLen || hex.size() % 2 || !digits) {
        error = "файл: поле \"raw\" должно содержать от 1 до 40 байт в шестнадцатеричном виде";
        return false;
    }
    const QByteArray bytes = QByteArray::fromHex(hex);
    raw.assign(bytes.begin(), bytes.end());
    return true;
}

// Every named field in the file must agree with the raw block.
bool CheckFields(SavedSet& saved, const QJsonObject& o, std::string& error) {
    DeviceImage image;
    image.Tip = saved.model;
    image.Ver = saved.version;
    image.PutLen(static_cast<int>(saved.raw.size()));
    std::copy(saved.raw.begin(), saved.raw.end(), image.Baza.begin() + 1);
    const Reading r = Describe(image, saved.device);
    for (const auto& [name, value] : r.fields) {
        if (!o.contains(QString::fromStdString(name))) continue;
        int v = 0;
        if (!ReadInt(o, name.c_str(), -32768, 65535, v, error)) return false;
        if (v != value) {
            error = "файл поврежден: поле \"" + name + "\" не совпадает с блоком raw";
            return false;
        }
        saved.fields[name] = v;
    }
    return true;
}

}  // namespace

bool ParseSavedSet(const QByteArray& content, SavedSet& saved, std::string& error) {
    QJsonParseError pe{};
    const QJsonDocument doc = QJsonDocument::fromJson(content, &pe);
    if (pe.error != QJsonParseError::NoError || !doc.isObject()) {
        error = "файл: не JSON-объект (" + pe.errorString().toStdString() + ")";
        return false;
    }
    const QJsonObject o = doc.object();
    SavedSet s;
    if (!ReadInt(o, "model", 0, 255, s.model, error) || !ReadInt(o, "version", 0, 255, s.version, error) ||
        !ReadInt(o, "device", 1, 32, s.device, error) || !ReadRaw(o, s.raw, error))
        return false;
    if (ModelName(s.model).empty()) {
        error = "файл: неизвестная модель " + std::to_string(s.model);
        return false;
    }
    if (!CheckFields(s, o, error)) return false;
    saved = std::move(s);
    return true;
}

bool LoadSavedSet(const std::string& path, SavedSet& saved, std::string& error) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) {
        error = "Файл " + path + " не удается открыть";
        return false;
    }
    const QByteArray content = f.read(kMaxSavedFileBytes + 1);
    if (content.size() > kMaxSavedFileBytes) {
        error = "файл " + path + " слишком велик";
        return false;
    }
    return ParseSavedSet(content, saved, error);
}

bool ApplySavedSet(const SavedSet& saved, DeviceImage& image, std::string& error) {
    if (saved.model != image.Tip || saved.version != image.Ver) {
        error = "файл для " + ModelName(saved.model) + " версии " + std::to_string(saved.version) +
                ", а устройство - " + ModelName(image.Tip) + " версии " + std::to_string(image.Ver) +
                "\nЗапись отменена";
        return false;
    }
    if (static_cast<int>(saved.raw.size()) != image.GetLen()) {
        error = "длина блока в файле " + std::to_string(saved.raw.size()) + ", а у устройства " +
                std::to_string(image.GetLen()) + "\nЗапись отменена";
        return false;
    }
    DeviceImage next = image;
    next.Trace = nullptr;
    std::copy(saved.raw.begin(), saved.raw.end(), next.Baza.begin() + 1);
    if (image.GetLen() > 11) next.Baza[12] = image.Baza[12];  // the target keeps its own number
    if (image.NePriv) {
        const Reading a = Describe(image, 1), b = Describe(next, 1);
        for (const auto& c : Diff(a, b))
            for (const char* p : kPrivileged)
                if (c.field == p || c.field.rfind("NonStandY", 0) == 0) {
                    error = "поле " + c.field + " меняется только в привилегированном режиме\nЗапись отменена";
                    return false;
                }
    }
    next.Trace = image.Trace;
    next.Izmen = 1;
    image = next;
    return true;
}

}  // namespace tservice
