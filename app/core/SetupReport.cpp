#include "SetupReport.h"

#include <QBuffer>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include "CheckReport.h"
#include "Describe.h"
#include "FilePath.h"
#include "Models.h"

namespace tservice {

namespace {

QString E(const std::string& s) { return QString::fromStdString(s).toHtmlEscaped(); }

QString Row(std::initializer_list<QString> cells, bool head = false) {
    QString r = QStringLiteral("<tr>");
    for (const QString& c : cells) r += (head ? "<th>" : "<td>") + c + (head ? "</th>" : "</td>");
    return r + "</tr>\n";
}

QString Table(const QString& rows) {
    return "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n" + rows + "</table>\n";
}

QString Identification(const ReportInput& in, const Reading& r) {
    QString rows;
    rows += Row({"Дата", in.date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))});
    rows += Row({"Порт", E(in.port)});
    rows += Row({"Устройство №", QString::number(in.device)});
    rows += Row({"Модель", E(r.modelName) + " (" + QString::number(r.model) + ")"});
    rows += Row({"Версия", QString::number(r.version)});
    rows += Row({"Тип прибора", E(r.panel)});
    rows += Row({"Режим", r.privileged ? "привилегированный" : "непривилегированный"});
    return "<h2>Прибор</h2>\n" + Table(rows);
}

QString Parameters(const Reading& r) {
    QString rows = Row({"Параметр", "Значение", "Код"}, true);
    // Words with the block's name beside them, for whoever checks the codes.
    for (const ParameterRow& p : ParameterRows(r))
        rows += Row({E(p.field.empty() || p.field == "NonStandY" ? p.label : FieldWordAndName(p.field)), E(p.value),
                     E(p.code)});
    return "<h2>Параметры</h2>\n" + Table(rows) + "<p>Блок параметров: <tt>" + E(r.raw) + "</tt></p>\n";
}

QString Measurement(const Reading& r) {
    QString rows;
    rows += Row({"результат", E(r.value + " " + r.valueUnit + ", " + r.percent + " %")});
    rows += Row({"состояние", E(StateWords(r))});
    for (const auto& [field, code] : r.measurement) rows += Row({E(FieldWordAndName(field)), QString::number(code)});
    if (RulesFor(r.model, r.version).hasColdJunction) rows += Row({"Тхс", r.coldJunctionFaulty ? "неисправен" : E(r.coldJunction + " °C")});
    return "<h2>Последнее измерение</h2>\n" + Table(rows);
}

QString JournalPart(const std::vector<JournalEntry>& journal) {
    QString html = QStringLiteral("<h2>Журнал изменений</h2>\n");
    if (journal.empty()) return html + "<p>записей нет</p>\n";
    QString rows = Row({"Время", "Устройство", "Оператор", "Изменения"}, true);
    for (const JournalEntry& e : journal) {
        QString changes;
        CheckRecord check;
        if (e.kind == "check" && CheckFromJson(e.check, check)) changes = E(CheckSummary(check));
        for (const FieldChange& c : e.changes) {
            changes += E(ChangeLine(c) + AsFoundNote(c)) + "<br>";
        }
        QString device = QString::number(e.deviceBefore);
        if (e.deviceAfter != e.deviceBefore) device += " → " + QString::number(e.deviceAfter);
        const std::string who = e.operatorName + (e.host.empty() ? "" : ", " + e.host);
        rows += Row({e.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), device, E(who),
                     changes.isEmpty() ? "без изменений" : changes});
    }
    return html + Table(rows);
}

// Who set the transmitter up and who checked it, to be signed on paper.
QString Signatures() {
    QString rows;
    for (const char* role : {"Выполнил", "Проверил"})
        rows += Row({QString::fromUtf8(role), QStringLiteral("________________ / ________________ /"),
                     QStringLiteral("«____» ____________ 20___ г.")});
    return "<h2>Подписи</h2>\n" + Table(rows);
}

QString LatestCheck(const std::vector<JournalEntry>& journal) {
    for (auto e = journal.rbegin(); e != journal.rend(); ++e) {
        CheckRecord check;
        if (e->kind == "check" && CheckFromJson(e->check, check))
            return "<h2>Последняя проверка</h2>\n<p>" + check.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                   "</p>\n" + CheckTableHtml(check);
    }
    return {};
}

}  // namespace

QString SetupReportHtml(const ReportInput& in) {
    const Reading r = Describe(*in.image, in.device);
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Отчет о настройке</title></head><body>\n"
           "<h1>Отчет о настройке</h1>\n" +
           Identification(in, r) + Parameters(r) + Measurement(r) + JournalPart(in.journal) + LatestCheck(in.journal) +
           Signatures() + "</body></html>\n";
}

bool WriteSetupReport(const QString& html, const QString& path, bool pdf, std::string& error) {
    QByteArray bytes;
    if (pdf) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        QTextDocument doc;
        doc.setHtml(html);
        writer.setTitle(doc.metaInformation(QTextDocument::DocumentTitle));
        doc.print(&writer);
    } else {
        bytes = html.toUtf8();
    }
    if (WritePath(path, bytes)) return true;
    error = "Файл " + PathShown(path) + " не удается записать";
    return false;
}

}  // namespace tservice
