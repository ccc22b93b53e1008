#pragma once
// Messages for the benchmarks: every box answered with its default, nothing shown.
#include <string>

#include "Messages.h"

namespace tservice::bench {

class NoMessages final : public IMessages {
public:
    MsgAnswer Show(const MsgBox& box) override { return box.defaultAnswer; }
    void Plain(const std::string&) override {}
    void Beep() override {}
    void RequestMainClose() override {}
};

}  // namespace tservice::bench
