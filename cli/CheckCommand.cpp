#include "CheckCommand.h"

#include <istream>
#include <optional>
#include <ostream>

#include <QDateTime>
#include <QJsonDocument>

#include "CheckReport.h"
#include "Commands.h"
#include "Describe.h"
#include "ExitCodes.h"
#include "FilePath.h"
#include "Journal.h"
#include "Report.h"
#include "SetupReport.h"
#include "Session.h"

namespace tservice::cli {

namespace {

enum class Answer { Value, Empty, Ended };

// One operator line: empty, a number, or the end of input; anything else is
// refused with a message and asked again.
Answer Ask(std::istream& in, std::ostream& prompts, IMessages& messages, const std::string& prompt, double& value) {
    for (;;) {
        prompts << prompt << std::flush;
        std::string line;
        if (!std::getline(in, line)) {
            prompts << "\n";
            return Answer::Ended;
        }
        if (line.find_first_not_of(" \t\r") == std::string::npos) return Answer::Empty;
        if (ParseOperatorNumber(line, value)) return Answer::Value;
        messages.Plain(" Ошибка ввода : ожидается число, получено \"" + line + "\"");
    }
}

int Stop(IMessages& messages, const std::string& text) {
    messages.Show({text, "Ошибка", MsgIcon::Error});
    return kExitRefused;
}

// Applies, measures and judges point i; false (with exit) when it ended
// without a value.
bool CheckOnePoint(TComPortClass& link, IClock& clock, IMessages& messages, const Options& o, std::istream& in,
                   std::ostream& prompts, CheckRecord& record, DeviceImage& image, int nu, std::size_t i, int& exit) {
    const int count = static_cast<int>(o.points.size());
    CheckPoint p;
    p.percent = o.points[i];
    p.nominal = p.reference = NominalAt(record.scale, p.percent);
    const std::string head = PointPrompt(static_cast<int>(i), count, p, record.scale);
    const Answer a = Ask(in, prompts, messages,
                         head + "; Enter - номинал, или поданное значение, " + record.scale.unit + ": ", p.reference);
    if (a == Answer::Ended) {
        exit = Stop(messages, "проверка прервана: ввод закончился; точка " + std::to_string(i + 1) + " не записана");
        return false;
    }
    Stability rule = DefaultStability(PermittedError(o.tolerance, record.scale), CodeStep(image, record.scale));
    rule.samples = o.samples;
    const PointReading r = MeasurePoint(link, clock, image, nu, rule);
    if (!r.ok) {
        messages.Show({PointFailureText(r, nu, link.PortName, rule), "Ошибка", MsgIcon::Error});
        exit = r.code == 0 ? kExitRefused : link.LastException ? kExitDevice : kExitLine;
        if (r.code == kPortClosed) link.ClosePort();
        return false;
    }
    p.measured = r.mean;
    p.readings = r.readings;
    p.sost = r.sost;
    if (o.output) {
        const Answer out = Ask(in, prompts, messages, "  ток по образцовому миллиамперметру, мА (Enter - не проверять): ",
                               p.outputMa);
        p.hasOutput = out == Answer::Value;
    }
    JudgePoint(p, o.tolerance, record.scale);
    prompts << "  измерено " << ScaleNumber(p.measured) << ", погрешность " << ScaleNumber(p.error) << ", допуск "
            << ScaleNumber(p.permitted) << " " << record.scale.unit << ": " << VerdictText(p.pass)
            << (p.Overflow() ? " (перегрузка)" : "") << (p.Alarm() ? " (сигнализация)" : "") << "\n";
    record.points.push_back(p);
    return true;
}

}  // namespace

int RunCheck(TComPortClass& link, IClock& clock, IMessages& messages, const Options& o, std::istream& in,
             std::ostream& prompts, CheckRecord& record, DeviceImage& image) {
    int nu = o.device - 1;
    int failure = kExitRefused;
    if (!ReadChecked(link, messages, image, nu, &failure)) return failure;
    CheckRecord r;
    if (!CheckScaleOf(image, r.scale))
        return Stop(messages, "устройство " + std::to_string(nu + 1) + " - диапазон не определен, проверка невозможна");
    const Reading described = Describe(image, nu + 1);
    r.time = QDateTime::currentDateTime();
    r.device = nu + 1;
    r.model = image.Tip;
    r.version = image.Ver;
    r.modelName = described.modelName;
    r.sensor = described.sensor;
    r.stage = o.stage;
    r.tolerance = o.tolerance;
    r.port = link.PortName;
    int exit = 0;
    for (std::size_t i = 0; i < o.points.size(); ++i) {
        if (!CheckOnePoint(link, clock, messages, o, in, prompts, r, image, nu, i, exit)) {
            record = std::move(r);
            return exit;
        }
    }
    record = std::move(r);
    return record.Pass() ? kExitOk : kExitCheckFailed;
}

namespace {

void PrintText(const CheckRecord& r, std::ostream& out) {
    out << "проверка " << StageText(r.stage) << ": устройство " << r.device << " " << r.modelName << ", диапазон "
        << ScaleNumber(r.scale.from) << "…" << ScaleNumber(r.scale.to) << " " << r.scale.unit << "\n";
    out << "точка,% номинал эталон измерено погрешность допуск вывод\n";
    for (const CheckPoint& p : r.points)
        out << ScaleNumber(p.percent) << " " << ScaleNumber(p.nominal) << " " << ScaleNumber(p.reference) << " "
            << ScaleNumber(p.measured) << " " << ScaleNumber(p.error) << " " << ScaleNumber(p.permitted) << " "
            << VerdictText(p.pass) << "\n";
    out << "заключение: " << VerdictText(r.Pass()) << "\n";
}

// The certificate from the journal when one is kept (this check is its last
// entry), otherwise from this check alone.
bool WriteCertificate(const Options& o, const QString& journal, const CheckRecord& r, std::string& error) {
    CertificateChecks checks;
    if (!journal.isEmpty()) checks = FindCertificateChecks(ReadJournal(journal, r.device).entries);
    if (r.stage == CheckStage::Left ? !checks.hasLeft : !checks.hasFound) {
        checks = {};
        (r.stage == CheckStage::Left ? checks.left : checks.found) = r;
        (r.stage == CheckStage::Left ? checks.hasLeft : checks.hasFound) = true;
    }
    const bool pdf = !o.pdf.empty();
    return WriteSetupReport(CertificateHtml(checks, QDateTime::currentDateTime()),
                            PathFromBytes(pdf ? o.pdf : o.html), pdf, error);
}

}  // namespace

int CheckCommand(LineSession& s, const Options& o, std::istream& in, std::ostream& out, std::ostream& err) {
    CheckRecord record;
    DeviceImage image;
    const int exit = RunCheck(s.link, s.clock, s.messages, o, in, err, record, image);
    if (exit != kExitOk && exit != kExitCheckFailed) return exit;
    record.conditions = LoadCheckConditions();
    const QString journal = JournalFile(o);
    std::string error;
    if (!journal.isEmpty() && !AppendJournal(journal, MakeCheckJournalEntry(record, image), error))
        s.messages.Plain(error);
    if (o.json)
        out << QJsonDocument(Versioned(CheckToJson(record))).toJson(QJsonDocument::Indented).toStdString();
    else
        PrintText(record, out);
    out.flush();
    if ((!o.pdf.empty() || !o.html.empty()) && !WriteCertificate(o, journal, record, error)) {
        s.messages.Plain(error);
        return kExitRefused;
    }
    return exit;
}

}  // namespace tservice::cli
