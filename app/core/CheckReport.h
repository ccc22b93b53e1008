#pragma once
// The calibration certificate ("Протокол калибровки") of one transmitter from
// its latest as-found and as-left checks, as HTML (printed to PDF by
// WriteSetupReport), and the table of one check for other reports.
#include <QDateTime>
#include <QString>

#include "Check.h"

namespace tservice {

// The points of one check with errors and verdicts, coloured by verdict, and
// the overall verdict; an HTML fragment.
QString CheckTableHtml(const CheckRecord& record);

// The whole certificate as one HTML document: identification, sensor, range,
// the reference instruments, conditions, the as-found and as-left tables,
// the adjustments between them, the overall verdict, signatures and date.
// A missing stage is shown as "не проводилась"; the overall verdict is that
// of the as-left check when there is one.
QString CertificateHtml(const CertificateChecks& checks, const QDateTime& date);

}  // namespace tservice
