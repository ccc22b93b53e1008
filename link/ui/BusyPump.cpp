#include "BusyPump.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace tservice {

namespace {

constexpr const char* kExemptProperty = "tserviceActsWhileBusy";

bool IsInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

bool Exempt(const QWidget* w) {
    for (; w != nullptr; w = w->parentWidget()) {
        if (w->property(kExemptProperty).toBool()) return true;
        if (w->isWindow()) break;
    }
    return false;
}

// The widget a window-level event is on its way to.
QWidget* Target(QWindow* window, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        QWidget* focus = QApplication::focusWidget();
        return focus != nullptr && focus->window()->windowHandle() == window ? focus : nullptr;
    }
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease &&
        event->type() != QEvent::MouseMove)
        return nullptr;
    const QPointF global = static_cast<QMouseEvent*>(event)->globalPosition();
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->windowHandle() != window) continue;
        QWidget* child = top->childAt(top->mapFromGlobal(global.toPoint()));
        return child != nullptr ? child : top;
    }
    return nullptr;
}

}  // namespace

BusyPump::BusyPump() {
    qApp->installEventFilter(this);
    // The busy cursor goes when the event loop has nothing left to do.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &BusyPump::Idle);
}

BusyPump::~BusyPump() {
    Idle();
    if (qApp != nullptr) qApp->removeEventFilter(this);
}

void BusyPump::ActsWhileBusy(QWidget* w) { w->setProperty(kExemptProperty, true); }

void BusyPump::Pump() {
    if (pumping_) return;
    if (!cursor_) {
        cursor_ = true;
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    }
    pumping_ = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    pumping_ = false;
}

void BusyPump::Idle() {
    if (!cursor_) return;
    cursor_ = false;
    QGuiApplication::restoreOverrideCursor();
}

bool BusyPump::eventFilter(QObject* watched, QEvent* event) {
    if (!pumping_) return false;
    return Discard(watched, event);
}

bool BusyPump::Discard(QObject* watched, QEvent* event) {
    // The close box is the operator's too; a close the program asks for
    // (not spontaneous) goes on.
    if (event->type() == QEvent::Close) return event->spontaneous();
    if (!IsInput(event->type())) return false;
    if (event->type() == QEvent::Shortcut) return true;
    QWidget* target = nullptr;
    if (auto* window = qobject_cast<QWindow*>(watched))
        target = Target(window, event);
    else
        target = qobject_cast<QWidget*>(watched);
    bool pass = target != nullptr && Exempt(target);
    // The release and the moves of a press that went through follow it, so
    // the button does not stay down.
    if (event->type() == QEvent::MouseButtonPress) exemptPress_ = pass;
    if (exemptPress_ && (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::MouseMove))
        pass = true;
    if (event->type() == QEvent::MouseButtonRelease && qobject_cast<QWindow*>(watched) == nullptr)
        exemptPress_ = false;
    return !pass;
}

}  // namespace tservice
