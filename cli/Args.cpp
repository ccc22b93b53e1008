#include "Args.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "PortList.h"

namespace tservice::cli {

namespace {

const std::array<const char*, 12> kCommands{"ports", "scan", "read",  "watch", "set",    "save",
                                            "load",  "report", "range", "sim", "backup", "restore"};

int ToInt(const std::string& option, const std::string& text, int lo, int hi) {
    int v = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || p != end || v < lo || v > hi)
        throw UsageError(option + ": ожидается целое число от " + std::to_string(lo) + " до " +
                         std::to_string(hi) + ", получено \"" + text + "\"");
    return v;
}

double ToPositive(const std::string& option, const std::string& text) {
    std::string t = text;
    std::replace(t.begin(), t.end(), ',', '.');
    double v = 0;
    const char* end = t.data() + t.size();
    auto [p, ec] = std::from_chars(t.data(), end, v);
    if (ec != std::errc() || p != end || !(v > 0) || v > 86400)
        throw UsageError(option + ": ожидается положительное число секунд, получено \"" + text + "\"");
    return v;
}

bool Allowed(const std::string& cmd, const std::string& opt) {
    static const std::vector<std::pair<std::string, std::vector<std::string>>> own{
        {"scan", {"--max", "--json", "--fast", "--timeout"}},
        {"read", {"--json"}},
        {"watch", {"--interval", "--count", "--csv", "--json"}},
        {"set", {"--dry-run", "--journal", "--no-journal"}},
        {"load", {"--dry-run", "--with-calibration", "--journal", "--no-journal"}},
        {"report", {"--pdf", "--html", "--journal"}},
        {"range", {"--sensor", "--from", "--to", "--tables", "--json"}},
        {"sim", {"--link", "--tcp", "--dev", "--fault", "--baud", "--parity", "--stop"}},
        {"backup", {"--max", "--fast", "--timeout"}},
        {"restore", {"--with-calibration"}},
    };
    static const std::vector<std::string> line{"--port", "--baud", "--parity", "--stop", "--delay", "--device"};
    if (cmd != "range" && cmd != "sim" && cmd != "ports" &&
        std::find(line.begin(), line.end(), opt) != line.end())
        return true;
    for (const auto& [c, opts] : own)
        if (c == cmd) return std::find(opts.begin(), opts.end(), opt) != opts.end();
    return false;
}

void Apply(Options& o, const std::string& opt, const std::string& v) {
    if (opt == "--port") {
        std::string error;
        if (IsTcpPortName(v) && !ParseTcpPortName(v, nullptr, &error)) throw UsageError("--port: " + error);
        o.port = v;
    }
    else if (opt == "--baud") {
        o.baud = ToInt(opt, v, 1, 1000000);
        if (o.baud != 9600 && o.baud != 19200 && o.baud != 57600 && o.baud != 115200)
            throw UsageError("--baud: допустимы 9600, 19200, 57600, 115200");
    } else if (opt == "--parity") {
        if (v != "N" && v != "O" && v != "E") throw UsageError("--parity: допустимы N, O, E");
        o.parity = v[0];
    } else if (opt == "--stop") o.stop = ToInt(opt, v, 1, 2);
    else if (opt == "--delay") o.delay = ToInt(opt, v, 1, 100);
    else if (opt == "--device") o.device = ToInt(opt, v, 1, 32);
    else if (opt == "--max") o.max = ToInt(opt, v, 1, 32);
    else if (opt == "--timeout") o.timeoutMs = ToInt(opt, v, 1, 10000);
    else if (opt == "--interval") o.interval = ToPositive(opt, v);
    else if (opt == "--count") o.count = ToInt(opt, v, 1, 1000000000);
    else if (opt == "--sensor") o.sensor = v;
    else if (opt == "--from") o.from = v;
    else if (opt == "--to") o.to = v;
    else if (opt == "--tables") o.tablesDir = v;
    else if (opt == "--link") o.link = v;
    else if (opt == "--tcp") o.tcp = v;
    else if (opt == "--dev") o.devs.push_back(v);
    else if (opt == "--fault") o.faults.push_back(v);
    else if (opt == "--journal") o.journal = v;
    else if (opt == "--pdf") o.pdf = v;
    else if (opt == "--html") o.html = v;
}

bool IsFlag(const std::string& opt) {
    return opt == "--json" || opt == "--csv" || opt == "--dry-run" || opt == "--fast" ||
           opt == "--with-calibration" || opt == "--no-journal";
}

void CheckComplete(const Options& o, std::size_t positionals) {
    const std::string& c = o.command;
    if ((c == "save" || c == "load") && positionals != 1)
        throw UsageError(c + ": нужен ровно один файл");
    if ((c == "backup" || c == "restore") && positionals != 1)
        throw UsageError(c + ": нужен ровно один каталог");
    if (c == "set" && o.edits.empty()) throw UsageError("set: нужно хотя бы одно ПОЛЕ=ЗНАЧЕНИЕ");
    if (c != "set" && c != "save" && c != "load" && c != "backup" && c != "restore" && positionals != 0)
        throw UsageError(c + ": лишний аргумент");
    if (c == "range" && (o.sensor.empty() || o.from.empty() || o.to.empty()))
        throw UsageError("range: нужны --sensor, --from и --to");
    if (c == "sim" && o.link.empty() == o.tcp.empty())
        throw UsageError("sim: нужен --link ПУТЬ или --tcp 127.0.0.1:ПОРТ");
    if (o.timeoutMs > 0 && !o.fast) throw UsageError("--timeout: только вместе с --fast");
    if (c == "report" && o.pdf.empty() == o.html.empty()) throw UsageError("report: нужен либо --pdf ФАЙЛ, либо --html ФАЙЛ");
    if (o.noJournal && !o.journal.empty()) throw UsageError("--journal и --no-journal несовместимы");
    const bool needsPort = c == "scan" || c == "read" || c == "watch" || c == "set" || c == "save" || c == "load" ||
                           c == "report" || c == "backup" || c == "restore";
    if (needsPort && o.port.empty()) throw UsageError(c + ": нужен --port ИМЯ");
    if (needsPort && o.parity == 'E' && o.stop == 2)
        throw UsageError("Ошибочные данные : четность \"чет\" с двумя стоповыми битами недопустима");
}

}  // namespace

std::string UsageHint() {
    return "использование: tservicectl {ports|scan|read|watch|set|save|load|report|backup|restore|range|sim} [параметры]";
}

Options ParseArgs(const std::vector<std::string>& args) {
    Options o;
    if (args.empty()) throw UsageError("не указана команда");
    o.command = args[0];
    if (std::find(kCommands.begin(), kCommands.end(), o.command) == kCommands.end())
        throw UsageError("неизвестная команда \"" + o.command + "\"");
    std::size_t positionals = 0;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string a = args[i];
        if (a.rfind("--", 0) == 0) {
            std::string value;
            bool hasValue = false;
            if (auto eq = a.find('='); eq != std::string::npos) {
                value = a.substr(eq + 1);
                a = a.substr(0, eq);
                hasValue = true;
            }
            if (a == "--trace" && Allowed(o.command, "--port")) {
                if (hasValue && value.empty()) throw UsageError("--trace=: нужно имя файла");
                o.trace = true;
                o.traceFile = value;
                continue;
            }
            if (!Allowed(o.command, a) && !IsFlag(a))
                throw UsageError(o.command + ": неизвестный параметр " + a);
            if (IsFlag(a)) {
                if (!Allowed(o.command, a)) throw UsageError(o.command + ": неизвестный параметр " + a);
                if (hasValue) throw UsageError(a + " не принимает значения");
                if (a == "--json") o.json = true;
                if (a == "--csv") o.csv = true;
                if (a == "--dry-run") o.dryRun = true;
                if (a == "--fast") o.fast = true;
                if (a == "--with-calibration") o.withCalibration = true;
                if (a == "--no-journal") o.noJournal = true;
                continue;
            }
            if (!hasValue) {
                if (i + 1 >= args.size()) throw UsageError(a + ": нет значения");
                value = args[++i];
            }
            Apply(o, a, value);
        } else if (o.command == "set") {
            if (a.find('=') == std::string::npos) throw UsageError("set: ожидается ПОЛЕ=ЗНАЧЕНИЕ, получено \"" + a + "\"");
            o.edits.push_back(a);
            ++positionals;
        } else {
            o.file = a;
            ++positionals;
        }
    }
    CheckComplete(o, o.command == "set" ? 0 : positionals);
    if (o.json && o.csv) throw UsageError(o.command + ": --json и --csv вместе недопустимы");
    return o;
}

}  // namespace tservice::cli
