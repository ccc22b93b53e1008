#pragma once
// The "Руководство" window: the rendered operator's manual in a text browser,
// so it works offline and needs no system browser.
#include <QDialog>
#include <QUrl>

class QTextBrowser;
class QPushButton;

namespace tservice {

class THelpWindow final : public QDialog {
public:
    // parent: the window it belongs to (not owned by the caller once shown).
    explicit THelpWindow(QWidget* parent = nullptr);
    // Shows page#anchor of the manual in folder dir; a missing manual is said
    // in the window itself.
    void ShowTopic(const QString& dir, const QString& topic);
    // The page shown now (file URL with its anchor), for tests.
    QUrl Source() const;

private:
    void ButContentsClick();

    QTextBrowser* Browser = nullptr;
    QPushButton* ButBack = nullptr;
    QPushButton* ButForward = nullptr;
    QPushButton* ButContents = nullptr;
    QString Dir;
};

}  // namespace tservice
