#include "FocusChain.h"

#include <QWidget>

namespace tservice {

namespace {

bool TakesTab(const QWidget* w, const QWidget* window) {
    return w != window && w->window() == window && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
           w->isVisibleTo(window);
}

}  // namespace

QWidget* FirstInTabOrder(QWidget* window) {
    if (window == nullptr) return nullptr;
    for (QWidget* w = window->nextInFocusChain(); w != nullptr && w != window; w = w->nextInFocusChain())
        if (TakesTab(w, window)) return w;
    return nullptr;
}

QWidget* NeighbourInTabOrder(QWidget* from, bool forward) {
    if (from == nullptr) return nullptr;
    QWidget* window = from->window();
    auto step = [forward](QWidget* w) { return forward ? w->nextInFocusChain() : w->previousInFocusChain(); };
    for (QWidget* w = step(from); w != nullptr && w != from; w = step(w))
        if (TakesTab(w, window)) return w;
    return nullptr;
}

}  // namespace tservice
