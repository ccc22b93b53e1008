#include "Models.h"

#include <array>

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

const ModelInfo* Find(int tip) {
    for (const auto& m : kModels)
        if (m.tip == tip) return &m;
    return nullptr;
}

}  // namespace

std::string ModelName(int tip) {
    const ModelInfo* m = Find(tip);
    return m ? m->name : "";
}

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

bool IsTev(int tip) { return tip == kTevTs || tip == kTevTp; }

bool ColdJunctionFaulty(int kodTxc, int txc) { return kodTxc == 0x7FFF || kodTxc == -0x8000 || txc == -0x8000; }

int RangeTableIndex(int tip, int tipD) { return tip == kTevTs ? tipD + 10 : tipD; }

bool NonStandardAllowed(const std::string& sensorText, int version) {
    static const std::array<const char*, 10> allowed{"XK(L)", "XK(E)", "XA(K)", "ЖК(J)", "100П",
                                                     "50П",   "Pt100", "Ni",    "100M",  "50M"};
    if (version < 3) return false;
    for (const char* a : allowed)
        if (sensorText == a) return true;
    return false;
}

}  // namespace tservice
