#pragma once
// Every message box and question of the program goes through IMessages, so
// tests can assert text, caption, icon and buttons and script the answer.
#include <string>

namespace tservice {

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, YesNo, YesNoCancel, RetryCancel };
enum class MsgAnswer { Ok, Yes, No, Cancel, Retry };

struct MsgBox {
    std::string text;     // UTF-8, shown exactly, line breaks as '\n'
    std::string caption;  // UTF-8
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    MsgAnswer defaultAnswer = MsgAnswer::Ok;
    // Anchor of the message's entry in the operator's manual ("msg-130");
    // empty: the box offers no "Справка" button.
    std::string help{};
    // What the box says and asks; the help anchor is not part of it.
    bool operator==(const MsgBox& o) const {
        return text == o.text && caption == o.caption && icon == o.icon && buttons == o.buttons &&
               defaultAnswer == o.defaultAnswer;
    }
};

class IMessages {
public:
    virtual ~IMessages() = default;
    // A task-modal message box; returns the button pressed. A box with a
    // help anchor also offers "Справка", which shows the manual and returns
    // to the box.
    virtual MsgAnswer Show(const MsgBox& box) = 0;
    // The toolkit's plain message window (text and OK, application caption).
    virtual void Plain(const std::string& text) = 0;
    // The system beep.
    virtual void Beep() = 0;
    // Asks the main window to close; it runs its own closing steps later.
    virtual void RequestMainClose() = 0;
};

}  // namespace tservice
