#pragma once
// IMessages for the command line: every box's text goes to the error stream;
// nothing is asked (questions take their default answer).
#include <ostream>

#include "Messages.h"

namespace tservice::cli {

class ConsoleMessages final : public IMessages {
public:
    explicit ConsoleMessages(std::ostream& err) : err_(err) {}
    MsgAnswer Show(const MsgBox& box) override {
        err_ << box.text << "\n";
        ++shown;
        return box.defaultAnswer;
    }
    void Plain(const std::string& text) override { err_ << text << "\n"; ++shown; }
    void Beep() override {}
    void RequestMainClose() override { closeRequested = true; }

    int shown = 0;
    bool closeRequested = false;

private:
    std::ostream& err_;
};

}  // namespace tservice::cli
