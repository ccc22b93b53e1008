// The two commands that need no serial line of their own: the non-standard
// range calculation and the simulated line on a pseudo-terminal or loopback TCP.
#include <algorithm>
#include <csignal>
#include <memory>
#include <ostream>
#include <thread>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "Fit.h"
#include "Models.h"
#include "InputControl.h"
#include "Number.h"
#ifndef _WIN32
#include "PtyServer.h"
#endif
#include "TcpServer.h"
#include "Ranges.h"
#include "Report.h"
#include "Session.h"
#include "Tables.h"

namespace tservice::cli {

namespace {

volatile std::sig_atomic_t gQuit = 0;
void OnQuit(int) { gQuit = 1; }

bool ToDouble(const std::string& text, double& v) {
    const std::optional<double> n = ReadNumber(text, kTypedNumber);
    if (n) v = *n;
    return n.has_value();
}

bool ToInt(const std::string& text, int lo, int hi, int& v) {
    const std::optional<int> n = ReadWhole(text, lo, hi);
    if (n) v = *n;
    return n.has_value();
}

int ModelCode(const std::string& text) {
    if (const int tip = ModelByName(text); tip >= 0) return tip;
    int v = -1;
    return ToInt(text, 0, 255, v) ? v : -1;
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= s.size(); ++i)
        if (i == s.size() || s[i] == sep) {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    return parts;
}

// BAUD:PARITY:STOP, e.g. 19200:N:1.
bool ParseFraming(const std::string& text, sim::Framing& f) {
    const auto parts = Split(text, ':');
    int baud = 0, stop = 0;
    if (parts.size() != 3 || !ToInt(parts[0], 1, 1000000, baud) || !ToInt(parts[2], 1, 2, stop) ||
        (parts[1] != "N" && parts[1] != "O" && parts[1] != "E"))
        return false;
    f = {baud, parts[1] == "O" ? Parity::Odd : parts[1] == "E" ? Parity::Even : Parity::None, stop, false};
    return true;
}

// ADDR:KIND[=VALUE]; kinds: silent short body crc exception=N drop=R
// truncate=R corrupt=R late=MS seed=N mute-after-write, and nu=N, a stored
// device number other than the address it answers at.
bool ApplyFault(sim::Line& line, const std::string& fault, std::string& error) {
    const auto colon = fault.find(':');
    int addr = 0;
    if (colon == std::string::npos || !ToInt(fault.substr(0, colon), 1, kLineSize, addr) || !line.Find(addr)) {
        error = "--fault " + fault + ": ожидается АДРЕС:ВИД[=ЗНАЧЕНИЕ] для имеющегося устройства";
        return false;
    }
    sim::Transmitter& device = *line.Find(addr);
    sim::Faults& f = device.faults;
    const std::string kind = fault.substr(colon + 1, fault.find('=') == std::string::npos ? std::string::npos
                                                                                    : fault.find('=') - colon - 1);
    const std::string value = fault.find('=') == std::string::npos ? "" : fault.substr(fault.find('=') + 1);
    double r = 0;
    int n = 0;
    if (kind == "silent") f.silent = true;
    else if (kind == "short") f.shortHeader = true;
    else if (kind == "body") f.corruptBody = true;
    else if (kind == "crc") f.corruptCrc = true;
    else if (kind == "exception" && ToInt(value, 0, 255, n)) f.exceptionCode = n;
    else if (kind == "drop" && ToDouble(value, r) && r >= 0 && r <= 1) f.dropRate = r;
    else if (kind == "truncate" && ToDouble(value, r) && r >= 0 && r <= 1) f.truncateRate = r;
    else if (kind == "corrupt" && ToDouble(value, r) && r >= 0 && r <= 1) f.corruptRate = r;
    else if (kind == "late" && ToInt(value, 0, 60000, n)) { f.lateRate = 1.0; f.lateMs = n; }
    else if (kind == "seed" && ToInt(value, 0, 2147483647, n)) f.seed = static_cast<std::uint32_t>(n);
    else if (kind == "listen" && ParseFraming(value, line.Find(addr)->listen)) {}
    else if (kind == "mute-after-write") f.muteAfterWrite = true;
    else if (kind == "nu" && ToInt(value, 1, 32, n)) device.block[11] = static_cast<std::uint8_t>(n - 1);
    else {
        error = "--fault " + fault + ": неизвестный вид или значение";
        return false;
    }
    return true;
}

bool AddDevices(sim::Line& line, const Options& o, std::string& error) {
    if (o.devs.empty()) {
        sim::Line::AddDemoDevices(line);
        return true;
    }
    for (const auto& d : o.devs) {
        const auto parts = Split(d, ':');
        int addr = 0, version = 0;
        const int model = parts.size() == 3 ? ModelCode(parts[1]) : -1;
        if (parts.size() != 3 || !ToInt(parts[0], 1, kLineSize, addr) || model < 0 || !ToInt(parts[2], 0, 255, version) ||
            line.Find(addr)) {
            error = "--dev " + d + ": ожидается АДРЕС:МОДЕЛЬ:ВЕРСИЯ, адрес 1.." + std::to_string(kLineSize) + " без повторов";
            return false;
        }
        line.Add(addr, model, version);
    }
    return true;
}

}  // namespace

int SimCommand(const Options& o, std::ostream& out, std::ostream& err) {
    sim::Line line;
    std::string error;
    if (!AddDevices(line, o, error)) {
        err << error << "\n";
        return 2;
    }
    for (const auto& f : o.faults)
        if (!ApplyFault(line, f, error)) {
            err << error << "\n";
            return 2;
        }
    try {
        std::unique_ptr<sim::LineServer> server;
        if (!o.tcp.empty()) {
            const auto colon = o.tcp.rfind(':');
            int port = -1;
            if (colon == std::string::npos || !ToInt(o.tcp.substr(colon + 1), 0, 65535, port)) {
                err << "--tcp " << o.tcp << ": ожидается 127.0.0.1:ПОРТ (0 - любой свободный)\n";
                return 2;
            }
            auto tcp = std::make_unique<sim::TcpServer>(line, o.tcp.substr(0, colon), port);
            tcp->SetLineRate(o.baud, o.parity == 'O' ? Parity::Odd : o.parity == 'E' ? Parity::Even : Parity::None,
                             o.stop);
            out << "имитация линии: " << tcp->Address() << "\n";
            server = std::move(tcp);
        } else {
#ifdef _WIN32
            err << "--link: псевдотерминалов в Windows нет; линия имитируется на --tcp 127.0.0.1:ПОРТ\n";
            return 2;
#else
            auto pty = std::make_unique<sim::PtyServer>(line);
            pty->LinkPath(o.link);
            out << "имитация линии: " << o.link << " -> " << pty->SlavePath() << "\n";
            server = std::move(pty);
#endif
        }
        server->SetEcho(o.adapter.echo == EchoMode::On);
        server->SetLatencyMs(o.latencyMs);
        server->SetTurnaroundMs(o.turnaroundMs);
        server->Start();
        for (auto* d : line.Devices()) out << d->address << " " << d->model << " " << ModelName(d->model) << " v" << d->version << "\n";
        out.flush();
        std::signal(SIGINT, OnQuit);
        std::signal(SIGTERM, OnQuit);
        sim::InputFile inputs(o.inputFile);
        while (!gQuit) {
            std::string why;
            if (!o.inputFile.empty() && !server->WithLine([&](sim::Line& l) { return inputs.Poll(l, why); }))
                err << why << "\n";
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        server->Stop();
        // What each transmitter holds now, for whoever started the line.
        for (auto* d : line.Devices())
            out << "блок " << d->address << " "
                << Hex(d->block.data(), std::min(d->blockLen, static_cast<int>(d->block.size()))) << " записей "
                << d->writes << "\n";
    } catch (const std::exception& e) {
        err << "имитация линии не запущена: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

int RangeCommand(const Options& o, std::ostream& out, std::ostream& err) {
    double tn = 0, tk = 0;
    if (!ToDouble(o.from, tn) || !ToDouble(o.to, tk) || tn < -32767 || tn > 32767 || tk < -32767 || tk > 32767) {
        err << " Ошибка ввода \n";
        return 2;
    }
    int index = -1;
    for (int tip : {kTevTp, kTevTs}) {
        const auto& list = SensorTypes(tip);
        for (std::size_t i = 0; i < list.size(); ++i)
            if (!list[i].empty() && list[i] == o.sensor) index = RangeTableIndex(tip, static_cast<int>(i));
    }
    if (index < 0 || FindSensorData(o.sensor) == nullptr) {
        err << "Недопустим нестандартный диапазон\n";
        return 1;
    }
    const RangeTableRef std = RangeTable(index);
    std::vector<RangeLimits> limits;
    for (int i = 0; i < std.count; ++i) limits.push_back({std.table[i].lo, std.table[i].hi});
    std::vector<std::string> dirs = DefaultTableDirs(nullptr);
    if (!o.tablesDir.empty()) dirs.insert(dirs.begin(), o.tablesDir);
    auto table = std::make_unique<SensorTable>();
    std::string error;
    if (!LoadTable(TableFileName(o.sensor), *table, error, dirs)) {
        err << error << "\n";
        return 1;
    }
    const RangeFitResult r = CalculateRange(tn, tk, o.sensor, *table, limits.data(), static_cast<int>(limits.size()));
    if (!r.ok) {
        err << r.refusal << "\n";
        return 1;
    }
    if (o.json) {
        QJsonObject j;
        QJsonArray codes;
        for (int c : r.Codes) codes.append(c);
        j["sensor"] = QString::fromStdString(o.sensor);
        j["from"] = tn;
        j["to"] = tk;
        j["codes"] = codes;
        j["maxDeviation"] = r.MaxDeviation;
        j["maxDeviationAt"] = r.MaxDeviationAt;
        out << QJsonDocument(Versioned(j)).toJson(QJsonDocument::Indented).toStdString();
    } else {
        for (int k = 0; k < 8; ++k) out << "Y" << k + 2 << " " << r.CodeText[k] << "\n";
        out << "наибольшее отклонение " << r.MaxDeviation << " °C при " << r.MaxDeviationAt << " °C\n";
    }
    return 0;
}

}  // namespace tservice::cli
