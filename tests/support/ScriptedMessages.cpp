#include "ScriptedMessages.h"

namespace tservice::testing {

MsgAnswer ScriptedMessages::Show(const MsgBox& box) {
    boxes.push_back(box);
    if (onShow) onShow(box);
    if (!script.empty()) {
        MsgAnswer a = script.front();
        script.pop_front();
        return a;
    }
    return box.defaultAnswer;
}

void ScriptedMessages::Plain(const std::string& text) { plains.push_back(text); }

}  // namespace tservice::testing
