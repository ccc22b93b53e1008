#include "Models.h"

#include <array>
#include <map>

#include "DeviceImage.h"

namespace tservice {

namespace {

struct ModelInfo {
    int tip;
    const char* name;
    int currentFrom;
    const char* fullText;
};

constexpr std::array<ModelInfo, 4> kModels{{
    {kLadr, "ЛАДР", 5, "ЛАДР  731590.003  ПО.V5  0x5A17C3E9"},
    {kTevTs, "ТЕВ-ТС", 5, "ТЕВ-ТС МЕ  618204.002  ПО.V5  0x7C20F4A5"},
    {kTevTp, "ТЕВ-ТП", 4, "ТЕВ-ТП МЕ  618214.003  ПО.V4  0x93E6B1D0"},
    {kOski, "ОСКИ", 2, "ОСКИ  731590.005  ПО.V2  0x1D4B8E62"},
}};

// The sensor types that admit a non-standard range; table spans are the
// first and last rows of the shipped characteristics.
constexpr std::array<SensorData, 10> kSensorData{{
    {"XK(L)", "XKL.txt", 20, -200, 800},
    {"XK(E)", "XKE.txt", 25, -270, 1000},
    {"XA(K)", "XAK.txt", 30, -270, 1372},
    {"ЖК(J)", "TJK.txt", 25, -210, 1200},
    {"100П", "100P.txt", 20, -200, 850},
    {"50П", "100P.txt", 40, -200, 850},
    {"Pt100", "PT100.txt", 20, -200, 850},
    {"Ni", "N100.txt", 20, -60, 180},
    {"100M", "100M.txt", 20, -180, 200},
    {"50M", "100M.txt", 40, -180, 200},
}};

// Firmware versions from which a setting exists.
struct SinceVersion {
    int lineBreak = 2, current = 2, contact = 3, connect = 3, nonStandard = 3, currentEnd = 4;
};
constexpr SinceVersion kSince{};

const ModelInfo* Find(int tip) {
    for (const auto& m : kModels)
        if (m.tip == tip) return &m;
    return nullptr;
}

template <int (DeviceImage::*Get)() const>
int Field(const DeviceImage& im, int) { return (im.*Get)(); }
template <void (DeviceImage::*Put)(std::int32_t)>
void SetField(DeviceImage& im, int, int v) { (im.*Put)(v); }

int GetCurrent(const DeviceImage& im, int) { return im.GetCurrent(); }
void PutCurrent(DeviceImage& im, int, int v) { im.PutCurrent(v); }
int GetY(const DeviceImage& im, int k) { return im.GetNonStandY(k); }
void PutY(DeviceImage& im, int k, int v) { im.PutNonStandY(k, v); }

// A field read and written through the image's accessors of its name.
#define TSERVICE_FIELD(name, priv) \
    FieldSpec { #name, 1, priv, &Field<&DeviceImage::Get##name>, &SetField<&DeviceImage::Put##name> }

}  // namespace

std::string ModelName(int tip) {
    const ModelInfo* m = Find(tip);
    return m ? m->name : "";
}

int CorrectionMicroamps(int code, bool scaleEnd) {
    const int positive = scaleEnd ? 5 : 7;
    return code <= positive ? 4 * code : -4 * (code - positive);
}

std::string CorrectionText(int code, bool scaleEnd) {
    const int ua = CorrectionMicroamps(code, scaleEnd);
    if (ua == 0) return "0 мкА";
    const std::string digits = std::to_string(ua < 0 ? -ua : ua);
    // One-digit values are padded after the sign, except the first step up.
    const bool pad = digits.size() == 1 && ua != 4;
    return std::string(ua > 0 ? "+" : "-") + (pad ? " " : "") + digits + " мкА";
}

int ModelByName(std::string_view name) {
    for (const ModelInfo& m : kModels)
        if (name == m.name) return m.tip;
    return -1;
}

bool IsServedModel(int tip) { return Find(tip) != nullptr; }

bool IsTev(int tip) { return tip == kTevTs || tip == kTevTp; }

bool IsCurrentFirmware(int tip, int version) {
    const ModelInfo* m = Find(tip);
    return m && version >= m->currentFrom;
}

std::string PanelText(int tip, int version) {
    const ModelInfo* m = Find(tip);
    if (!m) return "";
    if (version >= m->currentFrom) return m->fullText;
    return std::string(m->name) + "-v" + std::to_string(version);
}

ModelRules RulesFor(int tip, int version) {
    ModelRules r;
    r.tip = tip;
    r.version = version;
    if (!IsServedModel(tip)) return r;
    r.served = true;
    r.tev = IsTev(tip);
    r.hasSensor = tip != kOski;
    r.hasAlarm = tip != kOski;
    r.setpointScale = r.tev ? kTevScale : tip == kLadr ? kLadrScale : 0;
    r.setpointUnit = r.tev ? "°C" : tip == kLadr ? "%" : "";
    r.hasBreak = version >= kSince.lineBreak;
    r.hasCurrent = version >= kSince.current;
    r.hasCurrentEnd = version >= kSince.currentEnd;
    r.hasContact = version >= kSince.contact && tip != kOski;
    r.hasConnect = tip == kTevTs && version >= kSince.connect;
    r.hasColdJunction = tip == kTevTp;
    r.outputControl = tip == kOski;
    r.nonStandardVersion = r.tev && version >= kSince.nonStandard;
    r.rangeTableOffset = tip == kTevTs ? 10 : 0;
    return r;
}

const std::vector<std::string>& SensorTypes(int tip) {
    static const std::vector<std::string> ladr{"корневой", "линейный"};
    static const std::vector<std::string> tevTs{"100П", "50П", "Pt100", "Ni", "100M", "50M"};
    static const std::vector<std::string> tevTp{"XK(L)", "XK(E)", "XA(K)", "ЖК(J)", "MK(T)", "ПП(S)",
                                                "ПП(R)", "BP(A1)", "BP(A2)", "BP(A3)", ""};
    static const std::vector<std::string> none;
    switch (tip) {
    case kLadr: return ladr;
    case kTevTs: return tevTs;
    case kTevTp: return tevTp;
    default: return none;
    }
}

bool SensorSelectable(int tip, int index) {
    const auto& list = SensorTypes(tip);
    return index >= 0 && index < static_cast<int>(list.size()) && !list[index].empty();
}

bool ColdJunctionFaulty(int kodTxc, int txc) { return kodTxc == 0x7FFF || kodTxc == -0x8000 || txc == -0x8000; }

int RangeTableIndex(int tip, int tipD) { return tipD + RulesFor(tip, 0).rangeTableOffset; }

const SensorData* FindSensorData(std::string_view sensorText) {
    for (const auto& s : kSensorData)
        if (s.text == sensorText) return &s;
    return nullptr;
}

bool NonStandardAllowed(const std::string& sensorText, int version) {
    return version >= kSince.nonStandard && FindSensorData(sensorText) != nullptr;
}

std::vector<FieldSpec> FieldsOf(const ModelRules& r) {
    std::vector<FieldSpec> f;
    if (!r.served) return f;
    f.push_back(TSERVICE_FIELD(KBegSk, true));
    f.push_back(TSERVICE_FIELD(KEndSk, true));
    f.push_back(TSERVICE_FIELD(TipSign, false));
    if (r.hasBreak) f.push_back(TSERVICE_FIELD(Break, false));
    if (r.hasContact) f.push_back(TSERVICE_FIELD(TipK, false));
    if (r.hasCurrent) f.push_back({"Current", 1, true, &GetCurrent, &PutCurrent});
    if (r.hasCurrentEnd) f.push_back(TSERVICE_FIELD(CurrentEnd, true));
    if (r.hasSensor) {
        f.push_back(TSERVICE_FIELD(UstKod1, false));
        f.push_back(TSERVICE_FIELD(UstKod2, false));
        f.push_back(TSERVICE_FIELD(TipD, true));
        f.push_back(TSERVICE_FIELD(Diap, true));
    }
    f.push_back(TSERVICE_FIELD(Nu, false));
    if (r.hasConnect) f.push_back(TSERVICE_FIELD(Connect, true));
    if (r.hasColdJunction) {
        f.push_back(TSERVICE_FIELD(BegSkTxc, true));
        f.push_back(TSERVICE_FIELD(EndSkTxc, true));
        f.push_back(TSERVICE_FIELD(KTxc, false));
    }
    if (r.tev) {
        f.push_back(TSERVICE_FIELD(NonStandMin, true));
        f.push_back(TSERVICE_FIELD(NonStandMax, true));
        f.push_back({"NonStandY", 8, true, &GetY, &PutY});
    }
    return f;
}

#undef TSERVICE_FIELD

const std::vector<std::string>& ListWords(const std::string& field) {
    static const std::map<std::string, std::vector<std::string>> words{
        {"alarm", {"LH", "LL", "HH"}}, {"contact", {"нр", "нз"}}, {"break", {"min", "max"}}, {"connect", {"4", "3"}}};
    static const std::vector<std::string> none;
    const auto it = words.find(field);
    return it == words.end() ? none : it->second;
}

const std::vector<std::string>& ListItems(const std::string& field) {
    static const std::map<std::string, std::vector<std::string>> items{
        {"TipSign", {"LH", "LL", "HH"}},
        {"TipK", {"нр", "нз"}},
        {"Break", {"ток min", "ток max"}},
        {"Connect", {"4-х проводная", "3-х проводная"}}};
    static const std::vector<std::string> none;
    const auto it = items.find(field);
    return it == items.end() ? none : it->second;
}

std::string FieldWord(const std::string& name) {
    static const std::map<std::string, const char*> words{
        {"KBegSk", "код АЦП начала шкалы"},
        {"KEndSk", "код АЦП конца шкалы"},
        {"TipSign", "тип сигнализации"},
        {"Break", "выход при обрыве линии"},
        {"TipK", "тип контакта"},
        {"Current", "корректировка тока нач. шкалы"},
        {"CurrentEnd", "корректировка тока кон. шкалы"},
        {"UstKod1", "уставка 1, код"},
        {"UstKod2", "уставка 2, код"},
        {"TipD", "тип датчика, номер"},
        {"Diap", "номер диапазона"},
        {"Nu", "номер устройства"},
        {"Connect", "схема подключения"},
        {"BegSkTxc", "код АЦП начала шкалы Тхс"},
        {"EndSkTxc", "код АЦП конца шкалы Тхс"},
        {"KTxc", "коэффициент Тхс А1"},
        {"NonStandMin", "нестандартный диапазон, начало °C"},
        {"NonStandMax", "нестандартный диапазон, конец °C"},
        {"NonStandY", "точки нестандартного диапазона"},
        {"Rez", "результат, код"},
        {"Sost", "состояние, код"},
        {"KodACP", "код АЦП измеренного значения"},
        {"Txc", "Тхс, код"},
        {"KodTxc", "код АЦП Тхс"},
    };
    const auto it = words.find(name);
    return it == words.end() ? name : it->second;
}

std::string FieldWordAndName(const std::string& name) {
    const std::string word = FieldWord(name);
    return word == name ? name : word + " (" + name + ")";
}

}  // namespace tservice
