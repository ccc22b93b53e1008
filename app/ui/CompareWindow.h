#pragma once
// "Сравнить с файлом…": the transmitter's parameters and a saved set side by
// side, differences marked.
#include <vector>

#include <QDialog>

#include "Changes.h"

class QLabel;
class QTableWidget;

namespace tservice {

class TFormCompare : public QDialog {
    Q_OBJECT
public:
    explicit TFormCompare(QWidget* parent = nullptr);

    // Shows rows; title names the device and the file.
    void ShowRows(const std::vector<CompareRow>& rows, const QString& title);

    QLabel* LabTitle = nullptr;
    QTableWidget* GridCompare = nullptr;
};

}  // namespace tservice
