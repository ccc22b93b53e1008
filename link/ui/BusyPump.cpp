#include "BusyPump.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace tservice {

namespace {

constexpr const char* kExemptProperty = "tserviceActsWhileBusy";
constexpr const char* kClosesProperty = "tserviceClosesWhileBusy";

// Input worth holding for after the exchange: what the operator meant as an
// act (moves and the toolkit's own follow-ups are left out).
bool Holdable(const QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
        return true;
    case QEvent::Close:
        return event->spontaneous();
    default:
        return false;
    }
}

// The widget behind a window handle (the close box goes to the handle).
QWidget* WidgetOf(QObject* watched) {
    if (auto* w = qobject_cast<QWidget*>(watched)) return w;
    if (auto* window = qobject_cast<QWindow*>(watched))
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->windowHandle() == window) return top;
    return nullptr;
}

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

BusyPump* BusyPump::instance_ = nullptr;
int BusyPump::yielding_ = 0;

BusyPump::BusyPump() {
    instance_ = this;
    qApp->installEventFilter(this);
    // The busy cursor goes when the event loop has nothing left to do.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &BusyPump::Idle);
}

BusyPump::~BusyPump() {
    if (instance_ == this) instance_ = nullptr;
    Idle();
    if (qApp != nullptr) qApp->removeEventFilter(this);
}

void BusyPump::ActsWhileBusy(QWidget* w) { w->setProperty(kExemptProperty, true); }

void BusyPump::ClosesWhileBusy(QWidget* window) { window->setProperty(kClosesProperty, true); }

BusyPump::Yielding::Yielding() { ++yielding_; }
BusyPump::Yielding::~Yielding() { --yielding_; }

void BusyPump::DeliverHeld() {
    if (instance_ != nullptr) instance_->Deliver();
}

void BusyPump::Hold(QObject* watched, const QEvent* event) {
    held_.emplace_back(watched, std::unique_ptr<QEvent>(event->clone()));
    QueueDelivery();
}

void BusyPump::QueueDelivery() {
    if (deliveryQueued_) return;
    deliveryQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        deliveryQueued_ = false;
        Deliver();
    });
}

void BusyPump::Deliver() {
    if (held_.empty() || delivering_) return;
    if (pumping_) {
        // Still inside a wait: try again from the next pass of the loop.
        QueueDelivery();
        return;
    }
    auto held = std::move(held_);
    held_.clear();
    delivering_ = true;
    for (auto& [target, event] : held)
        if (target != nullptr && event != nullptr) QCoreApplication::sendEvent(target, event.get());
    delivering_ = false;
}

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
    if (delivering_) return false;
    if (!pumping_) {
        // Input after held input waits its turn, so a release never
        // overtakes its press.
        if (held_.empty() || !Holdable(event)) return false;
        Hold(watched, event);
        return true;
    }
    if (!Discard(watched, event)) return false;
    if (yielding_ > 0 && Holdable(event)) Hold(watched, event);
    return true;
}

bool BusyPump::Discard(QObject* watched, QEvent* event) {
    // The close box is the operator's too; a close the program asks for
    // (not spontaneous) goes on.
    if (event->type() == QEvent::Close) {
        const QWidget* w = WidgetOf(watched);
        return event->spontaneous() && (w == nullptr || !w->property(kClosesProperty).toBool());
    }
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
