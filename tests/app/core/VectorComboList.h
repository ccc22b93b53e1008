#pragma once
// IComboList over a plain vector, for tests of the limit lists.
#include <string>
#include <vector>

#include "Ranges.h"

namespace tservice::testing {

class VectorComboList : public IComboList {
public:
    void Clear() override { items.clear(); selected = -1; }
    void Add(const std::string& text) override { items.push_back(text); }
    int Count() const override { return static_cast<int>(items.size()); }
    void Select(int index) override { selected = (index >= 0 && index < Count()) ? index : -1; }
    int Selected() const override { return selected; }
    std::string Text() const override { return selected >= 0 ? items[selected] : std::string(); }

    // Picks the item with this text, as the operator would.
    bool Pick(const std::string& text) {
        for (int i = 0; i < Count(); ++i)
            if (items[i] == text) { selected = i; return true; }
        return false;
    }

    std::vector<std::string> items;
    int selected = -1;
};

}  // namespace tservice::testing
