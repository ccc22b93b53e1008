#include "Number.h"

#include <charconv>
#include <cmath>
#include <string>

namespace tservice {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits from i on; returns how many.
std::size_t Digits(std::string_view text, std::size_t& i) {
    const std::size_t from = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i - from;
}

// The text in the form from_chars takes (point separator, no '+'), or empty
// when it breaks the form.
std::string Plain(std::string_view text, NumberForm form) {
    std::size_t i = 0;
    std::string out;
    if (i < text.size() && (text[i] == '-' || (form.plus && text[i] == '+'))) {
        if (text[i] == '-') out += '-';
        ++i;
    }
    std::size_t start = i;
    std::size_t digits = Digits(text, i);
    out.append(text.substr(start, i - start));
    if (i < text.size() && ((form.comma && text[i] == ',') || (form.point && text[i] == '.'))) {
        ++i;
        start = i;
        const std::size_t fraction = Digits(text, i);
        if (fraction == 0) return {};  // "12," is unfinished
        out += '.';
        out.append(text.substr(start, i - start));
        digits += fraction;
    }
    if (digits == 0) return {};
    if (form.exponent && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        out += 'e';
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) out += text[i++];
        start = i;
        if (Digits(text, i) == 0) return {};
        out.append(text.substr(start, i - start));
    }
    return i == text.size() ? out : std::string();
}

}  // namespace

std::optional<double> ReadNumber(std::string_view text, NumberForm form) {
    const std::string plain = Plain(text, form);
    if (plain.empty()) return std::nullopt;
    double v = 0.0;
    const char* last = plain.data() + plain.size();
    const auto [end, ec] = std::from_chars(plain.data(), last, v, std::chars_format::general);
    if (ec != std::errc() || end != last || !std::isfinite(v)) return std::nullopt;
    return v + 0.0;  // no -0
}

std::optional<int> ReadWhole(std::string_view text, int lo, int hi, bool fractionZeros) {
    const std::optional<double> v = ReadNumber(text, fractionZeros ? kTypedNumber : kWholeNumber);
    if (!v || *v != std::trunc(*v) || *v < lo || *v > hi) return std::nullopt;
    return static_cast<int>(*v);
}

}  // namespace tservice
