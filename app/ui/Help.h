#pragma once
// The operator's manual inside the program: where the rendered manual is,
// which chapter belongs to which window, the "Справка" menu and F1.
#include <span>
#include <string>

#include <QString>

class QMainWindow;
class QWidget;

namespace tservice {

// A window, dialog, panel or group of the program (its object name) and its
// place in the manual ("page.html#anchor").
struct HelpTopic {
    const char* objectName;
    const char* topic;
};

// Every window, dialog, panel and group that has a chapter of its own.
std::span<const HelpTopic> HelpTopics();

// The folder of the rendered manual (holding index.html): TSERVICE_MANUAL
// when set, else beside the program (../doc/manual in the build tree,
// ../share/doc/tservice/manual installed); empty when none is found.
QString ManualDir();

// The topic for a widget: the first of it and its parents with a chapter
// (a message box names its own entry); "index.html" when none has one.
QString HelpTopicFor(const QWidget* widget);

// The topic of a message's help anchor: "messages.html#msg-130".
QString MessageTopic(const std::string& anchor);

// Shows the manual at topic; modal over parent when it is a modal window
// (a message box, a dialog), else in the one "Руководство" window.
void ShowManual(QWidget* parent, const QString& topic);

// Adds "Справка" to the main window's menu bar ("Руководство" F1,
// "Сообщения и их причины", "О программе") and makes F1 open the chapter of
// the window or dialog that has the focus, everywhere in the program.
void InstallHelp(QMainWindow& main);

// The "О программе" text: version, build date, Qt version and licences (HTML).
QString AboutText();

}  // namespace tservice
