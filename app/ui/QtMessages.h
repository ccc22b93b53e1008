#pragma once
// IMessages on the toolkit's message boxes, for the real program.
#include <QPointer>
#include <QWidget>

#include "Messages.h"

namespace tservice {

class QtMessages final : public IMessages {
public:
    // The main window (not owned, may be set later) is the boxes' parent and
    // the target of RequestMainClose.
    void SetMainWindow(QWidget* main) { main_ = main; }

    // Application-modal box with the given caption, icon, buttons and default.
    MsgAnswer Show(const MsgBox& box) override;
    // Text and OK, caption "Предупреждение" and the warning icon.
    void Plain(const std::string& text) override;
    void Beep() override;
    // Queues a close of the main window; it runs its own closing steps.
    void RequestMainClose() override;

private:
    QPointer<QWidget> main_;
};

}  // namespace tservice
