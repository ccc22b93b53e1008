#pragma once
// IComboList over a QComboBox. Changes made through the adapter are the
// program's, not the operator's: they raise no change signals, so they never
// run a handler or mark the image changed.
#include "Ranges.h"

class QComboBox;

namespace tservice {

class ComboAdapter final : public IComboList {
public:
    // box is not owned and must outlive the adapter.
    explicit ComboAdapter(QComboBox& box) : box_(box) {}
    void Clear() override;
    void Add(const std::string& text) override;
    int Count() const override;
    void Select(int index) override;  // out of range: nothing selected
    int Selected() const override;
    std::string Text() const override;

private:
    QComboBox& box_;
};

// Selects item index of box without change signals; an index outside the
// list leaves nothing selected.
void SelectQuietly(QComboBox& box, int index);

}  // namespace tservice
