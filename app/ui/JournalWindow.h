#pragma once
// "Журнал изменений": the journal's entries, newest first, filtered by device,
// and the check of its chain.
#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QTableWidget;

namespace tservice {

class TFormJournal : public QDialog {
    Q_OBJECT
public:
    explicit TFormJournal(QWidget* parent = nullptr);

    // Reads the journal at path (empty: none is kept) and shows the entries
    // of the device picked in CBoxUstr.
    void ShowJournal(const QString& path);
    // A device picked in the filter ("все" or 1..32).
    void CBoxUstrClick();

    QComboBox* CBoxUstr = nullptr;
    QTableWidget* GridJournal = nullptr;
    QLabel* LabInfo = nullptr;  // the file, skipped lines and read errors
    QLabel* LabVerdict = nullptr;  // the chain check; the first broken line is marked in the grid

private:
    QString path_;
};

}  // namespace tservice
