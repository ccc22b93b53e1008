#include "CheckReport.h"

#include "Journal.h"

namespace tservice {

namespace {

QString E(const std::string& s) { return QString::fromStdString(s).toHtmlEscaped(); }
QString N(double v) { return E(ScaleNumber(v)); }

QString Cell(const QString& text, const char* colour = nullptr) {
    return colour ? QStringLiteral("<td style=\"color:%1\"><b>%2</b></td>").arg(QLatin1String(colour), text)
                  : "<td>" + text + "</td>";
}

const char* Colour(bool pass) { return pass ? "#006400" : "#b00000"; }

QString Table(const QString& rows) {
    return "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">\n" + rows + "</table>\n";
}

QString Head(const QStringList& cells) {
    QString r = "<tr>";
    for (const QString& c : cells) r += "<th>" + c + "</th>";
    return r + "</tr>\n";
}

QString Flags(const CheckPoint& p) {
    QStringList f;
    if (p.Overflow()) f << "перегрузка";
    if (p.Alarm()) f << "сигнализация";
    return f.isEmpty() ? QStringLiteral("-") : f.join(", ");
}

QString OutputRows(const CheckRecord& r) {
    QString rows;
    for (const CheckPoint& p : r.points) {
        if (!p.hasOutput) continue;
        rows += "<tr>" + Cell(N(p.percent)) + Cell(N(p.outputExpected)) + Cell(N(p.outputMa)) +
                Cell(N(p.outputError)) + Cell(N(p.outputPermitted)) +
                Cell(E(VerdictText(p.outputPass)), Colour(p.outputPass)) + "</tr>\n";
    }
    if (rows.isEmpty()) return {};
    return "<p>Выходной ток, мА:</p>\n" +
           Table(Head({"Точка, %", "Ожидается", "Образцовый миллиамперметр", "Погрешность", "Допуск", "Вывод"}) + rows);
}

QString Identification(const CheckRecord& r) {
    QString rows;
    const auto row = [&rows](const QString& k, const QString& v) { rows += "<tr><td>" + k + "</td><td>" + v + "</td></tr>\n"; };
    row("Модель", E(r.modelName) + " (" + QString::number(r.model) + "), версия " + QString::number(r.version));
    row("Устройство №", QString::number(r.device));
    row("Порт", E(r.port));
    if (!r.sensor.empty()) row("Датчик", E(r.sensor));
    row("Диапазон", N(r.scale.from) + " … " + N(r.scale.to) + " " + E(r.scale.unit));
    row("Допуск", N(r.tolerance.value) + (r.tolerance.ofSpan ? " % диапазона" : " " + E(r.scale.unit)));
    return "<h2>Прибор</h2>\n" + Table(rows);
}

QString Conditions(const CheckConditions& c) {
    QString rows = Head({"Эталон", "Заводской №", "Свидетельство", "Действительно до"});
    for (const Instrument& i : c.instruments)
        rows += "<tr>" + Cell(E(i.name)) + Cell(E(i.serial)) + Cell(E(i.certificate)) + Cell(E(i.validUntil)) + "</tr>\n";
    return "<h2>Средства поверки и условия</h2>\n" + Table(rows) + "<p>Температура окружающего воздуха: " +
           E(c.ambient) + " °C; относительная влажность: " + E(c.humidity) + " %</p>\n";
}

QString Adjustments(const CertificateChecks& c) {
    QString html = QStringLiteral("<h2>Регулировка</h2>\n");
    if (c.adjustments.empty()) return html + "<p>регулировка не проводилась</p>\n";
    QString rows = Head({"Время", "Изменения"});
    for (const JournalEntry& e : c.adjustments) {
        QString lines;
        for (const FieldChange& f : e.changes)
            if (KindOfField(f.field) != ChangeKind::Setting) lines += E(ChangeLine(f) + AsFoundNote(f)) + "<br>";
        rows += "<tr>" + Cell(e.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))) + Cell(lines) + "</tr>\n";
    }
    return html + Table(rows);
}

QString Stage(const char* title, bool has, const CheckRecord& r) {
    QString html = QStringLiteral("<h2>%1</h2>\n").arg(QString::fromUtf8(title));
    if (!has) return html + "<p>не проводилась</p>\n";
    return html + "<p>" + r.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + ", поверитель " +
           E(r.conditions.operatorName) + "</p>\n" + CheckTableHtml(r);
}

}  // namespace

QString CheckTableHtml(const CheckRecord& r) {
    const QString u = E(r.scale.unit);
    QString rows = Head({"Точка, %", "Номинал, " + u, "Эталон, " + u, "Измерено, " + u, "Погрешность, " + u,
                         "Допуск, " + u, "Флаги", "Вывод"});
    for (const CheckPoint& p : r.points)
        rows += "<tr>" + Cell(N(p.percent)) + Cell(N(p.nominal)) + Cell(N(p.reference)) + Cell(N(p.measured)) +
                Cell(N(p.error), Colour(p.pass)) + Cell(N(p.permitted)) + Cell(Flags(p)) +
                Cell(E(VerdictText(p.pass)), Colour(p.pass)) + "</tr>\n";
    return Table(rows) + OutputRows(r) + "<p>Заключение (" + E(StageText(r.stage)) + "): <b style=\"color:" +
           Colour(r.Pass()) + "\">" + E(VerdictText(r.Pass())) + "</b></p>\n";
}

QString CertificateHtml(const CertificateChecks& c, const QDateTime& date) {
    const CheckRecord& main = c.hasLeft ? c.left : c.found;
    const bool pass = main.Pass();
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Протокол калибровки</title></head><body>\n"
           "<h1>Протокол калибровки</h1>\n<p>Дата: " +
           date.toString(QStringLiteral("yyyy-MM-dd")) + "</p>\n" + Identification(main) +
           Conditions(main.conditions) + Stage("Результаты до регулировки", c.hasFound, c.found) + Adjustments(c) +
           Stage("Результаты после регулировки", c.hasLeft, c.left) +
           "<h2>Заключение</h2>\n<p>Прибор " + E(VerdictText(pass)) + " к применению.</p>\n"
           "<p>Поверитель: ____________________ " + E(main.conditions.operatorName) +
           "</p>\n<p>Дата: " + date.toString(QStringLiteral("yyyy-MM-dd")) +
           "</p>\n</body></html>\n";
}

}  // namespace tservice
