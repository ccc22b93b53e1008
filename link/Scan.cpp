#include "Scan.h"

namespace tservice {

namespace {

// Restores Povt1 however the scan ends.
class Povt1Guard {
public:
    explicit Povt1Guard(TComPortClass& link) : link_(link), saved_(link.GetPovt1()) { link_.SetPovt1(2); }
    ~Povt1Guard() { link_.SetPovt1(saved_); }
    Povt1Guard(const Povt1Guard&) = delete;
    Povt1Guard& operator=(const Povt1Guard&) = delete;

private:
    TComPortClass& link_;
    int saved_;
};

}  // namespace

ScanResult ScanLine(TComPortClass& link, int max, const std::function<void(int)>& step,
                    const std::function<void(const FoundDevice&)>& found) {
    ScanResult result;
    Povt1Guard guard(link);
    std::uint8_t answer[kMaxAnswer] = {};
    for (int index = 0; index < max && index < 32; ++index) {
        if (step) step(index);
        const int code = IdentExchange(link, index, answer);
        if (code == 0) {
            result.found.push_back({index + 1, answer[5]});
            if (found) found(result.found.back());
        } else if (code >= 132 && code <= 135) {
            result.stopCode = code;
            result.stopIndex = index;
            break;
        }
    }
    return result;
}

}  // namespace tservice
