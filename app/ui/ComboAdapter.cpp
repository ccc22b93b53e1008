#include "ComboAdapter.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace tservice {

void SelectQuietly(QComboBox& box, int index) {
    const QSignalBlocker block(box);
    box.setCurrentIndex(index >= 0 && index < box.count() ? index : -1);
}

void ComboAdapter::Clear() {
    const QSignalBlocker block(box_);
    box_.clear();
}

void ComboAdapter::Add(const std::string& text) {
    const QSignalBlocker block(box_);
    const int before = box_.currentIndex();
    box_.addItem(QString::fromStdString(text));
    if (box_.currentIndex() != before) box_.setCurrentIndex(before);  // adding selects nothing
}

int ComboAdapter::Count() const { return box_.count(); }

void ComboAdapter::Select(int index) { SelectQuietly(box_, index); }

int ComboAdapter::Selected() const { return box_.currentIndex(); }

std::string ComboAdapter::Text() const { return box_.currentText().toStdString(); }

}  // namespace tservice
