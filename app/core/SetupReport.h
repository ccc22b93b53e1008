#pragma once
// The configuration report of one transmitter for the service record: the
// identification, every parameter in engineering units with its raw value,
// the last measurement and the device's journal entries, as HTML or PDF
// (printed by the toolkit, no external program).
#include <string>
#include <vector>

#include <QDateTime>
#include <QString>

#include "DeviceImage.h"
#include "Journal.h"

namespace tservice {

struct ReportInput {
    QDateTime date;
    std::string port;
    int device = 0;                      // 1..32
    const DeviceImage* image = nullptr;  // a complete reading, range limits applied; not owned
    std::vector<JournalEntry> journal;   // the device's entries, oldest first
};

// The report as one HTML document (UTF-8 text, no external resources).
QString SetupReportHtml(const ReportInput& input);

// Writes html to path, as PDF (A4, titled by the document's <title>) when pdf,
// else as the HTML text. Needs a QGuiApplication for PDF. False with the reason in error when the file
// cannot be written.
bool WriteSetupReport(const QString& html, const QString& path, bool pdf, std::string& error);

}  // namespace tservice
