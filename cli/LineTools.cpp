// find and --stats: the line's settings found by trying them, and how well
// the line carried the command's exchanges.
#include <cstdio>
#include <ostream>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "Commands.h"
#include "ExitCodes.h"
#include "FindSettings.h"
#include "Models.h"
#include "Report.h"
#include "Session.h"

namespace tservice::cli {

namespace {

QJsonArray DevicesJson(const std::vector<FoundDevice>& found) {
    QJsonArray a;
    for (const FoundDevice& d : found)
        a.append(QJsonObject{{"device", d.number}, {"model", d.model}, {"name", QString::fromStdString(ModelName(d.model))}});
    return a;
}

QJsonObject StatsJson(const DeviceStats& d) {
    QJsonObject j{{"exchanges", d.exchanges}, {"tries", d.tries},     {"noAnswer", d.noAnswer},
                  {"incomplete", d.incomplete}, {"crcErrors", d.crcErrors}, {"badHeader", d.badHeader},
                  {"exceptions", d.exceptions}, {"portErrors", d.portErrors}, {"failedShare", d.FailedShare()},
                  {"marked", d.Marked()}};
    if (d.device > 0) j["device"] = d.device;
    for (const auto& [key, ms] : {std::pair{"answerMinMs", d.MinMs()}, {"answerMedianMs", d.MedianMs()},
                                  {"answerMaxMs", d.MaxMs()}})
        j[key] = ms < 0 ? QJsonValue() : QJsonValue(ms);
    return j;
}

std::string StatsRow(const std::string& name, const DeviceStats& d) {
    char times[40] = "—";
    if (d.MinMs() >= 0) std::snprintf(times, sizeof times, "%d/%d/%d", d.MinMs(), d.MedianMs(), d.MaxMs());
    char row[200];
    std::snprintf(row, sizeof row, "%-6s %7d %7d %6d %6d %5d %6d %6d  %-15s %5.1f %%%s\n", name.c_str(), d.exchanges,
                  d.tries, d.noAnswer, d.incomplete, d.crcErrors, d.badHeader, d.exceptions, times,
                  100.0 * d.FailedShare(), d.Marked() ? "  !" : "");
    std::string text = row;
    // A decimal comma, as every number the operator reads.
    if (const auto dot = text.rfind('.'); dot != std::string::npos) text[dot] = ',';
    return text;
}

}  // namespace

int Find(LineSession& s, const Options& o, std::ostream& out) {
    const auto step = [&](int n, int total, const LineFraming& f) {
        if (!o.json) s.messages.Plain("настройка " + std::to_string(n + 1) + " из " + std::to_string(total) + ": " +
                                      FramingText(f));
    };
    const FindResult r = FindLineSettings(s.link, o.max, o.all, step);
    if (o.json) {
        QJsonArray a;
        for (const FramingResult& f : r.found)
            a.append(QJsonObject{{"baud", f.framing.baud},
                                 {"parity", QString(QChar(f.framing.parity))},
                                 {"stop", f.framing.stopBits},
                                 {"devices", DevicesJson(f.found)}});
        out << QJsonDocument(Versioned(QJsonObject{{"settings", a}, {"tried", r.tried}}))
                   .toJson(QJsonDocument::Indented)
                   .toStdString();
    } else {
        for (const FramingResult& f : r.found) {
            out << FramingText(f.framing) << " (--baud " << f.framing.baud << " --parity " << f.framing.parity
                << " --stop " << f.framing.stopBits << "):";
            for (const FoundDevice& d : f.found) out << " " << d.number << " " << ModelName(d.model) << ";";
            out << "\n";
        }
        if (r.found.empty()) out << "ни при одной из " << r.tried << " настроек устройства не ответили\n";
    }
    out.flush();
    if (r.stopCode > 0) {
        s.LineFailed(0, r.stopCode);
        return kExitLine;
    }
    if (r.stopCode < 0) {
        s.LineFailed(0, kOpenFailed);
        return kExitLine;
    }
    return r.found.empty() ? kExitLine : 0;
}

void PrintStats(const LineStats& stats, bool json, std::ostream& out) {
    if (json) {
        QJsonArray a;
        for (const DeviceStats& d : stats.Devices()) a.append(StatsJson(d));
        const QJsonObject j{{"stats", QJsonObject{{"devices", a}, {"total", StatsJson(stats.Total())}}}};
        out << QJsonDocument(Versioned(j)).toJson(QJsonDocument::Compact).toStdString() << "\n";
        return;
    }
    out << "статистика линии (попытки: нет ответа, неполный, CRC, чужой ответ; ответ, мс: мин/медиана/макс)\n"
        << "устр.  обменов попыток нет_отв неполн   CRC чужой  искл.  ответ, мс      неудачных\n";
    for (const DeviceStats& d : stats.Devices()) out << StatsRow(std::to_string(d.device), d);
    out << StatsRow("всего", stats.Total());
}

}  // namespace tservice::cli
