#include "Convert.h"

#include "DeviceImage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>


namespace tservice {

namespace {

// 18 significant digits, as the formatting of an extended value has them, and
// the decimal exponent: value = 0.d1d2...d18 × 10^pointPos.
struct Decimal {
    std::string digits;
    int pointPos = 0;
};

Decimal ToDecimal(double magnitude) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17e", magnitude);
    Decimal d;
    const std::string s(buf);
    const std::size_t e = s.find('e');
    d.digits = s.substr(0, 1) + s.substr(2, e - 2);
    d.pointPos = std::stoi(s.substr(e + 1)) + 1;
    return d;
}

// Keeps n digits, rounding half away from zero; n = 0 rounds to 0 or 1×10^pos.
// Returns false when nothing is left (the value rounds to zero).
bool RoundTo(Decimal& d, int n) {
    if (n < 0) return false;
    if (n >= static_cast<int>(d.digits.size())) return true;
    const bool up = d.digits[n] >= '5';
    d.digits.resize(n);
    if (up) {
        int i = n - 1;
        while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            d.digits.pop_back();
            if (d.digits.empty()) d.digits = "1";
            ++d.pointPos;
        }
    }
    return d.digits.find_first_not_of('0') != std::string::npos;
}

char DigitAt(const Decimal& d, int i) {
    return (i >= 0 && i < static_cast<int>(d.digits.size())) ? d.digits[i] : '0';
}

std::string ExponentForm(double magnitude, int precision) {
    Decimal d = ToDecimal(magnitude);
    RoundTo(d, precision);
    std::string mantissa = d.digits;
    while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
    std::string out(1, mantissa[0]);
    if (mantissa.size() > 1) out += ',' + mantissa.substr(1);
    const int exponent = d.pointPos - 1;
    out += exponent < 0 ? "E-" : "E+";
    out += std::to_string(std::abs(exponent));
    return out;
}

// trunc into int32 without undefined behaviour: NaN gives 0, the rest is
// clamped to the int32 span (far outside any code a field can hold).
std::int32_t TruncToInt(double v) {
    if (std::isnan(v)) return 0;
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::trunc(std::clamp(v, lo, hi)));
}

}  // namespace

std::string FormatFixed(double value, int precision, int decimals) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    precision = std::clamp(precision, 1, 18);
    decimals = std::clamp(decimals, 0, 18);
    const double magnitude = std::fabs(value);
    const std::string sign = value < 0 ? "-" : "";
    if (magnitude == 0.0) return decimals == 0 ? "0" : "0," + std::string(decimals, '0');

    Decimal d = ToDecimal(magnitude);
    if (!RoundTo(d, std::min(precision, d.pointPos + decimals)))
        return decimals == 0 ? "0" : "0," + std::string(decimals, '0');  // no "-0"
    if (d.pointPos > precision) return sign + ExponentForm(magnitude, precision);

    std::string out = sign;
    if (d.pointPos <= 0) {
        out += '0';
    } else {
        for (int i = 0; i < d.pointPos; ++i) out += DigitAt(d, i);
    }
    if (decimals > 0) {
        out += ',';
        for (int i = 0; i < decimals; ++i) out += DigitAt(d, d.pointPos + i);
    }
    return out;
}

double TevCodeToPercent(std::int32_t code) { return code * 100.0 / kTevScale; }

std::int32_t TevTempToCode(double t, double tMin, double tMax) {
    if (tMax == tMin) return 0;  // an empty range has no scale; 0 is its start
    return TruncToInt((t - tMin) * kTevScale / (tMax - tMin));
}

double TxcToCelsius(std::int32_t txc) { return txc * 100.0 / kTevScale; }

double LadrCodeToPercent(std::int32_t code) { return code * 100.0 / kLadrScale; }

std::int32_t LadrPercentToCode(double p) { return TruncToInt(p * kLadrScale * 0.01); }

double LadrCodeToMa(std::int32_t code) { return code * 16.0 / kLadrScale + 4.0; }

std::int32_t LadrMaToCode(double ma) { return TruncToInt((ma - 4.0) * kLadrScale * 0.0625); }

}  // namespace tservice
