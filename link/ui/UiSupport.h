#pragma once
// Small helpers shared by the dialogs of the link and the main window: how a
// modal dialog is run, progress bar steps, and the box for a port failure.
#include <functional>
#include <string>
#include <vector>

#include "ComPort.h"
#include "Messages.h"

class QColor;
class QDialog;
class QProgressBar;
class QString;
class QWidget;

namespace tservice {

// Runs a dialog modally and returns its result code. The program uses
// ExecModal; tests put a function in that plays the operator's part.
using ModalRunner = std::function<int(QDialog&)>;
int ExecModal(QDialog& dialog);

// The port names a port dialog offers, first entry first.
using PortListFn = std::function<std::vector<std::string>()>;

// Position after one step of a progress control: beyond the maximum it
// starts again from the minimum (so 0..100 by 10 goes ...90, 100, 10, 20...).
int WrapStep(int position, int step, int minimum, int maximum);

// Advances bar by step as above and repaints it at once, so the progress
// shows while the window's thread is blocked by an exchange. No input runs.
void StepIt(QProgressBar& bar, int step);

// Letters readable on a field of colour back: white on the dark state
// colours (red, teal, navy), black on light ones.
QColor LettersOn(const QColor& back);

// Width in pixels window w needs for title to show whole in its title bar,
// beside the window manager's icon and buttons (bold title font assumed).
int TitleFitWidth(const QWidget& w, const QString& title);

// The box for an operating-system failure of the port that escaped an
// exchange (caption "Ошибка", error icon, OK).
MsgBox PortErrorBox(const PortError& error);

}  // namespace tservice
