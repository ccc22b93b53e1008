#include "FindSettings.h"

namespace tservice {

namespace {

// The link's framing and open state, put back however the search ends.
class SettingsGuard {
public:
    explicit SettingsGuard(TComPortClass& link)
        : link_(link), baud_(link.BaudText), parity_(link.ParityChar), stop_(link.StopText),
          wasOpen_(link.PortOpen()) {}
    ~SettingsGuard() {
        link_.BaudText = baud_;
        link_.ParityChar = parity_;
        link_.StopText = stop_;
        if (wasOpen_) link_.OpenPort();
        else link_.ClosePort();
    }
    SettingsGuard(const SettingsGuard&) = delete;
    SettingsGuard& operator=(const SettingsGuard&) = delete;

private:
    TComPortClass& link_;
    std::string baud_;
    char parity_;
    std::string stop_;
    bool wasOpen_;
};

}  // namespace

std::string FramingText(const LineFraming& f) {
    const char* parity = f.parity == 'O' ? "нечет" : f.parity == 'E' ? "чет" : "нет";
    return std::to_string(f.baud) + " бит/с, четность " + parity + ", стоповых битов " + std::to_string(f.stopBits);
}

std::vector<LineFraming> OfferedFramings() {
    std::vector<LineFraming> all;
    for (int baud : {9600, 19200, 57600, 115200})
        for (char parity : {'N', 'O', 'E'})
            for (int stopBits : {1, 2})
                if (!(parity == 'E' && stopBits == 2)) all.push_back({baud, parity, stopBits});
    return all;
}

FindResult FindLineSettings(TComPortClass& link, int max, bool all,
                            const std::function<void(int, int, const LineFraming&)>& step,
                            const std::function<bool()>& stop) {
    FindResult result;
    SettingsGuard guard(link);
    const std::vector<LineFraming> framings = OfferedFramings();
    const int total = static_cast<int>(framings.size());
    for (const LineFraming& f : framings) {
        if (stop && stop()) {
            result.stopped = true;
            break;
        }
        if (step) step(result.tried, total, f);
        link.BaudText = std::to_string(f.baud);
        link.ParityChar = f.parity;
        link.StopText = std::to_string(f.stopBits);
        ++result.tried;
        if (link.OpenPort() != 0) {
            result.stopCode = -1;
            break;
        }
        const ScanResult scan = FastScanLine(link, max, 0, {}, {}, stop);
        if (!scan.found.empty()) result.found.push_back({f, scan.found});
        if (scan.stopCode != 0) {
            result.stopCode = scan.stopCode;
            break;
        }
        if (!scan.found.empty() && !all) break;
    }
    return result;
}

}  // namespace tservice
