#include "CompareWindow.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tservice {

TFormCompare::TFormCompare(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormCompare"));
    setWindowTitle(QStringLiteral("Сравнение с файлом"));
    LabTitle = new QLabel(this);
    GridCompare = new QTableWidget(0, 3, this);
    GridCompare->setHorizontalHeaderLabels(
        {QStringLiteral("Параметр"), QStringLiteral("Прибор"), QStringLiteral("Файл")});
    // The words of a parameter are the longest; the two values share the rest.
    GridCompare->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    GridCompare->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    GridCompare->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    GridCompare->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabTitle);
    layout->addWidget(GridCompare);
    resize(720, 560);
}

void TFormCompare::ShowRows(const std::vector<CompareRow>& rows, const QString& title) {
    GridCompare->setRowCount(static_cast<int>(rows.size()));
    int differ = 0;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const CompareRow& r = rows[i];
        int col = 0;
        for (const std::string& text : {r.label, r.device, r.file}) {
            auto* item = new QTableWidgetItem(QString::fromStdString(text));
            if (r.differs) {
                item->setBackground(QColor(0xFF, 0xC0, 0xC0));
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            GridCompare->setItem(i, col++, item);
        }
        differ += r.differs ? 1 : 0;
    }
    LabTitle->setText(title + (differ ? QStringLiteral("; различий: ") + QString::number(differ)
                                      : QStringLiteral("; различий нет")));
}

}  // namespace tservice
