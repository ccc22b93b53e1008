#include "InputControl.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace tservice::sim {

namespace {

bool ToNumber(std::string text, double& value) {
    std::replace(text.begin(), text.end(), ',', '.');
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && p == end && std::isfinite(value);
}

}  // namespace

bool ApplyInputCommand(Line& line, const std::string& command, std::string& error) {
    std::string c = command;
    std::replace(c.begin(), c.end(), ':', ' ');
    std::istringstream in(c);
    std::string addr, percent, extra;
    in >> addr >> percent >> extra;
    if (addr.empty() || addr[0] == '#') return true;
    double a = 0, p = 0;
    if (!extra.empty() || !ToNumber(addr, a) || !ToNumber(percent, p) || a != std::floor(a) || p < -200 || p > 300) {
        error = "вход \"" + command + "\": ожидается АДРЕС ПРОЦЕНТ, процент шкалы от -200 до 300";
        return false;
    }
    Transmitter* t = a >= 1 && a <= 32 ? line.Find(static_cast<int>(a)) : nullptr;
    if (t == nullptr) {
        error = "вход \"" + command + "\": на линии нет устройства " + addr;
        return false;
    }
    t->SetInputPercent(p);
    return true;
}

bool InputFile::Poll(Line& line, std::string& error) {
    std::ifstream f(path_, std::ios::binary);
    if (!f) return true;
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (text.size() > 65536) text.resize(65536);
    if (seen_ && text == last_) return true;
    seen_ = true;
    last_ = text;
    std::istringstream lines(text);
    bool ok = true;
    for (std::string l; std::getline(lines, l);) {
        std::string why;
        if (!ApplyInputCommand(line, l, why) && ok) {
            error = why;
            ok = false;
        }
    }
    return ok;
}

}  // namespace tservice::sim
