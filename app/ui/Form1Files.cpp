// The "Файл" menu of the main window: parameter sets on file, comparison
// with a file, the change journal and the configuration report; and the
// "Изменения" panel. Only the image changes here; F10 writes.
#include <QAction>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>

#include "ChangesPanel.h"
#include "CompareWindow.h"
#include "Describe.h"
#include "FilePath.h"
#include "Form1.h"
#include "Journal.h"
#include "JournalWindow.h"
#include "LineBackup.h"
#include "Models.h"
#include "SavedSet.h"
#include "SetupReport.h"
#include "Workflow.h"

namespace tservice {

namespace {

const QString kSetFilter = QStringLiteral("Параметры (*.json);;Все файлы (*)");

// A file's block as an image with its range limits, for the comparison.
DeviceImage SavedImage(const SavedSet& saved) {
    DeviceImage image = ImageOf(saved);
    ApplyRangeLimits(image);
    return image;
}

}  // namespace

void TForm1::CreateFileMenu() {
    ChooseFile = [this](const QString& caption, const QString& filter, const QString& suggested, bool save) {
        return save ? QFileDialog::getSaveFileName(this, caption, suggested, filter)
                    : QFileDialog::getOpenFileName(this, caption, QString(), filter);
    };
    AFileSave = MenuFile->addAction(QStringLiteral("Сохранить параметры…"), this, [this] { FileSaveClick(); });
    AFileLoad = MenuFile->addAction(QStringLiteral("Загрузить параметры…"), this, [this] { FileLoadClick(); });
    AFileWithCalibr = MenuFile->addAction(QStringLiteral("включая калибровку"));
    AFileWithCalibr->setCheckable(true);
    AFileCompare = MenuFile->addAction(QStringLiteral("Сравнить с файлом…"), this, [this] { FileCompareClick(); });
    MenuFile->addSeparator();
    AJournal = MenuFile->addAction(QStringLiteral("Журнал изменений"), this, [this] { JournalClick(); });
    AOperator = MenuFile->addAction(QStringLiteral("Оператор…"), this, [this] { OperatorClick(); });
    AskOperator = [this](const QString& current) {
        return QInputDialog::getText(this, QStringLiteral("Оператор"),
                                     QStringLiteral("Имя оператора для журнала изменений:"), QLineEdit::Normal, current);
    };
    AReport = MenuFile->addAction(QStringLiteral("Отчет о настройке"), this, [this] { ReportClick(); });

    ChangesPanel = new TChangesPanel(LastReading, Image, this);
    // Hidden until asked for in "Вид", as the other panels; the status bar
    // still says "изменено, не записано".
    addDockWidget(Qt::BottomDockWidgetArea, ChangesPanel);
}

QString TForm1::ChooseDeviceFile(const QString& caption, const QString& filter, bool save, const QString& suggested) {
    if (!LastReading.Vvod || !Image.Vvod) {
        messages_.Show(WriteRefusalBox(WriteStage::NoData));
        return {};
    }
    return ChooseFile(caption, filter, suggested, save);
}

bool TForm1::ReadSetFile(const QString& path, SavedSet& saved) {
    std::string error;
    if (LoadSavedSet(PathBytes(path), saved, error)) return true;
    messages_.Show({error, "Ошибка", MsgIcon::Error});
    return false;
}

void TForm1::FileSaveClick() {
    HandlerScope scope(*this);
    const QString suggested = QString::fromStdString(BackupFileName(
        LastReading.GetNu() + 1, LastReading.Tip, QDate::currentDate().toString(Qt::ISODate).toStdString()));
    QString path = ChooseDeviceFile(QStringLiteral("Сохранить параметры"), kSetFilter, true, suggested);
    if (path.isEmpty()) return;
    // Typed without one: the load and compare dialogs list *.json.
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".json");
    std::string error;
    if (!WriteSavedSet(PathBytes(path), LastReading, LastReading.GetNu() + 1, error))
        messages_.Show({error, "Ошибка", MsgIcon::Error});
}

void TForm1::FileLoadClick() {
    HandlerScope scope(*this);
    const QString path = ChooseDeviceFile(QStringLiteral("Загрузить параметры"), kSetFilter, false);
    if (path.isEmpty()) return;
    StopPolling();
    SavedSet saved;
    if (!ReadSetFile(path, saved)) return;
    // The file's configuration over the transmitter as read: the fields it
    // keeps are its own, and the block check runs against that reading.
    std::string error;
    DeviceImage loaded = LastReading;
    if (!ApplySavedSet(saved, loaded, error, AFileWithCalibr->isChecked())) {
        messages_.Show({error, "Предупреждение", MsgIcon::Warning});
        return;
    }
    const auto block = [](const DeviceImage& im) {
        return std::vector<std::uint8_t>(im.Baza.begin(), im.Baza.begin() + 1 + kMaxParamLen);
    };
    if (block(loaded) == block(Image)) {
        messages_.Show({"Файл " + PathShown(QFileInfo(path).fileName()) + ": изменений нет", "Подтверждение",
                        MsgIcon::Information});
        return;
    }
    const bool sensorChanged = loaded.GetTipD() != Image.GetTipD();
    std::copy(loaded.Baza.begin(), loaded.Baza.begin() + 1 + kMaxParamLen, Image.Baza.begin());
    FillControls(RulesFor(Image.Tip, Image.Ver), Image.GetCurrent());
    // Marked only where the set differs from the transmitter as read.
    Image.Izmen = block(loaded) != block(LastReading) ? 1 : 0;
    if (sensorChanged) Image.IzmenTipD = Image.Izmen;
    ChangesPanel->Refresh();
}

void TForm1::FileCompareClick() {
    HandlerScope scope(*this);
    const QString path = ChooseDeviceFile(QStringLiteral("Сравнить с файлом"), kSetFilter, false);
    SavedSet saved;
    if (path.isEmpty() || !ReadSetFile(path, saved)) return;
    const int device = LastReading.GetNu() + 1;
    // As a load would take it: what the transmitter keeps (its number, its
    // calibration unless ticked) is no difference. A set a load refuses is
    // shown as it stands.
    DeviceImage asLoaded = LastReading;
    std::string refusal;
    const bool loadable = ApplySavedSet(saved, asLoaded, refusal, AFileWithCalibr->isChecked());
    if (loadable) ApplyRangeLimits(asLoaded);
    const Reading file = loadable ? Describe(asLoaded, device) : Describe(SavedImage(saved), saved.device);
    if (FormCompare == nullptr) FormCompare = new TFormCompare(this);
    FormCompare->ShowRows(CompareReadings(Describe(LastReading, device), file),
                          QStringLiteral("устройство ") + QString::number(device) + QStringLiteral(" и файл ") +
                              QString::fromStdString(PathShown(QFileInfo(path).fileName())));
    FormCompare->show();
    FormCompare->raise();
}

void TForm1::JournalClick() {
    if (FormJournal == nullptr) FormJournal = new TFormJournal(this);
    FormJournal->ShowJournal(JournalPath);
    FormJournal->show();
    FormJournal->raise();
}

void TForm1::OperatorClick() {
    HandlerScope scope(*this);
    const QString name = AskOperator(QString::fromStdString(JournalOperator())).simplified();
    if (name.isEmpty()) return;
    SetJournalOperator(name.toStdString());
    RememberOperator(name.toStdString());
}

void TForm1::ReportClick() {
    HandlerScope scope(*this);
    const QString path = ChooseDeviceFile(QStringLiteral("Отчет о настройке"),
                                          QStringLiteral("PDF (*.pdf);;HTML (*.html *.htm)"), true);
    if (path.isEmpty()) return;
    const int device = LastReading.GetNu() + 1;
    ReportInput input{QDateTime::currentDateTime(), Link.PortName, device, &LastReading, {}};
    if (!JournalPath.isEmpty()) {
        JournalContents journal = ReadJournal(JournalPath, device);
        if (!journal.error.empty()) messages_.Show({journal.error, "Предупреждение", MsgIcon::Warning});
        input.journal = std::move(journal.entries);
    }
    const QString suffix = QFileInfo(path).suffix().toLower();
    std::string error;
    if (!WriteSetupReport(SetupReportHtml(input), path, suffix != "html" && suffix != "htm", error))
        messages_.Show({error, "Ошибка", MsgIcon::Error});
}

void TForm1::RecordWrite(const DeviceImage& sent, int deviceBefore, const std::string& failedStep) {
    if (JournalPath.isEmpty() || !LastReading.Vvod) return;
    std::string error;
    JournalEntry entry =
        MakeJournalEntry(LastReading, sent, Link.PortName, deviceBefore, NuCur + 1, QDateTime::currentDateTime());
    if (!failedStep.empty()) {
        entry.status = kUnconfirmed;
        entry.failedStep = failedStep;
    }
    if (!AppendJournal(JournalPath, entry, error)) messages_.Show({error, "Предупреждение", MsgIcon::Warning});
}

}  // namespace tservice
