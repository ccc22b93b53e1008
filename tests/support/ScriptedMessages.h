#pragma once
// IMessages for tests: records every box, plain message, beep and close
// request, and answers questions from a script (default: the box's default).
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "Messages.h"

namespace tservice::testing {

class ScriptedMessages : public IMessages {
public:
    MsgAnswer Show(const MsgBox& box) override;
    void Plain(const std::string& text) override;
    void Beep() override { ++beeps; }
    void RequestMainClose() override { ++closeRequests; }

    // Answers for the next questions, in order; when empty the box's default
    // answer is given (Ok for an OK box).
    void Script(std::initializer_list<MsgAnswer> answers) { for (auto a : answers) script.push_back(a); }
    void Reset() { boxes.clear(); plains.clear(); beeps = 0; closeRequests = 0; script.clear(); }

    std::vector<MsgBox> boxes;
    std::vector<std::string> plains;
    int beeps = 0;
    int closeRequests = 0;
    std::deque<MsgAnswer> script;
    // Runs inside Show, as a real box's message loop would run timer ticks.
    std::function<void(const MsgBox&)> onShow;
};

}  // namespace tservice::testing
