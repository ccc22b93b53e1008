#include "UiSupport.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QProgressBar>
#include <QWidget>

namespace tservice {

int ExecModal(QDialog& dialog) { return dialog.exec(); }

int WrapStep(int position, int step, int minimum, int maximum) {
    const int span = maximum - minimum;
    if (span <= 0) return minimum;
    int p = position + step;
    if (p > maximum) p = minimum + (p - minimum) % span;
    if (p < minimum) p = minimum;
    return p;
}

void StepIt(QProgressBar& bar, int step) {
    bar.setValue(WrapStep(bar.value() < bar.minimum() ? bar.minimum() : bar.value(), step,
                          bar.minimum(), bar.maximum()));
    bar.repaint();
}

QColor LettersOn(const QColor& back) {
    return qGray(back.rgb()) < 160 ? QColor(Qt::white) : QColor(Qt::black);
}

MsgBox PortErrorBox(const PortError& error) {
    MsgBox box;
    box.text = PortErrorText(error);
    box.caption = "Ошибка";
    box.icon = MsgIcon::Error;
    box.buttons = MsgButtons::Ok;
    box.defaultAnswer = MsgAnswer::Ok;
    return box;
}

int TitleFitWidth(const QWidget& w, const QString& title) {
    QFont font = w.font();
    font.setBold(true);
    // Icon, minimise, maximise and close buttons of a usual frame.
    constexpr int kFrameButtons = 150;
    return QFontMetrics(font).horizontalAdvance(title) + kFrameButtons;
}

}  // namespace tservice
