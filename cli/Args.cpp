#include "Args.h"

#include "Protocol.h"

#include <algorithm>
#include <set>

#include <QCommandLineParser>

#include "FilePath.h"
#include "Number.h"
#include "PortList.h"

#include "Edits.h"

#ifndef TSERVICE_VERSION
#define TSERVICE_VERSION "0"
#endif

namespace tservice::cli {

namespace {

int ToInt(const std::string& option, const std::string& text, int lo, int hi) {
    const std::optional<int> v = ReadWhole(text, lo, hi);
    if (!v)
        throw UsageError(option + ": ожидается целое число от " + std::to_string(lo) + " до " +
                         std::to_string(hi) + ", получено \"" + text + "\"");
    return *v;
}

double ToPositive(const std::string& option, const std::string& text) {
    const std::optional<double> v = ReadNumber(text, kTypedNumber);
    if (!v || !(*v > 0) || *v > 86400)
        throw UsageError(option + ": ожидается положительное число секунд, получено \"" + text + "\"");
    return *v;
}

EchoMode ParseEcho(const std::string& v) {
    if (v == "off") return EchoMode::Off;
    if (v == "on") return EchoMode::On;
    if (v == "auto") return EchoMode::Auto;
    throw UsageError("--echo: допустимы off, on, auto");
}

// off | kernel[:BEFORE:AFTER] | soft[:BEFORE:AFTER], delays in ms.
void ParseRts(const std::string& v, LineOptions& o) {
    const auto colon = v.find(':');
    const std::string mode = v.substr(0, colon);
    if (mode == "off" && colon == std::string::npos) o.rts = RtsMode::Off;
    else if (mode == "kernel") o.rts = RtsMode::Kernel;
    else if (mode == "soft") o.rts = RtsMode::Soft;
    else throw UsageError("--rts: допустимы off, kernel, soft, с задержками kernel:ДО:ПОСЛЕ или soft:ДО:ПОСЛЕ (мс)");
    o.rtsBeforeMs = o.rtsAfterMs = 0;
    if (colon == std::string::npos) return;
    const std::string delays = v.substr(colon + 1);
    const auto second = delays.find(':');
    if (second == std::string::npos) throw UsageError("--rts: задержки пишутся ДО:ПОСЛЕ, например soft:1:2");
    o.rtsBeforeMs = ToInt("--rts", delays.substr(0, second), 0, 100);
    o.rtsAfterMs = ToInt("--rts", delays.substr(second + 1), 0, 100);
}

using Apply = void (*)(Options&, const std::string&);

// One option: its name, the value's placeholder (null for a flag; "[=...]"
// for a value that may be left out, given only after "="), what it means with
// its unit and default, and how it lands in Options.
struct OptionEntry {
    const char* name;
    const char* value;
    const char* help;
    Apply apply;
};

const std::vector<OptionEntry> kLineOptions{
    {"port", "ПОРТ", "порт линии: /dev/ttyUSB0, ttyUSB0 или шлюз tcp://УЗЕЛ:ПОРТ (обязателен)",
     [](Options& o, const std::string& v) {
         std::string error;
         if (IsTcpPortName(v) && !ParseTcpPortName(v, nullptr, &error)) throw UsageError("--port: " + error);
         o.port = v;
     }},
    {"baud", "БИТ/С", "скорость, бит/с: 9600, 19200, 57600 или 115200; по умолчанию 9600",
     [](Options& o, const std::string& v) {
         o.baud = ToInt("--baud", v, 1, 1000000);
         if (o.baud != 9600 && o.baud != 19200 && o.baud != 57600 && o.baud != 115200)
             throw UsageError("--baud: допустимы 9600, 19200, 57600, 115200");
     }},
    {"parity", "N|O|E", "четность: N нет, O нечет, E чет (не с двумя стоповыми битами); по умолчанию N",
     [](Options& o, const std::string& v) {
         if (v != "N" && v != "O" && v != "E") throw UsageError("--parity: допустимы N, O, E");
         o.parity = v[0];
     }},
    {"stop", "1|2", "стоповых битов: 1 или 2; по умолчанию 2",
     [](Options& o, const std::string& v) { o.stop = ToInt("--stop", v, 1, 2); }},
    {"delay", "МС", "пауза перед каждым запросом, мс, 1…100; по умолчанию 25",
     [](Options& o, const std::string& v) { o.delay = ToInt("--delay", v, 1, 100); }},
    {"device", "N", "номер устройства на линии, 1…32; по умолчанию 1",
     [](Options& o, const std::string& v) { o.device = ToInt("--device", v, 1, kLineSize); }},
    {"echo", "off|on|auto", "эхо запроса от адаптера: off нет, on всегда, auto узнать по первой "
                            "идентификации; по умолчанию auto",
     [](Options& o, const std::string& v) { o.adapter.echo = ParseEcho(v); }},
    {"rts", "off|kernel|soft[:ДО:ПОСЛЕ]", "управление направлением по RTS: off нет (адаптер сам), kernel "
                                          "драйвер (TIOCSRS485), soft программа; ДО и ПОСЛЕ - задержки, мс, "
                                          "0…100; по умолчанию off",
     [](Options& o, const std::string& v) { ParseRts(v, o.adapter); }},
    {"stats", nullptr, "после команды - статистика линии по устройствам: обмены, попытки, сбои, время ответа",
     [](Options& o, const std::string&) { o.stats = true; }},
    {"trace", "[=ФАЙЛ]", "каждый кадр обмена с расшифровкой: в поток ошибок или в ФАЙЛ",
     [](Options& o, const std::string& v) {
         o.trace = true;
         o.traceFile = v;
     }},
};

const std::vector<OptionEntry> kCommandOptions{
    {"max", "N", "опросить номера 1…N, N от 1 до 32; по умолчанию 32",
     [](Options& o, const std::string& v) { o.max = ToInt("--max", v, 1, kLineSize); }},
    {"all", nullptr, "перебрать все настройки, а не остановиться на первой, при которой кто-то ответил",
     [](Options& o, const std::string&) { o.all = true; }},
    {"fast", nullptr, "быстрый опрос: ответ ждать по времени передачи на линии, а не 1300 мс",
     [](Options& o, const std::string&) { o.fast = true; }},
    {"timeout", "МС", "ожидание ответа при --fast, мс, 1…10000; по умолчанию по скорости линии",
     [](Options& o, const std::string& v) { o.timeoutMs = ToInt("--timeout", v, 1, 10000); }},
    {"json", nullptr, "вывод в JSON для программ: числа с точкой, \"format\": 1 (watch: объект на строку); "
                      "по умолчанию текст",
     [](Options& o, const std::string&) { o.json = true; }},
    {"csv", nullptr, "строки через «;» с заголовком; по умолчанию через пробел",
     [](Options& o, const std::string&) { o.csv = true; }},
    {"interval", "С", "период опроса, с, дробное с точкой или запятой; по умолчанию 3",
     [](Options& o, const std::string& v) { o.interval = ToPositive("--interval", v); }},
    {"count", "K", "число измерений, 1…1000000000; по умолчанию до сбоя или Ctrl+C",
     [](Options& o, const std::string& v) { o.count = ToInt("--count", v, 1, 1000000000); }},
    {"dry-run", nullptr, "только показать изменения, ничего не записывать",
     [](Options& o, const std::string&) { o.dryRun = true; }},
    {"with-calibration", nullptr, "взять из файла и калибровку (KBegSk, KEndSk, BegSkTxc, EndSkTxc, "
                                  "Current, CurrentEnd); по умолчанию остается калибровка устройства",
     [](Options& o, const std::string&) { o.withCalibration = true; }},
    {"journal", "ФАЙЛ", "журнал изменений в ФАЙЛ; по умолчанию TSERVICE_JOURNAL или "
                        "~/.local/share/tservice/journal.jsonl",
     [](Options& o, const std::string& v) { o.journal = v; }},
    {"no-journal", nullptr, "не вести журнал изменений",
     [](Options& o, const std::string&) { o.noJournal = true; }},
    {"operator", "ИМЯ", "кто работает, для журнала изменений; по умолчанию имя пользователя системы",
     [](Options& o, const std::string& v) {
         const QString name = QString::fromStdString(v).simplified();
         if (name.isEmpty()) throw UsageError("--operator: нужно имя");
         o.operatorName = name.toStdString();
     }},
    {"verify", nullptr, "проверить контрольную цепочку журнала: назвать первую измененную, удаленную "
                        "или вставленную строку",
     [](Options& o, const std::string&) { o.verify = true; }},
    {"pdf", "ФАЙЛ", "отчет в PDF (report: о настройке, check: протокол калибровки)",
     [](Options& o, const std::string& v) { o.pdf = v; }},
    {"html", "ФАЙЛ", "отчет в HTML (report: о настройке, check: протокол калибровки)",
     [](Options& o, const std::string& v) { o.html = v; }},
    {"points", "П1,П2,...", "точки проверки, % диапазона 0…100, через запятую, дробные с точкой; "
                            "по умолчанию 0,25,50,75,100",
     [](Options& o, const std::string& v) {
         if (!ParsePoints(v, o.points)) throw UsageError("--points: ожидаются от 1 до 21 чисел 0…100 через запятую");
     }},
    {"tolerance", "ДОПУСК", "допускаемая погрешность: в единицах шкалы (0.5 - °C для ТЕВ, % для ЛАДР и ОСКИ) "
                            "или в % диапазона (0.25%) (обязателен)",
     [](Options& o, const std::string& v) {
         if (!ParseTolerance(v, o.tolerance))
             throw UsageError("--tolerance: ожидается положительное число, например 0.5 или 0.25%");
     }},
    {"stage", "found|left", "этап: found до регулировки, left после регулировки; по умолчанию found",
     [](Options& o, const std::string& v) {
         if (!ParseStage(v, o.stage)) throw UsageError("--stage: допустимы found, left");
     }},
    {"samples", "N", "отсчетов подряд в полосе стабильности, их среднее - измеренное значение, 2…100; "
                     "по умолчанию 5",
     [](Options& o, const std::string& v) { o.samples = ToInt("--samples", v, 2, 100); }},
    {"output", nullptr, "в каждой точке спросить ток по образцовому миллиамперметру, мА, и проверить выход",
     [](Options& o, const std::string&) { o.output = true; }},
    {"input", "ФАЙЛ", "входы устройств во время работы: строки \"АДРЕС ПРОЦЕНТ\" (вход в % шкалы), "
                      "файл перечитывается при каждом изменении",
     [](Options& o, const std::string& v) { o.inputFile = v; }},
    {"sensor", "ТИП", "тип датчика, как в списке окна, например Pt100 (обязателен)",
     [](Options& o, const std::string& v) { o.sensor = v; }},
    {"from", "Т1", "нижний предел, °C, с точкой или запятой (обязателен)",
     [](Options& o, const std::string& v) { o.from = v; }},
    {"to", "Т2", "верхний предел, °C, с точкой или запятой (обязателен)",
     [](Options& o, const std::string& v) { o.to = v; }},
    {"tables", "КАТАЛОГ", "искать таблицы датчиков сначала здесь; по умолчанию рабочий каталог, "
                          "затем каталоги установленной программы",
     [](Options& o, const std::string& v) { o.tablesDir = v; }},
    {"link", "ПУТЬ", "создать ссылку ПУТЬ на псевдотерминал линии (или --tcp)",
     [](Options& o, const std::string& v) { o.link = v; }},
    {"tcp", "УЗЕЛ:ПОРТ", "линия на TCP вместо псевдотерминала, например 127.0.0.1:4001 (0 - любой "
                         "свободный); скорость и формат байта из --baud, --parity, --stop",
     [](Options& o, const std::string& v) { o.tcp = v; }},
    {"latency", "МС", "sim: задержка адаптера (USB) для эха и ответов, мс, 0…1000; по умолчанию 0",
     [](Options& o, const std::string& v) { o.latencyMs = ToInt("--latency", v, 0, 1000); }},
    {"turnaround", "МС", "sim: пауза устройства между запросом и ответом, мс, 0…1000; по умолчанию 5",
     [](Options& o, const std::string& v) { o.turnaroundMs = ToInt("--turnaround", v, 0, 1000); }},
    {"dev", "АДРЕС:МОДЕЛЬ:ВЕРСИЯ", "устройство линии (модель кодом 100…103 или названием), можно "
                                   "повторять; по умолчанию четыре демонстрационных",
     [](Options& o, const std::string& v) { o.devs.push_back(v); }},
    {"fault", "АДРЕС:ВИД[=ЗНАЧЕНИЕ]", "сбой устройства: silent, short, body, crc, exception=КОД, "
                                      "drop|truncate|corrupt=ДОЛЯ 0…1, late=МС, seed=N, listen=БИТ/С:N|O|E:1|2 "
                                      "(слышит только при этих настройках), mute-after-write (молчит после записи), "
                                      "nu=N (хранит номер N); можно повторять",
     [](Options& o, const std::string& v) { o.faults.push_back(v); }},
};

struct CommandEntry {
    const char* name;
    const char* summary;
    const char* args;     // positional arguments for the synopsis, "" when none
    bool line;            // takes the line options
    std::vector<const char*> options;
    const char* example;
};

const std::vector<CommandEntry> kCommands{
    {"ports", "список последовательных портов", "", false, {}, "tservicectl ports"},
    {"scan", "поиск устройств на линии", "", true, {"max", "fast", "timeout", "json"},
     "tservicectl scan --port /dev/ttyUSB0 --max 8 --json"},
    {"find", "поиск настроек линии: скорость, четность и стоповые биты, при которых отвечают устройства", "",
     true, {"max", "all", "json"}, "tservicectl find --port /dev/ttyUSB0 --max 8"},
    {"read", "чтение устройства: параметры, измерение, блок", "", true, {"json"},
     "tservicectl read --port /dev/ttyUSB0 --device 3 --json"},
    {"watch", "измерение через равные промежутки, строка на каждое", "", true, {"interval", "count", "csv", "json"},
     "tservicectl watch --port /dev/ttyUSB0 --device 3 --interval 0.5 --count 10 --csv"},
    {"set", "изменить поля и записать в устройство с проверкой", "ПОЛЕ=ЗНАЧЕНИЕ...", true,
     {"dry-run", "journal", "no-journal", "operator"},
     "tservicectl set --port /dev/ttyUSB0 --device 3 alarm=LL setpoint1=12.5 address=7"},
    {"save", "сохранить набор параметров устройства в файл", "ФАЙЛ", true, {},
     "tservicectl save --port /dev/ttyUSB0 --device 3 set.json"},
    {"load", "записать набор параметров из файла в устройство", "ФАЙЛ", true, {"dry-run", "with-calibration", "journal", "no-journal", "operator"},
     "tservicectl load --port /dev/ttyUSB0 --device 5 set.json --dry-run"},
    {"report", "отчет о настройке устройства: параметры, измерение, журнал", "", true, {"pdf", "html", "journal"},
     "tservicectl report --port /dev/ttyUSB0 --device 3 --pdf report.pdf"},
    {"check", "проверка погрешности по эталону в точках диапазона, протокол калибровки", "", true,
     {"tolerance", "points", "stage", "samples", "output", "json", "pdf", "html", "journal", "no-journal"},
     "tservicectl check --port /dev/ttyUSB0 --device 2 --tolerance 0.25% --stage found --pdf protocol.pdf"},
    {"backup", "сохранить наборы параметров всех найденных устройств в КАТАЛОГ", "КАТАЛОГ", true,
     {"max", "fast", "timeout"}, "tservicectl backup --port /dev/ttyUSB0 --max 8 --fast line-backup"},
    {"restore", "записать наборы параметров из КАТАЛОГА в устройства по их номерам", "КАТАЛОГ", true,
     {"with-calibration", "journal", "no-journal", "operator"}, "tservicectl restore --port /dev/ttyUSB0 line-backup"},
    {"range", "расчет нестандартного диапазона по таблице датчика", "", false,
     {"sensor", "from", "to", "tables", "json"}, "tservicectl range --sensor Pt100 --from -50 --to 30.5 --json"},
    {"sim", "имитация линии с устройствами на псевдотерминале", "", false, {"link", "tcp", "dev", "fault", "echo", "latency", "turnaround", "input", "baud", "parity", "stop"},
     "tservicectl sim --link /tmp/line --dev 3:102:4 --fault 3:drop=0.1"},
    {"journal", "проверка журнала изменений: цел ли он", "[ФАЙЛ]", false, {"verify"},
     "tservicectl journal --verify ~/.local/share/tservice/journal.jsonl"},
};

const CommandEntry* FindCommand(const std::string& name) {
    for (const auto& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

const OptionEntry& FindOption(const std::string& name) {
    for (const auto* table : {&kLineOptions, &kCommandOptions})
        for (const auto& o : *table)
            if (name == o.name) return o;
    throw std::logic_error("option " + name + " missing from the table");
}

std::vector<const OptionEntry*> OptionsOf(const CommandEntry& c) {
    std::vector<const OptionEntry*> all;
    for (const char* n : c.options) all.push_back(&FindOption(n));
    if (c.line)
        for (const auto& o : kLineOptions) all.push_back(&o);
    return all;
}

void CheckComplete(const Options& o, std::size_t positionals) {
    const std::string& c = o.command;
    if ((c == "save" || c == "load") && positionals != 1)
        throw UsageError(c + ": нужен ровно один файл");
    if ((c == "backup" || c == "restore") && positionals != 1)
        throw UsageError(c + ": нужен ровно один каталог");
    if (c == "set" && o.edits.empty()) throw UsageError("set: нужно хотя бы одно ПОЛЕ=ЗНАЧЕНИЕ");
    if (c != "set" && c != "save" && c != "load" && c != "backup" && c != "restore" &&
        positionals > (c == "journal" ? 1u : 0u))
        throw UsageError(c + ": лишний аргумент");
    if (c == "journal" && !o.verify) throw UsageError("journal: нужен --verify");
    if (c == "range" && (o.sensor.empty() || o.from.empty() || o.to.empty()))
        throw UsageError("range: нужны --sensor, --from и --to");
    if (o.csv && o.json) throw UsageError(c + ": --csv и --json вместе недопустимы");
    if (c == "sim" && o.link.empty() == o.tcp.empty())
        throw UsageError("sim: нужен --link ПУТЬ или --tcp 127.0.0.1:ПОРТ");
    if (o.timeoutMs > 0 && !o.fast) throw UsageError("--timeout: только вместе с --fast");
    if (c == "check" && !(o.tolerance.value > 0)) throw UsageError("check: нужен --tolerance ДОПУСК");
    if (c == "check" && !o.pdf.empty() && !o.html.empty()) throw UsageError("check: либо --pdf ФАЙЛ, либо --html ФАЙЛ");
    if (c == "report" && o.pdf.empty() == o.html.empty()) throw UsageError("report: нужен либо --pdf ФАЙЛ, либо --html ФАЙЛ");
    if (o.noJournal && !o.journal.empty()) throw UsageError("--journal и --no-journal несовместимы");
    if (FindCommand(c)->line && o.port.empty()) throw UsageError(c + ": нужен --port ПОРТ");
    if (FindCommand(c)->line && o.adapter.rts != RtsMode::Off && IsTcpPortName(o.port))
        throw UsageError("--rts: управление RTS недоступно на шлюзе TCP, направление переключает сам шлюз");
    if (FindCommand(c)->line && o.parity == 'E' && o.stop == 2)
        throw UsageError("Ошибочные данные : четность \"чет\" с двумя стоповыми битами недопустима");
}

// QCommandLineParser reports in English; the same faults in the tool's words.
[[noreturn]] void Refuse(const CommandEntry& c, const QCommandLineParser& parser, const std::vector<std::string>& args) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const std::string n = unknown.first().toStdString();
        throw UsageError(std::string(c.name) + ": неизвестный параметр " + (n.size() == 1 ? "-" : "--") + n);
    }
    if (!args.empty() && args.back().rfind("--", 0) == 0) throw UsageError(args.back() + ": нет значения");
    throw UsageError(std::string(c.name) + ": " + parser.errorText().toStdString());
}

void Positional(Options& o, const std::string& a, std::size_t& positionals) {
    ++positionals;
    if (o.command != "set") {
        o.file = a;
        return;
    }
    if (a.find('=') == std::string::npos) throw UsageError("set: ожидается ПОЛЕ=ЗНАЧЕНИЕ, получено \"" + a + "\"");
    o.edits.push_back(a);
}

std::string OptionLine(const OptionEntry& o) {
    std::string head = std::string("  --") + o.name + (o.value ? (*o.value == '[' ? "" : " ") + std::string(o.value) : "");
    const std::size_t width = 28;
    const std::size_t shown = QString::fromStdString(head).size();
    head += shown < width ? std::string(width - shown, ' ') : "\n" + std::string(width, ' ');
    return head + o.help + "\n";
}

std::string ExitCodesText() {
    return "Коды завершения:\n"
           "  0  успех\n"
           "  1  отказ по правилу устройства или файла (ничего не передано)\n"
           "  2  ошибка командной строки, в том числе неизвестное поле (линия не тронута)\n"
           "  3  сбой линии: нет ответа, неполный ответ, контрольная сумма, порт\n"
           "  4  устройство ответило исключением\n"
           "  5  проверка проведена, погрешность в какой-либо точке больше допускаемой\n"
           "Сообщения о линии кончаются кодом результата, например \"(код 130)\".\n";
}

std::string ProgramHelp() {
    std::string s = "tservicectl - командная строка сервиса датчиков ЛАДР, ТЕВ-ТС, ТЕВ-ТП, ОСКИ\n\n" + UsageHint() +
                    "\n       tservicectl КОМАНДА --help\n       tservicectl --version\n\nКоманды:\n";
    for (const auto& c : kCommands) {
        std::string name = std::string("  ") + c.name;
        s += name + std::string(10 - name.size(), ' ') + c.summary + "\n";
    }
    std::string withLine;
    for (const auto& c : kCommands)
        if (c.line) withLine += (withLine.empty() ? "" : ", ") + std::string(c.name);
    s += "\nПараметры линии (" + withLine + "):\n";
    for (const auto& o : kLineOptions) s += OptionLine(o);
    return s + "\nЧисла вводятся с точкой или запятой.\n\n" + ExitCodesText();
}

}  // namespace

std::string UsageHint() {
    return "использование: tservicectl {ports|scan|find|read|watch|set|save|load|report|check|backup|restore|range|sim|journal} [параметры]";
}

std::string VersionText() { return "tservicectl " TSERVICE_VERSION; }

std::vector<std::string> CommandNames() {
    std::vector<std::string> names;
    for (const auto& c : kCommands) names.emplace_back(c.name);
    return names;
}

std::vector<std::string> CommandOptionNames(const std::string& command) {
    std::vector<std::string> names;
    if (const CommandEntry* c = FindCommand(command))
        for (const OptionEntry* o : OptionsOf(*c)) names.emplace_back(o->name);
    return names;
}

std::string HelpText(const std::string& command) {
    const CommandEntry* c = FindCommand(command);
    if (c == nullptr) return ProgramHelp();
    std::string s = std::string("tservicectl ") + c->name + " - " + c->summary + "\n\nиспользование: tservicectl " +
                    c->name + (c->line ? " --port ПОРТ" : "") + " [параметры]" + (*c->args ? " " : "") + c->args +
                    "\n";
    if (std::string(c->name) == "set")
        s += "\nПоля:\n" + EditableFieldsHelp() + "Числа с точкой или запятой: setpoint1=12.5 или setpoint1=12,5.\n";
    s += "\nПараметры:\n";
    for (const OptionEntry* o : OptionsOf(*c)) s += OptionLine(*o);
    s += "  -h, --help                справка по команде\n\nПример:\n  " + std::string(c->example) + "\n\n";
    return s + ExitCodesText();
}

Options ParseArgs(const std::vector<std::string>& args) {
    Options o;
    if (args.empty()) throw UsageError("не указана команда");
    if (args[0] == "--help" || args[0] == "-h") {
        o.help = true;
        return o;
    }
    if (args[0] == "--version") {
        o.version = true;
        return o;
    }
    o.command = args[0];
    const CommandEntry* c = FindCommand(o.command);
    if (c == nullptr) throw UsageError("неизвестная команда \"" + o.command + "\"");
    const std::vector<const OptionEntry*> entries = OptionsOf(*c);

    QCommandLineParser parser;
    parser.addOption(QCommandLineOption(QStringList{"h", "help"}));
    for (const OptionEntry* s : entries) {
        if (s->value && *s->value == '[') continue;  // taken before the parser
        QCommandLineOption opt(QString::fromUtf8(s->name));
        if (s->value) opt.setValueName(QString::fromUtf8(s->value));
        parser.addOption(opt);
    }
    QStringList list{"tservicectl"};
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto eq = a.find('=');
        const std::string name = a.rfind("--", 0) == 0 ? a.substr(2, eq == std::string::npos ? eq : eq - 2) : "";
        const auto entry = std::find_if(entries.begin(), entries.end(), [&](const OptionEntry* s) { return name == s->name; });
        if (entry != entries.end() && !(*entry)->value && eq != std::string::npos)
            throw UsageError("--" + name + " не принимает значения");
        if (entry != entries.end() && (*entry)->value && *(*entry)->value == '[') {
            if (eq != std::string::npos && eq + 1 == a.size()) throw UsageError("--" + name + "=: нужно имя файла");
            (*entry)->apply(o, eq == std::string::npos ? "" : a.substr(eq + 1));
            continue;
        }
        list << PathFromBytes(a);  // a file name may be any bytes
    }
    if (!parser.parse(list)) Refuse(*c, parser, args);
    if (parser.isSet("help")) {
        o.help = true;
        return o;
    }
    for (const OptionEntry* s : entries) {
        const QString name = QString::fromUtf8(s->name);
        if ((s->value && *s->value == '[') || !parser.isSet(name)) continue;
        if (!s->value) s->apply(o, "");
        for (const QString& v : parser.values(name)) s->apply(o, PathBytes(v));
    }
    std::size_t positionals = 0;
    for (const QString& a : parser.positionalArguments()) Positional(o, PathBytes(a), positionals);
    CheckComplete(o, o.command == "set" ? 0 : positionals);
    if (o.command == "set")
        if (const std::string why = CheckEditWords(o.edits); !why.empty()) throw UsageError("set: " + why);
    if (o.json && o.csv) throw UsageError(o.command + ": --json и --csv вместе недопустимы");
    return o;
}

}  // namespace tservice::cli
